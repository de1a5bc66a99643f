// The one way into a host process. A script line, a line from ctl and a window's mouse and keys
// all reach the home screen or the Settings app through these few calls: what is on screen,
// the window that takes touches, a touch, a swipe, a drag, typing, a key, and a description.
// The alert on screen comes first for touches, typing and keys, whichever host it shows over.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "platform/graphics/Geometry.hpp"
#include "platform/uikit/UIWindow.hpp"

class InputHost {
 public:
  enum class Key { Return, Escape, BackSpace };

  virtual ~InputHost() = default;

  // The screen, in points.
  CGSize screen() const;
  // The window that takes touches now (under the alert window); null when none does.
  virtual UIWindowRef window() const = 0;

  // A finger tapping `count` times at a point of the screen. False when nothing took it.
  bool touch(CGPoint point, unsigned count = 1);
  // A one-finger swipe that starts at the point (UISwipeGestureRecognizerDirection...).
  bool swipe(CGPoint point, unsigned direction);
  // A finger that went down at `from` and is now at `to`, still held: true when that moves
  // something (a slider's thumb). A swipe or a tap is told apart when the finger comes up.
  virtual bool drag(CGPoint from, CGPoint to);
  // Typing into the alert's text field; true when the text was taken.
  bool type(const std::string& text);
  // Return and Escape press the alert's default and cancel buttons; BackSpace deletes in its
  // text field. True when the key was used.
  bool key(Key key);

  // What a tap of `count` at the point hits, as a line of the command language: by what it hits
  // where the language can name it (the cover, an alert's button, a row), else by point.
  std::string tapLine(CGPoint point, unsigned count) const;
  // Whether a recognizer for `count` taps at the point could take them (then a tap of fewer
  // waits to see whether more come).
  bool recognizesTaps(CGPoint point, unsigned count) const;
  // Whether something on screen moves (running layer animations).
  virtual bool animating() const;

  // What is on screen, as a view tree.
  virtual nlohmann::json describe() const = 0;

 protected:
  // Past the alert: the host's own screen takes the touch or swipe.
  virtual bool touchScreen(CGPoint point, unsigned count) = 0;
  virtual bool swipeScreen(CGPoint point, unsigned direction) = 0;
  // A name for a tap on the host's own screen, when the command language has one.
  virtual std::optional<std::string> nameTap(CGPoint point, unsigned count) const;
  // After an alert's button was pressed (the Settings app runs its display pass).
  virtual void afterAlert() {}
};

// Whether a view shown, or one under it, runs a layer animation (a navigation bar's title view
// counts: the bar draws it without holding it as a subview).
bool viewMoves(const UIView& view);

// A word of the command language for a text: quoted when it is not one plain word, or always.
std::string scriptWord(const std::string& text, bool quote = false);
