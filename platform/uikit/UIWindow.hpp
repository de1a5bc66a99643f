// UIKit stand-in: windows, the screen and the device.
// Implements: windows (hidden until shown), delivery of taps and swipes at a point through
// hit-testing to gesture recognizers and controls; the main screen's bounds and scale and the
// current device's idiom from the device profile.
// Leaves out: window levels beyond a number, key windows, rotation, multiple screens.
#pragma once

#include "platform/uikit/UIGestureRecognizer.hpp"
#include "platform/uikit/UIView.hpp"

class UIWindow : public UIView {
  VW_DECLARE_CLASS()
 public:
  UIWindow();
  explicit UIWindow(CGRect frame);
  double windowLevel = 0;

  // A touch of tapCount taps at a point in window coordinates. The first tap recognizer that
  // wants that many taps, on the touched view or one of its superviews, fires; failing that,
  // a single tap goes to the nearest view that takes it: a text field becomes first responder,
  // a control's touch-up-inside actions are sent, a switch flips (its value-changed actions), a
  // table row is selected (the table delegate's didSelectRow). False when nothing responded.
  bool sendTap(CGPoint point, unsigned tapCount = 1);
  // Whether a tap recognizer on the view under the point (or a superview) wants that many
  // taps: a touch system delivers a single tap there only once a second one has not come.
  bool recognizesTaps(CGPoint point, unsigned tapCount);
  // A one-finger swipe that starts at the point.
  bool sendSwipe(CGPoint point, unsigned direction);
};
using UIWindowRef = std::shared_ptr<UIWindow>;

class UIScreen : public ReflectiveObject {
  VW_DECLARE_CLASS()
 public:
  static std::shared_ptr<UIScreen> mainScreen();
  CGRect bounds() const;
  double scale() const;
};

class UIDevice : public ReflectiveObject {
  VW_DECLARE_CLASS()
 public:
  static std::shared_ptr<UIDevice> currentDevice();
  // 0 phone, 1 pad. Check respondsToSelector("userInterfaceIdiom") first: a device profile
  // may describe a system that does not answer it.
  long userInterfaceIdiom() const;
  bool respondsToSelector(std::string_view selector) const override;
};
