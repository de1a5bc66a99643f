// The stand-ins the pane runs on: constraints, timers and animation, navigation, appearance
// proxies, and the Preferences framework's pages, cells and value store.
#include "platform/corefoundation/CFNotificationCenter.hpp"
#include "platform/device/DeviceProfile.hpp"
#include "platform/dispatch/Dispatch.hpp"
#include "platform/foundation/NSTimer.hpp"
#include "platform/fs/DeviceRoot.hpp"
#include "platform/preferences/PSListItemsController.hpp"
#include "platform/preferences/PSRootController.hpp"
#include "platform/preferences/PSSegmentTableCell.hpp"
#include "platform/preferences/PSSliderTableCell.hpp"
#include "platform/preferences/PSSwitchTableCell.hpp"
#include "platform/social/SLComposeViewController.hpp"
#include "platform/uikit/LayoutSolver.hpp"
#include "platform/uikit/UIAppearance.hpp"
#include "platform/uikit/UIImageView.hpp"
#include "platform/uikit/UINavigationController.hpp"
#include "platform/uikit/UISegmentedControl.hpp"
#include "platform/uikit/UISwitch.hpp"
#include "platform/uikit/UIWindow.hpp"
#include "tests/support/DeviceRootTest.hpp"

using namespace test_support;

