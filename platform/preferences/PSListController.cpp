#include "platform/preferences/PSListController.hpp"

#include "platform/preferences/PSListItemsController.hpp"
#include "platform/preferences/PSRootController.hpp"
#include "platform/uikit/UINavigationController.hpp"
#include "platform/uikit/UIWindow.hpp"

VW_DEFINE_CLASS(PSListController, UIViewController, factoryOf<PSListController>())

PSSpecifierArray PSListController::specifiers() {
  if (!_specifiers) _specifiers = std::make_shared<std::vector<PSSpecifierRef>>();
  return _specifiers;
}

NSBundleRef PSListController::bundle() const { return NSBundle::bundleForClass(typeid(*this)); }

PSSpecifierArray PSListController::loadSpecifiersFromPlistName(const std::string& plistName, const ReflectiveObjectRef& target) {
  auto out = std::make_shared<std::vector<PSSpecifierRef>>();
  auto b = bundle();
  if (!b) return out;
  auto path = b->pathForResource(plistName, "plist");
  if (!path) return out;
  auto dict = plist::dictionaryWithContentsOfFile(*path);
  if (!dict) return out;
  if (auto it = dict->find("title"); it != dict->end() && it->second.isString())
    setTitle(b->localizedStringForKey(*it->second.string(), "", std::nullopt));
  auto items = dict->find("items");
  if (items == dict->end() || !items->second.isArray()) return out;
  for (const auto& item : *items->second.array())
    if (item.isDictionary()) out->push_back(PSSpecifier::specifierWithDictionary(*item.dictionary(), target));
  return out;
}

plist::Value PSListController::readPreferenceValue(const PSSpecifierRef& specifier) {
  return PSRootController::readPreferenceValue(specifier);
}

void PSListController::setPreferenceValue(const plist::Value& value, const PSSpecifierRef& specifier) {
  PSRootController::setPreferenceValue(value, specifier);
}

void PSListController::setSpecifier(const PSSpecifierRef& specifier) {
  specifier_ = specifier;
  if (specifier && specifier->name()) setTitle(specifier->name());
}

void PSListController::loadView() {
  CGRect frame = UIScreen::mainScreen()->bounds();
  table_ = std::make_shared<UITableView>(frame, UITableViewStyleGrouped);
  table_->setBackgroundColor(UIColor::colorWithRed(239 / 255.0, 239 / 255.0, 244 / 255.0, 1));
  table_->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
  table_->setDataSource(shared_from_this());
  table_->setDelegate(shared_from_this());
  setView(table_);
}

void PSListController::viewWillAppear(bool animated) {
  UIViewController::viewWillAppear(animated);
  // Each appearance shows the values as they are now.
  reloadSpecifiers();
}

void PSListController::buildSections() {
  groups_.clear();
  rows_.clear();
  auto all = specifiers();
  if (!all) return;
  for (const auto& s : *all) {
    if (!s) continue;
    if (s->cellType() == PSGroupCell) {
      groups_.push_back(s);
      rows_.emplace_back();
      continue;
    }
    if (rows_.empty()) {
      groups_.push_back(nullptr);
      rows_.emplace_back();
    }
    rows_.back().push_back(s);
  }
}

void PSListController::reloadSpecifiers() {
  if (!isViewLoaded()) return;
  buildSections();
  if (table_) table_->reloadData();
}

PSSpecifierRef PSListController::groupSpecifierForSection(long section) const {
  return section >= 0 && static_cast<size_t>(section) < groups_.size() ? groups_[static_cast<size_t>(section)] : nullptr;
}

PSSpecifierRef PSListController::specifierAtIndexPath(NSIndexPath ip) const {
  if (ip.section < 0 || static_cast<size_t>(ip.section) >= rows_.size()) return nullptr;
  const auto& rows = rows_[static_cast<size_t>(ip.section)];
  return ip.row >= 0 && static_cast<size_t>(ip.row) < rows.size() ? rows[static_cast<size_t>(ip.row)] : nullptr;
}

std::optional<NSIndexPath> PSListController::indexPathForSpecifier(const PSSpecifierRef& specifier) const {
  for (size_t s = 0; s < rows_.size(); ++s)
    for (size_t r = 0; r < rows_[s].size(); ++r)
      if (rows_[s][r] == specifier) return NSIndexPath{static_cast<long>(s), static_cast<long>(r)};
  return std::nullopt;
}

PSSpecifierRef PSListController::specifierForKey(const std::string& key) {
  auto all = specifiers();
  if (!all) return nullptr;
  for (const auto& s : *all)
    if (s && s->key() == key) return s;
  return nullptr;
}

