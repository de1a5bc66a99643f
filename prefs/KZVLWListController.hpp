// The base of the pane's pages: loads and localises a page's rows, keeps every row's value in
// the settings file (and posts the row's notification after each write), applies the pane's
// colours while a page is on screen and colours every cell's title.
#pragma once

#include <cstdint>

#include "platform/preferences/PSListController.hpp"

class KZVLWListController : public PSListController {
  VW_DECLARE_CLASS()
 public:
  static constexpr const char* kSettingsPath = "/User/Library/Preferences/com.dovrane.velloway.plist";
  static UIColorRef accentColor();  // navigation bar, segmented controls, cell titles
  static UIColorRef switchColor();  // switches' on-tint

  // The specifier list of that name from the pane bundle, localised.
  PSSpecifierArray specifiersForPlistName(const std::string& plistName);

  plist::Value readPreferenceValue(const PSSpecifierRef& specifier) override;
  void setPreferenceValue(const plist::Value& value, const PSSpecifierRef& specifier) override;
  void viewWillAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;
  UITableViewCellRef tableViewCellForRowAtIndexPath(UITableView& tableView, NSIndexPath indexPath) override;

 protected:
  // What the three pages share: the compose button on the right of the bar, and the social
  // post it prepares.
  void addComposeButton();
  void presentTweetComposer();

 private:
  // The navigation controller whose bar is on screen for this page.
  std::shared_ptr<UINavigationController> tintedNavigationController() const;

  int32_t prevStatusStyle = 0;  // declared, never used
};
