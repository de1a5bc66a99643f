// Unit checks of the settings widgets' painters and of sheets in a window: each drawn from the
// view's own state, probed by pixels.
#include <gtest/gtest.h>

#include "RenderTestSupport.hpp"
#include "platform/social/SLComposeViewController.hpp"
#include "platform/uikit/UIImageView.hpp"
#include "platform/uikit/UINavigationController.hpp"
#include "platform/uikit/UISegmentedControl.hpp"
#include "platform/uikit/UISlider.hpp"
#include "platform/uikit/UISwitch.hpp"
#include "platform/uikit/UITableViewCell.hpp"
#include "platform/uikit/UIWindow.hpp"

using namespace rendertest;

namespace {

constexpr uint32_t kWhite = 0xffffffffu;
constexpr uint32_t kBlack = 0xff000000u;

UIViewRef rootOf(double w, double h, UIColorRef color) {
  auto root = std::make_shared<UIView>(CGRectMake(0, 0, w, h));
  root->setBackgroundColor(std::move(color));
  return root;
}

bool near(const RGBA& c, int r, int g, int b, int tolerance = 12) {
  return std::abs(c.r - r) <= tolerance && std::abs(c.g - g) <= tolerance && std::abs(c.b - b) <= tolerance;
}

// The centre of the white thumb on the row y: the middle of the run of near-white pixels.
double thumbCentre(const render::Image& image, int y) {
  int first = -1, last = -1;
  for (int x = 0; x < image.width(); ++x)
    if (brightness(image.pixel(x, y)) > 245) {
      if (first < 0) first = x;
      last = x;
    }
  return first < 0 ? -1 : (first + last) / 2.0;
}

bool sameImages(const render::Image& a, const render::Image& b) {
  if (a.width() != b.width() || a.height() != b.height()) return false;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x)
      if (a.pixel(x, y) != b.pixel(x, y)) return false;
  return true;
}

}  // namespace

TEST(Switches, TrackColourAndThumbSideFollowTheState) {
  auto root = rootOf(61, 41, UIColor::whiteColor());
  auto control = std::make_shared<UISwitch>();
  control->setFrame(CGRectMake(5, 5, 51, 31));
  root->addSubview(control);
  // Probes (scale 1): inside the track near its left and right ends, on the middle row.
  const int left = 5 + 8, right = 5 + 43, mid = 5 + 15;

  auto off = render::renderViewTree(*root, 1.0);
  EXPECT_TRUE(near(channels(off.pixel(right, mid)), 255, 255, 255, 6)) << "off: white track where the thumb is not";
  EXPECT_TRUE(near(channels(off.pixel(left, mid)), 255, 255, 255, 6)) << "off: the white thumb at the left";
  EXPECT_LT(brightness(off.pixel(5 + 25, 5)), 250) << "off: a grey outline along the top";

  control->setOn(true);
  auto on = render::renderViewTree(*root, 1.0);
  EXPECT_TRUE(near(channels(on.pixel(left, mid)), 76, 217, 100)) << "on: the system green";
  EXPECT_TRUE(near(channels(on.pixel(right, mid)), 255, 255, 255, 6)) << "on: the thumb at the right";

  control->setOnTintColor(UIColor::colorWithRed(0.8, 0.1, 0.1, 1));
  auto tinted = render::renderViewTree(*root, 1.0);
  EXPECT_TRUE(near(channels(tinted.pixel(left, mid)), 204, 26, 26)) << "on: the switch's own on-tint";
}

TEST(Sliders, ThumbFollowsTheValueAndTheTrackIsTintedUpToIt) {
  auto root = rootOf(220, 31, UIColor::blackColor());
  auto slider = std::make_shared<UISlider>(CGRectMake(10, 0, 200, 31));
  slider->setTintColor(UIColor::colorWithRed(1, 0, 0, 1));
  slider->setMinimumValue(10);
  slider->setMaximumValue(30);
  root->addSubview(slider);
  const double scale = 2;
  // The thumb's centre runs from 14 points in to 14 points before the end.
  auto expected = [&](double fraction) { return (10 + 14 + (200 - 28) * fraction) * scale; };
  for (double value : {10.0, 15.0, 20.0, 30.0}) {
    slider->setValue(static_cast<float>(value));
    auto image = render::renderViewTree(*root, scale);
    EXPECT_NEAR(thumbCentre(image, static_cast<int>(15.5 * scale)), expected((value - 10) / 20), 2.5) << value;
  }
  // Halfway: red left of the thumb, grey right of it, on the track's row.
  slider->setValue(20);
  auto half = render::renderViewTree(*root, scale);
  const int row = static_cast<int>(15.5 * scale);
  EXPECT_TRUE(near(channels(half.pixel(static_cast<int>(40 * scale), row)), 255, 0, 0)) << "minimum side in the tint";
  EXPECT_TRUE(near(channels(half.pixel(static_cast<int>(180 * scale), row)), 183, 183, 183)) << "maximum side grey";

  // Equal bounds put the thumb at the start.
  slider->setMinimumValue(5);
  slider->setMaximumValue(5);
  EXPECT_NEAR(thumbCentre(render::renderViewTree(*root, scale), row), expected(0), 2.5);
}

