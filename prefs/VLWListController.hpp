// The pane's root page: the rows of "VLW", the fading logo in the navigation bar, the custom
// header above the first group and the logo above the fifth, the compose button, and the
// support e-mail.
#pragma once

#include "platform/messageui/MFMailComposeViewController.hpp"
#include "prefs/KZVLWListController.hpp"

class VLWListController : public KZVLWListController, public MFMailComposeViewControllerDelegate {
  VW_DECLARE_CLASS()
 public:
  static constexpr const char* kTitleLogoPath = "/Library/PreferenceBundles/VLW.bundle/headerLogo.png";
  static constexpr const char* kSupportRecipient = "Dovrane <support@velloway.example.com>";
  // The settings file as the support mail reads it.
  static constexpr const char* kSupportSettingsPath = "/var/mobile//Library/Preferences/com.dovrane.velloway.plist";

  PSSpecifierArray specifiers() override;
  void loadView() override;
  void viewDidLoad() override;
  // The one-shot timer's action: fades the title logo in.
  void increaseAlpha();
  // The compose button's action.
  void tweetSupport(const ReflectiveObjectRef& sender);
  // The support row's action: a mail to the makers with the device line, the settings file
  // and the package list attached.
  void emailKZ();
  void mailComposeControllerDidFinishWithResult(MFMailComposeViewController& controller, MFMailComposeResult result,
                                                const NSErrorRef& error) override;

  UIViewRef tableViewViewForHeaderInSection(UITableView& tableView, long section) override;
  double tableViewHeightForHeaderInSection(UITableView& tableView, long section) override;
};
