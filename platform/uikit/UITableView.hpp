// UIKit stand-in: table views.
// Implements: plain and grouped tables that ask their data source for sections, rows, cells
// and section titles and their delegate for section header views, header heights (-1, the
// automatic dimension, gives the table's default), row heights and row selection;
// reloadData, reloading single rows, the cell at an index path; every cell, header and footer
// is a subview placed one below the other (so the view tree shows real positions); when the
// table is in a window, new cells get their appearance settings and a layout pass.
// Leaves out: scrolling and cell reuse (every row has its cell), editing, index titles,
// estimated heights, separators, custom footer views.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/uikit/UITableViewCell.hpp"

struct NSIndexPath {
  long section = 0;
  long row = 0;
  bool operator==(const NSIndexPath&) const = default;
};

constexpr double UITableViewAutomaticDimension = -1;
enum UITableViewStyle : long { UITableViewStylePlain = 0, UITableViewStyleGrouped = 1 };

class UITableView;

class UITableViewDataSource {
 public:
  virtual ~UITableViewDataSource() = default;
  virtual long numberOfSectionsInTableView(UITableView& tableView) = 0;
  virtual long tableViewNumberOfRowsInSection(UITableView& tableView, long section) = 0;
  virtual UITableViewCellRef tableViewCellForRowAtIndexPath(UITableView& tableView, NSIndexPath indexPath) = 0;
  virtual std::optional<std::string> tableViewTitleForHeaderInSection(UITableView&, long) { return std::nullopt; }
  virtual std::optional<std::string> tableViewTitleForFooterInSection(UITableView&, long) { return std::nullopt; }
};

class UITableViewDelegate {
 public:
  virtual ~UITableViewDelegate() = default;
  virtual UIViewRef tableViewViewForHeaderInSection(UITableView&, long) { return nullptr; }
  virtual double tableViewHeightForHeaderInSection(UITableView&, long) { return UITableViewAutomaticDimension; }
  virtual double tableViewHeightForRowAtIndexPath(UITableView&, NSIndexPath) { return UITableViewAutomaticDimension; }
  virtual void tableViewDidSelectRowAtIndexPath(UITableView&, NSIndexPath) {}
};

class UITableView : public UIView {
  VW_DECLARE_CLASS()
 public:
  UITableView(CGRect frame, long style) : UIView(frame), style_(style) {}
  UITableView() = default;

  long style() const { return style_; }
  static constexpr double kDefaultRowHeight = 44;

  // The objects must also be a UITableViewDataSource / UITableViewDelegate; not retained.
  void setDataSource(const ReflectiveObjectRef& dataSource) { dataSource_ = dataSource; }
  void setDelegate(const ReflectiveObjectRef& delegate) { delegate_ = delegate; }
  ReflectiveObjectRef delegate() const { return delegate_.lock(); }

  void reloadData();
  bool hasLoadedData() const { return loaded_; }
  void reloadRowsAtIndexPaths(const std::vector<NSIndexPath>& indexPaths);

  long numberOfSections() const { return static_cast<long>(sections_.size()); }
  long numberOfRowsInSection(long section) const;
  UITableViewCellRef cellForRowAtIndexPath(NSIndexPath indexPath) const;
  std::optional<NSIndexPath> indexPathForCell(const UITableViewCell& cell) const;

  // What the delegate answered for the section's header height, the section's titles, and the
  // header view the table shows (the delegate's, or one made for the title).
  double askedHeaderHeightForSection(long section) const;
  std::optional<std::string> headerTitleForSection(long section) const;
  std::optional<std::string> footerTitleForSection(long section) const;
  UIViewRef headerViewForSection(long section) const;

  // What a user's tap on a row does: the delegate's tableView:didSelectRowAtIndexPath:.
  bool selectRowByUser(NSIndexPath indexPath);

  // Places sections, headers, cells and footers one below the other.
  void layoutSubviews() override;

 private:
  struct Section {
    UIViewRef customHeader;
    double askedHeaderHeight = UITableViewAutomaticDimension;
    std::optional<std::string> headerTitle, footerTitle;
    UIViewRef header, footer;
    std::vector<UITableViewCellRef> cells;
    std::vector<double> rowHeights;
  };
  UITableViewDataSource* source() const;
  UITableViewDelegate* tableDelegate() const;
  UITableViewCellRef makeCell(NSIndexPath indexPath);
  void displayChanged(UIView& changed);

  long style_ = UITableViewStyleGrouped;
  std::weak_ptr<ReflectiveObject> dataSource_, delegate_;
  std::vector<Section> sections_;
  bool loaded_ = false;
};
using UITableViewRef = std::shared_ptr<UITableView>;
