// UIKit stand-in: labels.
// Implements: text (nil or a string), font, text colour, alignment (0 left, 1 centre,
// 2 right), number of lines, the natural size of the text for the constraint solver and the
// size of wrapped text in a width.
// Leaves out: attributed text, shadows, line breaking modes, adjusting font size to fit.
#pragma once

#include <optional>
#include <string>

#include "platform/uikit/UIFont.hpp"
#include "platform/uikit/UIView.hpp"

enum NSTextAlignment : long { NSTextAlignmentLeft = 0, NSTextAlignmentCenter = 1, NSTextAlignmentRight = 2 };

class UILabel : public UIView {
  VW_DECLARE_CLASS()
 public:
  using UIView::UIView;
  // A label set up in one call, as the system's own sheets build their rows.
  static std::shared_ptr<UILabel> labelWith(CGRect frame, const std::string& text, UIFontRef font, UIColorRef color,
                                            long alignment, long tag = 0);

  const std::optional<std::string>& text() const { return text_; }
  void setText(std::optional<std::string> text) { text_ = std::move(text); }
  const UIFontRef& font() const { return font_; }
  void setFont(UIFontRef font) { font_ = font ? std::move(font) : UIFont::systemFontOfSize(17); }
  // nil text colour is drawn in the default black, as UIKit does.
  const UIColorRef& textColor() const { return textColor_; }
  void setTextColor(UIColorRef color) { textColor_ = std::move(color); }
  long textAlignment() const { return alignment_; }
  void setTextAlignment(long alignment) { alignment_ = alignment; }
  long numberOfLines() const { return lines_; }
  void setNumberOfLines(long lines) { lines_ = lines; }

  CGSize intrinsicContentSize() const override;
  // The size the text needs within the given width: one line for a one-line label, else the
  // wrapped lines (at most numberOfLines of them, unless it is 0).
  CGSize sizeThatFits(CGSize size) const;

 protected:
  void describe(nlohmann::json& out, const Annotator& annotate) const override;

 private:
  std::optional<std::string> text_;
  UIFontRef font_ = UIFont::systemFontOfSize(17);
  UIColorRef textColor_ = UIColor::blackColor();
  long alignment_ = NSTextAlignmentLeft;
  long lines_ = 1;
};
using UILabelRef = std::shared_ptr<UILabel>;
