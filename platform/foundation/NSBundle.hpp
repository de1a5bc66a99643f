// Foundation stand-in: bundles.
// Implements: bundleWithPath: for a device path (the same object for the same folder of the
// same device root; nil when the folder is missing), the Info.plist dictionary, resource
// look-up (pathForResource:ofType:) in the bundle's folder and its language folders, strings
// tables (localizedStringForKey:value:table:) in the text form ("key" = "value";) and in the
// XML or binary property-list form, chosen by the device profile's language with a fallback
// to English and Base for keys the language does not hold, loading the bundle's executable
// with dlopen (load), the principal class named by NSPrincipalClass, and bundleForClass: for
// a class whose code came from a loaded bundle.
// Leaves out: the main bundle, unloading, plural rules (.stringsdict), resource folders
// other than the bundle's top level and its .lproj folders, region-specific lookups beyond
// falling back from "de-CH" to "de".
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <typeinfo>

#include "platform/foundation/ReflectiveObject.hpp"
#include "platform/plist/PropertyList.hpp"

class NSBundle;
using NSBundleRef = std::shared_ptr<NSBundle>;

class NSBundle : public ReflectiveObject {
  VW_DECLARE_CLASS()
 public:
  // The bundle at a device path ("/Library/PreferenceBundles/VLW.bundle"); the same object for
  // every call with the same folder under the current device root; null when there is no
  // such folder.
  static NSBundleRef bundleWithPath(const std::string& devicePath);
  // The loaded bundle whose executable holds the code of that C++ class (its type
  // information), or null (for classes of the host itself).
  static NSBundleRef bundleForClass(const std::type_info& cls);

  const std::string& bundlePath() const { return path_; }
  plist::Value objectForInfoDictionaryKey(const std::string& key) const;

  // The device path of "name.type" in the bundle's folder, or else in its language folders
  // (preferred language first); nothing when there is none. A name with '/' or ".." in it, or
  // an empty name, names no resource: nothing outside the bundle is ever found.
  std::optional<std::string> pathForResource(const std::string& name, const std::string& type) const;

  // The translation of key in table (nullopt: "Localizable"). A key no table holds answers
  // value, or the key itself when value is empty.
  std::string localizedStringForKey(const std::string& key, const std::string& value,
                                    const std::optional<std::string>& table) const;

  // Loads the executable (Info.plist CFBundleExecutable, else the folder's base name) with
  // dlopen(RTLD_NOW | RTLD_GLOBAL); the library is never unloaded. True when loaded.
  bool load();
  bool isLoaded() const;
  const std::string& loadError() const { return loadError_; }
  // The class named by NSPrincipalClass, once loaded; null otherwise.
  const ClassInfo* principalClass() const;

  // Language folders searched, in order (for the current device profile).
  static std::vector<std::string> preferredLocalizations();

  // Parses the bytes of a strings table in any of its forms; broken entries are skipped.
  static std::map<std::string, std::string> parseStringsTable(const std::vector<uint8_t>& bytes);

  NSBundle(std::string devicePath, std::string hostPath);

 private:
  const std::map<std::string, std::string>* table(const std::string& lproj, const std::string& name) const;

  std::string path_;      // device path
  std::string hostPath_;  // where it is on this machine
  plist::Dictionary info_;
  std::string loadError_;
  mutable std::mutex mutex_;
  // Parsed tables by "lproj/name"; a missing table is cached as nullopt.
  mutable std::map<std::string, std::optional<std::map<std::string, std::string>>> tables_;
};
