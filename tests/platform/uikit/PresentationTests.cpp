// Modal presentation puts the sheet's view into the presenter's window and takes it out again;
// the composer sheets are built from the content they hold when they are presented.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/device/DeviceProfile.hpp"
#include "platform/messageui/MFMailComposeView.hpp"
#include "platform/messageui/MFMailComposeViewController.hpp"
#include "platform/social/SLComposeView.hpp"
#include "platform/social/SLComposeViewController.hpp"
#include "platform/uikit/UILabel.hpp"
#include "platform/uikit/UINavigationController.hpp"
#include "platform/uikit/UIWindow.hpp"

namespace {

// Counts the appearance callbacks it receives.
class CountingController : public UIViewController {
 public:
  int willAppear = 0, didAppear = 0, willDisappear = 0, didDisappear = 0;
  void viewWillAppear(bool) override { ++willAppear; }
  void viewDidAppear(bool) override { ++didAppear; }
  void viewWillDisappear(bool) override { ++willDisappear; }
  void viewDidDisappear(bool) override { ++didDisappear; }
};

// A window showing a navigation controller with one page; the page is returned.
struct Screen {
  UIWindowRef window = std::make_shared<UIWindow>(UIScreen::mainScreen()->bounds());
  std::shared_ptr<UINavigationController> nav = std::make_shared<UINavigationController>();
  UIViewControllerRef page = std::make_shared<UIViewController>();
  Screen() {
    nav->initWithRootViewController(page);
    window->addSubview(nav->view());
    nav->viewWillAppear(false);
    nav->viewDidAppear(false);
  }
};

bool contains(const UIView& parent, const UIViewRef& view) {
  const auto& subs = parent.subviews();
  return std::find(subs.begin(), subs.end(), view) != subs.end();
}

std::shared_ptr<UILabel> labelTagged(const UIViewRef& root, long tag) {
  if (!root) return nullptr;
  if (root->tag() == tag)
    if (auto label = std::dynamic_pointer_cast<UILabel>(root)) return label;
  for (const auto& sub : root->subviews())
    if (auto found = labelTagged(sub, tag)) return found;
  return nullptr;
}

UIViewRef viewTagged(const UIViewRef& root, long tag) {
  if (!root) return nullptr;
  if (root->tag() == tag) return root;
  for (const auto& sub : root->subviews())
    if (auto found = viewTagged(sub, tag)) return found;
  return nullptr;
}

std::string textTagged(const UIViewRef& root, long tag) {
  auto label = labelTagged(root, tag);
  return label && label->text() ? *label->text() : "<none>";
}

}  // namespace

TEST(Presentation, SheetCoversThePresentersWindowUntilDismissed) {
  Screen screen;
  auto sheet = std::make_shared<CountingController>();
  screen.window->setFrame(CGRectMake(0, 0, 320, 480));  // the sheet takes the window's size, not the screen's
  screen.page->presentViewController(sheet, true);
  ASSERT_EQ(screen.page->presentedViewController(), sheet);
  ASSERT_TRUE(sheet->isViewLoaded());
  EXPECT_EQ(sheet->view()->superview(), screen.window);
  EXPECT_EQ(screen.window->subviews().back(), sheet->view()) << "the sheet lies on top";
  EXPECT_EQ(sheet->view()->frame(), screen.window->bounds());
  EXPECT_EQ(sheet->willAppear, 1);
  EXPECT_EQ(sheet->didAppear, 1);

  // A second sheet is refused and adds nothing.
  auto second = std::make_shared<CountingController>();
  const size_t before = screen.window->subviews().size();
  screen.page->presentViewController(second, true);
  EXPECT_EQ(screen.page->presentedViewController(), sheet);
  EXPECT_EQ(screen.window->subviews().size(), before);

  // Dismissed by the sheet itself: its view leaves the window, the page stays.
  sheet->dismissViewControllerAnimated(true);
  EXPECT_EQ(screen.page->presentedViewController(), nullptr);
  EXPECT_EQ(sheet->view()->superview(), nullptr);
  EXPECT_FALSE(contains(*screen.window, sheet->view()));
  EXPECT_TRUE(contains(*screen.window, screen.nav->view()));
  EXPECT_EQ(sheet->willDisappear, 1);
  EXPECT_EQ(sheet->didDisappear, 1);

  // Presented again (from the navigation controller this time), it comes back on top.
  screen.nav->presentViewController(sheet, false);
  EXPECT_EQ(screen.window->subviews().back(), sheet->view());
  screen.page->dismissViewControllerAnimated(false);  // a page reaches its navigation controller's sheet
  EXPECT_EQ(sheet->view()->superview(), nullptr);
}

