#include "prefs/KZVLWListController.hpp"

#include "platform/corefoundation/CFNotificationCenter.hpp"
#include "platform/corefoundation/CFPreferences.hpp"
#include "platform/preferences/PreferencesFileLock.hpp"
#include "platform/social/SLComposeViewController.hpp"
#include "platform/uikit/UINavigationController.hpp"
#include "platform/uikit/UISegmentedControl.hpp"
#include "platform/uikit/UISwitch.hpp"
#include "prefs/KZVLWLocalizer.hpp"

VW_DEFINE_CLASS(KZVLWListController, PSListController, factoryOf<KZVLWListController>())

namespace {
// Each component is the single-precision fraction, widened.
double component(int value) { return static_cast<double>(static_cast<float>(value) / 255.0f); }
}  // namespace

UIColorRef KZVLWListController::accentColor() { return UIColor::colorWithRed(component(68), component(90), component(101), 1.0); }
UIColorRef KZVLWListController::switchColor() { return UIColor::colorWithRed(component(37), component(49), component(57), 1.0); }

PSSpecifierArray KZVLWListController::specifiersForPlistName(const std::string& plistName) {
  auto specifiers = loadSpecifiersFromPlistName(plistName, shared_from_this());
  return KZVLWLocalizer::sharedLocalizer()->localizedSpecifiersForSpecifiers(specifiers);
}

plist::Value KZVLWListController::readPreferenceValue(const PSSpecifierRef& specifier) {
  if (!specifier) return {};
  auto settings = plist::dictionaryWithContentsOfFile(kSettingsPath, plist::kPreferencesLimits);
  if (auto key = specifier->key(); key && settings) {
    auto it = settings->find(*key);
    if (it != settings->end()) return it->second;  // a stored false or 0 counts
  }
  return specifier->propertyForKey("default");
}

void KZVLWListController::setPreferenceValue(const plist::Value& value, const PSSpecifierRef& specifier) {
  if (!specifier) return;
  auto key = specifier->key();
  // A row without a key has nowhere to store: nothing is written and nothing is posted. A nil
  // value cannot go into a dictionary either.
  if (!key || value.isNil()) return;
  {
    PreferencesFileLock lock(kSettingsPath);
    plist::Dictionary settings;
    if (auto existing = plist::dictionaryWithContentsOfFile(kSettingsPath, plist::kPreferencesLimits))
      settings = std::move(*existing);
    settings[*key] = value;
    plist::writeToFile(settings, kSettingsPath);  // the result is not examined
  }
  // Only after the write: an observer that reads the file sees the new value. A row without a
  // notification name posts nothing.
  const auto& note = specifier->propertyForKey("PostNotification");
  if (note.isString() && !note.string()->empty())
    CFNotificationCenterPostNotification(CFNotificationCenterGetDarwinNotifyCenter(), *note.string(), nullptr, nullptr, true);
}

std::shared_ptr<UINavigationController> KZVLWListController::tintedNavigationController() const {
  // These systems show a pane inside a navigation controller of its own, nested in the Settings
  // app's: the bar on screen is the outer one.
  auto nav = navigationController();
  const double version = kCFCoreFoundationVersionNumber();
  if (version >= 1140.1 && version <= 1141.18) nav = nav ? nav->navigationController() : nullptr;
  return nav;
}

void KZVLWListController::viewWillAppear(bool animated) {
  PSListController::viewWillAppear(animated);
  if (auto nav = tintedNavigationController()) nav->navigationBar()->setTintColor(accentColor());
  UISwitch::appearanceWhenContainedIn(classInfo())->setOnTintColor(switchColor());
  UISegmentedControl::appearanceWhenContainedIn(classInfo())->setTintColor(accentColor());
}

void KZVLWListController::viewWillDisappear(bool animated) {
  PSListController::viewWillDisappear(animated);
  if (auto nav = tintedNavigationController()) nav->navigationBar()->setTintColor(nullptr);
}

UITableViewCellRef KZVLWListController::tableViewCellForRowAtIndexPath(UITableView& tableView, NSIndexPath indexPath) {
  auto cell = PSListController::tableViewCellForRowAtIndexPath(tableView, indexPath);
  if (auto ps = std::dynamic_pointer_cast<PSTableCell>(cell))
    if (auto title = ps->titleLabel()) title->setTextColor(accentColor());
  return cell;
}

void KZVLWListController::addComposeButton() {
  auto item = std::make_shared<UIBarButtonItem>(UIBarButtonSystemItemCompose, shared_from_this(), "tweetSupport:");
  navigationItem()->setRightBarButtonItem(item);
}

void KZVLWListController::presentTweetComposer() {
  if (!SLComposeViewController::isAvailableForServiceType(SLServiceTypeTwitter)) return;
  auto composer = SLComposeViewController::composeViewControllerForServiceType(SLServiceTypeTwitter);
  if (!composer) return;
  composer->setInitialText("#VLW is awesome!");
  presentViewController(composer, true);
  // Posted or cancelled, the composer dismisses itself; the handler holds the composer (the
  // composer lets the handler go once it has run).
  composer->setCompletionHandler([composer](SLComposeViewControllerResult) { composer->dismissViewControllerAnimated(true); });
}
