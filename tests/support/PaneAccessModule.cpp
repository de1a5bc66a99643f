// Built as a module of its own and loaded after the pane bundle (see PaneAccess.hpp): the
// pane's symbols it uses are left for the dynamic linker to find in the loaded VLW.so.
#include <stdexcept>

#include "prefs/KZVLWCustomHeaderView.hpp"
#include "prefs/KZVLWDeveloperTableCell.hpp"
#include "prefs/KZVLWLocalizer.hpp"
#include "tests/support/PaneAccess.hpp"

namespace {

template <class C, class Base>
C& as(Base& object) {
  auto* typed = dynamic_cast<C*>(&object);
  if (!typed)
    throw std::invalid_argument("not a " + std::string(C::staticClassInfo().name) + ": " + std::string(object.className()));
  return *typed;
}

class Access final : public test_support::PaneAccess {
 public:
  ReflectiveObjectRef sharedLocalizer() const override { return KZVLWLocalizer::sharedLocalizer(); }
  std::string localizedStringForKey(const ReflectiveObject& localizer, const std::string& key) const override {
    return as<const KZVLWLocalizer>(localizer).localizedStringForKey(key);
  }
  PSSpecifierArray localizedSpecifiersForSpecifiers(const ReflectiveObject& localizer,
                                                    const PSSpecifierArray& specifiers) const override {
    return as<const KZVLWLocalizer>(localizer).localizedSpecifiersForSpecifiers(specifiers);
  }
  std::vector<std::string> randomTexts(const UIView& header) const override {
    return as<const KZVLWCustomHeaderView>(header).randomTexts();
  }
  PSTableCellRef initWithDevName(PSTableCell& cell, const std::optional<std::string>& devName,
                                 const std::optional<std::string>& realName, const std::optional<std::string>& jobSubtitle,
                                 const UIImageRef& devImage) const override {
    return as<KZVLWDeveloperTableCell>(cell).initWithDevName(devName, realName, jobSubtitle, devImage);
  }
};

}  // namespace

extern "C" const test_support::PaneAccess* velloway_pane_access() {
  static const Access access;
  return &access;
}
