// Preferences stand-in: a page of rows.
// Implements: the page's rows in _specifiers (filled by the page's specifiers), rows loaded from
// a specifier list of the bundle that holds the page's class (loadSpecifiersFromPlistName:target:,
// a property list whose "items" array holds one dictionary per row; a missing, malformed or
// wrongly shaped list gives no rows, an item that is not a dictionary is skipped), a table view
// as the page's view with one section per group row, each row's cell made from its cell class
// ("cellClass" names a PSTableCell subclass in the class registry; an unknown name, or a cell
// that fails to initialise, falls back to the framework's cell for the row type), the values of
// value rows asked from readPreferenceValue: and a user's change handed to
// setPreferenceValue:specifier:, reloadSpecifier:, and taps: a link row pushes the page named
// by "detail" (a PSListController subclass found by name; an unknown name gives a plain
// PSListController), a list row pushes the list of its titles, a button row sends its "action"
// to its target. The framework's own value store (used when a page does not override the two
// value methods) is the row's "defaults" domain: see PSRootController.
// Leaves out: searching, editing rows, specifier insertion and removal animations, bundle
// controllers, the "set"/"get" selectors of a row, icons.
#pragma once

#include "platform/foundation/NSBundle.hpp"
#include "platform/preferences/PSSpecifier.hpp"
#include "platform/preferences/PSTableCell.hpp"
#include "platform/uikit/UITableView.hpp"
#include "platform/uikit/UIViewController.hpp"

class PSListController : public UIViewController, public UITableViewDataSource, public UITableViewDelegate {
  VW_DECLARE_CLASS()
 public:
  PSListController() = default;

  std::shared_ptr<PSListController> listSelf() { return std::static_pointer_cast<PSListController>(shared_from_this()); }

  // The page's rows; the framework asks for them whenever it builds the table. This base
  // answers _specifiers (an empty array when unset).
  virtual PSSpecifierArray specifiers();
  // The rows of the bundle's specifier list of that name, each with the target.
  PSSpecifierArray loadSpecifiersFromPlistName(const std::string& plistName, const ReflectiveObjectRef& target);
  // The bundle that holds the page's class (overridable for pages built into a host).
  virtual NSBundleRef bundle() const;

  // The value shown for a value row; by default the framework's store (see PSRootController).
  virtual plist::Value readPreferenceValue(const PSSpecifierRef& specifier);
  // Stores a value the user chose; by default in the framework's store.
  virtual void setPreferenceValue(const plist::Value& value, const PSSpecifierRef& specifier);

  // Asks again for the row's value and redraws it.
  void reloadSpecifier(const PSSpecifierRef& specifier);
  // Rebuilds the table from specifiers().
  void reloadSpecifiers();

  // The specifier that opened this page (a link row of its parent), and the parent page.
  const PSSpecifierRef& specifier() const { return specifier_; }
  // Also takes the row's name as the page's title.
  void setSpecifier(const PSSpecifierRef& specifier);
  std::shared_ptr<PSListController> parentController() const { return parent_.lock(); }
  void setParentController(const std::shared_ptr<PSListController>& parent) { parent_ = parent; }

  const UITableViewRef& table() const { return table_; }
  // The rows of each section as shown (groups excluded), and each section's group row.
  const std::vector<std::vector<PSSpecifierRef>>& sectionRows() const { return rows_; }
  PSSpecifierRef groupSpecifierForSection(long section) const;
  std::optional<NSIndexPath> indexPathForSpecifier(const PSSpecifierRef& specifier) const;
  PSSpecifierRef specifierAtIndexPath(NSIndexPath indexPath) const;
  // The first row (of specifiers()) with that "key", or null.
  PSSpecifierRef specifierForKey(const std::string& key);

  // Pushes a page on this page's navigation controller.
  void pushController(const UIViewControllerRef& controller, bool animated = true);

  void loadView() override;
  void viewWillAppear(bool animated) override;

  // Table data source and delegate.
  long numberOfSectionsInTableView(UITableView& tableView) override;
  long tableViewNumberOfRowsInSection(UITableView& tableView, long section) override;
  UITableViewCellRef tableViewCellForRowAtIndexPath(UITableView& tableView, NSIndexPath indexPath) override;
  std::optional<std::string> tableViewTitleForHeaderInSection(UITableView& tableView, long section) override;
  std::optional<std::string> tableViewTitleForFooterInSection(UITableView& tableView, long section) override;
  double tableViewHeightForRowAtIndexPath(UITableView& tableView, NSIndexPath indexPath) override;
  void tableViewDidSelectRowAtIndexPath(UITableView& tableView, NSIndexPath indexPath) override;

 protected:
  PSSpecifierArray _specifiers;

 private:
  void buildSections();
  PSTableCellRef makeCell(const PSSpecifierRef& specifier);

  UITableViewRef table_;
  PSSpecifierRef specifier_;
  std::weak_ptr<PSListController> parent_;
  std::vector<PSSpecifierRef> groups_;             // one per section (null: rows before any group)
  std::vector<std::vector<PSSpecifierRef>> rows_;  // per section
};
using PSListControllerRef = std::shared_ptr<PSListController>;
