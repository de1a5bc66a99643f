#include "platform/foundation/NSUserDefaults.hpp"

#include "platform/corefoundation/CFPreferences.hpp"
#include "platform/process/ProcessState.hpp"

VW_DEFINE_CLASS(NSUserDefaults, ReflectiveObject, nullptr)

namespace {

constexpr const char* kDefaultDomain = "com.apple.Preferences";

struct StandardDefaults {
  std::mutex mutex;
  std::string domain = kDefaultDomain;
  std::shared_ptr<NSUserDefaults> defaults;

  void reset() {
    std::lock_guard lock(mutex);
    domain = kDefaultDomain;
    defaults.reset();
  }
};

StandardDefaults& standard() {
  static StandardDefaults* s = process_state::make<StandardDefaults>("standard user defaults");
  return *s;
}

}  // namespace

std::shared_ptr<NSUserDefaults> NSUserDefaults::standardUserDefaults() {
  auto& s = standard();
  std::lock_guard lock(s.mutex);
  if (!s.defaults || s.defaults->domain() != s.domain) s.defaults = std::make_shared<NSUserDefaults>(s.domain);
  return s.defaults;
}

void NSUserDefaults::setApplicationDomain(const std::string& domain) {
  auto& s = standard();
  std::lock_guard lock(s.mutex);
  s.domain = domain;
}

plist::Value NSUserDefaults::objectForKey(const std::string& key) {
  std::lock_guard lock(mutex_);
  if (!cache_)
    cache_ = plist::dictionaryWithContentsOfFile(preferencesPathForDomain(domain_), plist::kPreferencesLimits)
                 .value_or(plist::Dictionary{});
  auto it = cache_->find(key);
  return it == cache_->end() ? plist::Value() : it->second;
}

void NSUserDefaults::setObject(const plist::Value& value, const std::string& key) {
  std::lock_guard lock(mutex_);
  CFPreferencesSetAppValue(key, value, domain_);
  if (!cache_) return;
  if (value.isNil())
    cache_->erase(key);
  else
    (*cache_)[key] = value;
}

bool NSUserDefaults::synchronize() {
  std::lock_guard lock(mutex_);
  cache_.reset();
  return true;
}
