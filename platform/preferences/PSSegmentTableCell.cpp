#include "platform/preferences/PSSegmentTableCell.hpp"

#include <fmt/format.h>

VW_DEFINE_CLASS(PSSegmentTableCell, PSTableCell, factoryOf<PSSegmentTableCell>(),
                {{"controlChanged:", selectorOf(&PSSegmentTableCell::controlChanged)}})

namespace {

std::string describeValue(const plist::Value& v) {
  if (auto s = v.string()) return *s;
  if (v.isBool()) return v.boolValue() ? "YES" : "NO";
  if (v.isInteger()) return std::to_string(v.integerValue());
  if (v.isReal()) return fmt::format("{}", v.doubleValue());
  return "";
}

}  // namespace

std::shared_ptr<PSTableCell> PSSegmentTableCell::initWithStyle(long style, std::optional<std::string> reuseIdentifier,
                                                               const PSSpecifierRef& specifier) {
  if (!PSTableCell::initWithStyle(style, std::move(reuseIdentifier), specifier)) return nullptr;
  std::vector<std::string> titles;
  if (specifier) {
    values_ = specifier->values();
    for (const auto& v : values_) titles.push_back(specifier->titleForValue(v).value_or(describeValue(v)));
  }
  segments_ = std::make_shared<UISegmentedControl>(titles);
  segments_->addTarget(shared_from_this(), "controlChanged:", UIControlEventValueChanged);
  contentView()->addSubview(segments_);
  layoutSubviews();
  return psSelf();
}

void PSSegmentTableCell::refreshCellContentsWithSpecifier(const PSSpecifierRef& specifier) {
  PSTableCell::refreshCellContentsWithSpecifier(specifier);
  titleLabel()->setText(std::nullopt);
}

void PSSegmentTableCell::layoutSubviews() {
  PSTableCell::layoutSubviews();
  if (!segments_) return;
  CGRect b = bounds();
  segments_->setFrame(CGRect{{15, (b.size.height - 29) / 2}, {std::max(0.0, b.size.width - 30), 29}});
}

void PSSegmentTableCell::setValue(const plist::Value& value) {
  if (!segments_) return;
  long index = -1;
  for (size_t i = 0; i < values_.size(); ++i)
    if (values_[i] == value || (values_[i].isNumber() && value.isNumber() && values_[i].doubleValue() == value.doubleValue()))
      index = static_cast<long>(i);
  segments_->setSelectedSegmentIndex(index);
}

void PSSegmentTableCell::controlChanged(const ReflectiveObjectRef&) {
  if (!segments_) return;
  long i = segments_->selectedSegmentIndex();
  if (i >= 0 && static_cast<size_t>(i) < values_.size()) storeValueChosenByUser(values_[static_cast<size_t>(i)]);
}
