// The Settings app's first page, "Settings": a grouped table with one row per installed pane
// entry (SettingsEntry.hpp), each showing the entry's icon (29 x 29 points), its label and a
// disclosure chevron, in the order of their titles. A tap on a row asks the app to open that
// entry's pane.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "hosts/settings/SettingsEntry.hpp"
#include "platform/uikit/UITableView.hpp"
#include "platform/uikit/UIViewController.hpp"

class SettingsListController : public UIViewController, public UITableViewDataSource, public UITableViewDelegate {
  VW_DECLARE_CLASS()
 public:
  SettingsListController();

  // Reads the installed entries anew and reloads the table (done each time the page appears).
  void reloadEntries();
  const std::vector<SettingsEntry>& entries() const { return entries_; }
  // The row showing that title, or nothing.
  std::optional<size_t> rowTitled(const std::string& title) const;
  const UITableViewRef& table() const { return table_; }

  // What a tap on a row does: the app opens the entry's pane.
  std::function<void(const SettingsEntry&)> onOpen;

  void loadView() override;
  void viewWillAppear(bool animated) override;

  long numberOfSectionsInTableView(UITableView&) override;
  long tableViewNumberOfRowsInSection(UITableView&, long section) override;
  UITableViewCellRef tableViewCellForRowAtIndexPath(UITableView&, NSIndexPath indexPath) override;
  void tableViewDidSelectRowAtIndexPath(UITableView&, NSIndexPath indexPath) override;

 private:
  std::vector<SettingsEntry> entries_;
  UITableViewRef table_;
};
using SettingsListControllerRef = std::shared_ptr<SettingsListController>;
