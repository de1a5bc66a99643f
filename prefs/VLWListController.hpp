// The pane's root page: the rows of "VLW", the fading logo in the navigation bar, the custom
// header above the first group and the logo above the fifth, and the compose button.
#pragma once

#include "prefs/KZVLWListController.hpp"

class VLWListController : public KZVLWListController {
  VW_DECLARE_CLASS()
 public:
  static constexpr const char* kTitleLogoPath = "/Library/PreferenceBundles/VLW.bundle/headerLogo.png";

  PSSpecifierArray specifiers() override;
  void loadView() override;
  void viewDidLoad() override;
  // The one-shot timer's action: fades the title logo in.
  void increaseAlpha();
  // The compose button's action.
  void tweetSupport(const NSObjectRef& sender);

  UIViewRef tableViewViewForHeaderInSection(UITableView& tableView, long section) override;
  double tableViewHeightForHeaderInSection(UITableView& tableView, long section) override;
};
