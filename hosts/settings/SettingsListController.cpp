#include "hosts/settings/SettingsListController.hpp"

#include <algorithm>

#include "platform/uikit/UIWindow.hpp"

VW_DEFINE_CLASS(SettingsListController, UIViewController, nullptr)

namespace {

// The side of a row's icon, in points, whatever the size of the image.
constexpr double kIconSide = 29;

// The icon at the size of the Settings app's icons whatever its pixels: the same bitmap at the
// scale that makes its longer side 29 points.
UIImageRef iconOfRowSize(const UIImageRef& icon) {
  const int side = std::max(icon->pixelWidth(), icon->pixelHeight());
  if (side <= 0 || std::max(icon->size().width, icon->size().height) == kIconSide) return icon;
  return std::make_shared<UIImage>(icon->CGImage(), side / kIconSide);
}

}  // namespace

SettingsListController::SettingsListController() { setTitle("Settings"); }

void SettingsListController::reloadEntries() {
  entries_ = installedSettingsEntries();
  if (table_) table_->reloadData();
}

std::optional<size_t> SettingsListController::rowTitled(const std::string& title) const {
  for (size_t i = 0; i < entries_.size(); ++i)
    if (entries_[i].title() == title) return i;
  return std::nullopt;
}

void SettingsListController::loadView() {
  table_ = std::make_shared<UITableView>(UIScreen::mainScreen()->bounds(), UITableViewStyleGrouped);
  table_->setBackgroundColor(UIColor::colorWithRed(239 / 255.0, 239 / 255.0, 244 / 255.0, 1));
  table_->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
  table_->setDataSource(shared_from_this());
  table_->setDelegate(shared_from_this());
  setView(table_);
}

// Each appearance shows the entries installed now.
void SettingsListController::viewWillAppear(bool animated) {
  UIViewController::viewWillAppear(animated);
  reloadEntries();
}

long SettingsListController::numberOfSectionsInTableView(UITableView&) { return entries_.empty() ? 0 : 1; }

long SettingsListController::tableViewNumberOfRowsInSection(UITableView&, long) { return static_cast<long>(entries_.size()); }

UITableViewCellRef SettingsListController::tableViewCellForRowAtIndexPath(UITableView&, NSIndexPath indexPath) {
  if (indexPath.row < 0 || static_cast<size_t>(indexPath.row) >= entries_.size()) return nullptr;
  const SettingsEntry& entry = entries_[static_cast<size_t>(indexPath.row)];
  auto cell = std::make_shared<UITableViewCell>()->initWithStyle(UITableViewCellStyleDefault, "SettingsEntry");
  if (!cell) return nullptr;
  cell->textLabel()->setText(entry.title());
  cell->setAccessoryType(UITableViewCellAccessoryDisclosureIndicator);
  if (entry.icon) cell->imageView()->setImage(iconOfRowSize(entry.icon));
  cell->layoutSubviews();
  return cell;
}

void SettingsListController::tableViewDidSelectRowAtIndexPath(UITableView&, NSIndexPath indexPath) {
  if (indexPath.row < 0 || static_cast<size_t>(indexPath.row) >= entries_.size() || !onOpen) return;
  const SettingsEntry entry = entries_[static_cast<size_t>(indexPath.row)];  // opening may reload the list
  onOpen(entry);
}
