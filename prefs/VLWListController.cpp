#include "prefs/VLWListController.hpp"

#include <fmt/format.h>

#include "platform/foundation/NSTimer.hpp"
#include "platform/foundation/PropertyList.hpp"
#include "platform/fs/DeviceRoot.hpp"
#include "platform/gestalt/MobileGestalt.hpp"
#include "platform/uikit/UIAlertView.hpp"
#include "platform/uikit/UINavigationController.hpp"
#include "platform/uikit/UIImageView.hpp"
#include "prefs/KZVLWCustomHeaderView.hpp"
#include "prefs/KZVLWLogoTableCell.hpp"
#include "prefs/PackageList.hpp"

VW_DEFINE_CLASS(VLWListController, KZVLWListController, factoryOf<VLWListController>(),
                {{"increaseAlpha", selectorOf(&VLWListController::increaseAlpha)},
                 {"tweetSupport:", selectorOf(&VLWListController::tweetSupport)},
                 {"emailKZ", selectorOf(&VLWListController::emailKZ)}})

PSSpecifierArray VLWListController::specifiers() {
  if (_specifiers) return _specifiers;
  _specifiers = specifiersForPlistName("VLW");
  return _specifiers;
}

void VLWListController::loadView() {
  KZVLWListController::loadView();
  addComposeButton();
}

void VLWListController::viewDidLoad() {
  auto logo = UIImage::imageWithContentsOfFile(kTitleLogoPath);
  auto logoView = std::make_shared<UIImageView>(logo);
  navigationItem()->setTitleView(logoView);
  navigationItem()->titleView->setAlpha(0.0);
  KZVLWListController::viewDidLoad();
  NSTimer::scheduledTimerWithTimeInterval(0.5, shared_from_this(), "increaseAlpha", nullptr, false);
}

void VLWListController::increaseAlpha() {
  // The animation keeps the controller until it has run.
  auto self = std::static_pointer_cast<VLWListController>(shared_from_this());
  UIView::animateWithDuration(0.5, [self] {
    if (auto titleView = self->navigationItem()->titleView) titleView->setAlpha(1.0);
  });
}

void VLWListController::tweetSupport(const NSObjectRef&) { presentTweetComposer(); }

UIViewRef VLWListController::tableViewViewForHeaderInSection(UITableView&, long section) {
  if (section == 0) return std::make_shared<KZVLWCustomHeaderView>()->init();
  if (section == 4) return std::make_shared<KZVLWLogoTableCell>()->init();
  return nullptr;
}

double VLWListController::tableViewHeightForHeaderInSection(UITableView&, long section) {
  if (section == 0) return 140.0;
  if (section == 4) return 30.0;
  return -1.0;
}

namespace {

std::string answerOrUnknown(const char* key) { return MGCopyAnswer(key).value_or("unknown"); }

}  // namespace

void VLWListController::emailKZ() {
  if (!MFMailComposeViewController::canSendMail()) {
    // What the phone itself says when a composer is asked for without an account.
    auto alert = std::make_shared<UIAlertView>("No Mail Accounts", "Please set up a mail account in order to send email.",
                                               std::weak_ptr<UIAlertViewDelegate>(), "OK", std::vector<std::string>{});
    alert->show();
    return;
  }
  auto composer = std::make_shared<MFMailComposeViewController>();
  composer->setSubject("VLW Support");
  composer->setToRecipients({kSupportRecipient});
  std::string model = answerOrUnknown("ProductType");
  std::string version = answerOrUnknown("ProductVersion");
  std::string build = answerOrUnknown("BuildVersion");
  composer->setMessageBody(fmt::format("\n\nCurrent Device: {}, iOS {} ({})", model, version, build), false);
  // A file that cannot be read (no settings stored yet, no list written) is left out, and so is
  // one that is not a regular file sitting at the settings path itself inside the device root.
  if (auto settings = device_fs::readFileNoLink(kSupportSettingsPath, plist::kPreferencesLimits.maxFileBytes))
    composer->addAttachmentData(std::string(settings->begin(), settings->end()), "application/xml", "VLWPrefs.plist");
  if (auto packages = package_list::write())
    composer->addAttachmentData(*packages, "text/plain", "dpkgl.txt");
  if (auto nav = navigationController()) nav->presentViewController(composer, true);
  composer->setMailComposeDelegate(std::dynamic_pointer_cast<MFMailComposeViewControllerDelegate>(shared_from_this()));
}

void VLWListController::mailComposeControllerDidFinishWithResult(MFMailComposeViewController&, MFMailComposeResult, const NSErrorRef&) {
  dismissViewControllerAnimated(true);
}
