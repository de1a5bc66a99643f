#include "prefs/KZVLWSliderCell.hpp"

#include <fmt/format.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "platform/foundation/NSUserDefaults.hpp"
#include "platform/preferences/PSListController.hpp"
#include "platform/preferences/PSRootController.hpp"
#include "platform/uikit/UITableView.hpp"

VW_DEFINE_CLASS(KZVLWSliderCell, PSSliderTableCell, factoryOf<KZVLWSliderCell>(),
                {{"presentPopup", selectorOf(&KZVLWSliderCell::presentPopup)}})

namespace {

// A float-to-int conversion as the phone's processor does it: toward zero, saturating at the
// ends of the range, NaN as 0 (a plain cast would be undefined for the far ends).
int32_t truncateToInt32(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (v <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v);
}

}  // namespace

std::shared_ptr<PSTableCell> KZVLWSliderCell::initWithStyle(long, std::optional<std::string> reuseIdentifier,
                                                            const PSSpecifierRef& specifier) {
  if (!PSSliderTableCell::initWithStyle(UITableViewCellStyleDefault, std::move(reuseIdentifier), specifier)) return nullptr;
  const CGRect frame = this->frame();
  auto strip = UIButton::buttonWithType(UIButtonTypeRoundedRect);
  strip->setFrame(CGRect{{frame.size.width - kEntryStripWidth, 0}, {kEntryStripWidth, frame.size.height}});
  strip->setAutoresizingMask(UIViewAutoresizingFlexibleLeftMargin);  // stays at the right end
  strip->setTitle("", 0);
  strip->addTarget(shared_from_this(), "presentPopup", UIControlEventTouchUpInside);
  addSubview(strip);  // over the content view, so it takes the touches there
  return psSelf();
}

void KZVLWSliderCell::presentPopup() {
  const auto& row = specifier();
  std::optional<std::string> title = row ? row->name() : std::nullopt;
  maximumValue = row ? row->propertyForKey("max").floatValue() : 0.0f;
  minimumValue = row ? row->propertyForKey("min").floatValue() : 0.0f;
  std::string message =
      fmt::format("Please enter a value between {} and {}.", truncateToInt32(minimumValue), truncateToInt32(maximumValue));
  auto self = std::dynamic_pointer_cast<UIAlertViewDelegate>(shared_from_this());
  auto alert = std::make_shared<UIAlertView>(title, message, self, "Cancel", std::vector<std::string>{"Enter"});
  alert->setAlertViewStyle(UIAlertViewStylePlainTextInput);
  alert->setTag(kEntryAlertTag);
  alert->show();
  if (auto field = alert->textFieldAtIndex(0)) {
    field->delegate = std::dynamic_pointer_cast<UITextFieldDelegate>(shared_from_this());
    field->resignFirstResponder();
    field->keyboardType = 8;  // decimal pad
    field->becomeFirstResponder();
  }
}

void KZVLWSliderCell::alertViewClickedButtonAtIndex(UIAlertView& alert, long buttonIndex) {
  if (alert.tag() == kEntryAlertTag && buttonIndex == 1) {
    auto field = alert.textFieldAtIndex(0);
    const float v = static_cast<float>(plist::parseLeadingNumber(field ? field->text : std::string()));
    const double typed = v;
    if (typed > maximumValue || !(typed >= minimumValue)) {
      auto self = std::dynamic_pointer_cast<UIAlertViewDelegate>(shared_from_this());
      auto error =
          std::make_shared<UIAlertView>("Error", "Ensure you entered a valid value.", self, "OK", std::vector<std::string>{});
      error->setTag(kErrorAlertTag);
      error->show();
      return;
    }
    PSRootController::setPreferenceValue(plist::Value(static_cast<int64_t>(truncateToInt32(typed))), specifier());
    NSUserDefaults::standardUserDefaults()->synchronize();
    if (auto table = tableView())
      if (auto page = std::dynamic_pointer_cast<PSListController>(table->delegate())) page->reloadSpecifier(specifier());
  } else if (alert.tag() == kErrorAlertTag) {
    presentPopup();
  }
}
