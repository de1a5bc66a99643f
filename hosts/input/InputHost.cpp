#include "hosts/input/InputHost.hpp"

#include <fmt/format.h>

#include "platform/device/DeviceProfile.hpp"
#include "platform/quartz/CALayer.hpp"
#include "platform/uikit/UIAlertView.hpp"
#include "platform/uikit/UIControl.hpp"

namespace {

bool anyAnimation(const UIView& view) {
  if (view.isHidden()) return false;
  if (!view.layer()->animations().empty()) return true;
  for (const auto& sub : view.subviews())
    if (anyAnimation(*sub)) return true;
  return false;
}

// The title of the alert's button under the point, when it names that button alone.
std::optional<std::string> alertButtonAt(const UIAlertView& alert, CGPoint point) {
  for (UIViewRef hit = alert_center::window()->hitTest(point); hit; hit = hit->superview()) {
    auto button = std::dynamic_pointer_cast<UIButton>(hit);
    if (!button) continue;
    auto title = button->titleForState(0);
    if (!title) return std::nullopt;
    long named = 0;
    for (const auto& t : alert.buttonTitles()) named += t == *title;
    return named == 1 ? title : std::nullopt;
  }
  return std::nullopt;
}

std::string pointWord(CGPoint point) { return fmt::format("{},{}", point.x, point.y); }

}  // namespace

std::string scriptWord(const std::string& text, bool quote) {
  bool plain = !text.empty() && text.find_first_of(" \t\"\\#") == std::string::npos;
  if (plain && !quote) return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

CGSize InputHost::screen() const { return deviceProfile().screen; }

bool InputHost::touch(CGPoint point, unsigned count) {
  if (alert_center::takeTap(point, count)) {
    afterAlert();
    return true;
  }
  return touchScreen(point, count);
}

bool InputHost::swipe(CGPoint point, unsigned direction) {
  if (alert_center::onScreen()) return false;  // the alert takes the finger, and a swipe does nothing on it
  return swipeScreen(point, direction);
}

bool InputHost::drag(CGPoint, CGPoint) { return false; }

bool InputHost::type(const std::string& text) {
  auto alert = alert_center::onScreen();
  auto field = alert ? alert->textFieldAtIndex(0) : nullptr;
  return field && field->isFirstResponder() && field->insertText(text);
}

bool InputHost::key(Key key) {
  auto alert = alert_center::onScreen();
  if (!alert) return false;
  const long first = alert->cancelButtonTitle ? 1 : 0;  // the first of the other buttons
  switch (key) {
    case Key::BackSpace: {
      auto field = alert->textFieldAtIndex(0);
      return field && field->isFirstResponder() && field->deleteBackward();
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
  afterAlert();
  return true;
}

std::string InputHost::tapLine(CGPoint point, unsigned count) const {
  const std::string times = count > 1 ? fmt::format(" {}", count) : "";
  if (auto alert = alert_center::onScreen()) {
    if (count == 1)
      if (auto title = alertButtonAt(*alert, point)) return "alert press " + scriptWord(*title);
    return fmt::format("tap {}{}", pointWord(point), times);
  }
  if (auto named = nameTap(point, count)) return *named;
  return fmt::format("tap {}{}", pointWord(point), times);
}

std::optional<std::string> InputHost::nameTap(CGPoint, unsigned) const { return std::nullopt; }

bool InputHost::recognizesTaps(CGPoint point, unsigned count) const {
  if (alert_center::onScreen()) return false;
  auto taking = window();
  return taking && taking->frame().contains(point) && taking->recognizesTaps(point, count);
}

bool InputHost::animating() const {
  auto taking = window();
  return taking && anyAnimation(*taking);
}
