// UIKit stand-in: the view tree.
// Implements: views with frame, bounds, centre, alpha, hidden, background and tint colour,
// tag, a layer, subviews in back-to-front order, removeFromSuperview, autoresizing masks,
// constraints kept for the solver, gesture recognizers, hit-testing of points, conversion of
// points to the window, and a JSON description of the tree for dumps.
// Leaves out: transforms, the responder chain beyond hit-testing, drawRect:, trait
// collections, safe areas.
#pragma once

#include <functional>
#include <memory>
#include <nlohmann/json_fwd.hpp>
#include <vector>

#include "platform/foundation/ReflectiveObject.hpp"
#include "platform/graphics/Geometry.hpp"
#include "platform/quartz/CALayer.hpp"
#include "platform/uikit/NSLayoutConstraint.hpp"
#include "platform/uikit/UIColor.hpp"

class UIGestureRecognizer;
class UIView;
class UIAppearanceLookup;
using UIViewRef = std::shared_ptr<UIView>;

enum UIViewAutoresizing : unsigned {
  UIViewAutoresizingNone = 0,
  UIViewAutoresizingFlexibleLeftMargin = 1,
  UIViewAutoresizingFlexibleWidth = 2,
  UIViewAutoresizingFlexibleRightMargin = 4,
  UIViewAutoresizingFlexibleTopMargin = 8,
  UIViewAutoresizingFlexibleHeight = 16,
  UIViewAutoresizingFlexibleBottomMargin = 32,
};

class UIView : public ReflectiveObject {
  VW_DECLARE_CLASS()
 public:
  UIView();
  explicit UIView(CGRect frame);  // initWithFrame:
  ~UIView() override;

  UIViewRef self() { return std::static_pointer_cast<UIView>(shared_from_this()); }

  CGRect frame() const { return frame_; }
  virtual void setFrame(CGRect frame);
  CGRect bounds() const { return {{boundsOrigin_.x, boundsOrigin_.y}, frame_.size}; }
  void setBounds(CGRect bounds);
  CGPoint center() const { return {frame_.midX(), frame_.midY()}; }

  double alpha() const { return alpha_; }
  // Inside an animation block the change is animated (see UIViewAnimation.hpp).
  void setAlpha(double alpha);
  // The alpha as drawn at the simulated clock's time: alpha() with running animations applied.
  double presentationAlpha() const;
  bool isHidden() const { return hidden_; }
  void setHidden(bool hidden) { hidden_ = hidden; }

  // animateWithDuration:animations:completion: (defined with the animation support in
  // UIViewAnimation.cpp).
  static void animateWithDuration(double duration, std::function<void()> animations,
                                  std::function<void(bool finished)> completion = {});
  const UIColorRef& backgroundColor() const { return backgroundColor_; }
  virtual void setBackgroundColor(UIColorRef color) { backgroundColor_ = std::move(color); }
  const UIColorRef& tintColor() const { return tintColor_; }
  void setTintColor(UIColorRef color) { tintColor_ = std::move(color); }
  long tag() const { return tag_; }
  void setTag(long tag) { tag_ = tag; }
  void setUserInteractionEnabled(bool enabled) { userInteractionEnabled_ = enabled; }
  void setClipsToBounds(bool clips) { layer_->masksToBounds = clips; }
  void setAutoresizingMask(unsigned mask) { autoresizingMask_ = mask; }
  bool translatesAutoresizingMaskIntoConstraints() const { return translatesMask_; }
  void setTranslatesAutoresizingMaskIntoConstraints(bool translates) { translatesMask_ = translates; }
  const CALayerRef& layer() const { return layer_; }
  // The view controller whose view this is (set by UIViewController::view), or null.
  std::shared_ptr<ReflectiveObject> viewDelegate() const { return viewDelegate_.lock(); }
  void setViewDelegate(const std::shared_ptr<ReflectiveObject>& controller) { viewDelegate_ = controller; }

  UIViewRef superview() const { return superview_.lock(); }
  const std::vector<UIViewRef>& subviews() const { return subviews_; }
  // Adds on top of the existing subviews, taking the view out of its old superview first.
  void addSubview(const UIViewRef& view);
  void insertSubviewAtIndex(const UIViewRef& view, size_t index);
  // Takes the view, and everything inside it, out of the tree.
  void removeFromSuperview();
  bool isDescendantOfView(const UIView& ancestor) const;
  // The view at the top of the tree this view is in (itself when it has no superview).
  UIViewRef rootView();

  void addConstraint(const NSLayoutConstraintRef& constraint) { constraints_.push_back(constraint); }
  const std::vector<NSLayoutConstraintRef>& constraints() const { return constraints_; }
  // Places subviews that follow their superview by code (cells, bars); run by the layout pass
  // (LayoutSolver.hpp) before the view's constraints are solved.
  virtual void layoutSubviews() {}
  // Called as the tree goes on screen with the appearance settings that apply to this view
  // (UIAppearance.hpp); a control takes the ones it uses. The base view uses none.
  virtual void applyAppearance(const UIAppearanceLookup& lookup) {}
  // Natural size of the content; negative components mean "none".
  virtual CGSize intrinsicContentSize() const { return {-1, -1}; }

  void addGestureRecognizer(const std::shared_ptr<UIGestureRecognizer>& recognizer);
  const std::vector<std::shared_ptr<UIGestureRecognizer>>& gestureRecognizers() const { return gestures_; }

  // The deepest visible, interactive view that contains the point (in this view's bounds).
  virtual UIViewRef hitTest(CGPoint point);
  bool pointInside(CGPoint point) const { return bounds().contains(point); }
  // The point converted from this view's coordinates to those of its root view.
  CGPoint convertPointToRoot(CGPoint point) const;
  CGRect convertRectToRoot(CGRect rect) const;

  // The tree as JSON. The annotator may add fields for particular views.
  using Annotator = std::function<void(const UIView&, nlohmann::json&)>;
  nlohmann::json describeTree(const Annotator& annotate = {}) const;

 protected:
  // Fields of this class of view; subclasses add theirs after calling the base.
  virtual void describe(nlohmann::json& out, const Annotator& annotate) const;
  // Subviews listed under "subviews" (effect views list their content view separately).
  virtual bool describesAsSubview(const UIView& subview) const { return true; }
  // Lets subviews follow a size change by their autoresizing masks.
  void resizeSubviews(CGSize oldSize);

 private:
  CGRect frame_{};
  CGPoint boundsOrigin_{};
  double alpha_ = 1.0;
  bool hidden_ = false;
  UIColorRef backgroundColor_;
  UIColorRef tintColor_;
  long tag_ = 0;
  bool userInteractionEnabled_ = true;
  unsigned autoresizingMask_ = UIViewAutoresizingNone;
  bool translatesMask_ = true;
  CALayerRef layer_;
  std::weak_ptr<UIView> superview_;
  std::weak_ptr<ReflectiveObject> viewDelegate_;
  std::vector<UIViewRef> subviews_;
  std::vector<NSLayoutConstraintRef> constraints_;
  std::vector<std::shared_ptr<UIGestureRecognizer>> gestures_;
};

// JSON helpers shared by the view classes.
nlohmann::json colorJson(const UIColorRef& color);  // [r, g, b, a] or null
nlohmann::json colorJson(const CGColorRef& color);
nlohmann::json rectJson(CGRect rect);  // [x, y, w, h]
