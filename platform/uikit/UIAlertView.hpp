// UIKit stand-in: alert views, text fields, and the alerts on screen.
// Implements: alerts with title, message, delegate, cancel and other button titles, style
// (0 default, 2 plain text input with one field), tag; show puts an alert on screen (one
// shows at a time, later ones wait in order) and keeps it alive until a button dismisses it;
// pressing a button calls the delegate's alertView:clickedButtonAtIndex: (cancel is index 0
// when there is one). The alert on screen is a view of the screen's size in the alert window,
// above every other window: its buttons are buttons and its text field a subview, at the
// frames of the panel's layout (UIAlertPanelLayout.hpp), so a touch reaches them through
// the window's hit-testing (a button presses, the field takes the keyboard); the alert takes
// every touch while it is on screen. Text fields keep text, keyboard type, delegate and
// first-responder state; typing goes through insertText/deleteBackward, which ask the
// field's delegate first. Every alert ever shown is remembered for dumps.
// Leaves out: alert controllers, secure and login styles, keyboards, animations, highlight.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/uikit/UIAlertPanelLayout.hpp"
#include "platform/uikit/UIControl.hpp"

class UIAlertView;
class UITextField;
class UIWindow;

// What a text field asks before it starts or ends editing and before its text changes. Every
// operation is optional: one that an adopter leaves out answers yes.
class UITextFieldDelegate {
 public:
  virtual ~UITextFieldDelegate() = default;
  virtual bool textFieldShouldBeginEditing(UITextField&) { return true; }
  virtual bool textFieldShouldEndEditing(UITextField&) { return true; }
  // The bytes [location, location + length) of the text are about to become `replacement`.
  virtual bool textFieldShouldChangeCharactersInRange(UITextField&, size_t location, size_t length,
                                                      const std::string& replacement) {
    return true;
  }
};

class UITextField : public UIControl {
  VW_DECLARE_CLASS()
 public:
  using UIControl::UIControl;
  std::string text;
  std::optional<std::string> placeholder;
  long keyboardType = 0;
  // Not retained.
  std::weak_ptr<UITextFieldDelegate> delegate;
  bool isFirstResponder() const { return firstResponder_; }
  // Both ask the delegate first; a refusal leaves the state as it is and answers no.
  bool becomeFirstResponder();
  bool resignFirstResponder();
  // The keyboard's input: only while the field has the keyboard, and only when the delegate
  // accepts the change. deleteBackward removes one character (all of its UTF-8 bytes).
  bool insertText(const std::string& typed);
  bool deleteBackward();

 private:
  bool firstResponder_ = false;
};
using UITextFieldRef = std::shared_ptr<UITextField>;

// Receives the alert's button presses.
class UIAlertViewDelegate {
 public:
  virtual ~UIAlertViewDelegate() = default;
  virtual void alertViewClickedButtonAtIndex(UIAlertView& alert, long buttonIndex) = 0;
};

enum UIAlertViewStyle : long {
  UIAlertViewStyleDefault = 0,
  UIAlertViewStyleSecureTextInput = 1,
  UIAlertViewStylePlainTextInput = 2
};

class UIAlertView : public UIView {
  VW_DECLARE_CLASS()
 public:
  // initWithTitle:message:delegate:cancelButtonTitle:otherButtonTitles: — the delegate is
  // not retained.
  UIAlertView(std::optional<std::string> title, std::optional<std::string> message, std::weak_ptr<UIAlertViewDelegate> delegate,
              std::optional<std::string> cancelButtonTitle, std::vector<std::string> otherButtonTitles);

  const std::optional<std::string> title;
  const std::optional<std::string> message;
  const std::optional<std::string> cancelButtonTitle;
  const std::vector<std::string> otherButtonTitles;

  long alertViewStyle() const { return style_; }
  void setAlertViewStyle(long style);
  // The field at the index, or null (only the plain text style has one, at index 0).
  UITextFieldRef textFieldAtIndex(long index) const;

  void show();
  bool isVisible() const;
  // Presses the button: takes the alert off screen, then calls the delegate.
  void dismissWithClickedButtonIndex(long index);
  // The index of the button with that title, or -1.
  long indexOfButtonTitled(const std::string& title) const;
  std::vector<std::string> buttonTitles() const;  // cancel first

  // Where the panel and its parts are while the alert is on screen (screen points).
  UIAlertPanelLayout panelLayout() const;
  // The buttons as views (made as the alert is shown), in the panel's drawing order.
  const std::vector<UIButtonRef>& buttons() const { return buttons_; }
  // Places the buttons and the text field by the panel's layout.
  void layoutSubviews() override;

  // Title, message, buttons (cancel first) and style; each button's index, title and frame
  // and the text field's frame, in screen points; the field's text and focus.
  nlohmann::json describeAlert() const;

 private:
  void makeButtons();
  void buttonPressed(const UIButtonRef& sender);

  std::weak_ptr<UIAlertViewDelegate> delegate_;
  long style_ = UIAlertViewStyleDefault;
  UITextFieldRef field_;
  std::vector<UIButtonRef> buttons_;
  std::vector<long> buttonIndexes_;  // alertView:clickedButtonAtIndex: index of each button
  bool partsMade_ = false;           // the buttons and the field are subviews (once shown)
};
using UIAlertViewRef = std::shared_ptr<UIAlertView>;

namespace alert_center {

// The alert on screen, or null.
UIAlertViewRef onScreen();
// The window alerts show in, above every other window, as large as the screen: it holds the
// alert on screen and is hidden while there is none.
std::shared_ptr<UIWindow> window();
// A finger on the screen while an alert is on screen: the alert takes it (it is modal), and
// the window's hit-testing delivers it to a button or the text field under the point. False,
// and nothing happens, when no alert is on screen.
bool takeTap(CGPoint screenPoint, unsigned tapCount = 1);
// Every alert shown so far, in order of showing.
std::vector<UIAlertViewRef> history();
void reset();

}  // namespace alert_center
