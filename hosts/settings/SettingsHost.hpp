// The simulated Settings app: its window and navigation controller, its first page (the list of
// the installed panes' entries in /Library/PreferenceLoader/Preferences, SettingsListController),
// loading a pane's bundle with dlopen, creating its principal class by name, the navigation
// stack of the pane's pages (shaped by the system's Core Foundation version, as the Settings
// app's was), a user's taps and changes on the page on screen, the compose sheet, and a JSON
// description of what is on screen.
#pragma once

#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "hosts/input/InputHost.hpp"
#include "hosts/settings/SettingsEntry.hpp"
#include "hosts/settings/SettingsListController.hpp"
#include "platform/messageui/MFMailComposeViewController.hpp"
#include "platform/plist/PropertyList.hpp"
#include "platform/preferences/PSListController.hpp"
#include "platform/preferences/PSRootController.hpp"
#include "platform/uikit/UIImage.hpp"
#include "platform/uikit/UIWindow.hpp"

// Something a user could not do (no such row, nothing presented, ...), or a pane that cannot
// be opened.
class SettingsHostError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class SettingsHost : public InputHost {
 public:
  static constexpr const char* kEntryFolder = "/Library/PreferenceLoader/Preferences";
  static constexpr const char* kBundleFolder = "/Library/PreferenceBundles";

  // The device root must be chosen. Installs the build's pane (installPane), then builds the
  // app's window on its first page, "Settings": the list of the installed entries.
  SettingsHost();
  ~SettingsHost();

  // Where the program keeps the pane: the folder holding VLW.bundle and PreferenceLoader/ (in a
  // build tree the folder above lib/, installed the library folder); empty when none has it.
  static std::filesystem::path defaultPaneFolder();
  // Copies VLW.bundle and its entry from that folder into the device root when they are missing
  // or older than the program's. False when the folder has no bundle.
  static bool installPane(const std::filesystem::path& paneFolder = defaultPaneFolder());

  // The pane of the entry with that name (its file name without ".plist") opens: the bundle
  // is loaded, its principal class made and pushed over the list. A tap on the entry's row on
  // the list does it; `settings open` is the shortcut.
  void openPane(const std::string& entryName = "VLW");
  bool isPaneOpen() const;
  // The pane's pages, its root first (empty while closed).
  std::vector<PSListControllerRef> pages() const;
  PSListControllerRef topPage() const;

  // Taps the row with that displayed label on the page on screen: on the list an entry's row
  // opens its pane; on a pane's page a link pushes its page, a list row its choices, a button
  // runs its action, a switch row flips its switch.
  void tap(const std::string& label);
  // Changes the row with that key on the page on screen as a user would (its control moves,
  // and the framework hands the value to the page).
  void set(const std::string& key, const plist::Value& value);
  // Pops the page on screen; popping the pane's root returns to the list.
  void back();
  // Presses the compose button of the page on screen.
  void compose();
  // The sheet on screen finishes (the user posts, or cancels).
  void dismiss(bool posted = false);
  // The sheet presented over the pane, or null.
  UIViewControllerRef presentedSheet() const;

  // Touches the value-entry strip at the right-hand end of the slider row with that key on the
  // page on screen (what the strip does follows: the entry alert).
  void touchValueEntry(const std::string& key);
  // The mail composer on screen finishes with that result (the user sends, saves a draft or
  // cancels, or the send fails).
  void finishMail(MFMailComposeResult result);
  // The mail composer on screen, or null.
  MFMailComposeViewControllerRef presentedMail() const;

  // The app's window takes every touch; what is on it, as a view tree.
  UIWindowRef window() const override { return window_; }
  nlohmann::json describe() const override { return window_->describeTree(); }
  // A drag that starts on a slider moves its thumb.
  bool drag(CGPoint from, CGPoint to) override;
  // The slider under the point, if any (a drag that starts there moves its thumb).
  std::shared_ptr<class UISlider> sliderAt(CGPoint point) const;
  // A drag of the slider's thumb to the window point's place along its track.
  void dragSlider(const std::shared_ptr<class UISlider>& slider, CGPoint point);

  // The app's display pass over its window: appearance settings, then layout.
  void displayPass();

  // Stores the value through the pane's value store (the setPreferenceValue:specifier: of the
  // page whose row names the key), opening nothing on screen. False when no row of the pane
  // names the key or the pane cannot be loaded.
  bool storeThroughPane(const std::string& key, const plist::Value& value);

  // null while the pane is closed; else the pages, title, bar, sections with rows, the
  // appearance settings and the presented sheet.
  nlohmann::json describePane() const;

  // The Settings app's row for the pane: the open pane's entry, else the VLW entry on the list;
  // its label and the icon that the entry names, loaded from the pane's bundle (null when the
  // list has no such row).
  nlohmann::json describeEntry() const;
  // The list: its title, whether it is on screen, and its rows (entry name, label, icon).
  nlohmann::json describeList() const;
  const SettingsListControllerRef& list() const { return list_; }

  const std::shared_ptr<PSRootController>& settingsNavigationController() const { return settingsNav_; }
  // The navigation bar drawn on screen.
  UINavigationBarRef visibleNavigationBar() const;

 protected:
  // A user's finger on the screen, at a point in window coordinates. A tap goes through the
  // window's hit-testing and recognizers (rows, switches, buttons, the value entry strip), and
  // to the bars drawn by the app: the navigation bar's back button (its left end, while there
  // is a page to go back to) and compose button (its right end), and the presented sheet's
  // Cancel and Send/Post. False when nothing took the tap.
  bool touchScreen(CGPoint point, unsigned tapCount) override;
  bool swipeScreen(CGPoint point, unsigned direction) override;
  // Those bar buttons and sheet buttons by their commands, and rows by their labels.
  std::optional<std::string> nameTap(CGPoint point, unsigned count) const override;
  void afterAlert() override { displayPass(); }

 private:
  std::optional<std::string> nameRowTap(CGPoint point) const;
  NSBundleRef loadPaneBundle(const std::string& entryName, plist::Dictionary* entry) const;
  PSListControllerRef makePage(const ClassInfo* cls) const;
  // A tap on a row of the list: a pane that cannot be opened is logged, and the list stays.
  void openFromList(const SettingsEntry& entry);
  void tapOnList(const std::string& label);

  UIWindowRef window_;
  std::shared_ptr<PSRootController> settingsNav_;
  SettingsListControllerRef list_;
  std::shared_ptr<UINavigationController> paneNav_;  // the pane's own, when nested
  PSListControllerRef paneRoot_;
  std::optional<SettingsEntry> paneEntry_;  // the open pane's
};
