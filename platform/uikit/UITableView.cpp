#include "platform/uikit/UITableView.hpp"

#include "platform/uikit/LayoutSolver.hpp"
#include "platform/uikit/UIAppearance.hpp"
#include "platform/uikit/UIWindow.hpp"

VW_DEFINE_CLASS(UITableView, UIView, factoryOf<UITableView>())

namespace {
constexpr double kFirstSectionSpacing = 35;
constexpr double kSectionSpacing = 18;
}  // namespace

UITableViewDataSource* UITableView::source() const { return dynamic_cast<UITableViewDataSource*>(dataSource_.lock().get()); }
UITableViewDelegate* UITableView::tableDelegate() const { return dynamic_cast<UITableViewDelegate*>(delegate_.lock().get()); }

UITableViewCellRef UITableView::makeCell(NSIndexPath indexPath) {
  auto keepSource = dataSource_.lock();
  UITableViewDataSource* ds = source();
  UITableViewCellRef cell = ds ? ds->tableViewCellForRowAtIndexPath(*this, indexPath) : nullptr;
  if (!cell) {
    // A data source that answers no cell gets an empty one, as a table must show something.
    cell = std::make_shared<UITableViewCell>();
    cell = cell->initWithStyle(UITableViewCellStyleDefault, std::nullopt);
  }
  cell->setTableView(std::static_pointer_cast<UITableView>(shared_from_this()));
  return cell;
}

void UITableView::reloadData() {
  auto keepSource = dataSource_.lock();
  auto keepDelegate = delegate_.lock();
  for (auto& section : sections_) {
    for (auto& c : section.cells) c->removeFromSuperview();
    if (section.header) section.header->removeFromSuperview();
    if (section.footer) section.footer->removeFromSuperview();
  }
  sections_.clear();
  loaded_ = true;
  UITableViewDataSource* ds = source();
  UITableViewDelegate* del = tableDelegate();
  long count = ds ? ds->numberOfSectionsInTableView(*this) : 0;
  for (long s = 0; s < count; ++s) {
    Section section;
    section.headerTitle = ds->tableViewTitleForHeaderInSection(*this, s);
    section.footerTitle = ds->tableViewTitleForFooterInSection(*this, s);
    if (del) {
      section.customHeader = del->tableViewViewForHeaderInSection(*this, s);
      section.askedHeaderHeight = del->tableViewHeightForHeaderInSection(*this, s);
    }
    if (section.customHeader) {
      section.header = section.customHeader;
    } else if (section.headerTitle) {
      auto header = std::make_shared<UITableViewHeaderFooterView>();
      header->textLabel()->setText(section.headerTitle);
      section.header = header;
    }
    if (section.footerTitle) {
      auto footer = std::make_shared<UITableViewHeaderFooterView>();
      footer->isFooter = true;
      footer->textLabel()->setText(section.footerTitle);
      section.footer = footer;
    }
    sections_.push_back(std::move(section));
    long rows = std::max(0L, ds->tableViewNumberOfRowsInSection(*this, s));
    for (long r = 0; r < rows; ++r) {
      double h = del ? del->tableViewHeightForRowAtIndexPath(*this, {s, r}) : UITableViewAutomaticDimension;
      sections_.back().rowHeights.push_back(h > 0 ? h : kDefaultRowHeight);
      sections_.back().cells.push_back(makeCell({s, r}));
    }
  }
  for (auto& section : sections_) {
    if (section.header) addSubview(section.header);
    for (auto& c : section.cells) addSubview(c);
    if (section.footer) addSubview(section.footer);
  }
  layoutSubviews();
  displayChanged(*this);
}

