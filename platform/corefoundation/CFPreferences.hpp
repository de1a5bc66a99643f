// Core Foundation stand-in: application preferences.
// Implements: CFPreferencesCopyAppValue / CFPreferencesSetAppValue for the mobile user's
// domains, each a property-list file "<domain>.plist" in
// /private/var/mobile/Library/Preferences of the device. A value set is merged into the
// file at once, atomically (the phone's preferences service does the same soon after);
// other keys of the file stay as they are. kCFCoreFoundationVersionNumber follows the device
// profile.
// Leaves out: the preferences daemon's cache, host and user scopes, synchronisation calls.
#pragma once

#include <string>

#include "platform/plist/PropertyList.hpp"

// Nil when the file or the key is missing.
plist::Value CFPreferencesCopyAppValue(const std::string& key, const std::string& applicationID);
// A nil value removes the key.
void CFPreferencesSetAppValue(const std::string& key, const plist::Value& value, const std::string& applicationID);

std::string preferencesPathForDomain(const std::string& applicationID);

extern const plist::Value kCFBooleanTrue;
extern const plist::Value kCFBooleanFalse;

// The Core Foundation version of the simulated system (the device profile's).
double kCFCoreFoundationVersionNumber();
