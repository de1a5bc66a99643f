#include "prefs/VLWListController.hpp"

#include <fmt/format.h>

#include "platform/foundation/NSTimer.hpp"
#include "platform/fs/DeviceRoot.hpp"
#include "platform/gestalt/MobileGestalt.hpp"
#include "platform/plist/PropertyList.hpp"
#include "platform/uikit/UIImageView.hpp"
#include "platform/uikit/UINavigationController.hpp"
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

void VLWListController::tweetSupport(const ReflectiveObjectRef&) { presentTweetComposer(); }

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
  // Without a mail account the framework says so and gives no composer; every message to it
  // below then does nothing, and the rest runs all the same.
  auto composer = MFMailComposeViewController::make();
  if (composer) composer->setSubject("VLW Support");
  if (composer) composer->setToRecipients({kSupportRecipient});
  std::string model = answerOrUnknown("ProductType");
  std::string version = answerOrUnknown("ProductVersion");
  std::string build = answerOrUnknown("BuildVersion");
  if (composer) composer->setMessageBody(fmt::format("\n\nCurrent Device: {}, iOS {} ({})", model, version, build), false);
  // A file that cannot be read (no settings stored yet, no list written) is left out, and so is
  // one that is not a regular file sitting at the settings path itself inside the device root.
  auto settings = device_fs::readFileNoLink(kSupportSettingsPath, plist::kPreferencesLimits.maxFileBytes);
  if (composer && settings)
    composer->addAttachmentData(std::string(settings->begin(), settings->end()), "application/xml", "VLWPrefs.plist");
  auto packages = package_list::write();
  if (composer && packages) composer->addAttachmentData(*packages, "text/plain", "dpkgl.txt");
  if (!composer) return;
  if (auto nav = navigationController()) nav->presentViewController(composer, true);
  composer->setMailComposeDelegate(std::dynamic_pointer_cast<MFMailComposeViewControllerDelegate>(shared_from_this()));
}

void VLWListController::mailComposeControllerDidFinishWithResult(MFMailComposeViewController&, MFMailComposeResult,
                                                                 const NSErrorRef&) {
  dismissViewControllerAnimated(true);
}
