// The tweak's four settings, read from the settings file of the domain
// com.dovrane.velloway. They live as long as the process, start at true, false, false and
// 4.0, are touched only on the main thread, and change only when a read finds their key.
#pragma once

#include <string>

extern "C" {
extern bool vlwEnabled;                // "isEnabled"
extern bool vlwInvertSongSwipes;       // "invertSongSwipes"
extern bool vlwUseVibrancyLabels;      // "useVibrancyLabels"
extern float vlwAlbumArtCornerRadius;  // "albumArtCornerRadius"
}

namespace vlw_settings {

// Plain character arrays: they are read by the load-time initialisers, which run before
// the library's dynamic initialisation.
inline constexpr char kDomain[] = "com.dovrane.velloway";
inline constexpr char kSettingsPath[] = "/private/var/mobile/Library/Preferences/com.dovrane.velloway.plist";
inline constexpr char kChangeNotification[] = "com.dovrane.velloway/settingschanged";

// First load-time initialiser: registers the change observer, then reads "isEnabled".
void initialise();
// Reads "isEnabled" by the rule: a missing file or key leaves the value as it was.
void readEnabled();
// Reads the three view settings from one load of the file, in order.
void readViewSettings();

}  // namespace vlw_settings
