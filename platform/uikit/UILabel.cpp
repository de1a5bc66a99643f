#include "platform/uikit/UILabel.hpp"

#include <nlohmann/json.hpp>

#include "platform/graphics/TextMetrics.hpp"

VW_DEFINE_CLASS(UILabel, UIView, factoryOf<UILabel>())

CGSize UILabel::intrinsicContentSize() const {
  if (!text_ || text_->empty()) return {0, 0};
  return measureText(font_->fontName, font_->pointSize, *text_);
}

void UILabel::describe(nlohmann::json& out, const Annotator& annotate) const {
  UIView::describe(out, annotate);
  out["text"] = text_ ? nlohmann::json(*text_) : nlohmann::json(nullptr);
  out["font"] = font_->fontName;
  out["fontSize"] = font_->pointSize;
  out["textAlignment"] = alignment_;
  out["textColor"] = colorJson(textColor_);
}
