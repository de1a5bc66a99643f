#include "cli/gui/TouchInput.hpp"

#include <cmath>

#include "cli/sim/SimExtension.hpp"
#include "hosts/settings/SettingsHost.hpp"
#include "hosts/springboard/SpringBoardHost.hpp"
#include "platform/device/DeviceProfile.hpp"
#include "platform/quartz/CALayer.hpp"
#include "platform/uikit/UIAlertView.hpp"
#include "platform/uikit/UIGestureRecognizer.hpp"
#include "platform/uikit/UISlider.hpp"

namespace gui {
namespace {

double distance(CGPoint a, CGPoint b) { return std::hypot(a.x - b.x, a.y - b.y); }

bool anyAnimation(const UIView& view) {
  if (view.isHidden()) return false;
  if (!view.layer()->animations().empty()) return true;
  for (const auto& sub : view.subviews())
    if (anyAnimation(*sub)) return true;
  return false;
}

}  // namespace

TouchInput::TouchInput(SimContext& sim) : sim_(sim) {}

TouchInput::~TouchInput() {
  if (pendingTap_) sim_clock::cancel(pendingTap_);
}

CGSize TouchInput::screenSize() const { return deviceProfile().screen; }

bool TouchInput::hasReachability() const { return sim_.springboardHost != nullptr; }

void TouchInput::toggleReachability() {
  if (!sim_.springboardHost) return;
  if (sim_.springboardHost->reachabilityActive())
    sim_.springboardHost->deactivateReachability();
  else
    sim_.springboardHost->activateReachability();
}

bool TouchInput::animating() const {
  if (sim_.settingsHost) return anyAnimation(*sim_.settingsHost->window());
  SpringBoardHost& springboard = *sim_.springboardHost;
  return anyAnimation(*springboard.homeScreenWindow()) ||
         (springboard.reachabilityActive() && anyAnimation(*springboard.reachabilityWindow()));
}

// An alert on screen takes every touch (its buttons and text field through the alert window's
// hit-testing). On the home screen only the reachability window takes touches; a touch on the
// lowered home screen under it ends reachability, as the home screen does.
void TouchInput::tapAt(CGPoint point, unsigned count) {
  if (alert_center::takeTap(point, count)) {
    if (sim_.settingsHost) sim_.settingsHost->displayPass();
    return;
  }
  if (sim_.settingsHost) {
    sim_.settingsHost->touch(point, count);
    return;
  }
  SpringBoardHost& springboard = *sim_.springboardHost;
  if (!springboard.reachabilityActive()) return;
  const UIWindowRef& window = springboard.reachabilityWindow();
  if (window->frame().contains(point))
    window->sendTap(point, count);
  else if (count == 1)
    springboard.deactivateReachability();
}

void TouchInput::swipeAt(CGPoint point, unsigned direction) {
  if (alert_center::onScreen()) return;
  if (sim_.settingsHost) {
    if (!sim_.settingsHost->presentedSheet()) sim_.settingsHost->window()->sendSwipe(point, direction);
    return;
  }
  SpringBoardHost& springboard = *sim_.springboardHost;
  if (springboard.reachabilityActive() && springboard.reachabilityWindow()->frame().contains(point))
    springboard.reachabilityWindow()->sendSwipe(point, direction);
}

bool TouchInput::recognizesTaps(CGPoint point, unsigned count) {
  if (alert_center::onScreen()) return false;
  if (sim_.settingsHost) return sim_.settingsHost->window()->recognizesTaps(point, count);
  SpringBoardHost& springboard = *sim_.springboardHost;
  return springboard.reachabilityActive() && springboard.reachabilityWindow()->frame().contains(point) &&
         springboard.reachabilityWindow()->recognizesTaps(point, count);
}

void TouchInput::press(CGPoint point, double) {
  pressed_ = true;
  down_ = point;
  slider_ = sim_.settingsHost ? sim_.settingsHost->sliderAt(point) : nullptr;
  if (slider_) sim_.settingsHost->dragSlider(slider_, point);
}

void TouchInput::drag(CGPoint point) {
  if (pressed_ && slider_) sim_.settingsHost->dragSlider(slider_, point);
}

void TouchInput::release(CGPoint point, double time) {
  if (!pressed_) return;
  pressed_ = false;
  if (slider_) {
    sim_.settingsHost->dragSlider(slider_, point);
    slider_.reset();
    return;
  }
  if (unsigned direction = UISwipeGestureRecognizer::directionOfMovement(point.x - down_.x, point.y - down_.y)) {
    tapCount_ = 0;
    swipeAt(down_, direction);
    return;
  }
  if (distance(point, down_) > UITapGestureRecognizer::kMaximumTapMovement) {
    tapCount_ = 0;  // neither a tap nor a swipe
    return;
  }
  const bool follows = tapCount_ > 0 && time - lastTapTime_ <= UITapGestureRecognizer::kMaximumTapInterval &&
                       distance(down_, lastTap_) <= UITapGestureRecognizer::kMaximumTapDistance;
  tapCount_ = follows ? tapCount_ + 1 : 1;
  if (!follows) lastTap_ = down_;
  lastTapTime_ = time;
  if (pendingTap_) {
    sim_clock::cancel(pendingTap_);
    pendingTap_ = 0;
  }
  // A tap that a multiple-tap recognizer here could still take waits for the next one; when
  // that does not come in time, it is delivered as it is.
  if (recognizesTaps(lastTap_, tapCount_ + 1)) {
    const CGPoint at = lastTap_;
    const unsigned count = tapCount_;
    pendingTap_ = sim_clock::schedule(UITapGestureRecognizer::kMaximumTapInterval, [this, at, count] {
      pendingTap_ = 0;
      tapAt(at, count);
    });
    return;
  }
  tapAt(lastTap_, tapCount_);
}

bool TouchInput::type(const std::string& text) {
  auto alert = alert_center::onScreen();
  auto field = alert ? alert->textFieldAtIndex(0) : nullptr;
  return field && field->insertText(text);
}

bool TouchInput::key(Key key) {
  auto alert = alert_center::onScreen();
  if (!alert) return false;
  const long first = alert->cancelButtonTitle ? 1 : 0;  // the first of the other buttons
  switch (key) {
    case Key::BackSpace: {
      auto field = alert->textFieldAtIndex(0);
      return field && field->deleteBackward();
    }
    case Key::Return:
      // The default button: the first other button, else the cancel button.
      if (alert->otherButtonTitles.empty() && !alert->cancelButtonTitle) return false;
      alert->dismissWithClickedButtonIndex(alert->otherButtonTitles.empty() ? 0 : first);
      break;
    case Key::Escape:
      if (!alert->cancelButtonTitle) return false;
      alert->dismissWithClickedButtonIndex(0);
      break;
  }
  if (sim_.settingsHost) sim_.settingsHost->displayPass();
  return true;
}

}  // namespace gui
