// Preferences stand-in: the Settings app's navigation controller and the framework's value
// store.
// Implements: a navigation controller for pages; the class-level store the framework uses for
// rows whose page does not keep values itself: a row's value lives under its "key" in the
// property list "/User/Library/Preferences/<defaults>.plist", "defaults" being the row's domain
// property. readPreferenceValue: answers the stored value, else the row's "default";
// setPreferenceValue:specifier: merges the value into the file (other keys stay), writes it
// atomically and durably under the preferences file lock, then posts the row's
// "PostNotification" as a Darwin notification. A row without "key" or without a plain
// "defaults" name stores nothing and posts nothing; a row without "PostNotification" stores its
// value and posts no notification.
// Leaves out: the Settings app's own pages, suspension and URL handling, the preferences
// daemon's cache.
#pragma once

#include <optional>
#include <string>

#include "platform/plist/PropertyList.hpp"
#include "platform/preferences/PSSpecifier.hpp"
#include "platform/uikit/UINavigationController.hpp"

class PSRootController : public UINavigationController {
  VW_DECLARE_CLASS()
 public:
  static plist::Value readPreferenceValue(const PSSpecifierRef& specifier);
  // True when a value was written.
  static bool setPreferenceValue(const plist::Value& value, const PSSpecifierRef& specifier);

  // The device path of the row's preferences file, or nothing without a usable domain.
  static std::optional<std::string> preferencesPathForSpecifier(const PSSpecifier& specifier);

  // True on the systems (Core Foundation 1140.1 to 1141.18) whose Settings app shows a pane
  // inside a navigation controller of its own, nested in this one.
  static bool nestsPaneNavigation();
};
