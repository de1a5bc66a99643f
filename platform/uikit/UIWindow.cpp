#include "platform/uikit/UIWindow.hpp"

#include "platform/device/DeviceProfile.hpp"
#include "platform/uikit/UIAlertView.hpp"
#include "platform/uikit/UIControl.hpp"
#include "platform/uikit/UISwitch.hpp"
#include "platform/uikit/UITableView.hpp"
#include "platform/uikit/UITableViewCell.hpp"

VW_DEFINE_CLASS(UIWindow, UIView, factoryOf<UIWindow>())
VW_DEFINE_CLASS(UIScreen, ReflectiveObject, nullptr)

UIWindow::UIWindow() { setHidden(true); }
UIWindow::UIWindow(CGRect frame) : UIView(frame) { setHidden(true); }

namespace {

// hitTest refuses hidden views; a window's own hidden flag is checked by the caller.
UIViewRef hitInWindow(UIWindow& window, CGPoint point) {
  bool hidden = window.isHidden();
  window.setHidden(false);
  UIViewRef hit = window.hitTest(point);
  window.setHidden(hidden);
  return hit;
}

}  // namespace

bool UIWindow::sendTap(CGPoint point, unsigned tapCount) {
  if (isHidden()) return false;
  UIViewRef hit = hitInWindow(*this, point);
  for (UIViewRef v = hit; v; v = v->superview())
    for (const auto& g : v->gestureRecognizers())
      if (auto tap = std::dynamic_pointer_cast<UITapGestureRecognizer>(g);
          tap && tap->enabled && tap->numberOfTapsRequired == tapCount && tap->numberOfTouchesRequired == 1)
        return tap->fire();
  if (tapCount != 1) return false;
  // The nearest view that takes a single touch: a text field (it takes the keyboard), a
  // control with touch-up-inside actions, a switch (it flips), a table's row (it is selected).
  for (UIViewRef v = hit; v; v = v->superview()) {
    if (auto field = std::dynamic_pointer_cast<UITextField>(v)) return field->becomeFirstResponder();
    if (auto control = std::dynamic_pointer_cast<UIControl>(v); control && control->hasActionsFor(UIControlEventTouchUpInside))
      return control->sendActionsForControlEvents(UIControlEventTouchUpInside) > 0;
    if (auto toggle = std::dynamic_pointer_cast<UISwitch>(v)) {
      toggle->toggleByUser();
      return true;
    }
    if (auto cell = std::dynamic_pointer_cast<UITableViewCell>(v)) {
      auto table = cell->tableView();
      auto indexPath = table ? table->indexPathForCell(*cell) : std::nullopt;
      return indexPath && table->selectRowByUser(*indexPath);
    }
  }
  return false;
}

bool UIWindow::recognizesTaps(CGPoint point, unsigned tapCount) {
  if (isHidden()) return false;
  for (UIViewRef v = hitInWindow(*this, point); v; v = v->superview())
    for (const auto& g : v->gestureRecognizers())
      if (auto tap = std::dynamic_pointer_cast<UITapGestureRecognizer>(g);
          tap && tap->enabled && tap->numberOfTapsRequired == tapCount && tap->numberOfTouchesRequired == 1)
        return true;
  return false;
}

bool UIWindow::sendSwipe(CGPoint point, unsigned direction) {
  if (isHidden()) return false;
  UIViewRef hit = hitInWindow(*this, point);
  for (UIViewRef v = hit; v; v = v->superview())
    for (const auto& g : v->gestureRecognizers())
      if (auto swipe = std::dynamic_pointer_cast<UISwipeGestureRecognizer>(g);
          swipe && swipe->enabled && (swipe->direction & direction) && swipe->numberOfTouchesRequired == 1)
        return swipe->fire();
  return false;
}

std::shared_ptr<UIScreen> UIScreen::mainScreen() {
  static auto screen = std::make_shared<UIScreen>();
  return screen;
}

CGRect UIScreen::bounds() const { return CGRect{{0, 0}, deviceProfile().screen}; }
double UIScreen::scale() const { return deviceProfile().scale; }

VW_DEFINE_CLASS(UIDevice, ReflectiveObject, nullptr,
                {{"userInterfaceIdiom", [](ReflectiveObject&, const ReflectiveObjectRef&) {}}})

std::shared_ptr<UIDevice> UIDevice::currentDevice() {
  static auto device = std::make_shared<UIDevice>();
  return device;
}

long UIDevice::userInterfaceIdiom() const { return static_cast<long>(deviceProfile().idiom); }

bool UIDevice::respondsToSelector(std::string_view selector) const {
  if (selector == "userInterfaceIdiom") return deviceProfile().idiomAnswered;
  return ReflectiveObject::respondsToSelector(selector);
}
