// A mouse and keyboard made into a finger and typing, for the window of one live process: a
// click is a tap, clicks in quick succession near each other are one multiple tap, a drag is a
// one-finger swipe (thresholds as the gesture recognizers define them), a drag that starts on a
// slider moves its thumb; keys type into the alert's text field, Return and Escape press its
// default and cancel buttons.
// Each finished gesture becomes a line of the command language, carried out by the session as
// a line from ctl is (so that a recording of the session holds it): a tap by what it hits where
// the language can name it. Only a slider's thumb follows the pointer before the button comes
// up, through the host's input interface; the whole drag is one line then. No GTK here.
#pragma once

#include <string>

#include "hosts/input/InputHost.hpp"
#include "platform/dispatch/Dispatch.hpp"
#include "platform/graphics/Geometry.hpp"

class SimSession;

namespace gui {

class TouchInput {
 public:
  explicit TouchInput(SimSession& session);
  ~TouchInput();

  CGSize screenSize() const;

  // The button goes down, the pointer moves with it held, the button comes up; points in
  // screen points, times in seconds on any steady clock.
  void press(CGPoint point, double time);
  void drag(CGPoint point);
  void release(CGPoint point, double time);

  // Typing: a character (UTF-8), or a key. True when it was used.
  bool type(const std::string& text);
  bool key(InputHost::Key key);

  // The reachability gesture, and its end (the home screen only).
  bool hasReachability() const;
  void toggleReachability();

  // Whether something moves on screen (running layer animations): then the window draws at
  // the display's frame rate.
  bool animating() const;

 private:
  InputHost& host() const;
  // Carries out a line of input; false when the session refused it (it does nothing then).
  bool perform(const std::string& line);
  void tapAt(CGPoint point, unsigned count);

  SimSession& session_;
  CGPoint down_{};
  bool pressed_ = false;
  bool draggingSlider_ = false;
  // The last tap, for multiple taps.
  CGPoint lastTap_{};
  double lastTapTime_ = -1e9;
  unsigned tapCount_ = 0;
  // A single tap held back while a double tap may still come.
  sim_clock::TimerId pendingTap_ = 0;
};

}  // namespace gui
