#include "platform/preferences/PSTableCell.hpp"

#include "platform/preferences/PSListController.hpp"
#include "platform/preferences/PSSegmentTableCell.hpp"
#include "platform/preferences/PSSliderTableCell.hpp"
#include "platform/preferences/PSSwitchTableCell.hpp"

VW_DEFINE_CLASS(PSTableCell, UITableViewCell, factoryOf<PSTableCell>())

std::shared_ptr<PSTableCell> PSTableCell::initWithStyle(long style, std::optional<std::string> reuseIdentifier,
                                                        const PSSpecifierRef& specifier) {
  if (specifier && (specifier->cellType() == PSLinkListCell || specifier->cellType() == PSTitleValueCell))
    style = UITableViewCellStyleValue1;
  if (!UITableViewCell::initWithStyle(style, std::move(reuseIdentifier))) return nullptr;
  specifier_ = specifier;
  if (specifier) refreshCellContentsWithSpecifier(specifier);
  return psSelf();
}

void PSTableCell::refreshCellContentsWithSpecifier(const PSSpecifierRef& specifier) {
  if (!specifier) return;
  titleLabel()->setText(specifier->name());
  switch (specifier->cellType()) {
    case PSLinkCell:
    case PSLinkListCell:
      setAccessoryType(UITableViewCellAccessoryDisclosureIndicator);
      break;
    case PSButtonCell:
      titleLabel()->setTextColor(UIColor::colorWithRed(0, 122 / 255.0, 1, 1));
      break;
    default:
      break;
  }
  layoutSubviews();
}

void PSTableCell::setValue(const plist::Value& value) {
  if (!specifier_ || specifier_->cellType() != PSLinkListCell) return;
  auto title = specifier_->titleForValue(value);
  detailTextLabel()->setText(title);
  layoutSubviews();
}

bool PSTableCell::storeValueChosenByUser(const plist::Value& value) {
  if (!specifier_) return false;
  auto page = std::dynamic_pointer_cast<PSListController>(specifier_->target());
  if (!page) return false;
  page->setPreferenceValue(value, specifier_);
  return true;
}

const ClassInfo& PSTableCell::defaultCellClassForType(PSCellType type) {
  switch (type) {
    case PSSwitchCell:
      return PSSwitchTableCell::staticClassInfo();
    case PSSliderCell:
      return PSSliderTableCell::staticClassInfo();
    case PSSegmentCell:
      return PSSegmentTableCell::staticClassInfo();
    default:
      return PSTableCell::staticClassInfo();
  }
}
