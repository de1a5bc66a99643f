#include "platform/preferences/PSListItemsController.hpp"

VW_DEFINE_CLASS(PSListItemsController, PSListController, factoryOf<PSListItemsController>())

PSSpecifierArray PSListItemsController::specifiers() {
  if (_specifiers) return _specifiers;
  _specifiers = std::make_shared<std::vector<PSSpecifierRef>>();
  auto list = specifier();
  if (!list) return _specifiers;
  _specifiers->push_back(PSSpecifier::specifierWithDictionary({{"cell", "PSGroupCell"}}, nullptr));
  for (const auto& value : list->values()) {
    auto title = list->titleForValue(value);
    plist::Dictionary item{{"cell", "PSListItemCell"}, {"value", value}};
    if (title) item["label"] = *title;
    _specifiers->push_back(PSSpecifier::specifierWithDictionary(item, shared_from_this()));
  }
  return _specifiers;
}

plist::Value PSListItemsController::valueForItem(const PSSpecifierRef& item) const {
  return item ? item->propertyForKey("value") : plist::Value{};
}

UITableViewCellRef PSListItemsController::tableViewCellForRowAtIndexPath(UITableView& tableView, NSIndexPath indexPath) {
  auto cell = PSListController::tableViewCellForRowAtIndexPath(tableView, indexPath);
  auto list = specifier();
  auto page = list ? std::dynamic_pointer_cast<PSListController>(list->target()) : nullptr;
  if (cell && page) {
    plist::Value current = page->readPreferenceValue(list);
    bool checked = valueForItem(specifierAtIndexPath(indexPath)) == current;
    cell->setAccessoryType(checked ? UITableViewCellAccessoryCheckmark : UITableViewCellAccessoryNone);
    cell->layoutSubviews();
  }
  return cell;
}

void PSListItemsController::tableViewDidSelectRowAtIndexPath(UITableView&, NSIndexPath indexPath) {
  auto list = specifier();
  auto page = list ? std::dynamic_pointer_cast<PSListController>(list->target()) : nullptr;
  auto item = specifierAtIndexPath(indexPath);
  if (!page || !item) return;
  page->setPreferenceValue(valueForItem(item), list);
  page->reloadSpecifier(list);
  reloadSpecifiers();
}