TEST(Presentation, PresenterOutsideAnyWindowStillPresents) {
  // Its view loaded but in no window, then not loaded at all.
  for (bool loaded : {true, false}) {
    auto presenter = std::make_shared<UIViewController>();
    auto holder = std::make_shared<UIView>(CGRectMake(0, 0, 100, 100));
    if (loaded) holder->addSubview(presenter->view());
    auto sheet = std::make_shared<CountingController>();
    presenter->presentViewController(sheet, true);
    EXPECT_EQ(presenter->presentedViewController(), sheet) << loaded;
    EXPECT_EQ(sheet->presentingViewController(), presenter);
    EXPECT_TRUE(sheet->isViewLoaded());
    EXPECT_EQ(sheet->view()->superview(), nullptr) << "no window to show it in";
    EXPECT_EQ(holder->subviews().size(), loaded ? 1u : 0u);
    EXPECT_EQ(sheet->didAppear, 1);
    presenter->dismissViewControllerAnimated(true);
    EXPECT_EQ(presenter->presentedViewController(), nullptr);
    EXPECT_EQ(sheet->didDisappear, 1);
  }
}

TEST(ComposeSheets, PostCardShowsTheServiceAndTheTextGivenBeforePresentation) {
  Screen screen;
  auto composer = SLComposeViewController::composeViewControllerForServiceType(SLServiceTypeTwitter);
  ASSERT_TRUE(composer);
  ASSERT_TRUE(composer->setInitialText("#VLW is awesome!"));
  screen.page->presentViewController(composer, true);
  EXPECT_FALSE(composer->setInitialText("changed later"));
  const UIViewRef view = composer->view();
  EXPECT_EQ(textTagged(view, SLComposeViewTagTitle), "Twitter");
  EXPECT_EQ(textTagged(view, SLComposeViewTagCancel), "Cancel");
  EXPECT_EQ(textTagged(view, SLComposeViewTagPost), "Post");
  EXPECT_EQ(textTagged(view, SLComposeViewTagText), "#VLW is awesome!");
  auto card = viewTagged(view, SLComposeViewTagCard);
  ASSERT_TRUE(card);
  EXPECT_GT(card->layer()->cornerRadius, 0);
  EXPECT_LT(card->frame().minY(), view->frame().size.height / 2) << "the card sits near the top";
  ASSERT_TRUE(view->backgroundColor());
  EXPECT_GT(view->backgroundColor()->alpha(), 0) << "the page behind is dimmed";
  EXPECT_LT(view->backgroundColor()->alpha(), 1) << "but still seen";

  EXPECT_EQ(SLComposeServiceDisplayName(SLServiceTypeFacebook), "Facebook");
  EXPECT_EQ(SLComposeServiceDisplayName("com.example.other"), "com.example.other");
}

