#include "platform/uikit/UIAlertView.hpp"

#include <algorithm>
#include <deque>
#include <mutex>

#include <nlohmann/json.hpp>

#include "platform/process/ProcessState.hpp"
#include "platform/uikit/UIWindow.hpp"

VW_DEFINE_CLASS(UITextField, UIControl, factoryOf<UITextField>())
VW_DEFINE_CLASS(UIAlertView, UIView, nullptr, {{"_buttonPressed:", selectorOf(&UIAlertView::buttonPressed)}})

namespace {

// The level of the alert window, over normal windows (0) and the status bar (1000).
constexpr double kAlertWindowLevel = 2000;

struct AlertState {
  std::deque<UIAlertViewRef> visible;  // front is on screen
  std::vector<UIAlertViewRef> history;
  UIWindowRef window;
};

AlertState& state() {
  static AlertState* s = process_state::make<AlertState>("alerts", [](AlertState&) { alert_center::reset(); });
  return *s;
}

// The alert window shows the front alert, over the whole screen, or nothing.
void showFrontAlert() {
  auto& s = state();
  if (!s.window) {
    s.window = std::make_shared<UIWindow>();
    s.window->windowLevel = kAlertWindowLevel;
  }
  const CGRect screen = UIScreen::mainScreen()->bounds();
  s.window->setFrame(screen);
  while (!s.window->subviews().empty()) {
    UIViewRef shown = s.window->subviews().back();  // alive while it leaves
    shown->removeFromSuperview();
  }
  s.window->setHidden(s.visible.empty());
  if (s.visible.empty()) return;
  const UIAlertViewRef& front = s.visible.front();
  front->setFrame(screen);
  front->layoutSubviews();
  s.window->addSubview(front);
}

}  // namespace

bool UITextField::becomeFirstResponder() {
  if (firstResponder_) return true;
  if (auto d = delegate.lock(); d && !d->textFieldShouldBeginEditing(*this)) return false;
  firstResponder_ = true;
  return true;
}

bool UITextField::resignFirstResponder() {
  if (!firstResponder_) return true;
  if (auto d = delegate.lock(); d && !d->textFieldShouldEndEditing(*this)) return false;
  firstResponder_ = false;
  return true;
}

bool UITextField::insertText(const std::string& typed) {
  if (!firstResponder_ || typed.empty()) return false;
  if (auto d = delegate.lock(); d && !d->textFieldShouldChangeCharactersInRange(*this, text.size(), 0, typed)) return false;
  text += typed;
  return true;
}

bool UITextField::deleteBackward() {
  if (!firstResponder_ || text.empty()) return false;
  size_t start = text.size() - 1;
  while (start > 0 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80) --start;
  if (auto d = delegate.lock(); d && !d->textFieldShouldChangeCharactersInRange(*this, start, text.size() - start, ""))
    return false;
  text.erase(start);
  return true;
}

UIAlertView::UIAlertView(std::optional<std::string> title, std::optional<std::string> message,
                         std::weak_ptr<UIAlertViewDelegate> delegate, std::optional<std::string> cancelButtonTitle,
                         std::vector<std::string> otherButtonTitles)
    : title(std::move(title)),
      message(std::move(message)),
      cancelButtonTitle(std::move(cancelButtonTitle)),
      otherButtonTitles(std::move(otherButtonTitles)),
      delegate_(std::move(delegate)) {}

void UIAlertView::setAlertViewStyle(long style) {
  style_ = style;
  if (style == UIAlertViewStylePlainTextInput || style == UIAlertViewStyleSecureTextInput) {
    if (field_) return;
    field_ = std::make_shared<UITextField>();
    if (partsMade_) addSubview(field_);  // shown already
  } else if (field_) {
    field_->removeFromSuperview();
    field_.reset();
  }
  if (partsMade_) layoutSubviews();
}

UITextFieldRef UIAlertView::textFieldAtIndex(long index) const { return index == 0 ? field_ : nullptr; }

void UIAlertView::show() {
  auto& s = state();
  auto me = std::static_pointer_cast<UIAlertView>(shared_from_this());
  if (std::find(s.visible.begin(), s.visible.end(), me) != s.visible.end()) return;
  makeButtons();
  s.visible.push_back(me);
  s.history.push_back(me);
  showFrontAlert();
}

