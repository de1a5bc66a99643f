#include "platform/preferences/PSSpecifier.hpp"

#include <map>

VW_DEFINE_CLASS(PSSpecifier, ReflectiveObject, factoryOf<PSSpecifier>())

namespace {

std::optional<std::string> stringProperty(const plist::Dictionary& d, const std::string& key) {
  auto it = d.find(key);
  if (it == d.end() || !it->second.isString()) return std::nullopt;
  return *it->second.string();
}

std::optional<PSTitleDictionary> titlesFor(const plist::Array& values, const plist::Value& titles) {
  if (!titles.isArray()) return std::nullopt;
  PSTitleDictionary out;
  const auto& list = *titles.array();
  // Pairs up values and titles; extra entries of either list are left out.
  for (size_t i = 0; i < values.size() && i < list.size(); ++i) {
    bool seen = false;
    for (auto& [v, t] : out) seen = seen || v == values[i];
    if (!seen) out.emplace_back(values[i], list[i]);
  }
  return out;
}

}  // namespace

std::optional<PSCellType> PSSpecifier::cellTypeFromString(const std::string& name) {
  static const std::map<std::string, PSCellType> types = {
      {"PSGroupCell", PSGroupCell},           {"PSLinkCell", PSLinkCell},
      {"PSLinkListCell", PSLinkListCell},     {"PSListItemCell", PSListItemCell},
      {"PSTitleValueCell", PSTitleValueCell}, {"PSSliderCell", PSSliderCell},
      {"PSSwitchCell", PSSwitchCell},         {"PSStaticTextCell", PSStaticTextCell},
      {"PSEditTextCell", PSEditTextCell},     {"PSSegmentCell", PSSegmentCell},
      {"PSButtonCell", PSButtonCell},
  };
  auto it = types.find(name);
  if (it == types.end()) return std::nullopt;
  return it->second;
}

PSSpecifierRef PSSpecifier::specifierWithDictionary(const plist::Dictionary& item, const ReflectiveObjectRef& target) {
  auto s = std::make_shared<PSSpecifier>();
  s->properties_ = item;
  if (auto cell = stringProperty(item, "cell")) s->cellType_ = cellTypeFromString(*cell).value_or(PSStaticTextCell);
  s->name_ = stringProperty(item, "label");
  s->target_ = target;
  if (auto it = item.find("validValues"); it != item.end() && it->second.isArray()) s->values_ = *it->second.array();
  if (auto it = item.find("validTitles"); it != item.end()) s->titles_ = titlesFor(s->values_, it->second);
  if (auto it = item.find("shortTitles"); it != item.end()) s->shortTitles_ = titlesFor(s->values_, it->second);
  return s;
}

const plist::Value& PSSpecifier::propertyForKey(const std::string& key) const {
  auto it = properties_.find(key);
  return it == properties_.end() ? plist::nilValue() : it->second;
}

void PSSpecifier::setProperty(const plist::Value& value, const std::string& key) {
  if (value.isNil())
    properties_.erase(key);
  else
    properties_[key] = value;
}

bool PSSpecifier::hasValue() const {
  switch (cellType_) {
    case PSSwitchCell:
    case PSSliderCell:
    case PSSegmentCell:
    case PSLinkListCell:
    case PSEditTextCell:
    case PSTitleValueCell:
      return true;
    default:
      return false;
  }
}

std::optional<std::string> PSSpecifier::cellClassName() const { return stringProperty(properties_, "cellClass"); }
std::optional<std::string> PSSpecifier::detailControllerClassName() const { return stringProperty(properties_, "detail"); }
std::optional<std::string> PSSpecifier::action() const { return stringProperty(properties_, "action"); }
std::optional<std::string> PSSpecifier::key() const { return stringProperty(properties_, "key"); }

std::optional<std::string> PSSpecifier::titleForValue(const plist::Value& value) const {
  if (!titles_) return std::nullopt;
  for (const auto& [v, t] : *titles_)
    if (v == value || (v.isNumber() && value.isNumber() && v.doubleValue() == value.doubleValue()))
      return t.isString() ? std::optional<std::string>(*t.string()) : std::nullopt;
  return std::nullopt;
}
