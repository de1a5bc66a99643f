// Pictures of whole screens compared with reference PNGs (see CMakeLists.txt for how to
// regenerate them). A change in layout or in drawing shows up here as a failing test with a
// diff picture next to the output.
#include <gtest/gtest.h>

#include "RenderTestSupport.hpp"
#include "platform/messageui/MFMailComposeViewController.hpp"
#include "platform/social/SLComposeViewController.hpp"
#include "platform/uikit/UIControl.hpp"
#include "platform/uikit/UIImageView.hpp"
#include "platform/uikit/UILabel.hpp"
#include "platform/uikit/UINavigationController.hpp"
#include "platform/uikit/UISegmentedControl.hpp"
#include "platform/uikit/UISlider.hpp"
#include "platform/uikit/UISwitch.hpp"
#include "platform/uikit/UITableViewCell.hpp"
#include "platform/uikit/UIWindow.hpp"

using namespace rendertest;

namespace {

render::RenderOptions at2x() {
  render::RenderOptions o;
  o.scale = 2;
  return o;
}

// A Settings app in a window: "Settings", then a page with a logo as its title view, a compose
// button and grouped rows of the platform's own cells and controls.
struct SettingsScreen {
  UIWindowRef window = std::make_shared<UIWindow>(CGRectMake(0, 0, 375, 667));
  std::shared_ptr<UINavigationController> nav = std::make_shared<UINavigationController>();
  UIViewControllerRef page = std::make_shared<UIViewController>();

  SettingsScreen() {
    auto home = std::make_shared<UIViewController>();
    home->setTitle("Settings");
    nav->initWithRootViewController(home);
    window->addSubview(nav->view());
    window->setHidden(false);
    nav->viewWillAppear(false);
    nav->viewDidAppear(false);
    page->setTitle("Velloway");
    page->navigationItem()->setTitleView(std::make_shared<UIImageView>(makeSolidImage(96, 26, 0xff3c4f59u)));
    page->navigationItem()->setRightBarButtonItem(
        std::make_shared<UIBarButtonItem>(UIBarButtonSystemItemCompose, nullptr, "compose:"));
    nav->pushViewController(page, false);
    const UIViewRef content = page->view();
    content->setBackgroundColor(UIColor::colorWithRed(239 / 255.0, 239 / 255.0, 244 / 255.0, 1));
    const double W = content->frame().size.width;
    double y = 35;
    auto row = [&](const std::string& title, long accessory, UIViewRef accessoryView, bool last) {
      auto cell = std::make_shared<UITableViewCell>();
      cell->initWithStyle(UITableViewCellStyleDefault, std::nullopt);
      cell->setFrame(CGRectMake(0, y, W, 44));
      cell->textLabel()->setText(title);
      cell->setAccessoryType(accessory);
      if (accessoryView) cell->setAccessoryView(accessoryView);
      cell->layoutSubviews();
      if (!last) {
        auto separator = std::make_shared<UIView>(CGRectMake(15, 43.5, W - 15, 0.5));
        separator->setBackgroundColor(UIColor::colorWithRed(200 / 255.0, 199 / 255.0, 204 / 255.0, 1));
        cell->addSubview(separator);
      }
      content->addSubview(cell);
      y += 44;
      return cell;
    };
    auto on = std::make_shared<UISwitch>();
    on->setOn(true);
    row("Enabled", UITableViewCellAccessoryNone, on, false);
    row("Vibrancy Labels", UITableViewCellAccessoryNone, std::make_shared<UISwitch>(), true);
    y += 35;
    auto sliderCell = row("", UITableViewCellAccessoryNone, nullptr, true);
    auto slider = std::make_shared<UISlider>(CGRectMake(15, 6.5, W - 30, 31));
    slider->setMaximumValue(30);
    slider->setValue(12);
    sliderCell->contentView()->addSubview(slider);
    y += 35;
    row("Configuration", UITableViewCellAccessoryDisclosureIndicator, nullptr, false);
    row("Vibrant", UITableViewCellAccessoryCheckmark, nullptr, true);
    y += 35;
    auto segmentCell = row("", UITableViewCellAccessoryNone, nullptr, true);
    auto segments = std::make_shared<UISegmentedControl>(std::vector<std::string>{"Light", "Dark", "Artwork"});
    segments->setFrame(CGRectMake(15, 7.5, W - 30, 29));
    segments->setSelectedSegmentIndex(2);
    segmentCell->contentView()->addSubview(segments);
  }
};

}  // namespace