TEST(ComposeSheets, MailSheetShowsTheContentHeldAtPresentation) {
  Screen screen;
  auto mail = std::make_shared<MFMailComposeViewController>();
  mail->setSubject("Velloway Support");
  mail->setToRecipients({"Velloway Makers <makers@example.org>", "bob@example.com"});
  mail->setMessageBody("\n\nPhone: iPhone7,2\nSystem: 9.0.2", false);
  mail->addAttachmentData(std::string(700, 'a'), "application/xml", "settings.plist");
  mail->addAttachmentData(std::string(12400, 'b'), "text/plain", "packages.txt");
  screen.page->presentViewController(mail, true);
  // Changes once on screen are ignored, and the sheet does not follow them either.
  mail->setSubject("Other");
  mail->addAttachmentData("x", "text/plain", "late.txt");
  const UIViewRef view = mail->view();

  EXPECT_EQ(textTagged(view, MFMailComposeViewTagTitle), "Velloway Support");
  EXPECT_EQ(textTagged(view, MFMailComposeViewTagCancel), "Cancel");
  EXPECT_EQ(textTagged(view, MFMailComposeViewTagSend), "Send");
  auto rowText = [&](long tag) {
    std::string all;
    auto row = viewTagged(view, tag);
    if (!row) return std::string("<none>");
    for (const auto& sub : row->subviews())
      if (auto label = std::dynamic_pointer_cast<UILabel>(sub); label && label->text()) all += *label->text() + "|";
    return all;
  };
  EXPECT_EQ(rowText(MFMailComposeViewTagTo), "To:|Velloway Makers, bob@example.com|");
  EXPECT_EQ(rowText(MFMailComposeViewTagCcBccFrom), "Cc/Bcc, From:|owner@example.net|");
  EXPECT_EQ(rowText(MFMailComposeViewTagSubject), "Subject:|Velloway Support|");

  auto body = labelTagged(view, MFMailComposeViewTagBody);
  ASSERT_TRUE(body);
  EXPECT_EQ(*body->text(), "\n\nPhone: iPhone7,2\nSystem: 9.0.2") << "the leading blank lines stay";
  EXPECT_EQ(body->numberOfLines(), 0);
  UILabel line;
  line.setFont(body->font());
  line.setText("X");
  const double oneLine = line.intrinsicContentSize().height;
  EXPECT_GE(body->frame().size.height, 3.5 * oneLine) << "tall enough for its four lines";

  // The attachments in order, below the body; no third one.
  auto first = viewTagged(view, MFMailComposeViewTagAttachment), second = viewTagged(view, MFMailComposeViewTagAttachment + 10);
  ASSERT_TRUE(first && second);
  EXPECT_EQ(viewTagged(view, MFMailComposeViewTagAttachment + 20), nullptr);
  EXPECT_TRUE(std::dynamic_pointer_cast<MFMailAttachmentIconView>(viewTagged(first, MFMailComposeViewTagAttachment + 1)));
  EXPECT_EQ(textTagged(first, MFMailComposeViewTagAttachment + 2), "settings.plist");
  EXPECT_EQ(textTagged(first, MFMailComposeViewTagAttachment + 3), "1 KB");
  EXPECT_EQ(textTagged(second, MFMailComposeViewTagAttachment + 12), "packages.txt");
  EXPECT_EQ(textTagged(second, MFMailComposeViewTagAttachment + 13), "12 KB");
  EXPECT_GE(first->frame().minY(), body->frame().maxY());
  EXPECT_GE(second->frame().minY(), first->frame().maxY());
}

TEST(ComposeSheets, MailSheetWithoutSubjectAndItsTextRules) {
  Screen screen;
  auto mail = std::make_shared<MFMailComposeViewController>();
  screen.page->presentViewController(mail, true);
  EXPECT_EQ(textTagged(mail->view(), MFMailComposeViewTagTitle), "New Message");
  EXPECT_EQ(labelTagged(mail->view(), MFMailComposeViewTagBody), nullptr) << "no body, no label";

  EXPECT_EQ(MFMailRecipientDisplayName("Velloway Makers <makers@example.org>"), "Velloway Makers");
  EXPECT_EQ(MFMailRecipientDisplayName("\"Makers, The\" <m@example.org>"), "Makers, The");
  EXPECT_EQ(MFMailRecipientDisplayName("bob@example.com"), "bob@example.com");
  EXPECT_EQ(MFMailRecipientDisplayName("<bob@example.com>"), "<bob@example.com>");

  EXPECT_EQ(MFMailAttachmentSizeText(0), "1 KB");
  EXPECT_EQ(MFMailAttachmentSizeText(1499), "1 KB");
  EXPECT_EQ(MFMailAttachmentSizeText(1500), "2 KB");
  EXPECT_EQ(MFMailAttachmentSizeText(999999), "1000 KB");
  EXPECT_EQ(MFMailAttachmentSizeText(2500000), "2.5 MB");

  EXPECT_EQ(MFMailPlainBody("a <b>b</b>", false), "a <b>b</b>");
  EXPECT_EQ(MFMailPlainBody("<p>Hi &amp; bye</p><p>x<br/>y &lt;z&gt;</p>", true), "Hi & bye\nx\ny <z>\n");
}
