// The Preferences framework's pages: specifier lists, cells, sections, links and the value store.
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
