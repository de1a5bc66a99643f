// Preferences stand-in: the cell of a switch row.
// Implements: a switch as the cell's accessory showing the row's value (boolValue); a user's
// toggle hands the new boolean to the row's page.
// Leaves out: alternate colours, disabled rows.
#pragma once

#include "platform/preferences/PSTableCell.hpp"
#include "platform/uikit/UISwitch.hpp"

class PSSwitchTableCell : public PSTableCell {
  VW_DECLARE_CLASS()
 public:
  using PSTableCell::initWithStyle;
  std::shared_ptr<PSTableCell> initWithStyle(long style, std::optional<std::string> reuseIdentifier,
                                             const PSSpecifierRef& specifier) override;
  const UISwitchRef& control() const { return switch_; }
  void setValue(const plist::Value& value) override;
  // The switch's value-changed action.
  void controlChanged(const ReflectiveObjectRef& sender);

 private:
  UISwitchRef switch_;
};