TEST(ReferenceImages, OverlayWithVibrancyLabels) {
  auto overlay = makeOverlay(375, 300, true, 12);
  auto image = render::renderViewTree(*overlay, at2x());
  EXPECT_EQ(image.width(), 750);
  EXPECT_EQ(image.height(), 600);
  EXPECT_EQ(compareWithReference(image, "overlay_vibrancy"), "");
}

TEST(ReferenceImages, OverlayWithoutVibrancyAndSquareCover) {
  auto overlay = makeOverlay(375, 300, false, 0);
  EXPECT_EQ(compareWithReference(render::renderViewTree(*overlay, at2x()), "overlay_plain"), "");
}

TEST(ReferenceImages, ReachabilityScreen) {
  // The home screen lowered under the reachability window, which shows the overlay.
  render::Canvas canvas({375, 667}, at2x());
  canvas.drawView(*makeHomeScreen(375, 667), {0, 300});
  canvas.drawView(*makeOverlay(375, 300, true, 4), {0, 0});
  EXPECT_EQ(compareWithReference(canvas.image(), "reachability_screen"), "");
}

TEST(ReferenceImages, AlertWithTextFieldOverSettings) {
  render::Canvas canvas({375, 667}, at2x());
  canvas.drawView(*makeSettingsPage(375, 667));
  UIAlertView alert("Artwork Corner Radius", "Enter a value between 0 and 30.", {}, "Cancel", {"OK"});
  alert.setAlertViewStyle(UIAlertViewStylePlainTextInput);
  alert.textFieldAtIndex(0)->text = "12";
  canvas.drawAlert(alert);
  EXPECT_EQ(compareWithReference(canvas.image(), "alert_text_field"), "");
}

TEST(ReferenceImages, WelcomeNoticeOverHomeScreen) {
  render::Canvas canvas({375, 667}, at2x());
  canvas.drawView(*makeHomeScreen(375, 667));
  UIAlertView alert("Welcome to Velloway",
                    "Activate reachability to see your music. Double tap the artwork to play or pause, swipe it to change "
                    "tracks.",
                    {}, "Thanks!", {});
  canvas.drawAlert(alert);
  EXPECT_EQ(compareWithReference(canvas.image(), "alert_welcome"), "");
}