void UITableView::layoutSubviews() {
  double width = frame().size.width;
  double y = 0;
  for (size_t s = 0; s < sections_.size(); ++s) {
    Section& section = sections_[s];
    double spacing = s == 0 ? kFirstSectionSpacing : kSectionSpacing;
    double headerHeight = section.askedHeaderHeight;
    if (headerHeight < 0) {
      headerHeight = spacing;
      if (!section.customHeader && section.headerTitle)
        if (auto h = std::dynamic_pointer_cast<UITableViewHeaderFooterView>(section.header))
          headerHeight = std::max(spacing, h->heightForWidth(width) + 14 + (s == 0 ? 17 : 7));
    }
    if (section.header) section.header->setFrame(CGRect{{0, y}, {width, headerHeight}});
    y += headerHeight;
    for (size_t r = 0; r < section.cells.size(); ++r) {
      section.cells[r]->setFrame(CGRect{{0, y}, {width, section.rowHeights[r]}});
      y += section.rowHeights[r];
    }
    if (auto footer = std::dynamic_pointer_cast<UITableViewHeaderFooterView>(section.footer)) {
      double h = footer->heightForWidth(width) + 14;
      footer->setFrame(CGRect{{0, y}, {width, h}});
      y += h;
    }
  }
}

void UITableView::displayChanged(UIView& changed) {
  UIViewRef root = rootView();
  if (!dynamic_cast<UIWindow*>(root.get())) return;
  UIAppearance::applyToTree(changed);
  layoutViewTree(changed);
}

void UITableView::reloadRowsAtIndexPaths(const std::vector<NSIndexPath>& indexPaths) {
  for (auto ip : indexPaths) {
    if (ip.section < 0 || ip.section >= numberOfSections() || ip.row < 0 || ip.row >= numberOfRowsInSection(ip.section)) continue;
    auto& slot = sections_[static_cast<size_t>(ip.section)].cells[static_cast<size_t>(ip.row)];
    auto old = slot;
    auto cell = makeCell(ip);
    // The new cell takes the old one's place in the tree.
    const auto& subs = subviews();
    size_t index = static_cast<size_t>(std::find(subs.begin(), subs.end(), old) - subs.begin());
    old->removeFromSuperview();
    insertSubviewAtIndex(cell, index);
    cell->setFrame(old->frame());
    slot = cell;
    displayChanged(*cell);
  }
}

long UITableView::numberOfRowsInSection(long section) const {
  if (section < 0 || section >= numberOfSections()) return 0;
  return static_cast<long>(sections_[static_cast<size_t>(section)].cells.size());
}

UITableViewCellRef UITableView::cellForRowAtIndexPath(NSIndexPath ip) const {
  if (ip.row < 0 || ip.row >= numberOfRowsInSection(ip.section)) return nullptr;
  return sections_[static_cast<size_t>(ip.section)].cells[static_cast<size_t>(ip.row)];
}

std::optional<NSIndexPath> UITableView::indexPathForCell(const UITableViewCell& cell) const {
  for (size_t s = 0; s < sections_.size(); ++s)
    for (size_t r = 0; r < sections_[s].cells.size(); ++r)
      if (sections_[s].cells[r].get() == &cell) return NSIndexPath{static_cast<long>(s), static_cast<long>(r)};
  return std::nullopt;
}

double UITableView::askedHeaderHeightForSection(long s) const {
  return s >= 0 && s < numberOfSections() ? sections_[static_cast<size_t>(s)].askedHeaderHeight : UITableViewAutomaticDimension;
}
std::optional<std::string> UITableView::headerTitleForSection(long s) const {
  return s >= 0 && s < numberOfSections() ? sections_[static_cast<size_t>(s)].headerTitle : std::nullopt;
}
std::optional<std::string> UITableView::footerTitleForSection(long s) const {
  return s >= 0 && s < numberOfSections() ? sections_[static_cast<size_t>(s)].footerTitle : std::nullopt;
}
UIViewRef UITableView::headerViewForSection(long s) const {
  return s >= 0 && s < numberOfSections() ? sections_[static_cast<size_t>(s)].header : nullptr;
}

bool UITableView::selectRowByUser(NSIndexPath ip) {
  if (!cellForRowAtIndexPath(ip)) return false;
  auto keep = delegate_.lock();
  if (auto del = tableDelegate()) del->tableViewDidSelectRowAtIndexPath(*this, ip);
  return true;
}
