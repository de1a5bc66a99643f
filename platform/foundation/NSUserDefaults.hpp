// Foundation stand-in: the app's user defaults.
// Implements: the standard defaults of the running app (its domain is the host's bundle
// identifier, "com.apple.Preferences" unless the host says otherwise) over CFPreferences: the
// domain's values are read once into memory and answered from there; setObject:forKey: (nil
// removes) writes through at once; synchronize drops what is in memory, so the next read sees
// what other writers stored in the meantime.
// Leaves out: the registration and global domains, suites, typed getters beyond objectForKey:.
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/foundation/ReflectiveObject.hpp"
#include "platform/plist/PropertyList.hpp"

class NSUserDefaults : public ReflectiveObject {
  VW_DECLARE_CLASS()
 public:
  explicit NSUserDefaults(std::string domain) : domain_(std::move(domain)) {}

  static std::shared_ptr<NSUserDefaults> standardUserDefaults();
  // The hosts name their app before anything asks for the standard defaults.
  static void setApplicationDomain(const std::string& domain);

  const std::string& domain() const { return domain_; }
  plist::Value objectForKey(const std::string& key);
  void setObject(const plist::Value& value, const std::string& key);
  // Always succeeds: writes have gone to the file already.
  bool synchronize();

 private:
  const std::string domain_;
  std::mutex mutex_;
  std::optional<plist::Dictionary> cache_;
};
using NSUserDefaultsRef = std::shared_ptr<NSUserDefaults>;
