// Preferences stand-in: the cell of a row.
// Implements: creation from a specifier (initWithStyle:reuseIdentifier:specifier:, after the
// toolkit's two-step creation), the specifier it shows, the title label (the row's name), the
// look of each row type (a disclosure indicator on links, the current value's title on list
// rows, the tint colour on buttons), showing a value, and handing a value the user chose to the
// row's target (its page's setPreferenceValue:specifier:). The default cell class of each row
// type.
// Leaves out: icons, badges, edit-text fields, selection highlighting.
#pragma once

#include "platform/plist/PropertyList.hpp"
#include "platform/preferences/PSSpecifier.hpp"
#include "platform/uikit/UITableViewCell.hpp"

class PSTableCell : public UITableViewCell {
  VW_DECLARE_CLASS()
 public:
  using UITableViewCell::initWithStyle;
  // initWithStyle:reuseIdentifier:specifier: — answers this cell, or null.
  virtual std::shared_ptr<PSTableCell> initWithStyle(long style, std::optional<std::string> reuseIdentifier,
                                                     const PSSpecifierRef& specifier);

  std::shared_ptr<PSTableCell> psSelf() { return std::static_pointer_cast<PSTableCell>(shared_from_this()); }

  const PSSpecifierRef& specifier() const { return specifier_; }
  void setSpecifier(const PSSpecifierRef& specifier) { specifier_ = specifier; }
  // The label of the row's title (the toolkit's text label).
  UILabelRef titleLabel() const { return textLabel(); }

  // Shows the specifier's name and the look of its type.
  virtual void refreshCellContentsWithSpecifier(const PSSpecifierRef& specifier);
  // Shows a row's value (what readPreferenceValue: answered).
  virtual void setValue(const plist::Value& value);

  // The framework's cell class for a row type.
  static const ClassInfo& defaultCellClassForType(PSCellType type);

 protected:
  // Hands a value the user chose to the row's target; false when the target is gone or is
  // not a page.
  bool storeValueChosenByUser(const plist::Value& value);

 private:
  PSSpecifierRef specifier_;
};
using PSTableCellRef = std::shared_ptr<PSTableCell>;
