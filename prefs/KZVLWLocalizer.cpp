#include "prefs/KZVLWLocalizer.hpp"

#include "platform/dispatch/Dispatch.hpp"

VW_DEFINE_CLASS(KZVLWLocalizer, ReflectiveObject, factoryOf<KZVLWLocalizer>())

NSBundleRef KZVLWLocalizer::localizationBundle() const { return NSBundle::bundleWithPath(kBundlePath); }

std::string KZVLWLocalizer::localizedStringForKey(const std::string& key, const std::optional<std::string>& table) const {
  auto bundle = localizationBundle();
  // Without the bundle there is nothing to translate with: the text stays as it is.
  if (!bundle) return key;
  return bundle->localizedStringForKey(key, "", table);
}

std::string KZVLWLocalizer::localizedStringForKey(const std::string& key) const {
  return localizedStringForKey(key, std::nullopt);
}

void KZVLWLocalizer::loadLocalizedSpecifiersForSpecifiers(const PSSpecifierArray& specifiers, PSSpecifierArray* out) const {
  if (out) *out = localizedSpecifiersForSpecifiers(specifiers);
}

std::optional<PSTitleDictionary> KZVLWLocalizer::translated(const std::optional<PSTitleDictionary>& titles,
                                                            const std::optional<std::string>& table) const {
  if (!titles) return std::nullopt;
  PSTitleDictionary out;
  for (const auto& [value, title] : *titles) {
    // Titles that are not strings have no translation and stay as they are.
    if (auto s = title.string())
      out.emplace_back(value, plist::Value(localizedStringForKey(*s, table)));
    else
      out.emplace_back(value, title);
  }
  return out;
}

PSSpecifierArray KZVLWLocalizer::localizedSpecifiersForSpecifiers(const PSSpecifierArray& specifiers,
                                                                  const std::optional<std::string>& table) const {
  if (!specifiers) return specifiers;
  for (const auto& s : *specifiers) {
    if (!s) continue;
    if (s->name()) s->setName(localizedStringForKey(*s->name(), table));
    const auto& footer = s->propertyForKey("footerText");
    if (auto text = footer.string()) s->setProperty(plist::Value(localizedStringForKey(*text, table)), "footerText");
    if (s->titleDictionary()) s->setTitleDictionary(translated(s->titleDictionary(), table));
    if (s->shortTitleDictionary()) s->setShortTitleDictionary(translated(s->shortTitleDictionary(), table));
  }
  return specifiers;
}

PSSpecifierArray KZVLWLocalizer::localizedSpecifiersForSpecifiers(const PSSpecifierArray& specifiers) const {
  return localizedSpecifiersForSpecifiers(specifiers, std::nullopt);
}

std::shared_ptr<KZVLWLocalizer> KZVLWLocalizer::sharedLocalizer() {
  static dispatch_once_t once;
  static std::shared_ptr<KZVLWLocalizer>* shared = nullptr;  // never released
  dispatch_once(&once, [] {
    shared = new std::shared_ptr<KZVLWLocalizer>(std::static_pointer_cast<KZVLWLocalizer>(staticClassInfo().instantiate()));
  });
  return *shared;
}
