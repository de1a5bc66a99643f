#include "tests/fuzz/FuzzEntries.hpp"

#include <cstdlib>
#include <string>

#include "platform/foundation/NSBundle.hpp"
#include "platform/plist/PropertyList.hpp"
#include "platform/preferences/PSSpecifier.hpp"

namespace fuzz_entry {
namespace {

std::span<const uint8_t> bytes(const uint8_t* data, size_t size) { return {data, size}; }

// Foundation's conversions on every value, the way the tweak and the pane use them.
void touchValues(const plist::Value& v) {
  (void)v.boolValue();
  (void)v.floatValue();
  (void)v.intValue();
  (void)v.integerValue();
}

}  // namespace

int settingsFile(const uint8_t* data, size_t size) {
  auto value = plist::parse(bytes(data, size), plist::kPreferencesLimits);
  if (!value || !value->isDictionary()) return 0;
  for (const auto& [key, v] : *value->dictionary()) touchValues(v);
  // The pane rewrites what it read plus one key: the tweak must read that back.
  plist::Dictionary written = *value->dictionary();
  written["isEnabled"] = true;
  for (auto format : {plist::Format::Xml, plist::Format::Binary}) {
    auto again = plist::parse(plist::serialize(plist::Value(written), format), plist::kResourceLimits);
    if (!again || !again->isDictionary() || !(*again)["isEnabled"].boolValue()) std::abort();
  }
  return 0;
}

int specifierList(const uint8_t* data, size_t size) {
  auto value = plist::parse(bytes(data, size));
  if (!value || !value->isDictionary()) return 0;
  const auto& items = (*value)["items"];
  if (!items.isArray()) return 0;
  for (const auto& item : *items.array()) {
    if (!item.isDictionary()) continue;
    auto specifier = PSSpecifier::specifierWithDictionary(*item.dictionary(), nullptr);
    if (!specifier) continue;
    (void)specifier->key();
    touchValues(specifier->propertyForKey("default"));
    touchValues(specifier->propertyForKey("min"));
    touchValues(specifier->propertyForKey("max"));
  }
  return 0;
}

int stringsTable(const uint8_t* data, size_t size) {
  auto table = NSBundle::parseStringsTable(std::vector<uint8_t>(data, data + size));
  for (const auto& [key, text] : table) (void)key.size(), (void)text.size();
  return 0;
}

}  // namespace fuzz_entry