TEST(SegmentedControls, SelectedSegmentIsFilledWithTheTint) {
  auto root = rootOf(200, 29, UIColor::whiteColor());
  auto control = std::make_shared<UISegmentedControl>(std::vector<std::string>{"One", "Two"});
  control->setFrame(CGRectMake(0, 0, 200, 29));
  control->setTintColor(UIColor::colorWithRed(0, 0, 1, 1));
  control->setSelectedSegmentIndex(1);
  root->addSubview(control);
  auto image = render::renderViewTree(*root, 1.0);
  EXPECT_TRUE(near(channels(image.pixel(190, 5)), 0, 0, 255)) << "the selected segment is filled";
  EXPECT_TRUE(near(channels(image.pixel(10, 5)), 255, 255, 255)) << "the other is not";
  EXPECT_TRUE(near(channels(image.pixel(10, 0)), 0, 0, 255, 80)) << "but outlined";
}

TEST(TableCells, DisclosureChevronSitsInTheRoomTheLayoutLeaves) {
  auto cell = std::make_shared<UITableViewCell>();
  cell->initWithStyle(UITableViewCellStyleDefault, std::nullopt);
  cell->setFrame(CGRectMake(0, 0, 320, 44));
  auto image = render::renderViewTree(*cell, 2.0);
  EXPECT_TRUE(inkBox(image, kWhite).empty()) << "no accessory, nothing drawn";

  cell->setAccessoryType(UITableViewCellAccessoryDisclosureIndicator);
  cell->layoutSubviews();
  image = render::renderViewTree(*cell, 2.0);
  const Box chevron = inkBox(image, kWhite, 20);
  ASSERT_FALSE(chevron.empty());
  // An 8 x 13 point chevron whose right edge is 15 points in, centred on the row.
  EXPECT_GE(chevron.x0, (320 - 15 - 8) * 2 - 2);
  EXPECT_LE(chevron.x1, (320 - 15) * 2 + 1);
  EXPECT_GE(chevron.x1 - chevron.x0, 5 * 2);
  EXPECT_NEAR(chevron.centreY(), 44.0, 2);
  EXPECT_NEAR(chevron.y1 - chevron.y0, 26, 4);
  // A long title stops short of the chevron's room.
  cell->textLabel()->setText(std::string(80, 'W'));
  cell->layoutSubviews();
  EXPECT_LE(cell->textLabel()->frame().maxX(), 320 - 33);

  cell->setAccessoryType(UITableViewCellAccessoryCheckmark);
  cell->setTintColor(UIColor::colorWithRed(1, 0, 0, 1));
  image = render::renderViewTree(*cell, 2.0);
  bool red = false;
  for (int y = 0; y < image.height(); ++y)
    for (int x = (320 - 30) * 2; x < image.width(); ++x) red = red || near(channels(image.pixel(x, y)), 255, 0, 0, 30);
  EXPECT_TRUE(red) << "the checkmark takes the tint";
}

TEST(TableCells, AnImageSitsAtTheLeftAndTheTitleAfterIt) {
  // A Settings list row: a 29-point icon (58 pixels at scale 2), the title, the chevron.
  std::vector<uint32_t> red(58 * 58, 0xffff0000u);
  auto icon = std::make_shared<UIImage>(58, 58, red, 2.0);
  auto cell = std::make_shared<UITableViewCell>();
  cell->initWithStyle(UITableViewCellStyleDefault, std::nullopt);
  cell->setFrame(CGRectMake(0, 0, 320, 44));
  cell->textLabel()->setText("Velloway");
  cell->setAccessoryType(UITableViewCellAccessoryDisclosureIndicator);
  cell->imageView()->setImage(icon);
  cell->layoutSubviews();
  EXPECT_EQ(cell->imageView()->frame(), CGRectMake(15, 7.5, 29, 29));
  EXPECT_EQ(cell->textLabel()->frame().minX(), 15 + 29 + 15);
  auto image = render::renderViewTree(*cell, 2.0);
  EXPECT_TRUE(near(channels(image.pixel(30 * 2, 22 * 2)), 255, 0, 0)) << "the icon";
  EXPECT_EQ(image.pixel(12 * 2, 22 * 2), kWhite) << "the margin before it";
  EXPECT_EQ(image.pixel(50 * 2, 22 * 2), kWhite) << "the gap after it";
  // The title's ink starts after the icon; the chevron is still at the right.
  int firstInk = -1;
  for (int x = 46 * 2; x < 200 * 2 && firstInk < 0; ++x)
    for (int y = 0; y < image.height() && firstInk < 0; ++y)
      if (brightness(image.pixel(x, y)) < 128) firstInk = x;
  EXPECT_GE(firstInk, 59 * 2 - 2);
  EXPECT_LT(firstInk, 64 * 2);
  bool chevron = false;
  for (int y = 0; y < image.height(); ++y)
    for (int x = (320 - 24) * 2; x < (320 - 14) * 2; ++x) chevron = chevron || brightness(image.pixel(x, y)) < 235;
  EXPECT_TRUE(chevron);
}