void UIAlertView::makeButtons() {
  if (partsMade_) return;
  partsMade_ = true;
  for (const auto& part : panelLayout().buttons) {
    auto button = UIButton::buttonWithType(UIButtonTypeSystem);
    button->setTitle(part.title, 0);
    button->addTarget(shared_from_this(), "_buttonPressed:", UIControlEventTouchUpInside);
    addSubview(button);
    buttons_.push_back(button);
    buttonIndexes_.push_back(part.index);
  }
  if (field_) addSubview(field_);
}

void UIAlertView::buttonPressed(const UIButtonRef& sender) {
  for (size_t i = 0; i < buttons_.size(); ++i)
    if (buttons_[i] == sender) {
      dismissWithClickedButtonIndex(buttonIndexes_[i]);
      return;
    }
}

UIAlertPanelLayout UIAlertView::panelLayout() const {
  return layoutAlertPanel(title, message, field_ != nullptr, cancelButtonTitle, otherButtonTitles,
                          UIScreen::mainScreen()->bounds());
}

void UIAlertView::layoutSubviews() {
  // The alert covers the screen: its frames are the screen's.
  const UIAlertPanelLayout layout = panelLayout();
  for (size_t i = 0; i < buttons_.size() && i < layout.buttons.size(); ++i) buttons_[i]->setFrame(layout.buttons[i].frame);
  if (field_) field_->setFrame(layout.field);
}

bool UIAlertView::isVisible() const {
  auto& s = state();
  return !s.visible.empty() && s.visible.front().get() == this;
}

void UIAlertView::dismissWithClickedButtonIndex(long index) {
  auto& s = state();
  auto me = std::static_pointer_cast<UIAlertView>(shared_from_this());  // alive through the callback
  std::erase(s.visible, me);
  showFrontAlert();
  if (auto delegate = delegate_.lock()) delegate->alertViewClickedButtonAtIndex(*this, index);
}

std::vector<std::string> UIAlertView::buttonTitles() const {
  std::vector<std::string> titles;
  if (cancelButtonTitle) titles.push_back(*cancelButtonTitle);
  titles.insert(titles.end(), otherButtonTitles.begin(), otherButtonTitles.end());
  return titles;
}

long UIAlertView::indexOfButtonTitled(const std::string& wanted) const {
  auto titles = buttonTitles();
  auto it = std::find(titles.begin(), titles.end(), wanted);
  return it == titles.end() ? -1 : static_cast<long>(it - titles.begin());
}

nlohmann::json UIAlertView::describeAlert() const {
  auto opt = [](const std::optional<std::string>& s) { return s ? nlohmann::json(*s) : nlohmann::json(nullptr); };
  nlohmann::json out{{"title", opt(title)},         {"message", opt(message)}, {"cancel", opt(cancelButtonTitle)},
                     {"others", otherButtonTitles}, {"style", style_},         {"tag", tag()},
                     {"onScreen", isVisible()}};
  out["text"] = field_ ? nlohmann::json(field_->text) : nlohmann::json(nullptr);
  if (field_) {
    out["keyboardType"] = field_->keyboardType;
    out["firstResponder"] = field_->isFirstResponder();
  }
  const UIAlertPanelLayout layout = panelLayout();
  nlohmann::json buttons = nlohmann::json::array();
  for (const auto& b : layout.buttons) buttons.push_back({{"title", b.title}, {"index", b.index}, {"frame", rectJson(b.frame)}});
  out["buttons"] = buttons;
  out["fieldFrame"] = field_ ? rectJson(layout.field) : nlohmann::json(nullptr);
  return out;
}

namespace alert_center {

UIAlertViewRef onScreen() {
  auto& s = state();
  return s.visible.empty() ? nullptr : s.visible.front();
}

std::vector<UIAlertViewRef> history() { return state().history; }

UIWindowRef window() {
  if (!state().window) showFrontAlert();
  return state().window;
}

bool takeTap(CGPoint screenPoint, unsigned tapCount) {
  if (!onScreen()) return false;
  window()->sendTap(screenPoint, tapCount);
  return true;
}

void reset() {
  state().visible.clear();
  state().history.clear();
  showFrontAlert();
}

}  // namespace alert_center
