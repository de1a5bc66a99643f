#include "platform/corefoundation/CFPreferences.hpp"

#include <mutex>

#include "platform/device/DeviceProfile.hpp"

const plist::Value kCFBooleanTrue{true};
const plist::Value kCFBooleanFalse{false};

std::string preferencesPathForDomain(const std::string& applicationID) {
  return "/private/var/mobile/Library/Preferences/" + applicationID + ".plist";
}

plist::Value CFPreferencesCopyAppValue(const std::string& key, const std::string& applicationID) {
  auto dict = plist::dictionaryWithContentsOfFile(preferencesPathForDomain(applicationID), plist::kPreferencesLimits);
  if (!dict) return {};
  auto it = dict->find(key);
  return it == dict->end() ? plist::Value{} : it->second;
}

void CFPreferencesSetAppValue(const std::string& key, const plist::Value& value, const std::string& applicationID) {
  static std::mutex mutex;  // one writer at a time per process, like the daemon
  std::lock_guard lock(mutex);
  std::string path = preferencesPathForDomain(applicationID);
  plist::Dictionary dict = plist::dictionaryWithContentsOfFile(path, plist::kPreferencesLimits).value_or(plist::Dictionary{});
  if (value.isNil())
    dict.erase(key);
  else
    dict[key] = value;
  plist::writeToFile(dict, path);
}

double kCFCoreFoundationVersionNumber() { return deviceProfile().cfVersion; }