namespace {

// Counts timer firings.
class Ticker : public ReflectiveObject {
  VW_DECLARE_CLASS()
 public:
  int ticks = 0;
  void tick(const ReflectiveObjectRef&) { ++ticks; }
};
VW_DEFINE_CLASS(Ticker, ReflectiveObject, factoryOf<Ticker>(), {{"tick:", selectorOf(&Ticker::tick)}})

TEST(LayoutSolver, PlacesByEqualitiesWithNaturalSizesInTheOwnersSpace) {
  auto owner = std::make_shared<UIView>(CGRectMake(0, 0, 300, 200));
  auto a = std::make_shared<UILabel>(CGRectZero);
  a->setText("Some text");
  auto b = std::make_shared<UIView>(CGRectMake(7, 9, 40, 10));
  auto fixed = std::make_shared<UIView>(CGRectMake(10, 15, 70, 70));
  for (auto& v : {UIViewRef(a), b, fixed}) owner->addSubview(v);
  a->setTranslatesAutoresizingMaskIntoConstraints(false);
  b->setTranslatesAutoresizingMaskIntoConstraints(false);
  // a: left 30 right of the fixed view, top at a fifth of the owner's height.
  owner->addConstraint(NSLayoutConstraint::constraintWithItem(a, NSLayoutAttributeLeft, NSLayoutRelationEqual, fixed,
                                                              NSLayoutAttributeRight, 1, 30));
  owner->addConstraint(NSLayoutConstraint::constraintWithItem(a, NSLayoutAttributeTop, NSLayoutRelationEqual, owner,
                                                              NSLayoutAttributeBottom, 0.2, 0));
  // b is added before the constraint it depends on is solved: b.top = a.bottom + 5, centred.
  owner->addConstraint(
      NSLayoutConstraint::constraintWithItem(b, NSLayoutAttributeTop, NSLayoutRelationEqual, a, NSLayoutAttributeBottom, 1, 5));
  owner->addConstraint(NSLayoutConstraint::constraintWithItem(b, NSLayoutAttributeCenterX, NSLayoutRelationEqual, owner,
                                                              NSLayoutAttributeCenterX, 1, 0));
  // An inequality is ignored.
  owner->addConstraint(NSLayoutConstraint::constraintWithItem(b, NSLayoutAttributeLeft, NSLayoutRelationGreaterThanOrEqual, owner,
                                                              NSLayoutAttributeLeft, 1, 290));
  layoutViewTree(*owner);
  CGSize natural = a->intrinsicContentSize();
  EXPECT_GT(natural.width, 0);
  EXPECT_EQ(a->frame(), CGRectMake(110, 40, natural.width, natural.height));
  EXPECT_EQ(b->frame(), CGRectMake(130, 40 + natural.height + 5, 40, 10));
  EXPECT_EQ(fixed->frame(), CGRectMake(10, 15, 70, 70));  // not placed by constraints

  // Two edges on one axis give the size between them; a width constraint sets the size.
  auto c = std::make_shared<UIView>();
  owner->addSubview(c);
  c->setTranslatesAutoresizingMaskIntoConstraints(false);
  owner->addConstraint(NSLayoutConstraint::constraintWithItem(c, NSLayoutAttributeLeft, NSLayoutRelationEqual, owner,
                                                              NSLayoutAttributeLeft, 1, 20));
  owner->addConstraint(NSLayoutConstraint::constraintWithItem(c, NSLayoutAttributeRight, NSLayoutRelationEqual, owner,
                                                              NSLayoutAttributeRight, 1, -20));
  owner->addConstraint(NSLayoutConstraint::constraintWithItem(c, NSLayoutAttributeHeight, NSLayoutRelationEqual, nullptr,
                                                              NSLayoutAttributeNotAnAttribute, 1, 12));
  layoutViewTree(*owner);
  EXPECT_EQ(c->frame().origin.x, 20);
  EXPECT_EQ(c->frame().size.width, 260);
  EXPECT_EQ(c->frame().size.height, 12);
}

class ClockTest : public DeviceRootTest {};

TEST_F(ClockTest, TimersFireOnTheSimulatedClockAndKeepTheirTargetUntilDone) {
  auto ticker = std::make_shared<Ticker>();
  std::weak_ptr<Ticker> weak = ticker;
  auto once = NSTimer::scheduledTimerWithTimeInterval(0.5, ticker, "tick:", nullptr, false);
  ticker.reset();
  ASSERT_FALSE(weak.expired()) << "a scheduled timer keeps its target";
  sim_clock::advance(0.49);
  EXPECT_EQ(weak.lock()->ticks, 0);
  sim_clock::advance(0.01);
  EXPECT_FALSE(once->isValid());
  EXPECT_TRUE(weak.expired()) << "a one-shot timer lets its target go after firing";

  auto repeating = std::make_shared<Ticker>();
  auto timer = NSTimer::scheduledTimerWithTimeInterval(0.25, repeating, "tick:", nullptr, true);
  sim_clock::advance(1.0);
  EXPECT_EQ(repeating->ticks, 4);
  timer->invalidate();
  sim_clock::advance(1.0);
  EXPECT_EQ(repeating->ticks, 4);
}

TEST_F(ClockTest, AnimatedAlphaMovesWithTheClockAndTheCompletionRunsAtTheEnd) {
  auto view = std::make_shared<UIView>(CGRectMake(0, 0, 10, 10));
  view->setAlpha(0);
  bool finished = false;
  UIView::animateWithDuration(
      0.5, [&] { view->setAlpha(1); }, [&](bool f) { finished = f; });
  EXPECT_EQ(view->alpha(), 1.0);  // the model value changes at once
  EXPECT_EQ(view->presentationAlpha(), 0.0);
  sim_clock::advance(0.25);
  EXPECT_NEAR(view->presentationAlpha(), 0.5, 1e-9);
  EXPECT_FALSE(finished);
  sim_clock::advance(0.25);
  EXPECT_EQ(view->presentationAlpha(), 1.0);
  EXPECT_TRUE(finished);
}

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

// A page of the framework whose specifier lists come from a test bundle in the device root.
class TestPage : public PSListController {
  VW_DECLARE_CLASS()
 public:
  NSBundleRef bundle() const override { return NSBundle::bundleWithPath("/Library/PreferenceBundles/Test.bundle"); }
  PSSpecifierArray specifiers() override {
    if (!_specifiers) _specifiers = loadSpecifiersFromPlistName("Rows", shared_from_this());
    return _specifiers;
  }
};
VW_DEFINE_CLASS(TestPage, PSListController, factoryOf<TestPage>())

class FrameworkTest : public DeviceRootTest {
 protected:
  void SetUp() override {
    DeviceRootTest::SetUp();
    folder_ = device_fs::hostPath("/Library/PreferenceBundles/Test.bundle");
    std::filesystem::create_directories(folder_);
    window_ = std::make_shared<UIWindow>(UIScreen::mainScreen()->bounds());
  }
  void writeList(const std::string& name, const plist::Value& root) {
    auto bytes = plist::serialize(root);
    writeHostFile(folder_ / (name + ".plist"), std::string(bytes.begin(), bytes.end()));
  }
  void writeItems(const plist::Array& items) { writeList("Rows", plist::Dictionary{{"items", items}}); }
  // The page, shown in a navigation controller in a window.
  std::shared_ptr<TestPage> show() {
    auto page = std::make_shared<TestPage>();
    nav_ = std::make_shared<PSRootController>();
    nav_->initWithRootViewController(page);
    window_->addSubview(nav_->view());
    nav_->viewWillAppear(false);
    nav_->viewDidAppear(false);
    return page;
  }
  PSTableCellRef cell(const std::shared_ptr<TestPage>& page, long section, long row) {
    return std::dynamic_pointer_cast<PSTableCell>(page->table()->cellForRowAtIndexPath({section, row}));
  }
  std::filesystem::path folder_;
  UIWindowRef window_;
  std::shared_ptr<PSRootController> nav_;
};

plist::Dictionary row(const std::string& cell, const std::string& label, plist::Dictionary more = {}) {
  more["cell"] = cell;
  more["label"] = label;
  return more;
}

TEST_F(FrameworkTest, MissingMalformedAndWronglyShapedListsGiveNoRows) {
  auto rows = [&] {
    auto page = std::make_shared<TestPage>();
    return page->specifiers()->size();
  };
  EXPECT_EQ(rows(), 0u);                                                                // no file
  writeHostFile(folder_ / "Rows.plist", "<plist><dict><key>items</key><array><dict>");  // truncated
  EXPECT_EQ(rows(), 0u);
  writeList("Rows", plist::Array{plist::Dictionary{{"cell", "PSSwitchCell"}}});  // root is an array
  EXPECT_EQ(rows(), 0u);
  writeList("Rows", plist::Dictionary{{"items", "not an array"}});
  EXPECT_EQ(rows(), 0u);
  writeItems({row("PSGroupCell", "G"), "a string", 42, row("PSSwitchCell", "S")});  // broken items skipped
  EXPECT_EQ(rows(), 2u);
  // A name that leaves the bundle reads nothing.
  auto page = std::make_shared<TestPage>();
  EXPECT_EQ(page->loadSpecifiersFromPlistName("../VLW.bundle/VLW", page)->size(), 0u);
}

TEST_F(FrameworkTest, CellsComeFromTheRowTypeOrANamedClassWithFallbacks) {
  writeItems({row("PSGroupCell", "Group"), row("PSSwitchCell", "Plain switch"),
              row("PSSwitchCell", "Unknown class", {{"cellClass", "NoSuchCell"}}),
              row("PSSwitchCell", "Not a cell class", {{"cellClass", "UIColor"}}),
              row("PSSliderCell", "Named slider", {{"cellClass", "PSSliderTableCell"}}), row("PSFancyCell", "Unknown type"),
              row("PSLinkCell", "Link")});
  auto page = show();
  ASSERT_EQ(page->table()->numberOfSections(), 1);
  EXPECT_EQ(page->table()->headerTitleForSection(0), "Group");
  std::vector<std::string> classes;
  for (long r = 0; r < page->table()->numberOfRowsInSection(0); ++r) classes.emplace_back(cell(page, 0, r)->className());
  std::vector<std::string> expected{"PSSwitchTableCell", "PSSwitchTableCell", "PSSwitchTableCell",
                                    "PSSliderTableCell", "PSTableCell",       "PSTableCell"};
  EXPECT_EQ(classes, expected);
  EXPECT_EQ(*cell(page, 0, 4)->titleLabel()->text(), "Unknown type");
  EXPECT_EQ(cell(page, 0, 5)->accessoryType(), UITableViewCellAccessoryDisclosureIndicator);
}

TEST_F(FrameworkTest, RowsBeforeTheFirstGroupFormASectionAndHeightsComeFromTheRows) {
  writeItems({row("PSStaticTextCell", "Loose"), row("PSGroupCell", "G", {{"footerText", "Foot"}}),
              row("PSStaticTextCell", "Tall", {{"height", 100}})});
  auto page = show();
  ASSERT_EQ(page->table()->numberOfSections(), 2);
  EXPECT_EQ(page->table()->headerTitleForSection(0), std::nullopt);
  EXPECT_EQ(page->table()->footerTitleForSection(1), "Foot");
  EXPECT_EQ(cell(page, 0, 0)->frame().size.height, 44);
  EXPECT_EQ(cell(page, 1, 0)->frame().size.height, 100);
  // Rows lie one below the other, below their section's header.
  EXPECT_GT(cell(page, 1, 0)->frame().origin.y, cell(page, 0, 0)->frame().origin.y + 44);
}

TEST_F(FrameworkTest, LinksPushTheirDetailPageOrAPlainOneForAnUnknownName) {
  writeItems({row("PSLinkCell", "Known", {{"detail", "TestPage"}}), row("PSLinkCell", "Unknown", {{"detail", "NoSuchPage"}}),
              row("PSLinkCell", "Wrong kind", {{"detail", "UISwitch"}})});
  auto page = show();
  std::vector<std::string> pushed;
  for (long r = 0; r < 3; ++r) {
    page->table()->selectRowByUser({0, r});
    auto top = nav_->topViewController();
    pushed.emplace_back(top->className());
    auto detail = std::dynamic_pointer_cast<PSListController>(top);
    ASSERT_TRUE(detail);
    EXPECT_EQ(detail->parentController(), page);
    EXPECT_EQ(detail->title(), page->specifierAtIndexPath({0, r})->name());
    nav_->popViewControllerAnimated(false);
  }
  EXPECT_EQ(pushed, (std::vector<std::string>{"TestPage", "PSListController", "PSListController"}));
}

TEST_F(FrameworkTest, ValueRowsShowAndStoreThroughTheFrameworksStore) {
  plist::Dictionary common{{"defaults", "com.example.test"}, {"PostNotification", "com.example.test/changed"}};
  auto with = [&](plist::Dictionary d) {
    for (auto& [k, v] : common) d[k] = v;
    return d;
  };
  writeItems({row("PSSwitchCell", "Switch", with({{"key", "sw"}, {"default", true}})),
              row("PSSliderCell", "Slider", with({{"key", "sl"}, {"default", 3}, {"min", 1}, {"max", 5}})),
              row("PSSegmentCell", "Segments",
                  with({{"key", "seg"},
                        {"default", 2},
                        {"validValues", plist::Array{1, 2, 3}},
                        {"validTitles", plist::Array{"One", "Two", "Three"}}})),
              row("PSLinkListCell", "List",
                  with({{"key", "list"},
                        {"default", "b"},
                        {"validValues", plist::Array{"a", "b"}},
                        {"validTitles", plist::Array{"Alpha", "Beta"}}}))});
  auto page = show();
  auto sw = std::dynamic_pointer_cast<PSSwitchTableCell>(cell(page, 0, 0));
  auto sl = std::dynamic_pointer_cast<PSSliderTableCell>(cell(page, 0, 1));
  auto seg = std::dynamic_pointer_cast<PSSegmentTableCell>(cell(page, 0, 2));
  ASSERT_TRUE(sw && sl && seg);
  EXPECT_TRUE(sw->control()->isOn());
  EXPECT_EQ(sl->control()->value(), 3.0f);
  EXPECT_EQ(sl->control()->minimumValue(), 1.0f);
  EXPECT_EQ(sl->control()->maximumValue(), 5.0f);
  EXPECT_EQ(seg->control()->items(), (std::vector<std::string>{"One", "Two", "Three"}));
  EXPECT_EQ(seg->control()->selectedSegmentIndex(), 1);
  EXPECT_EQ(cell(page, 0, 3)->detailTextLabel()->text(), "Beta");

  size_t before = postedCount();
  sw->control()->toggleByUser();
  sl->control()->dragByUser(9);  // beyond the maximum: the slider stops at 5
  seg->control()->selectByUser(2);
  auto file = plist::dictionaryWithContentsOfFile("/User/Library/Preferences/com.example.test.plist");
  ASSERT_TRUE(file);
  EXPECT_EQ((*file)["sw"], plist::Value(false));
  EXPECT_EQ((*file)["sl"], plist::Value(5.0));
  EXPECT_EQ((*file)["seg"], plist::Value(3));
  EXPECT_EQ(postedSince(before), std::vector<std::string>(3, "com.example.test/changed"));

  // The list row opens its choices; choosing one stores it and redraws the row.
  page->table()->selectRowByUser({0, 3});
  auto items = std::dynamic_pointer_cast<PSListItemsController>(nav_->topViewController());
  ASSERT_TRUE(items);
  ASSERT_EQ(items->table()->numberOfRowsInSection(0), 2);
  EXPECT_EQ(items->table()->cellForRowAtIndexPath({0, 1})->accessoryType(), UITableViewCellAccessoryCheckmark);
  items->table()->selectRowByUser({0, 0});
  EXPECT_EQ(items->table()->cellForRowAtIndexPath({0, 0})->accessoryType(), UITableViewCellAccessoryCheckmark);
  EXPECT_EQ(plist::dictionaryWithContentsOfFile("/User/Library/Preferences/com.example.test.plist")->at("list"),
            plist::Value("a"));
  EXPECT_EQ(cell(page, 0, 3)->detailTextLabel()->text(), "Alpha");
}

TEST_F(FrameworkTest, TheRootControllersStoreNeedsAKeyAndAPlainDomain) {
  auto rowOf = [](plist::Dictionary d) { return PSSpecifier::specifierWithDictionary(d, nullptr); };
  size_t before = postedCount();
  EXPECT_FALSE(PSRootController::setPreferenceValue(1, rowOf({{"defaults", "com.example.a"}, {"PostNotification", "n"}})));
  EXPECT_FALSE(PSRootController::setPreferenceValue(1, rowOf({{"key", "k"}, {"PostNotification", "n"}})));
  EXPECT_FALSE(PSRootController::setPreferenceValue(1, rowOf({{"key", "k"}, {"defaults", "../../etc/x"}})));
  EXPECT_EQ(postedSince(before), std::vector<std::string>{});
  EXPECT_TRUE(PSRootController::setPreferenceValue(7, rowOf({{"key", "k"}, {"defaults", "com.example.a"}})));
  EXPECT_EQ(postedSince(before), std::vector<std::string>{});  // no notification named
  EXPECT_EQ(PSRootController::readPreferenceValue(rowOf({{"key", "k"}, {"defaults", "com.example.a"}, {"default", 1}})),
            plist::Value(7));
  EXPECT_EQ(PSRootController::readPreferenceValue(rowOf({{"key", "other"}, {"defaults", "com.example.a"}, {"default", 1}})),
            plist::Value(1));
  // The same file through the phone's other spelling of the mobile user's folder.
  EXPECT_EQ(plist::dictionaryWithContentsOfFile("/var/mobile/Library/Preferences/com.example.a.plist")->at("k"), plist::Value(7));
}

}  // namespace
