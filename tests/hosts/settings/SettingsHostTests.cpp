// The Settings app: installing and opening the pane from its entry, a user's actions, what it
// refuses, the description of the screen, and `prefs set` through the pane.
#include "platform/uikit/UISlider.hpp"
#include "tests/support/SettingsHostTest.hpp"

using namespace test_support;

namespace {

class HostTest : public SettingsHostTest {};

TEST_F(HostTest, EveryOneOfTheFourSettingsChangesThroughThePane) {
  host_->openPane();
  size_t before = postedCount();
  host_->set("isEnabled", false);
  host_->tap("Configuration");
  host_->set("invertSongSwipes", true);
  host_->tap("Vibrancy Labels");  // a tap on a switch row flips it
  host_->set("albumArtCornerRadius", 12);
  EXPECT_EQ(*settingsFile(),
            (plist::Dictionary{
                {"isEnabled", false}, {"invertSongSwipes", true}, {"useVibrancyLabels", true}, {"albumArtCornerRadius", 12.0}}));
  EXPECT_EQ(postedSince(before), std::vector<std::string>(4, kNotification));
  // The slider stops at its maximum, as a drag does.
  host_->set("albumArtCornerRadius", 1000);
  EXPECT_EQ((*settingsFile())["albumArtCornerRadius"], plist::Value(20.0));
  auto pane = host_->describePane();
  EXPECT_EQ(pane["pages"], nlohmann::json({"VLWListController", "KZVLWConfigurationListController"}));
  EXPECT_EQ(pane["sections"][2]["rows"][0]["value"], 20.0);
  EXPECT_EQ(pane["sections"][2]["rows"][0]["cellClass"], "KZVLWSliderCell");
  EXPECT_EQ(pane["sections"][2]["rows"][0]["min"], 0);
  EXPECT_EQ(pane["sections"][2]["rows"][0]["max"], 20);
}

TEST_F(HostTest, WhatAUserCannotDoIsRefusedWithAReason) {
  EXPECT_THROW(host_->tap("Configuration"), SettingsHostError);  // not open
  EXPECT_THROW(host_->back(), SettingsHostError);
  host_->openPane();
  EXPECT_THROW(host_->openPane(), SettingsHostError);
  try {
    host_->tap("Nothing");
    FAIL() << "no error";
  } catch (const SettingsHostError& e) {
    EXPECT_NE(std::string(e.what()).find("\"Configuration\""), std::string::npos) << e.what();
  }
  EXPECT_THROW(host_->set("invertSongSwipes", true), SettingsHostError);  // not on this page
  EXPECT_THROW(host_->set("isEnabled", "yes"), SettingsHostError);
  EXPECT_THROW(host_->dismiss(), SettingsHostError);
  host_->compose();
  EXPECT_THROW(host_->back(), SettingsHostError) << "the sheet covers the pane";
  EXPECT_THROW(host_->compose(), SettingsHostError);
  host_->dismiss();
  host_->tap("Configuration");
  EXPECT_THROW(host_->set("albumArtCornerRadius", "big"), SettingsHostError);
  EXPECT_FALSE(settingsFile());
}

TEST_F(HostTest, TheDescriptionHasTheIssuesShape) {
  EXPECT_TRUE(host_->describePane().is_null());
  host_->openPane();
  auto pane = host_->describePane();
  EXPECT_EQ(pane["pages"], nlohmann::json({"VLWListController"}));
  EXPECT_EQ(pane["navigationBar"]["rightButton"], nlohmann::json({{"systemItem", 7}, {"action", "tweetSupport:"}}));
  EXPECT_EQ(pane["navigationBar"]["titleView"]["alpha"], 0.0);
  EXPECT_EQ(pane["navigationBar"]["titleView"]["class"], "UIImageView");
  EXPECT_EQ(pane["sections"][0]["header"]["class"], "KZVLWCustomHeaderView");
  EXPECT_EQ(pane["sections"][0]["headerHeight"], 140.0);
  EXPECT_EQ(pane["sections"][1]["headerHeight"], -1.0);
  EXPECT_EQ(pane["sections"][4]["header"]["class"], "KZVLWLogoTableCell");
  auto enabled = pane["sections"][0]["rows"][0];
  EXPECT_EQ(enabled["label"], "Enabled");
  EXPECT_EQ(enabled["cell"], "PSSwitchCell");
  EXPECT_EQ(enabled["cellClass"], "PSSwitchTableCell");
  EXPECT_EQ(enabled["key"], "isEnabled");
  EXPECT_EQ(enabled["value"], true);
  EXPECT_EQ(enabled["view"]["class"], "PSSwitchTableCell");
  EXPECT_EQ(pane["sections"][1]["rows"][0]["value"], nullptr);
  EXPECT_TRUE(pane["appearance"].contains("VLWListController"));
  EXPECT_TRUE(pane["presented"].is_null());
  host_->compose();
  EXPECT_EQ(host_->describePane()["presented"], nlohmann::json({{"type", "compose"}, {"text", "#VLW is awesome!"}}));
  host_->dismiss(true);
}

TEST_F(HostTest, PrefsSetStoresThroughThePaneWhenARowNamesTheKey) {
  size_t before = postedCount();
  // Closed pane: the pages are made off screen.
  EXPECT_TRUE(host_->storeThroughPane("albumArtCornerRadius", 9));
  EXPECT_TRUE(host_->storeThroughPane("isEnabled", false));
  EXPECT_FALSE(host_->storeThroughPane("beta4-HasRun", true));
  EXPECT_EQ(*settingsFile(), (plist::Dictionary{{"albumArtCornerRadius", 9}, {"isEnabled", false}}));
  EXPECT_EQ(postedSince(before), std::vector<std::string>(2, kNotification));
  EXPECT_FALSE(host_->isPaneOpen());
  // Open pane: the page on screen redraws the row.
  host_->openPane();
  host_->tap("Configuration");
  EXPECT_TRUE(host_->storeThroughPane("albumArtCornerRadius", 15));
  auto cell = host_->topPage()->table()->cellForRowAtIndexPath({2, 0});
  std::shared_ptr<UISlider> slider;
  for (auto& v : cell->contentView()->subviews())
    if (auto s = std::dynamic_pointer_cast<UISlider>(v)) slider = s;
  ASSERT_TRUE(slider);
  EXPECT_EQ(slider->value(), 15.0f);
}

TEST_F(HostTest, APaneThatCannotBeLoadedIsReportedAndNotOpened) {
  std::filesystem::remove(device_fs::hostPath("/Library/PreferenceLoader/Preferences/VLW.plist"));
  writeHostFile(device_fs::hostPath("/Library/PreferenceLoader/Preferences/Broken.plist"), "<plist><dict><key>entry</key>");
  EXPECT_THROW(host_->openPane("Broken"), SettingsHostError);
  EXPECT_THROW(host_->openPane("../VLW"), SettingsHostError);
  writeHostFile(device_fs::hostPath("/Library/PreferenceLoader/Preferences/Other.plist"),
                "<plist><dict><key>entry</key><dict><key>bundle</key><string>Missing</string></dict></dict></plist>");
  EXPECT_THROW(host_->openPane("Other"), SettingsHostError);
  EXPECT_FALSE(host_->isPaneOpen());
  // The VLW entry is installed again from the build when it is missing.
  host_->openPane();
  EXPECT_TRUE(host_->isPaneOpen());
}

// Links planted where the pane is installed: every write of the installation stays inside the
// device root, nothing outside changes, and the pane loads from what was written.
class PaneInstallTest : public SettingsHostTest {
 protected:
  void SetUp() override {
    SettingsHostTest::SetUp();
    writeHostFile(outside_ / "entry.plist", "outside entry");
    writeHostFile(outside_ / "lproj" / "Localizable.strings", "outside strings");
    before_ = treeUnder(outside_);
  }
  // The device's copy is made older than the build's, so that all of it is written again.
  void makeCopyStale() { std::filesystem::remove(device_fs::hostPath(std::string(kBundlePath) + "/VLW.so")); }
  void install() {
    ASSERT_TRUE(SettingsHost::installPane());
    EXPECT_EQ(treeUnder(outside_), before_) << "the outside changed";
  }
  std::string built(const std::string& name) const { return readHostFile(SettingsHost::defaultPaneFolder() / name); }
  std::string installed(const std::string& devicePath) const {
    auto bytes = device_fs::readFile(devicePath);
    return bytes ? std::string(bytes->begin(), bytes->end()) : "(missing)";
  }

