// UIKit stand-in: blur and vibrancy effects and the views that show them.
// Implements: blur effects by style (0 extra light, 1 light, 2 dark), vibrancy effects made
// for a blur effect, and effect views whose own subviews go into a content view that
// always covers them. The renderer blurs what lies behind a blur view and lightens what is
// drawn through a vibrancy view.
// Leaves out: animating effects, masks, system materials.
#pragma once

#include "platform/uikit/UIView.hpp"

enum UIBlurEffectStyle : long { UIBlurEffectStyleExtraLight = 0, UIBlurEffectStyleLight = 1, UIBlurEffectStyleDark = 2 };

class UIVisualEffect : public ReflectiveObject {
  VW_DECLARE_CLASS()
};
using UIVisualEffectRef = std::shared_ptr<UIVisualEffect>;

class UIBlurEffect : public UIVisualEffect {
  VW_DECLARE_CLASS()
 public:
  explicit UIBlurEffect(long style) : style(style) {}
  static std::shared_ptr<UIBlurEffect> effectWithStyle(long style) { return std::make_shared<UIBlurEffect>(style); }
  const long style;
};
using UIBlurEffectRef = std::shared_ptr<UIBlurEffect>;

class UIVibrancyEffect : public UIVisualEffect {
  VW_DECLARE_CLASS()
 public:
  explicit UIVibrancyEffect(UIBlurEffectRef blur) : blurEffect(std::move(blur)) {}
  static std::shared_ptr<UIVibrancyEffect> effectForBlurEffect(const UIBlurEffectRef& blur) {
    return std::make_shared<UIVibrancyEffect>(blur);
  }
  const UIBlurEffectRef blurEffect;
};
using UIVibrancyEffectRef = std::shared_ptr<UIVibrancyEffect>;

class UIVisualEffectView : public UIView {
  VW_DECLARE_CLASS()
 public:
  // initWithEffect: — call makeContentView() right after make_shared (see create()).
  explicit UIVisualEffectView(UIVisualEffectRef effect);
  static std::shared_ptr<UIVisualEffectView> create(UIVisualEffectRef effect);

  const UIVisualEffectRef& effect() const { return effect_; }
  const UIViewRef& contentView() const { return contentView_; }

 protected:
  void describe(nlohmann::json& out, const Annotator& annotate) const override;
  bool describesAsSubview(const UIView& subview) const override { return &subview != contentView_.get(); }

 private:
  UIVisualEffectRef effect_;
  UIViewRef contentView_;
};
using UIVisualEffectViewRef = std::shared_ptr<UIVisualEffectView>;
