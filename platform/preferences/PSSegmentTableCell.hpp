// Preferences stand-in: the cell of a segment row.
// Implements: a segmented control across the row with one segment per value of the row, titled
// from its title dictionary (the value itself when it has no title), showing the segment of the
// row's value; a user's choice hands that segment's value to the row's page.
// Leaves out: image segments, short titles on narrow screens.
#pragma once

#include "platform/preferences/PSTableCell.hpp"
#include "platform/uikit/UISegmentedControl.hpp"

class PSSegmentTableCell : public PSTableCell {
  VW_DECLARE_CLASS()
 public:
  using PSTableCell::initWithStyle;
  std::shared_ptr<PSTableCell> initWithStyle(long style, std::optional<std::string> reuseIdentifier,
                                             const PSSpecifierRef& specifier) override;
  const UISegmentedControlRef& control() const { return segments_; }
  void setValue(const plist::Value& value) override;
  // The segments take the whole row: no title is shown.
  void refreshCellContentsWithSpecifier(const PSSpecifierRef& specifier) override;
  void layoutSubviews() override;
  void controlChanged(const ReflectiveObjectRef& sender);

 private:
  UISegmentedControlRef segments_;
  plist::Array values_;
};
