#include "platform/uikit/UIView.hpp"

#include <nlohmann/json.hpp>

#include "platform/uikit/UIGestureRecognizer.hpp"

VW_DEFINE_CLASS(UIView, ReflectiveObject, factoryOf<UIView>())

UIView::UIView() : layer_(std::make_shared<CALayer>()) {}
UIView::UIView(CGRect frame) : frame_(frame), layer_(std::make_shared<CALayer>()) {}
UIView::~UIView() = default;

void UIView::setFrame(CGRect frame) {
  CGSize old = frame_.size;
  frame_ = frame;
  if (old != frame.size) resizeSubviews(old);
}

void UIView::setBounds(CGRect bounds) {
  CGPoint c = center();
  boundsOrigin_ = bounds.origin;
  setFrame(CGRect{{c.x - bounds.size.width / 2, c.y - bounds.size.height / 2}, bounds.size});
}

namespace {

// Shares a change of the superview's size among the flexible parts of one axis, in
// proportion to their current sizes (equally when they are all zero).
void autoresizeAxis(double delta, bool flexLead, bool flexSize, bool flexTrail, double lead, double size, double trail,
                    double& newLead, double& newSize) {
  newLead = lead;
  newSize = size;
  double parts[3] = {flexLead ? lead : 0, flexSize ? size : 0, flexTrail ? trail : 0};
  int flexible = int(flexLead) + int(flexSize) + int(flexTrail);
  if (flexible == 0) return;
  double total = parts[0] + parts[1] + parts[2];
  auto share = [&](int i, bool flex) { return !flex ? 0.0 : total > 0 ? delta * parts[i] / total : delta / flexible; };
  newLead += share(0, flexLead);
  newSize += share(1, flexSize);
}

}  // namespace

void UIView::resizeSubviews(CGSize oldSize) {
  double dw = frame_.size.width - oldSize.width;
  double dh = frame_.size.height - oldSize.height;
  for (auto& sub : subviews_) {
    unsigned m = sub->autoresizingMask_;
    if (m == UIViewAutoresizingNone) continue;
    CGRect f = sub->frame_;
    CGRect nf = f;
    autoresizeAxis(dw, m & UIViewAutoresizingFlexibleLeftMargin, m & UIViewAutoresizingFlexibleWidth,
                   m & UIViewAutoresizingFlexibleRightMargin, f.origin.x, f.size.width, oldSize.width - f.maxX(), nf.origin.x,
                   nf.size.width);
    autoresizeAxis(dh, m & UIViewAutoresizingFlexibleTopMargin, m & UIViewAutoresizingFlexibleHeight,
                   m & UIViewAutoresizingFlexibleBottomMargin, f.origin.y, f.size.height, oldSize.height - f.maxY(), nf.origin.y,
                   nf.size.height);
    sub->setFrame(nf);
  }
}

void UIView::addSubview(const UIViewRef& view) { insertSubviewAtIndex(view, subviews_.size()); }

void UIView::insertSubviewAtIndex(const UIViewRef& view, size_t index) {
  if (!view || view.get() == this) return;
  UIViewRef keep = view;  // removing from the old superview may drop its last owner
  keep->removeFromSuperview();
  index = std::min(index, subviews_.size());
  subviews_.insert(subviews_.begin() + static_cast<long>(index), keep);
  keep->superview_ = std::static_pointer_cast<UIView>(shared_from_this());
}

void UIView::removeFromSuperview() {
  UIViewRef parent = superview_.lock();
  superview_.reset();
  if (!parent) return;
  std::erase_if(parent->subviews_, [this](const UIViewRef& v) { return v.get() == this; });
}

bool UIView::isDescendantOfView(const UIView& ancestor) const {
  for (const UIView* v = this; v; v = v->superview_.lock().get())
    if (v == &ancestor) return true;
  return false;
}

UIViewRef UIView::rootView() {
  UIViewRef v = self();
  while (auto parent = v->superview()) v = parent;
  return v;
}