void PSListController::reloadSpecifier(const PSSpecifierRef& specifier) {
  if (!specifier || !table_ || !table_->hasLoadedData()) return;
  if (auto ip = indexPathForSpecifier(specifier)) table_->reloadRowsAtIndexPaths({*ip});
}

long PSListController::numberOfSectionsInTableView(UITableView&) { return static_cast<long>(rows_.size()); }

long PSListController::tableViewNumberOfRowsInSection(UITableView&, long section) {
  return section >= 0 && static_cast<size_t>(section) < rows_.size()
             ? static_cast<long>(rows_[static_cast<size_t>(section)].size())
             : 0;
}

std::optional<std::string> PSListController::tableViewTitleForHeaderInSection(UITableView&, long section) {
  auto g = groupSpecifierForSection(section);
  return g ? g->name() : std::nullopt;
}

std::optional<std::string> PSListController::tableViewTitleForFooterInSection(UITableView&, long section) {
  auto g = groupSpecifierForSection(section);
  if (!g) return std::nullopt;
  const auto& footer = g->propertyForKey("footerText");
  return footer.isString() ? std::optional<std::string>(*footer.string()) : std::nullopt;
}

double PSListController::tableViewHeightForRowAtIndexPath(UITableView&, NSIndexPath ip) {
  auto s = specifierAtIndexPath(ip);
  if (!s) return UITableViewAutomaticDimension;
  const auto& h = s->propertyForKey("height");
  return h.isNumber() && h.doubleValue() > 0 ? h.doubleValue() : UITableViewAutomaticDimension;
}

PSTableCellRef PSListController::makeCell(const PSSpecifierRef& specifier) {
  std::string reuse = "PSTableCell";
  if (auto name = specifier->cellClassName()) {
    const ClassInfo* cls = NSClassFromString(*name);
    if (cls && cls->isSubclassOf(PSTableCell::staticClassInfo()))
      if (auto cell = std::dynamic_pointer_cast<PSTableCell>(cls->instantiate()))
        if (auto made = cell->initWithStyle(UITableViewCellStyleDefault, *name, specifier)) return made;
  }
  const ClassInfo& fallback = PSTableCell::defaultCellClassForType(specifier->cellType());
  auto cell = std::dynamic_pointer_cast<PSTableCell>(fallback.instantiate());
  if (!cell) cell = std::make_shared<PSTableCell>();
  auto made = cell->initWithStyle(UITableViewCellStyleDefault, std::string(fallback.name), specifier);
  if (made) return made;
  auto plain = std::make_shared<PSTableCell>();
  return plain->initWithStyle(UITableViewCellStyleDefault, reuse, specifier);
}

UITableViewCellRef PSListController::tableViewCellForRowAtIndexPath(UITableView&, NSIndexPath indexPath) {
  auto specifier = specifierAtIndexPath(indexPath);
  if (!specifier) return nullptr;
  auto cell = makeCell(specifier);
  if (!cell) return nullptr;
  if (!cell->specifier()) cell->setSpecifier(specifier);
  if (specifier->hasValue()) {
    // The row's value comes from its target page (this one, for rows loaded with it as target).
    auto page = std::dynamic_pointer_cast<PSListController>(specifier->target());
    if (page) cell->setValue(page->readPreferenceValue(specifier));
  }
  return cell;
}

void PSListController::pushController(const UIViewControllerRef& controller, bool animated) {
  if (auto nav = navigationController()) nav->pushViewController(controller, animated);
}

void PSListController::tableViewDidSelectRowAtIndexPath(UITableView&, NSIndexPath indexPath) {
  auto specifier = specifierAtIndexPath(indexPath);
  if (!specifier) return;
  switch (specifier->cellType()) {
    case PSLinkCell: {
      PSListControllerRef page;
      if (auto name = specifier->detailControllerClassName()) {
        const ClassInfo* cls = NSClassFromString(*name);
        if (cls && cls->isSubclassOf(PSListController::staticClassInfo()))
          page = std::dynamic_pointer_cast<PSListController>(cls->instantiate());
      }
      if (!page) page = std::make_shared<PSListController>();
      page->setSpecifier(specifier);
      page->setParentController(listSelf());
      pushController(page);
      break;
    }
    case PSLinkListCell: {
      auto page = std::make_shared<PSListItemsController>();
      page->setSpecifier(specifier);
      page->setParentController(listSelf());
      pushController(page);
      break;
    }
    case PSButtonCell:
      if (auto action = specifier->action())
        if (auto target = specifier->target()) target->performSelector(*action, specifier);
      break;
    default:
      break;
  }
}
