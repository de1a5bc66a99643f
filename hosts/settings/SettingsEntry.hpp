// The installed panes' entries: each property list in /Library/PreferenceLoader/Preferences
// whose "entry" dictionary names a pane bundle ("bundle", a folder
// /Library/PreferenceBundles/<bundle>.bundle), the Settings app's row for it ("label") and the
// row's icon ("icon", an image file inside that bundle).
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "platform/plist/PropertyList.hpp"
#include "platform/uikit/UIImage.hpp"

struct SettingsEntry {
  std::string name;    // the file's name without ".plist", as `openPane` takes it
  std::string bundle;  // the bundle's name
  std::optional<std::string> label;
  std::optional<std::string> iconName;
  UIImageRef icon;  // null when the entry names none, or the bundle has no such image

  // What the row shows: the label, else the bundle's name.
  std::string title() const { return label ? *label : bundle; }
  // {"label", "iconName", "icon": {"name", "width", "height"} in points, or null}.
  nlohmann::json describe() const;
};

// The entry that a file's "entry" dictionary describes, its icon loaded from its bundle;
// nothing when it names no bundle.
std::optional<SettingsEntry> settingsEntryFrom(const std::string& name, const plist::Dictionary& entry);

// The entries installed on the device, in the order of their titles. Files that are not
// readable entries (no "entry" dictionary, no bundle name) are passed over.
std::vector<SettingsEntry> installedSettingsEntries();
