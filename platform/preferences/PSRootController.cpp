#include "platform/preferences/PSRootController.hpp"

#include "platform/corefoundation/CFNotificationCenter.hpp"
#include "platform/corefoundation/CFPreferences.hpp"
#include "platform/preferences/PreferencesFileLock.hpp"

VW_DEFINE_CLASS(PSRootController, UINavigationController, factoryOf<PSRootController>())

bool PSRootController::nestsPaneNavigation() {
  const double v = kCFCoreFoundationVersionNumber();
  return v >= 1140.1 && v <= 1141.18;
}

std::optional<std::string> PSRootController::preferencesPathForSpecifier(const PSSpecifier& specifier) {
  const auto& domain = specifier.propertyForKey("defaults");
  if (!domain.isString()) return std::nullopt;
  const std::string& name = *domain.string();
  if (name.empty() || name.find('/') != std::string::npos || name.find("..") != std::string::npos) return std::nullopt;
  return "/User/Library/Preferences/" + name + ".plist";
}

plist::Value PSRootController::readPreferenceValue(const PSSpecifierRef& specifier) {
  if (!specifier) return {};
  auto key = specifier->key();
  auto path = preferencesPathForSpecifier(*specifier);
  if (key && path)
    if (auto dict = plist::dictionaryWithContentsOfFile(*path, plist::kPreferencesLimits)) {
      auto it = dict->find(*key);
      if (it != dict->end()) return it->second;
    }
  return specifier->propertyForKey("default");
}

bool PSRootController::setPreferenceValue(const plist::Value& value, const PSSpecifierRef& specifier) {
  if (!specifier || value.isNil()) return false;
  auto key = specifier->key();
  auto path = preferencesPathForSpecifier(*specifier);
  if (!key || !path) return false;
  bool written;
  {
    PreferencesFileLock lock(*path);
    plist::Dictionary dict = plist::dictionaryWithContentsOfFile(*path, plist::kPreferencesLimits).value_or(plist::Dictionary{});
    dict[*key] = value;
    written = plist::writeToFile(dict, *path);
  }
  const auto& note = specifier->propertyForKey("PostNotification");
  if (note.isString() && !note.string()->empty())
    CFNotificationCenterPostNotification(CFNotificationCenterGetDarwinNotifyCenter(), *note.string(), nullptr, nullptr, true);
  return written;
}