void UIView::addGestureRecognizer(const std::shared_ptr<UIGestureRecognizer>& recognizer) {
  if (!recognizer) return;
  recognizer->attach(self());
  gestures_.push_back(recognizer);
}

UIViewRef UIView::hitTest(CGPoint point) {
  if (hidden_ || alpha_ < 0.01 || !userInteractionEnabled_ || !pointInside(point)) return nullptr;
  for (auto it = subviews_.rbegin(); it != subviews_.rend(); ++it) {
    const UIViewRef& sub = *it;
    CGRect b = sub->bounds();
    CGPoint local{point.x - sub->frame_.origin.x + b.origin.x, point.y - sub->frame_.origin.y + b.origin.y};
    if (UIViewRef hit = sub->hitTest(local)) return hit;
  }
  return self();
}

CGPoint UIView::convertPointToRoot(CGPoint point) const {
  CGPoint p = point;
  for (const UIView* v = this; v; v = v->superview_.lock().get()) {
    UIViewRef parent = v->superview_.lock();
    if (!parent) break;
    p.x += v->frame_.origin.x - v->boundsOrigin_.x;
    p.y += v->frame_.origin.y - v->boundsOrigin_.y;
  }
  return p;
}

CGRect UIView::convertRectToRoot(CGRect rect) const { return CGRect{convertPointToRoot(rect.origin), rect.size}; }

nlohmann::json colorJson(const CGColorRef& color) {
  if (!color) return nullptr;
  return nlohmann::json::array({color->red, color->green, color->blue, color->alpha});
}

nlohmann::json colorJson(const UIColorRef& color) { return color ? colorJson(CGColorRef(color->CGColor())) : nullptr; }

nlohmann::json rectJson(CGRect r) { return nlohmann::json::array({r.origin.x, r.origin.y, r.size.width, r.size.height}); }

nlohmann::json UIView::describeTree(const Annotator& annotate) const {
  nlohmann::json out;
  describe(out, annotate);
  if (annotate) annotate(*this, out);
  return out;
}

void UIView::describe(nlohmann::json& out, const Annotator& annotate) const {
  out["class"] = className();
  out["frame"] = rectJson(frame_);
  out["alpha"] = alpha_;
  out["hidden"] = hidden_;
  if (backgroundColor_) out["backgroundColor"] = colorJson(backgroundColor_);
  if (tag_) out["tag"] = tag_;
  nlohmann::json layer;
  layer["cornerRadius"] = layer_->cornerRadius;
  layer["masksToBounds"] = layer_->masksToBounds;
  layer["borderWidth"] = layer_->borderWidth;
  if (layer_->shadowOpacity > 0) {
    layer["shadowOpacity"] = layer_->shadowOpacity;
    layer["shadowRadius"] = layer_->shadowRadius;
    layer["shadowOffset"] = {layer_->shadowOffset.width, layer_->shadowOffset.height};
    layer["shadowColor"] = colorJson(layer_->shadowColor);
  }
  nlohmann::json animations = nlohmann::json::array();
  for (const auto& [key, a] : layer_->animations()) {
    auto value = [](const CAValue& v) -> nlohmann::json {
      if (auto d = std::get_if<double>(&v)) return *d;
      if (auto p = std::get_if<CGPoint>(&v)) return nlohmann::json::array({p->x, p->y});
      return nullptr;
    };
    animations.push_back({{"key", key},
                          {"keyPath", a->keyPath},
                          {"from", value(a->fromValue)},
                          {"to", value(a->toValue)},
                          {"duration", a->duration},
                          {"repeatCount", a->repeatCount},
                          {"autoreverses", a->autoreverses}});
  }
  layer["animations"] = animations;
  out["layer"] = layer;
  if (!gestures_.empty()) {
    nlohmann::json gestures = nlohmann::json::array();
    for (const auto& g : gestures_) gestures.push_back(g->describe());
    out["gestures"] = gestures;
  }
  nlohmann::json subs = nlohmann::json::array();
  for (const auto& sub : subviews_)
    if (describesAsSubview(*sub)) subs.push_back(sub->describeTree(annotate));
  out["subviews"] = subs;
}
