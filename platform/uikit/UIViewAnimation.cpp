#include "platform/uikit/UIViewAnimation.hpp"

#include <vector>

#include "platform/dispatch/Dispatch.hpp"

namespace {

// The animation block running on this thread, if any: its duration and what it changed.
struct AnimationTransaction {
  double duration = 0;
  std::vector<std::pair<std::weak_ptr<UIView>, double>> alphaChanges;  // view, old alpha
};
thread_local AnimationTransaction* currentTransaction = nullptr;

}  // namespace

void UIView::setAlpha(double alpha) {
  double old = alpha_;
  alpha_ = alpha;
  if (currentTransaction && old != alpha)
    currentTransaction->alphaChanges.emplace_back(std::static_pointer_cast<UIView>(shared_from_this()), old);
}

double UIView::presentationAlpha() const {
  auto animation = layer_->animationForKey("opacity");
  if (!animation || animation->duration <= 0) return alpha_;
  const double* from = std::get_if<double>(&animation->fromValue);
  const double* to = std::get_if<double>(&animation->toValue);
  if (!from || !to) return alpha_;
  double t = (sim_clock::now() - animation->beginTime) / animation->duration;
  t = std::clamp(t, 0.0, 1.0);
  return *from + (*to - *from) * t;
}

void UIView::animateWithDuration(double duration, std::function<void()> animations, std::function<void(bool)> completion) {
  AnimationTransaction transaction;
  transaction.duration = duration;
  AnimationTransaction* outer = currentTransaction;
  currentTransaction = &transaction;
  if (animations) animations();
  currentTransaction = outer;
  if (duration > 0) {
    for (auto& [weakView, old] : transaction.alphaChanges) {
      auto view = weakView.lock();
      if (!view) continue;
      auto fade = CABasicAnimation::animationWithKeyPath("opacity");
      fade->duration = duration;
      fade->fromValue = old;
      fade->toValue = view->alpha();
      view->layer()->addAnimation(*fade, "opacity");
    }
  }
  // The blocks live until the animation has finished (they may hold the views' owners).
  auto finish = [animations = std::move(animations), completion = std::move(completion)]() {
    if (completion) completion(true);
  };
  if (duration > 0)
    sim_clock::schedule(duration, std::move(finish));
  else
    dispatch_async(dispatch_get_main_queue(), std::move(finish));
}
