// The home screen's side of input: touches reach the reachability window while it is shown
// (the tweak's overlay lives there), and the small cover can be named.
#include <fmt/format.h>

#include "hosts/springboard/SpringBoardHost.hpp"
#include "platform/uikit/UIGestureRecognizer.hpp"
#include "tweak/VLWView.hpp"

UIWindowRef SpringBoardHost::window() const { return reachabilityActive() ? reachabilityWindow_ : nullptr; }

bool SpringBoardHost::touchScreen(CGPoint point, unsigned count) {
  if (!reachabilityActive()) return false;
  if (reachabilityWindow_->frame().contains(point)) return reachabilityWindow_->sendTap(point, count);
  if (count != 1) return false;
  deactivateReachability();
  return true;
}

bool SpringBoardHost::swipeScreen(CGPoint point, unsigned direction) {
  return reachabilityActive() && reachabilityWindow_->frame().contains(point) && reachabilityWindow_->sendSwipe(point, direction);
}

std::optional<CGPoint> SpringBoardHost::coverCentre() const {
  auto overlay = currentOverlay();
  if (!overlay || !overlay->smallCoverArt()) return std::nullopt;
  const auto& cover = overlay->smallCoverArt();
  CGRect bounds = cover->bounds();
  return cover->convertPointToRoot({bounds.midX(), bounds.midY()});
}

bool SpringBoardHost::tapCover(unsigned count) {
  auto centre = coverCentre();
  if (centre) reachabilityWindow_->sendTap(*centre, count);  // taken or not, the cover was there
  return centre.has_value();
}

bool SpringBoardHost::swipeCover(unsigned direction) {
  auto centre = coverCentre();
  if (centre) reachabilityWindow_->sendSwipe(*centre, direction);
  return centre.has_value();
}

std::optional<std::string> SpringBoardHost::nameTap(CGPoint point, unsigned count) const {
  auto overlay = currentOverlay();
  if (!reachabilityActive() || !overlay || !overlay->smallCoverArt()) return std::nullopt;
  if (!reachabilityWindow_->frame().contains(point)) return std::nullopt;
  for (UIViewRef v = reachabilityWindow_->hitTest(point); v; v = v->superview())
    if (v == overlay->smallCoverArt()) return count > 1 ? fmt::format("tap cover {}", count) : std::string("tap cover");
  return std::nullopt;
}
