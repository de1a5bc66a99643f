// The pane's shared localizer: translates single texts and, in place, the texts of a page's
// rows (names, footer texts, list titles) through the strings tables of the pane bundle.
#pragma once

#include <optional>
#include <string>

#include "platform/foundation/NSBundle.hpp"
#include "platform/preferences/PSSpecifier.hpp"

class KZVLWLocalizer : public ReflectiveObject {
  VW_DECLARE_CLASS()
 public:
  static constexpr const char* kBundlePath = "/Library/PreferenceBundles/VLW.bundle";

  // The pane bundle, obtained anew on every call (the platform answers the same object).
  NSBundleRef localizationBundle() const;
  // The translation of key in table (nullopt: the default table); the key itself when no
  // table holds it.
  std::string localizedStringForKey(const std::string& key, const std::optional<std::string>& table) const;
  std::string localizedStringForKey(const std::string& key) const;
  // Stores localizedSpecifiersForSpecifiers: of the specifiers into *out.
  void loadLocalizedSpecifiersForSpecifiers(const PSSpecifierArray& specifiers, PSSpecifierArray* out) const;
  // Translates each specifier's name, "footerText" and title dictionaries in place; answers the
  // same array.
  PSSpecifierArray localizedSpecifiersForSpecifiers(const PSSpecifierArray& specifiers,
                                                    const std::optional<std::string>& table) const;
  PSSpecifierArray localizedSpecifiersForSpecifiers(const PSSpecifierArray& specifiers) const;

  static std::shared_ptr<KZVLWLocalizer> sharedLocalizer();

 private:
  std::optional<PSTitleDictionary> translated(const std::optional<PSTitleDictionary>& titles,
                                              const std::optional<std::string>& table) const;
};
