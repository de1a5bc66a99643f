#include "platform/preferences/PSSwitchTableCell.hpp"

VW_DEFINE_CLASS(PSSwitchTableCell, PSTableCell, factoryOf<PSSwitchTableCell>(),
                {{"controlChanged:", selectorOf(&PSSwitchTableCell::controlChanged)}})

std::shared_ptr<PSTableCell> PSSwitchTableCell::initWithStyle(long style, std::optional<std::string> reuseIdentifier,
                                                              const PSSpecifierRef& specifier) {
  if (!PSTableCell::initWithStyle(style, std::move(reuseIdentifier), specifier)) return nullptr;
  switch_ = std::make_shared<UISwitch>();
  switch_->addTarget(shared_from_this(), "controlChanged:", UIControlEventValueChanged);
  setAccessoryView(switch_);
  return psSelf();
}

void PSSwitchTableCell::setValue(const plist::Value& value) {
  if (switch_) switch_->setOn(value.boolValue());
}

void PSSwitchTableCell::controlChanged(const ReflectiveObjectRef&) {
  if (switch_) storeValueChosenByUser(plist::Value(switch_->isOn()));
}
