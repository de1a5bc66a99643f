#include "platform/uikit/UILabel.hpp"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "platform/text/TextMetrics.hpp"

VW_DEFINE_CLASS(UILabel, UIView, factoryOf<UILabel>())

CGSize UILabel::intrinsicContentSize() const {
  if (!text_ || text_->empty()) return {0, 0};
  return measureText(font_->fontName, font_->pointSize, *text_);
}

CGSize UILabel::sizeThatFits(CGSize size) const {
  if (!text_ || text_->empty()) return {0, 0};
  if (lines_ == 1 || size.width <= 0) return intrinsicContentSize();
  CGSize wrapped = measureWrappedText(font_->fontName, font_->pointSize, *text_, size.width);
  if (lines_ > 1) {
    // Lines beyond the limit are cut; every line of one face has the height of a single one.
    const double line = measureText(font_->fontName, font_->pointSize, "X").height;
    wrapped.height = std::min(wrapped.height, line * static_cast<double>(lines_));
  }
  return wrapped;
}

void UILabel::describe(nlohmann::json& out, const Annotator& annotate) const {
  UIView::describe(out, annotate);
  out["text"] = text_ ? nlohmann::json(*text_) : nlohmann::json(nullptr);
  out["font"] = font_->fontName;
  out["fontSize"] = font_->pointSize;
  out["textAlignment"] = alignment_;
  out["textColor"] = colorJson(textColor_);
}

std::shared_ptr<UILabel> UILabel::labelWith(CGRect frame, const std::string& text, UIFontRef font, UIColorRef color,
                                            long alignment, long tag) {
  auto label = std::make_shared<UILabel>(frame);
  label->setText(text);
  label->setFont(std::move(font));
  label->setTextColor(std::move(color));
  label->setTextAlignment(alignment);
  label->setTag(tag);
  return label;
}
