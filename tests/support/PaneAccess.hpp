// The few methods of the pane's classes that no platform base class declares, for tests.
// The pane's classes live in VLW.so, which the Settings app loads at run time; the test
// binaries do not link it. A small module (PaneAccessModule.cpp) is compiled against the
// pane's own headers and loaded after the pane, so the dynamic linker binds its calls to the
// loaded pane: the calls are ordinary C++ calls with the declared types, checked by the compiler.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/preferences/PSSpecifier.hpp"
#include "platform/preferences/PSTableCell.hpp"
#include "platform/uikit/UIImage.hpp"
#include "platform/uikit/UIView.hpp"

namespace test_support {

// Each call checks the class of the object it is given and throws std::invalid_argument for
// an object of another class.
class PaneAccess {
 public:
  virtual ~PaneAccess() = default;
  // KZVLWLocalizer
  virtual ReflectiveObjectRef sharedLocalizer() const = 0;
  virtual std::string localizedStringForKey(const ReflectiveObject& localizer, const std::string& key) const = 0;
  virtual PSSpecifierArray localizedSpecifiersForSpecifiers(const ReflectiveObject& localizer,
                                                            const PSSpecifierArray& specifiers) const = 0;
  // KZVLWCustomHeaderView
  virtual std::vector<std::string> randomTexts(const UIView& header) const = 0;
  // KZVLWDeveloperTableCell
  virtual PSTableCellRef initWithDevName(PSTableCell& cell, const std::optional<std::string>& devName,
                                         const std::optional<std::string>& realName,
                                         const std::optional<std::string>& jobSubtitle, const UIImageRef& devImage) const = 0;
};

}  // namespace test_support

// The module's one entry point.
extern "C" const test_support::PaneAccess* velloway_pane_access();
