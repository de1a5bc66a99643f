// Preferences stand-in: the specifier, the framework's object for one row of a page.
// Implements: the row's properties (every entry of its specifier-list item), name, cell type,
// target (not retained), the names of its cell class and detail controller class, the values a
// list or segment row stores with their long and short titles (titleDictionary,
// shortTitleDictionary, in the order of the values), and building a specifier from one item of a
// specifier list.
// Leaves out: setter and getter selectors other than the page's own, edit-text keyboards,
// icons, search keywords.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/ReflectiveObject.hpp"
#include "platform/plist/PropertyList.hpp"

enum PSCellType : long {
  PSGroupCell = 0,
  PSLinkCell = 1,
  PSLinkListCell = 2,
  PSListItemCell = 3,
  PSTitleValueCell = 4,
  PSSliderCell = 5,
  PSSwitchCell = 6,
  PSStaticTextCell = 7,
  PSEditTextCell = 8,
  PSSegmentCell = 9,
  PSButtonCell = 13,
};

// The value of a list row -> its title; ordered as the row's values.
using PSTitleDictionary = std::vector<std::pair<plist::Value, plist::Value>>;

class PSSpecifier;
using PSSpecifierRef = std::shared_ptr<PSSpecifier>;
using PSSpecifierArray = std::shared_ptr<std::vector<PSSpecifierRef>>;

class PSSpecifier : public ReflectiveObject {
  VW_DECLARE_CLASS()
 public:
  // One item of a specifier list ("cell", "label", "key", ...); the target gets the row's
  // values. An unknown or missing "cell" gives a plain static-text row.
  static PSSpecifierRef specifierWithDictionary(const plist::Dictionary& item, const ReflectiveObjectRef& target);
  // The type named by a "cell" entry, or nothing for an unknown name.
  static std::optional<PSCellType> cellTypeFromString(const std::string& name);

  const plist::Dictionary& properties() const { return properties_; }
  const plist::Value& propertyForKey(const std::string& key) const;
  // A nil value removes the property.
  void setProperty(const plist::Value& value, const std::string& key);

  const std::optional<std::string>& name() const { return name_; }
  void setName(std::optional<std::string> name) { name_ = std::move(name); }

  PSCellType cellType() const { return cellType_; }
  // Rows whose value the page reads and stores.
  bool hasValue() const;

  ReflectiveObjectRef target() const { return target_.lock(); }

  // "cellClass", "detail" and "action" entries, or nothing.
  std::optional<std::string> cellClassName() const;
  std::optional<std::string> detailControllerClassName() const;
  std::optional<std::string> action() const;
  std::optional<std::string> key() const;

  // The values a list or segment row stores ("validValues").
  const plist::Array& values() const { return values_; }
  const std::optional<PSTitleDictionary>& titleDictionary() const { return titles_; }
  void setTitleDictionary(std::optional<PSTitleDictionary> titles) { titles_ = std::move(titles); }
  const std::optional<PSTitleDictionary>& shortTitleDictionary() const { return shortTitles_; }
  void setShortTitleDictionary(std::optional<PSTitleDictionary> titles) { shortTitles_ = std::move(titles); }
  // The title shown for a value (from the title dictionary), or nothing.
  std::optional<std::string> titleForValue(const plist::Value& value) const;

 private:
  plist::Dictionary properties_;
  std::optional<std::string> name_;
  PSCellType cellType_ = PSStaticTextCell;
  std::weak_ptr<ReflectiveObject> target_;
  plist::Array values_;
  std::optional<PSTitleDictionary> titles_, shortTitles_;
};
