// UIKit stand-in: table cells.
// Implements: two-step creation as in UIKit (make the object, then initWithStyle:reuseIdentifier:
// or initWithFrame:, either of which may answer null), the content view, the text label, the
// detail text label (value style 1 shows it at the right), the image view (made on first use,
// as UIKit does: at the left, at its image's size, the text label after it), an accessory view
// or an accessory type (disclosure indicator, checkmark) at the right, the table view the cell
// is in, and the placement of these parts by layoutSubviews.
// Leaves out: selection and highlight states, editing, separators, reuse queues.
#pragma once

#include <optional>
#include <string>

#include "platform/uikit/UIImageView.hpp"
#include "platform/uikit/UILabel.hpp"
#include "platform/uikit/UIView.hpp"

class UITableView;

enum UITableViewCellStyle : long { UITableViewCellStyleDefault = 0, UITableViewCellStyleValue1 = 1 };
enum UITableViewCellAccessoryType : long {
  UITableViewCellAccessoryNone = 0,
  UITableViewCellAccessoryDisclosureIndicator = 1,
  UITableViewCellAccessoryCheckmark = 3,
};

class UITableViewCell : public UIView {
  VW_DECLARE_CLASS()
 public:
  UITableViewCell() = default;

  // initWithStyle:reuseIdentifier: — builds the parts; answers this cell.
  virtual std::shared_ptr<UITableViewCell> initWithStyle(long style, std::optional<std::string> reuseIdentifier);
  // initWithFrame: — the default style, no reuse identifier, the given frame.
  virtual std::shared_ptr<UITableViewCell> initWithFrame(CGRect frame);

  std::shared_ptr<UITableViewCell> cellSelf() { return std::static_pointer_cast<UITableViewCell>(shared_from_this()); }

  long style() const { return style_; }
  const std::optional<std::string>& reuseIdentifier() const { return reuseIdentifier_; }
  const UIViewRef& contentView() const { return contentView_; }
  const UILabelRef& textLabel() const { return textLabel_; }
  const UILabelRef& detailTextLabel() const { return detailTextLabel_; }
  // Made and put into the content view on first use; until then the cell has none.
  const UIImageViewRef& imageView();
  const UIViewRef& accessoryView() const { return accessoryView_; }
  void setAccessoryView(UIViewRef view);
  long accessoryType() const { return accessoryType_; }
  void setAccessoryType(long type) { accessoryType_ = type; }

  // The table view the cell is shown in, or null.
  std::shared_ptr<UITableView> tableView() const { return tableView_.lock(); }
  void setTableView(const std::shared_ptr<UITableView>& table) { tableView_ = table; }

  void setFrame(CGRect frame) override;
  void layoutSubviews() override;

 protected:
  void describe(nlohmann::json& out, const Annotator& annotate) const override;

 private:
  long style_ = UITableViewCellStyleDefault;
  std::optional<std::string> reuseIdentifier_;
  UIViewRef contentView_;
  UILabelRef textLabel_;
  UILabelRef detailTextLabel_;
  UIImageViewRef imageView_;
  UIViewRef accessoryView_;
  long accessoryType_ = UITableViewCellAccessoryNone;
  std::weak_ptr<UITableView> tableView_;
};
using UITableViewCellRef = std::shared_ptr<UITableViewCell>;

// A table header or footer made by the table itself for a title.
class UITableViewHeaderFooterView : public UIView {
  VW_DECLARE_CLASS()
 public:
  UITableViewHeaderFooterView();
  const UILabelRef& textLabel() const { return textLabel_; }
  bool isFooter = false;  // a footer's text sits at the top, a header's at the bottom
  // Height the title needs at a width.
  double heightForWidth(double width) const;
  void layoutSubviews() override;

 private:
  UILabelRef textLabel_;
};
