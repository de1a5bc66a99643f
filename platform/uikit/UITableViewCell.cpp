#include "platform/uikit/UITableViewCell.hpp"

#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>

#include "platform/uikit/UIWindow.hpp"

VW_DEFINE_CLASS(UITableViewCell, UIView, factoryOf<UITableViewCell>())
VW_DEFINE_CLASS(UITableViewHeaderFooterView, UIView, factoryOf<UITableViewHeaderFooterView>())

namespace {
constexpr double kMargin = 15;
constexpr double kAccessoryIndicatorWidth = 33;  // the chevron or checkmark and its gap
}  // namespace

std::shared_ptr<UITableViewCell> UITableViewCell::initWithStyle(long style, std::optional<std::string> reuseIdentifier) {
  style_ = style;
  reuseIdentifier_ = std::move(reuseIdentifier);
  if (frame().size.width == 0) UIView::setFrame(CGRect{{0, 0}, {UIScreen::mainScreen()->bounds().size.width, 44}});
  if (!contentView_) {
    contentView_ = std::make_shared<UIView>(bounds());
    contentView_->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
    addSubview(contentView_);
    textLabel_ = std::make_shared<UILabel>();
    contentView_->addSubview(textLabel_);
    detailTextLabel_ = std::make_shared<UILabel>();
    detailTextLabel_->setTextColor(UIColor::grayColor());
    detailTextLabel_->setTextAlignment(NSTextAlignmentRight);
    contentView_->addSubview(detailTextLabel_);
  }
  setBackgroundColor(UIColor::whiteColor());
  layoutSubviews();
  return cellSelf();
}

std::shared_ptr<UITableViewCell> UITableViewCell::initWithFrame(CGRect frame) {
  UIView::setFrame(frame);
  auto cell = initWithStyle(UITableViewCellStyleDefault, std::nullopt);
  if (cell) cell->setFrame(frame);
  return cell;
}

const UIImageViewRef& UITableViewCell::imageView() {
  if (!imageView_ && contentView_) {
    imageView_ = std::make_shared<UIImageView>();
    contentView_->addSubview(imageView_);
  }
  return imageView_;
}

void UITableViewCell::setAccessoryView(UIViewRef view) {
  if (accessoryView_) accessoryView_->removeFromSuperview();
  accessoryView_ = std::move(view);
  if (accessoryView_) addSubview(accessoryView_);
  layoutSubviews();
}

void UITableViewCell::setFrame(CGRect frame) {
  CGSize old = this->frame().size;
  UIView::setFrame(frame);
  if (old != frame.size) layoutSubviews();
}

void UITableViewCell::layoutSubviews() {
  if (!contentView_) return;
  CGRect b = bounds();
  double right = b.size.width - kMargin;
  if (accessoryView_) {
    CGRect f = accessoryView_->frame();
    CGSize natural = accessoryView_->intrinsicContentSize();
    if (natural.width >= 0) f.size.width = natural.width;
    if (natural.height >= 0) f.size.height = natural.height;
    f.origin = {right - f.size.width, (b.size.height - f.size.height) / 2};
    accessoryView_->setFrame(f);
    right = f.origin.x - 8;
  } else if (accessoryType_ != UITableViewCellAccessoryNone) {
    right = b.size.width - kAccessoryIndicatorWidth;
  }
  contentView_->setFrame(CGRect{{0, 0}, b.size});
  double textX = kMargin;
  if (imageView_ && imageView_->image()) {
    // At its image's size (no taller than the row), the text after it.
    CGSize s = imageView_->image()->size();
    s.height = std::min(s.height, b.size.height);
    imageView_->setFrame(CGRect{{kMargin, (b.size.height - s.height) / 2}, s});
    textX = kMargin + s.width + kMargin;
  } else if (imageView_) {
    imageView_->setFrame(CGRectZero);
  }
  auto place = [&](const UILabelRef& label, double x, double maxRight, bool alignRight) {
    CGSize s = label->intrinsicContentSize();
    double w = std::min(s.width, std::max(0.0, maxRight - x));
    double lx = alignRight ? maxRight - w : x;
    label->setFrame(CGRect{{lx, (b.size.height - s.height) / 2}, {w, s.height}});
  };
  place(textLabel_, textX, right, false);
  if (style_ == UITableViewCellStyleValue1 && detailTextLabel_->text()) {
    place(detailTextLabel_, textLabel_->frame().maxX() + 8, right, true);
    detailTextLabel_->setHidden(false);
  } else {
    detailTextLabel_->setFrame(CGRectZero);
    detailTextLabel_->setHidden(!detailTextLabel_->text());
  }
}

void UITableViewCell::describe(nlohmann::json& out, const Annotator& annotate) const {
  UIView::describe(out, annotate);
  if (accessoryType_ != UITableViewCellAccessoryNone) out["accessoryType"] = accessoryType_;
}

UITableViewHeaderFooterView::UITableViewHeaderFooterView() : textLabel_(std::make_shared<UILabel>()) {
  textLabel_->setFont(UIFont::systemFontOfSize(13));
  textLabel_->setTextColor(UIColor::colorWithWhite(0.43, 1.0));
  textLabel_->setNumberOfLines(0);
}

double UITableViewHeaderFooterView::heightForWidth(double width) const {
  CGSize s = textLabel_->intrinsicContentSize();
  double w = std::max(1.0, width - 30);
  // Lines the text needs at this width (the measure is of one line).
  double lines = s.width > 0 ? std::max(1.0, std::ceil(s.width / w)) : 0;
  return s.height * lines;
}

void UITableViewHeaderFooterView::layoutSubviews() {
  if (textLabel_->superview().get() != this) addSubview(textLabel_);
  CGRect b = bounds();
  CGSize s = textLabel_->intrinsicContentSize();
  double h = heightForWidth(b.size.width);
  double y = isFooter ? 7 : std::max(0.0, b.size.height - h - 7);
  textLabel_->setFrame(CGRect{{15, y}, {std::min(s.width, std::max(0.0, b.size.width - 30)), h}});
}