TEST(NavigationBars, ItemsComeFromTheBarsState) {
  auto window = std::make_shared<UIWindow>(CGRectMake(0, 0, 320, 120));
  window->setHidden(false);
  auto nav = std::make_shared<UINavigationController>();
  auto home = std::make_shared<UIViewController>();
  home->setTitle("Settings");
  nav->initWithRootViewController(home);
  window->addSubview(nav->view());
  nav->view()->setFrame(window->bounds());
  nav->navigationBar()->setTintColor(UIColor::colorWithRed(1, 0, 0, 1));
  auto redInside = [](const render::Image& image, int x0, int x1) {
    for (int y = 20 * 2; y < 64 * 2; ++y)
      for (int x = x0 * 2; x < x1 * 2; ++x)
        if (near(channels(image.pixel(x, y)), 255, 0, 0, 60)) return true;
    return false;
  };
  auto root = render::renderViewTree(*window, 2.0);
  EXPECT_FALSE(redInside(root, 0, 60)) << "no back button on the root";
  EXPECT_FALSE(redInside(root, 260, 320)) << "no right item";
  EXPECT_FALSE(inkBox(root, kWhite).empty());

  auto page = std::make_shared<UIViewController>();
  page->setTitle("VLW");
  auto logo = std::make_shared<UIImageView>(makeSolidImage(60, 20, 0xff00a000u));
  page->navigationItem()->setTitleView(logo);
  page->navigationItem()->setRightBarButtonItem(
      std::make_shared<UIBarButtonItem>(UIBarButtonSystemItemCompose, nullptr, "compose:"));
  nav->pushViewController(page, false);
  logo->setAlpha(0);
  auto pushed = render::renderViewTree(*window, 2.0);
  EXPECT_TRUE(redInside(pushed, 0, 60)) << "the back button in the tint";
  EXPECT_TRUE(redInside(pushed, 270, 320)) << "the compose glyph in the tint";
  EXPECT_TRUE(near(channels(pushed.pixel(160 * 2, 42 * 2)), 248, 248, 248, 10)) << "an invisible title view draws nothing";
  logo->setAlpha(1);
  auto shown = render::renderViewTree(*window, 2.0);
  EXPECT_TRUE(near(channels(shown.pixel(160 * 2, 42 * 2)), 0, 160, 0, 6)) << "the title view, centred on the bar";
  // An item made with a title draws it in the tint at the right, in place of a glyph.
  page->navigationItem()->setRightBarButtonItem(
      std::make_shared<UIBarButtonItem>("Save", UIBarButtonItemStyleDone, nullptr, "save:"));
  logo->setAlpha(0);
  auto titled = render::renderViewTree(*window, 2.0);
  EXPECT_TRUE(redInside(titled, 270, 312)) << "the item's title in the tint";
  logo->setAlpha(1);
  // The hairline at the bar's foot.
  EXPECT_LT(brightness(shown.pixel(100, 64 * 2 - 1)), brightness(shown.pixel(100, 64 * 2 - 4)) - 30);
}

TEST(Sheets, PresentedSheetIsDrawnInItsWindowUnlessHiddenOrTransparent) {
  auto window = std::make_shared<UIWindow>(UIScreen::mainScreen()->bounds());
  window->setBackgroundColor(UIColor::whiteColor());
  window->setHidden(false);
  auto page = std::make_shared<UIViewController>();
  window->addSubview(page->view());
  page->view()->setBackgroundColor(UIColor::whiteColor());
  const auto before = render::renderViewTree(*window, 1.0);

  auto composer = SLComposeViewController::composeViewControllerForServiceType(SLServiceTypeTwitter);
  ASSERT_TRUE(composer);
  composer->setInitialText("Hello");
  page->presentViewController(composer, false);
  const auto withSheet = render::renderViewTree(*window, 1.0);
  EXPECT_LT(brightness(withSheet.pixel(5, 600)), 200) << "the page is dimmed";
  EXPECT_GT(brightness(withSheet.pixel(187, 200)), 240) << "the card is white";

  composer->view()->setHidden(true);
  EXPECT_TRUE(sameImages(render::renderViewTree(*window, 1.0), before)) << "hidden";
  composer->view()->setHidden(false);
  composer->view()->setAlpha(0);
  EXPECT_TRUE(sameImages(render::renderViewTree(*window, 1.0), before)) << "alpha 0";
  composer->view()->setAlpha(1);
  composer->dismissViewControllerAnimated(false);
  EXPECT_TRUE(sameImages(render::renderViewTree(*window, 1.0), before)) << "dismissed";
  EXPECT_FALSE(sameImages(withSheet, before));
}
