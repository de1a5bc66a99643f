// Navigation: appearance callbacks, nested bars, appearance proxies; a composer presented on it.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/device/DeviceProfile.hpp"
#include "platform/social/SLComposeViewController.hpp"
#include "platform/uikit/UIAppearance.hpp"
#include "platform/uikit/UIImageView.hpp"
#include "platform/uikit/UINavigationController.hpp"
#include "platform/uikit/UISegmentedControl.hpp"
#include "platform/uikit/UISwitch.hpp"
#include "platform/uikit/UIWindow.hpp"
#include "tests/support/DeviceRootTest.hpp"

using namespace test_support;

namespace {

class NavigationTest : public DeviceRootTest {};

// Records appearance callbacks in order.
class Recorder : public UIViewController {
 public:
  explicit Recorder(std::string name, std::vector<std::string>& log) : name_(std::move(name)), log_(log) {}
  void viewDidLoad() override { log_.push_back(name_ + ".didLoad"); }
  void viewWillAppear(bool) override { log_.push_back(name_ + ".willAppear"); }
  void viewWillDisappear(bool) override { log_.push_back(name_ + ".willDisappear"); }

 private:
  std::string name_;
  std::vector<std::string>& log_;
};

TEST_F(NavigationTest, PushAndPopSendTheAppearanceCallbacksInUIKitsOrder) {
  std::vector<std::string> log;
  auto window = std::make_shared<UIWindow>(UIScreen::mainScreen()->bounds());
  auto a = std::make_shared<Recorder>("a", log), b = std::make_shared<Recorder>("b", log);
  auto nav = std::make_shared<UINavigationController>();
  nav->initWithRootViewController(a);
  window->addSubview(nav->view());
  nav->viewWillAppear(false);
  nav->viewDidAppear(false);
  nav->pushViewController(b, true);
  EXPECT_EQ(b->navigationController(), nav);
  EXPECT_EQ(nav->popViewControllerAnimated(true), b);
  EXPECT_EQ(b->navigationController(), nullptr);
  EXPECT_EQ(nav->popViewControllerAnimated(true), nullptr);  // the root stays
  std::vector<std::string> expected{"a.didLoad",    "a.willAppear",    "b.didLoad",   "a.willDisappear",
                                    "b.willAppear", "b.willDisappear", "a.willAppear"};
  EXPECT_EQ(log, expected);
  EXPECT_EQ(nav->navigationBar()->items().size(), 1u);
  EXPECT_EQ(b->view()->superview(), nullptr);
  EXPECT_EQ(a->view()->superview(), nav->view());
}

TEST_F(NavigationTest, AHiddenBarNestedInAnotherShowsItsItemsOnTheOuterBar) {
  std::vector<std::string> log;
  auto home = std::make_shared<UIViewController>();
  home->setTitle("Home");
  auto page = std::make_shared<Recorder>("page", log);
  page->setTitle("Page");
  auto outer = std::make_shared<UINavigationController>();
  outer->initWithRootViewController(home);
  outer->view();
  outer->viewWillAppear(false);
  auto inner = std::make_shared<UINavigationController>();
  inner->initWithRootViewController(page);
  inner->setNavigationBarHidden(true);
  outer->pushViewController(inner, true);
  EXPECT_EQ(page->navigationController(), inner);
  EXPECT_EQ(inner->navigationController(), outer);
  EXPECT_EQ(inner->visibleNavigationBar(), outer->navigationBar());
  ASSERT_EQ(outer->navigationBar()->items().size(), 2u);
  EXPECT_EQ(outer->navigationBar()->topItem(), page->navigationItem());
  EXPECT_EQ(log.back(), "page.willAppear");
}

TEST_F(NavigationTest, AppearanceProxiesApplyInsideTheirContainerOnlyAndLoseToOwnValues) {
  auto window = std::make_shared<UIWindow>(UIScreen::mainScreen()->bounds());
  auto controller = std::make_shared<UIViewController>();
  auto inside = std::make_shared<UISwitch>(), own = std::make_shared<UISwitch>(), outside = std::make_shared<UISwitch>();
  auto segments = std::make_shared<UISegmentedControl>(std::vector<std::string>{"a", "b"});
  controller->view()->addSubview(inside);
  controller->view()->addSubview(own);
  controller->view()->addSubview(segments);
  window->addSubview(controller->view());
  window->addSubview(outside);
  auto red = UIColor::colorWithRed(1, 0, 0, 1), blue = UIColor::colorWithRed(0, 0, 1, 1);
  own->setOnTintColor(blue);
  UISwitch::appearanceWhenContainedIn(UIViewController::staticClassInfo())->setOnTintColor(red);
  UISegmentedControl::appearanceWhenContainedIn(UIViewController::staticClassInfo())->setTintColor(blue);
  UIAppearance::applyToTree(*window);
  EXPECT_EQ(inside->onTintColor(), red);
  EXPECT_EQ(own->onTintColor(), blue);
  EXPECT_EQ(outside->onTintColor(), nullptr);
  EXPECT_EQ(segments->effectiveTintColor(), blue);
  UISwitch::appearanceWhenContainedIn(UIViewController::staticClassInfo())->setOnTintColor(nullptr);
  UISegmentedControl::appearanceWhenContainedIn(UIViewController::staticClassInfo())->setTintColor(nullptr);
}

// A view the appearance registry knows nothing of, taking a setting through the views' hook.
class TintedBadge : public UIView {
 public:
  UIColorRef tint;
  void applyAppearance(const UIAppearanceLookup& lookup) override { tint = lookup.tintColor(); }
};

TEST_F(NavigationTest, AnyViewCanTakeAppearanceSettingsThroughTheHook) {
  auto window = std::make_shared<UIWindow>(UIScreen::mainScreen()->bounds());
  auto controller = std::make_shared<UIViewController>();
  auto inside = std::make_shared<TintedBadge>(), outside = std::make_shared<TintedBadge>();
  controller->view()->addSubview(inside);
  window->addSubview(controller->view());
  window->addSubview(outside);
  auto proxy = UIAppearance::proxy(UIView::staticClassInfo(), UIViewController::staticClassInfo());
  auto green = UIColor::colorWithRed(0, 1, 0, 1);
  proxy->setTintColor(green);
  UIAppearance::applyToTree(*window);
  EXPECT_EQ(inside->tint, green);
  EXPECT_EQ(outside->tint, nullptr);
  proxy->setTintColor(nullptr);
  UIAppearance::applyToTree(*window);
  EXPECT_EQ(inside->tint, nullptr);
}

TEST_F(NavigationTest, TheComposerNeedsTheServiceAndLetsGoOfItsHandlerWhenFinished) {
  deviceProfile().socialAvailable = false;
  EXPECT_FALSE(SLComposeViewController::isAvailableForServiceType(SLServiceTypeTwitter));
  EXPECT_EQ(SLComposeViewController::composeViewControllerForServiceType(SLServiceTypeTwitter), nullptr);
  deviceProfile().socialAvailable = true;
  EXPECT_FALSE(SLComposeViewController::isAvailableForServiceType("com.example.unknown"));
  auto presenter = std::make_shared<UIViewController>();
  auto composer = SLComposeViewController::composeViewControllerForServiceType(SLServiceTypeTwitter);
  ASSERT_TRUE(composer);
  EXPECT_FALSE(composer->finish(SLComposeViewControllerResultDone));  // not on screen
  composer->setInitialText("hello");
  presenter->presentViewController(composer, true);
  EXPECT_FALSE(composer->setInitialText("too late"));
  std::weak_ptr<SLComposeViewController> weak = composer;
  std::optional<SLComposeViewControllerResult> seen;
  composer->setCompletionHandler([composer, &seen](SLComposeViewControllerResult r) {
    seen = r;
    composer->dismissViewControllerAnimated(true);
  });
  composer->finish(SLComposeViewControllerResultDone);
  EXPECT_EQ(seen, SLComposeViewControllerResultDone);
  EXPECT_EQ(presenter->presentedViewController(), nullptr);
  EXPECT_EQ(composer->initialText(), "hello");
  composer.reset();
  EXPECT_TRUE(weak.expired()) << "the handler's reference to the composer was let go";
}

}  // namespace
