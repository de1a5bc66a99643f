// The screen of one live process as a window shows it, and a mouse and keyboard made into a
// finger and typing: a click is a tap, clicks in quick succession near each other are one
// multiple tap, a drag is a one-finger swipe (thresholds as the gesture recognizers define
// them), a drag that starts on a slider moves its thumb; an alert on screen takes the taps (its
// buttons, its text field); keys type into the alert's text field while it is first
// responder, Return and Escape press its default and cancel buttons.
// Everything goes through the windows' hit-testing and recognizers. No GTK here.
#pragma once

#include <memory>
#include <string>

#include "platform/dispatch/Dispatch.hpp"
#include "platform/graphics/Geometry.hpp"

struct SimContext;
class UISlider;

namespace gui {

class TouchInput {
 public:
  explicit TouchInput(SimContext& sim);
  ~TouchInput();

  CGSize screenSize() const;

  // The button goes down, the pointer moves with it held, the button comes up; points in
  // screen points, times in seconds on any steady clock.
  void press(CGPoint point, double time);
  void drag(CGPoint point);
  void release(CGPoint point, double time);

  // Typing: a character (UTF-8), or the keys below. True when the key was used.
  enum class Key { Return, Escape, BackSpace };
  bool type(const std::string& text);
  bool key(Key key);

  // The reachability gesture, and its end (the home screen only).
  bool hasReachability() const;
  void toggleReachability();

  // Whether something moves on screen (running layer animations): then the window draws at
  // the display's frame rate.
  bool animating() const;

 private:
  void tapAt(CGPoint point, unsigned count);
  void swipeAt(CGPoint point, unsigned direction);
  bool recognizesTaps(CGPoint point, unsigned count);

  SimContext& sim_;
  CGPoint down_{};
  bool pressed_ = false;
  std::shared_ptr<UISlider> slider_;
  // The last tap, for multiple taps.
  CGPoint lastTap_{};
  double lastTapTime_ = -1e9;
  unsigned tapCount_ = 0;
  // A single tap held back while a double tap may still come.
  sim_clock::TimerId pendingTap_ = 0;
};

}  // namespace gui
