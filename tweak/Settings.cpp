#include "tweak/Settings.hpp"

#include "platform/corefoundation/CFNotificationCenter.hpp"
#include "platform/plist/PropertyList.hpp"
#include "tweak/Globals.hpp"
#include "tweak/VLWView.hpp"

extern "C" {
__attribute__((visibility("default"))) bool vlwEnabled = true;
__attribute__((visibility("default"))) bool vlwInvertSongSwipes = false;
__attribute__((visibility("default"))) bool vlwUseVibrancyLabels = false;
__attribute__((visibility("default"))) float vlwAlbumArtCornerRadius = 4.0f;
}

namespace vlw_settings {
namespace {

// Every value converts the way Foundation's boolValue / floatValue do; a key that is absent
// leaves its variable alone.
void readBool(const plist::Dictionary& dict, const char* key, bool& variable) {
  auto it = dict.find(key);
  if (it != dict.end()) variable = it->second.boolValue();
}

void readFloat(const plist::Dictionary& dict, const char* key, float& variable) {
  auto it = dict.find(key);
  if (it != dict.end()) variable = it->second.floatValue();
}

void settingsChanged(CFNotificationCenterRef, void*, const std::string&, const void*, const void*) {
  readEnabled();
  // Whether or not the file could be read, the current overlay rereads its three values.
  if (auto overlay = vlwViewManager.load()) overlay->loadUserSettings();
}

}  // namespace

void readEnabled() {
  auto dict = plist::dictionaryWithContentsOfFile(kSettingsPath, plist::kPreferencesLimits);
  if (!dict) return;
  readBool(*dict, "isEnabled", vlwEnabled);
}

void readViewSettings() {
  auto dict = plist::dictionaryWithContentsOfFile(kSettingsPath, plist::kPreferencesLimits);
  if (!dict) return;
  readBool(*dict, "invertSongSwipes", vlwInvertSongSwipes);
  readBool(*dict, "useVibrancyLabels", vlwUseVibrancyLabels);
  readFloat(*dict, "albumArtCornerRadius", vlwAlbumArtCornerRadius);
}

void initialise() {
  CFNotificationCenterAddObserver(CFNotificationCenterGetDarwinNotifyCenter(), nullptr, settingsChanged, kChangeNotification,
                                  nullptr, CFNotificationSuspensionBehaviorCoalesce);
  readEnabled();
}

}  // namespace vlw_settings
