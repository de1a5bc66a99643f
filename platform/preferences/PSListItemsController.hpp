// Preferences stand-in: the page of a list row's choices.
// Implements: one row per value of the list row, titled from its title dictionary, a
// checkmark on the stored value; choosing a row hands its value to the list row's page
// (setPreferenceValue:specifier:) and has that page redraw the list row.
// Leaves out: static-text footers per item, "staticTextMessage", dynamic value sources.
#pragma once

#include "platform/preferences/PSListController.hpp"

class PSListItemsController : public PSListController {
  VW_DECLARE_CLASS()
 public:
  PSSpecifierArray specifiers() override;
  UITableViewCellRef tableViewCellForRowAtIndexPath(UITableView& tableView, NSIndexPath indexPath) override;
  void tableViewDidSelectRowAtIndexPath(UITableView& tableView, NSIndexPath indexPath) override;
  // The value each item row stands for.
  plist::Value valueForItem(const PSSpecifierRef& item) const;
};
