#include "cli/gui/TouchInput.hpp"

#include <fmt/format.h>

#include <cmath>
#include <iostream>

#include "cli/sim/SimExtension.hpp"
#include "cli/sim/SimSession.hpp"
#include "hosts/springboard/SpringBoardHost.hpp"
#include "platform/foundation/NSLog.hpp"
#include "platform/uikit/UIAlertView.hpp"
#include "platform/uikit/UIGestureRecognizer.hpp"

namespace gui {
namespace {

double distance(CGPoint a, CGPoint b) { return std::hypot(a.x - b.x, a.y - b.y); }

std::string pointWord(CGPoint p) { return fmt::format("{},{}", p.x, p.y); }

const char* directionWord(unsigned direction) {
  switch (direction) {
    case UISwipeGestureRecognizerDirectionUp:
      return "up";
    case UISwipeGestureRecognizerDirectionDown:
      return "down";
    case UISwipeGestureRecognizerDirectionLeft:
      return "left";
    default:
      return "right";
  }
}

}  // namespace

TouchInput::TouchInput(SimSession& session) : session_(session) {}

TouchInput::~TouchInput() {
  if (pendingTap_) sim_clock::cancel(pendingTap_);
}

InputHost& TouchInput::host() const { return session_.context().front(); }

CGSize TouchInput::screenSize() const { return host().screen(); }

bool TouchInput::hasReachability() const { return session_.context().findSpringboard() != nullptr; }

void TouchInput::toggleReachability() {
  SpringBoardHost* springboard = session_.context().findSpringboard();
  if (springboard) perform(springboard->reachabilityActive() ? "deactivate" : "activate");
}

bool TouchInput::animating() const { return host().animating(); }

bool TouchInput::perform(const std::string& line) {
  try {
    session_.input(line);
    return true;
  } catch (const std::exception& e) {
    std::cerr << fmt::format("{}: the window's input '{}' did nothing: {}\n", system_log::sender(), line, e.what());
    return false;
  }
}

void TouchInput::tapAt(CGPoint point, unsigned count) { perform(host().tapLine(point, count)); }

void TouchInput::press(CGPoint point, double) {
  pressed_ = true;
  down_ = point;
  // A slider's thumb follows the pointer at once; the whole drag is recorded when it ends.
  draggingSlider_ = host().drag(point, point);
}

void TouchInput::drag(CGPoint point) {
  if (pressed_ && draggingSlider_) host().drag(down_, point);
}

void TouchInput::release(CGPoint point, double time) {
  if (!pressed_) return;
  pressed_ = false;
  if (draggingSlider_) {
    draggingSlider_ = false;
    perform(fmt::format("drag {} {}", pointWord(down_), pointWord(point)));
    return;
  }
  if (unsigned direction = UISwipeGestureRecognizer::directionOfMovement(point.x - down_.x, point.y - down_.y)) {
    tapCount_ = 0;
    perform(fmt::format("swipe {} {}", pointWord(down_), directionWord(direction)));
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
  if (host().recognizesTaps(lastTap_, tapCount_ + 1)) {
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
  if (!field || !field->isFirstResponder()) return false;
  return perform("alert type " + scriptWord(text));
}

bool TouchInput::key(InputHost::Key key) {
  if (!alert_center::onScreen()) return false;  // only an alert takes keys
  static const char* const words[] = {"return", "escape", "backspace"};
  return perform(fmt::format("key {}", words[static_cast<int>(key)]));
}

}  // namespace gui