TEST(ReferenceImages, LayersLabelsAndImages) {
  auto root = std::make_shared<UIView>(CGRectMake(0, 0, 320, 260));
  root->setBackgroundColor(UIColor::colorWithWhite(0.95, 1));
  // Rounded, bordered, shadowed and translucent boxes.
  auto rounded = std::make_shared<UIView>(CGRectMake(16, 16, 80, 60));
  rounded->setBackgroundColor(UIColor::colorWithRed(0.2, 0.6, 0.9, 1));
  rounded->layer()->cornerRadius = 14;
  rounded->layer()->borderWidth = 3;
  rounded->layer()->borderColor = UIColor::colorWithRed(0.05, 0.2, 0.4, 1)->CGColor();
  root->addSubview(rounded);
  auto shadowed = std::make_shared<UIView>(CGRectMake(120, 16, 80, 60));
  shadowed->setBackgroundColor(UIColor::whiteColor());
  shadowed->layer()->cornerRadius = 8;
  shadowed->layer()->shadowColor = UIColor::blackColor()->CGColor();
  shadowed->layer()->shadowOpacity = 0.5;
  shadowed->layer()->shadowRadius = 6;
  shadowed->layer()->shadowOffset = {0, 4};
  root->addSubview(shadowed);
  auto faded = std::make_shared<UIView>(CGRectMake(224, 16, 80, 60));
  faded->setAlpha(0.5);
  auto a = std::make_shared<UIView>(CGRectMake(0, 0, 50, 60));
  a->setBackgroundColor(UIColor::colorWithRed(0.9, 0.2, 0.2, 1));
  auto b = std::make_shared<UIView>(CGRectMake(30, 0, 50, 60));
  b->setBackgroundColor(UIColor::colorWithRed(0.2, 0.7, 0.3, 1));
  faded->addSubview(a);
  faded->addSubview(b);
  root->addSubview(faded);
  // Faces, sizes and alignments.
  const char* faces[] = {"Helvetica", "Helvetica-Bold", "Helvetica Light", "HelveticaNeue-Light"};
  const long alignments[] = {NSTextAlignmentLeft, NSTextAlignmentCenter, NSTextAlignmentRight, NSTextAlignmentLeft};
  for (int i = 0; i < 4; ++i) {
    auto l = std::make_shared<UILabel>(CGRectMake(16, 92 + i * 26, 200, 24));
    l->setBackgroundColor(UIColor::whiteColor());
    l->setText(std::string(faces[i]) + " Quick brown fox");
    l->setFont(UIFont::fontWithName(faces[i], 15));
    l->setTextColor(UIColor::colorWithRed(68 / 255.0, 90 / 255.0, 101 / 255.0, 1));
    l->setTextAlignment(alignments[i]);
    root->addSubview(l);
  }
  auto truncated = std::make_shared<UILabel>(CGRectMake(16, 200, 120, 24));
  truncated->setText("A title far too long for its label");
  truncated->setFont(UIFont::systemFontOfSize(15));
  root->addSubview(truncated);
  auto button = UIButton::buttonWithType(UIButtonTypeSystem);
  button->setFrame(CGRectMake(150, 200, 80, 24));
  button->setTitle("Done", 0);
  root->addSubview(button);
  auto fit = std::make_shared<UIImageView>(CGRectMake(232, 100, 72, 140));
  fit->setBackgroundColor(UIColor::colorWithWhite(0.8, 1));
  fit->setImage(makeArtwork(120));
  fit->contentMode = UIViewContentModeScaleAspectFit;
  root->addSubview(fit);
  EXPECT_EQ(compareWithReference(render::renderViewTree(*root, at2x()), "layers_labels_images"), "");
}

TEST(ReferenceImages, SettingsPageWithWidgetsAndNavigationBar) {
  SettingsScreen screen;
  EXPECT_EQ(compareWithReference(render::renderViewTree(*screen.window, at2x()), "settings_widgets"), "");
}

TEST(ReferenceImages, PostComposerOverAPage) {
  SettingsScreen screen;
  auto composer = SLComposeViewController::composeViewControllerForServiceType(SLServiceTypeTwitter);
  ASSERT_TRUE(composer);
  composer->setInitialText("#VLW is awesome! Music controls right where my thumb is, in reachability mode.");
  screen.page->presentViewController(composer, false);
  EXPECT_EQ(compareWithReference(render::renderViewTree(*screen.window, at2x()), "social_compose_sheet"), "");
}

TEST(ReferenceImages, MailSheetWithTwoAttachments) {
  SettingsScreen screen;
  auto mail = std::make_shared<MFMailComposeViewController>();
  mail->setSubject("Velloway 1.0 Support");
  mail->setToRecipients({"Velloway Makers <makers@example.org>"});
  mail->setMessageBody("\n\nDevice: iPhone7,2\nSystem: 9.0.2 (13A452)\nVelloway: 1.0", false);
  mail->addAttachmentData(std::string(640, 'p'), "application/x-plist", "com.dovrane.velloway.plist");
  mail->addAttachmentData(std::string(23800, 'd'), "text/plain", "packages.txt");
  screen.page->presentViewController(mail, false);
  EXPECT_EQ(compareWithReference(render::renderViewTree(*screen.window, at2x()), "mail_sheet_attachments"), "");
}