  std::map<std::string, std::string> before_;
};

TEST_F(PaneInstallTest, ALinkAtTheBundleFolderIsFollowedInsideTheRoot) {
  // Absolute, and relative climbing to the outside folder on the host.
  for (const std::filesystem::path& target : {outside_, std::filesystem::path("../../../outside")}) {
    SCOPED_TRACE(target.string());
    plantLink(kBundlePath, target);
    install();
    EXPECT_EQ(installed(std::string(kBundlePath) + "/VLW.plist"), built("VLW.bundle/VLW.plist"));
  }
  host_->openPane();
  EXPECT_TRUE(host_->isPaneOpen());
  EXPECT_EQ(treeUnder(outside_), before_);
}

TEST_F(PaneInstallTest, ALinkAtTheEntryIsReplacedNotFollowed) {
  const std::string entry = std::string(SettingsHost::kEntryFolder) + "/VLW.plist";
  // Pointing at nothing: the entry counts as missing and is written in the link's place.
  plantLink(entry, outside_ / "new.plist");
  install();
  // Pointing at a file, while the whole pane is written again.
  plantLink(entry, outside_ / "entry.plist");
  makeCopyStale();
  install();
  EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(device_fs::hostPath(entry))));
  EXPECT_EQ(installed(entry), built("PreferenceLoader/VLW.plist"));
}

TEST_F(PaneInstallTest, LinksBelowTheBundleAreFollowedInsideTheRootOrReplaced) {
  const std::string bundle = kBundlePath;
  plantLink(bundle + "/en.lproj", outside_ / "lproj");
  plantLink(bundle + "/de.lproj", "../../../../outside/lproj");
  plantLink(bundle + "/Info.plist", outside_ / "entry.plist");
  makeCopyStale();
  install();
  EXPECT_EQ(installed(bundle + "/en.lproj/Localizable.strings"), built("VLW.bundle/en.lproj/Localizable.strings"));
  EXPECT_EQ(installed(bundle + "/de.lproj/Localizable.strings"), built("VLW.bundle/de.lproj/Localizable.strings"));
  EXPECT_EQ(installed(bundle + "/Info.plist"), built("VLW.bundle/Info.plist"));
  host_->openPane();
  EXPECT_EQ(host_->topPage()->specifierForKey("isEnabled")->name(), "Enabled") << "translated from the copy inside";
}

}  // namespace
