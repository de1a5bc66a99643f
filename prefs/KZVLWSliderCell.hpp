// The cell of the pane's slider rows: the framework's slider, plus an invisible 50-point strip
// at the right-hand end of the row. Touching the strip opens an alert in which the user types
// an exact value; a value within the row's "min" and "max" (both inclusive) is stored as a
// whole number through the framework's store and the row is reloaded; anything else brings an
// error alert, then the entry alert again.
#pragma once

#include "platform/preferences/PSSliderTableCell.hpp"
#include "platform/uikit/UIAlertView.hpp"

// It adopts the text field protocol for the entry alert's field but implements none of its
// operations (each answers yes).
class KZVLWSliderCell : public PSSliderTableCell, public UIAlertViewDelegate, public UITextFieldDelegate {
  VW_DECLARE_CLASS()
 public:
  static constexpr long kEntryAlertTag = 342879;
  static constexpr long kErrorAlertTag = 85230234;
  static constexpr double kEntryStripWidth = 50;

  using PSSliderTableCell::initWithStyle;
  // Always builds the default style; adds the value-entry strip over the row's right end.
  std::shared_ptr<PSTableCell> initWithStyle(long style, std::optional<std::string> reuseIdentifier,
                                             const PSSpecifierRef& specifier) override;
  // The strip's action: reads the bounds afresh and shows the entry alert.
  void presentPopup();
  void alertViewClickedButtonAtIndex(UIAlertView& alert, long buttonIndex) override;

 private:
  // The bounds read when the entry alert was last shown (0 before that); CGFloat.
  double minimumValue = 0;
  double maximumValue = 0;
};
