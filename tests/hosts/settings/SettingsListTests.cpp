// The Settings app's first page: one row per installed pane entry with the entry's label and
// icon and a chevron; a tap on a row (through the window's hit-testing, or by its label) opens
// the pane, and Back returns to the list.
#include "platform/foundation/NSLog.hpp"
#include "platform/uikit/UINavigationController.hpp"
#include "tests/support/SettingsHostTest.hpp"

using namespace test_support;

namespace {

class SettingsList : public SettingsHostTest {
 protected:
  UITableViewCellRef row(long index) const { return host_->list()->table()->cellForRowAtIndexPath({0, index}); }
  // The middle of a view, in the window's points.
  static CGPoint middleOf(const UIView& view) {
    CGRect frame = view.convertRectToRoot(view.bounds());
    return {frame.midX(), frame.midY()};
  }
  // The bar's back button, as a finger finds it.
  bool tapBack() {
    auto bar = host_->visibleNavigationBar();
    CGRect frame = bar->convertRectToRoot(bar->bounds());
    return host_->touch({frame.minX() + 20, frame.midY()});
  }
  void installEntry(const std::string& name, const std::string& entryXml) {
    writeHostFile(device_fs::hostPath("/Library/PreferenceLoader/Preferences/" + name),
                  "<plist><dict><key>entry</key><dict>" + entryXml + "</dict></dict></plist>");
  }
};

TEST_F(SettingsList, TheAppOpensOnItsListWithARowForTheInstalledPane) {
  EXPECT_FALSE(host_->isPaneOpen());
  auto list = host_->describeList();
  EXPECT_EQ(list["title"], "Settings");
  EXPECT_EQ(list["onScreen"], true);
  ASSERT_EQ(list["rows"].size(), 1u) << list;
  EXPECT_EQ(list["rows"][0]["entry"], "VLW");
  EXPECT_EQ(list["rows"][0]["title"], "Velloway");
  EXPECT_EQ(list["rows"][0]["icon"], nlohmann::json({{"name", "icon.png"}, {"width", 29.0}, {"height", 29.0}}));
  EXPECT_EQ(host_->describeEntry()["label"], "Velloway") << "the row is there before the pane opens";

  // The row as drawn: the icon at the left, the label after it, the chevron at the right.
  auto cell = row(0);
  ASSERT_TRUE(cell);
  EXPECT_TRUE(cell->isDescendantOfView(*host_->window()));
  EXPECT_EQ(cell->textLabel()->text(), "Velloway");
  EXPECT_EQ(cell->accessoryType(), UITableViewCellAccessoryDisclosureIndicator);
  ASSERT_TRUE(cell->imageView()->image());
  EXPECT_EQ(cell->imageView()->frame(), CGRectMake(15, (cell->frame().size.height - 29) / 2, 29, 29));
  EXPECT_EQ(cell->textLabel()->frame().minX(), 59);
  EXPECT_EQ(host_->visibleNavigationBar()->topItem(), host_->list()->navigationItem());
  EXPECT_TRUE(host_->describePane().is_null());
}

TEST_F(SettingsList, ATapOnTheRowOpensThePaneAndBackReturnsToTheList) {
  EXPECT_FALSE(tapBack()) << "the list is the first page";
  EXPECT_THROW(host_->back(), SettingsHostError);
  ASSERT_TRUE(host_->touch(middleOf(*row(0))));
  ASSERT_TRUE(host_->isPaneOpen());
  EXPECT_EQ(host_->describePane()["pages"], nlohmann::json({"VLWListController"}));
  EXPECT_EQ(host_->describeList()["onScreen"], false);
  EXPECT_FALSE(row(0)->isDescendantOfView(*host_->window())) << "the pane covers the list";

  ASSERT_TRUE(tapBack());
  EXPECT_FALSE(host_->isPaneOpen());
  EXPECT_EQ(host_->describeList()["onScreen"], true);
  EXPECT_TRUE(row(0)->isDescendantOfView(*host_->window()));

  // By its label, as `settings tap` replays a tap; a label the list lacks is refused with the
  // labels it has.
  host_->tap("Velloway");
  EXPECT_TRUE(host_->isPaneOpen());
  host_->tap("Configuration");
  host_->back();
  host_->back();
  EXPECT_FALSE(host_->isPaneOpen());
  try {
    host_->tap("Configuration");
    FAIL() << "no error";
  } catch (const SettingsHostError& e) {
    EXPECT_NE(std::string(e.what()).find("(rows: \"Velloway\")"), std::string::npos) << e.what();
  }
}

TEST_F(SettingsList, TheListFollowsTheInstalledEntriesAndPassesOverBrokenOnes) {
  installEntry("Another.plist", "<key>bundle</key><string>VLW</string><key>label</key><string>Another Pane</string>");
  installEntry("Gone.plist", "<key>bundle</key><string>Missing</string><key>label</key><string>Gone</string>");
  installEntry("NoBundle.plist", "<key>label</key><string>Nothing to load</string>");
  writeHostFile(device_fs::hostPath("/Library/PreferenceLoader/Preferences/Broken.plist"), "<plist><dict><key>entry</key>");
  writeHostFile(device_fs::hostPath("/Library/PreferenceLoader/Preferences/notes.txt"), "not an entry");
  // The list reads the entries each time it comes back on screen.
  host_->openPane();
  host_->back();
  auto rows = host_->describeList()["rows"];
  ASSERT_EQ(rows.size(), 3u) << rows;
  EXPECT_EQ(rows[0]["title"], "Another Pane");
  EXPECT_EQ(rows[1]["title"], "Gone");
  EXPECT_EQ(rows[2]["title"], "Velloway");
  EXPECT_EQ(rows[0]["icon"], nullptr);
  EXPECT_EQ(row(0)->textLabel()->frame().minX(), 15) << "no icon, no room for one";

  // A pane that cannot be loaded: the tap is logged and the list stays.
  system_log::clear();
  EXPECT_FALSE(host_->isPaneOpen());
  host_->touch(middleOf(*row(1)));
  EXPECT_FALSE(host_->isPaneOpen());
  ASSERT_EQ(system_log::lines().size(), 1u);
  EXPECT_NE(system_log::lines()[0].find("cannot open \"Gone\""), std::string::npos) << system_log::lines()[0];
  EXPECT_THROW(host_->tap("Gone"), SettingsHostError);

  host_->touch(middleOf(*row(0)));
  ASSERT_TRUE(host_->isPaneOpen());
  EXPECT_EQ(host_->describeEntry()["label"], "Another Pane");
}

}  // namespace
