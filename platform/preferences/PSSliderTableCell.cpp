#include "platform/preferences/PSSliderTableCell.hpp"

VW_DEFINE_CLASS(PSSliderTableCell, PSTableCell, factoryOf<PSSliderTableCell>(),
                {{"controlChanged:", selectorOf(&PSSliderTableCell::controlChanged)}})

std::shared_ptr<PSTableCell> PSSliderTableCell::initWithStyle(long style, std::optional<std::string> reuseIdentifier,
                                                              const PSSpecifierRef& specifier) {
  if (!PSTableCell::initWithStyle(style, std::move(reuseIdentifier), specifier)) return nullptr;
  slider_ = std::make_shared<UISlider>();
  if (specifier) {
    const auto& max = specifier->propertyForKey("max");
    slider_->setMaximumValue(max.isNil() ? 1.0f : max.floatValue());
    slider_->setMinimumValue(specifier->propertyForKey("min").floatValue());
  }
  slider_->addTarget(shared_from_this(), "controlChanged:", UIControlEventValueChanged);
  contentView()->addSubview(slider_);
  layoutSubviews();
  return psSelf();
}

void PSSliderTableCell::layoutSubviews() {
  PSTableCell::layoutSubviews();
  if (!slider_) return;
  CGRect b = bounds();
  double x = 15;
  if (titleLabel()->text() && !titleLabel()->text()->empty()) x = titleLabel()->frame().maxX() + 10;
  slider_->setFrame(CGRect{{x, (b.size.height - 31) / 2}, {std::max(0.0, b.size.width - 15 - x), 31}});
}

void PSSliderTableCell::setValue(const plist::Value& value) {
  if (slider_) slider_->setValue(value.floatValue());
}

void PSSliderTableCell::controlChanged(const ReflectiveObjectRef&) {
  if (slider_) storeValueChosenByUser(plist::Value(static_cast<double>(slider_->value())));
}
