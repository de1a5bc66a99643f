// The Settings app's second job: what a user does on the page on screen (taps rows of the list
// or of a pane's page, moves controls, touches the value entry, composes, finishes sheets).
#include <fmt/format.h>

#include <algorithm>

#include "hosts/settings/SettingsHost.hpp"
#include "platform/messageui/MFMailComposeView.hpp"
#include "platform/plist/PropertyListJson.hpp"
#include "platform/social/SLComposeView.hpp"
#include "platform/social/SLComposeViewController.hpp"
#include "platform/uikit/UIAlertView.hpp"
#include "platform/uikit/UISegmentedControl.hpp"
#include "platform/uikit/UISlider.hpp"
#include "platform/uikit/UISwitch.hpp"
#include "platform/uikit/UITableViewCell.hpp"

namespace {

// The first view of a class (or subclass) in a tree.
template <class T>
std::shared_ptr<T> findView(const UIViewRef& root) {
  if (!root) return nullptr;
  if (auto v = std::dynamic_pointer_cast<T>(root)) return v;
  for (const auto& sub : root->subviews())
    if (auto v = findView<T>(sub)) return v;
  return nullptr;
}

std::string describeValue(const plist::Value& v) {
  return propertyListJson(v).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

// The first visible view with the tag whose frame, in window coordinates, holds the point.
UIViewRef taggedViewAt(const UIViewRef& root, long tag, CGPoint point) {
  if (!root || root->isHidden()) return nullptr;
  if (root->tag() == tag) {
    CGPoint origin = root->convertPointToRoot({0, 0});
    if (CGRect{origin, root->frame().size}.contains(point)) return root;
  }
  for (const auto& sub : root->subviews())
    if (auto v = taggedViewAt(sub, tag, point)) return v;
  return nullptr;
}

// Width of the navigation bar's ends that take the back and compose buttons' touches.
constexpr double kBarButtonReach = 90;

}  // namespace

void SettingsHost::tap(const std::string& label) {
  auto page = topPage();
  if (!page) {
    tapOnList(label);
    return;
  }
  if (presentedSheet()) throw SettingsHostError("a sheet covers the pane");
  auto table = page->table();
  const auto& sections = page->sectionRows();
  std::vector<std::string> labels;
  for (size_t s = 0; s < sections.size(); ++s)
    for (size_t r = 0; r < sections[s].size(); ++r) {
      const auto& specifier = sections[s][r];
      if (!specifier->name()) continue;
      labels.push_back(*specifier->name());
      if (*specifier->name() != label) continue;
      NSIndexPath ip{static_cast<long>(s), static_cast<long>(r)};
      auto cell = table ? table->cellForRowAtIndexPath(ip) : nullptr;
      if (auto sw = cell ? findView<UISwitch>(cell) : nullptr)
        sw->toggleByUser();
      else if (table)
        table->selectRowByUser(ip);
      displayPass();
      return;
    }
  std::string known;
  for (const auto& l : labels) known += (known.empty() ? "" : ", ") + fmt::format("\"{}\"", l);
  throw SettingsHostError(fmt::format("no row labelled \"{}\" on this page (rows: {})", label, known.empty() ? "none" : known));
}

void SettingsHost::set(const std::string& key, const plist::Value& value) {
  auto page = topPage();
  if (!page) throw SettingsHostError("the pane is not open");
  if (presentedSheet()) throw SettingsHostError("a sheet covers the pane");
  PSSpecifierRef specifier;
  std::optional<NSIndexPath> ip;
  for (size_t s = 0; s < page->sectionRows().size() && !specifier; ++s)
    for (size_t r = 0; r < page->sectionRows()[s].size(); ++r)
      if (page->sectionRows()[s][r]->key() == key) {
        specifier = page->sectionRows()[s][r];
        ip = NSIndexPath{static_cast<long>(s), static_cast<long>(r)};
        break;
      }
  if (!specifier) throw SettingsHostError(fmt::format("no row with key '{}' on this page", key));
  auto cell = page->table() ? page->table()->cellForRowAtIndexPath(*ip) : nullptr;
  if (auto sw = cell ? findView<UISwitch>(cell) : nullptr) {
    if (!value.isBool() && !value.isInteger()) throw SettingsHostError(fmt::format("the switch '{}' takes true or false", key));
    // The user flicks the switch to that position.
    sw->setOn(value.boolValue());
    sw->sendActionsForControlEvents(UIControlEventValueChanged);
  } else if (auto slider = cell ? findView<UISlider>(cell) : nullptr) {
    if (!value.isInteger() && !value.isReal()) throw SettingsHostError(fmt::format("the slider '{}' takes a number", key));
    slider->dragByUser(static_cast<float>(value.doubleValue()));
  } else if (auto segments = cell ? findView<UISegmentedControl>(cell) : nullptr) {
    const auto& values = specifier->values();
    long index = -1;
    for (size_t i = 0; i < values.size(); ++i)
      if (values[i] == value || (values[i].isNumber() && value.isNumber() && values[i].doubleValue() == value.doubleValue()))
        index = static_cast<long>(i);
    if (index < 0) throw SettingsHostError(fmt::format("'{}' offers no value {}", key, describeValue(value)));
    segments->selectByUser(index);
  } else if (specifier->cellType() == PSLinkListCell) {
    const auto& values = specifier->values();
    bool offered = false;
    for (const auto& v : values)
      offered = offered || v == value || (v.isNumber() && value.isNumber() && v.doubleValue() == value.doubleValue());
    if (!offered) throw SettingsHostError(fmt::format("'{}' offers no value {}", key, describeValue(value)));
    page->setPreferenceValue(value, specifier);
    page->reloadSpecifier(specifier);
  } else if (specifier->cellType() == PSEditTextCell) {
    page->setPreferenceValue(value, specifier);
    page->reloadSpecifier(specifier);
  } else {
    throw SettingsHostError(fmt::format("the row '{}' has no value a user can change", key));
  }
  displayPass();
}

void SettingsHost::compose() {
  auto page = topPage();
  if (!page) throw SettingsHostError("the pane is not open");
  if (presentedSheet()) throw SettingsHostError("a sheet covers the pane");
  auto button = page->navigationItem()->rightBarButtonItem;
  if (!button) throw SettingsHostError("this page has no compose button");
  button->press();
  displayPass();
}

void SettingsHost::dismiss(bool posted) {
  auto sheet = presentedSheet();
  if (!sheet) throw SettingsHostError("no sheet is presented");
  if (auto composer = std::dynamic_pointer_cast<SLComposeViewController>(sheet))
    composer->finish(posted ? SLComposeViewControllerResultDone : SLComposeViewControllerResultCancelled);
  else if (auto mail = std::dynamic_pointer_cast<MFMailComposeViewController>(sheet))
    mail->finish(posted ? MFMailComposeResultSent : MFMailComposeResultCancelled);
  else
    sheet->dismissViewControllerAnimated(true);
  displayPass();
}

MFMailComposeViewControllerRef SettingsHost::presentedMail() const {
  return std::dynamic_pointer_cast<MFMailComposeViewController>(presentedSheet());
}

void SettingsHost::finishMail(MFMailComposeResult result) {
  auto mail = presentedMail();
  if (!mail) throw SettingsHostError("no mail composer is on screen");
  mail->finish(result);
  displayPass();
}

void SettingsHost::touchValueEntry(const std::string& key) {
  auto page = topPage();
  if (!page) throw SettingsHostError("the pane is not open");
  if (presentedSheet()) throw SettingsHostError("a sheet covers the pane");
  if (alert_center::onScreen()) throw SettingsHostError("an alert covers the pane");
  for (size_t s = 0; s < page->sectionRows().size(); ++s)
    for (size_t r = 0; r < page->sectionRows()[s].size(); ++r) {
      if (page->sectionRows()[s][r]->key() != key) continue;
      auto cell = page->table() ? page->table()->cellForRowAtIndexPath({static_cast<long>(s), static_cast<long>(r)}) : nullptr;
      if (!cell || !findView<UISlider>(cell)) throw SettingsHostError(fmt::format("the row '{}' is not a slider", key));
      // A finger on the row's right-hand end, halfway down.
      CGRect b = cell->bounds();
      UIViewRef hit = cell->hitTest(CGPoint{b.origin.x + b.size.width - 25, b.origin.y + b.size.height / 2});
      for (UIViewRef v = hit; v && v != cell; v = v->superview())
        if (auto control = std::dynamic_pointer_cast<UIControl>(v);
            control && control->hasActionsFor(UIControlEventTouchUpInside)) {
          control->sendActionsForControlEvents(UIControlEventTouchUpInside);
          displayPass();
          return;
        }
      throw SettingsHostError(fmt::format("the slider '{}' has no value entry at its right-hand end", key));
    }
  throw SettingsHostError(fmt::format("no row with key '{}' on this page", key));
}

bool SettingsHost::touchScreen(CGPoint point, unsigned tapCount) {
  if (alert_center::onScreen()) return false;  // the alert takes the touches (its keys)
  if (auto sheet = presentedSheet()) {
    if (tapCount != 1) return false;
    UIViewRef view = sheet->view();
    if (taggedViewAt(view, MFMailComposeViewTagCancel, point) || taggedViewAt(view, SLComposeViewTagCancel, point)) {
      dismiss(false);
      return true;
    }
    if (taggedViewAt(view, MFMailComposeViewTagSend, point) || taggedViewAt(view, SLComposeViewTagPost, point)) {
      dismiss(true);
      return true;
    }
    return false;
  }
  if (auto bar = visibleNavigationBar(); bar && !bar->isHidden() && tapCount == 1) {
    CGPoint origin = bar->convertPointToRoot({0, 0});
    CGRect frame{origin, bar->frame().size};
    if (frame.contains(point)) {
      auto top = bar->topItem();
      if (point.x < frame.minX() + kBarButtonReach && bar->backItem() && isPaneOpen()) {
        back();
        return true;
      }
      if (point.x >= frame.maxX() - kBarButtonReach && top && top->rightBarButtonItem) {
        compose();
        return true;
      }
      return false;
    }
  }
  bool taken = window_->sendTap(point, tapCount);
  displayPass();
  return taken;
}

std::shared_ptr<UISlider> SettingsHost::sliderAt(CGPoint point) const {
  if (alert_center::onScreen() || presentedSheet() || window_->isHidden()) return nullptr;
  for (UIViewRef v = window_->hitTest(point); v; v = v->superview())
    if (auto slider = std::dynamic_pointer_cast<UISlider>(v)) return slider;
  return nullptr;
}

void SettingsHost::dragSlider(const std::shared_ptr<UISlider>& slider, CGPoint point) {
  if (!slider) return;
  // The thumb's centre travels the track less half a thumb at each end.
  constexpr double kThumbRadius = 14;
  const double left = slider->convertPointToRoot({0, 0}).x + kThumbRadius;
  const double travel = std::max(1.0, slider->frame().size.width - 2 * kThumbRadius);
  const double fraction = std::clamp((point.x - left) / travel, 0.0, 1.0);
  slider->dragByUser(static_cast<float>(slider->minimumValue() + fraction * (slider->maximumValue() - slider->minimumValue())));
  displayPass();
}

bool SettingsHost::swipeScreen(CGPoint point, unsigned direction) {
  if (presentedSheet()) return false;
  return window_->sendSwipe(point, direction);
}

bool SettingsHost::drag(CGPoint from, CGPoint to) {
  auto slider = sliderAt(from);
  if (!slider) return false;
  dragSlider(slider, to);
  return true;
}

std::optional<std::string> SettingsHost::nameTap(CGPoint point, unsigned count) const {
  if (count != 1 || alert_center::onScreen()) return std::nullopt;
  if (auto sheet = presentedSheet()) {
    UIViewRef view = sheet->view();
    if (taggedViewAt(view, MFMailComposeViewTagCancel, point) || taggedViewAt(view, SLComposeViewTagCancel, point))
      return "settings dismiss cancel";
    if (taggedViewAt(view, MFMailComposeViewTagSend, point) || taggedViewAt(view, SLComposeViewTagPost, point))
      return "settings dismiss post";
    return std::nullopt;
  }
  if (auto bar = visibleNavigationBar(); bar && !bar->isHidden()) {
    CGRect frame{bar->convertPointToRoot({0, 0}), bar->frame().size};
    if (frame.contains(point)) {
      if (point.x < frame.minX() + kBarButtonReach && bar->backItem() && isPaneOpen()) return "settings back";
      if (point.x >= frame.maxX() - kBarButtonReach && bar->topItem() && bar->topItem()->rightBarButtonItem)
        return "settings compose";
      return std::nullopt;
    }
  }
  return nameRowTap(point);
}

// A row by its label, where `settings tap LABEL` does what the touch does: a touch on a switch
// (which flips it), or on a row without controls (which selects it). A touch on another
// control, or on a switch row beside its switch, is left to its point.
std::optional<std::string> SettingsHost::nameRowTap(CGPoint point) const {
  std::shared_ptr<UITableViewCell> cell;
  bool onSwitch = false;
  for (UIViewRef v = window_->hitTest(point); v && !cell; v = v->superview()) {
    if (std::dynamic_pointer_cast<UISwitch>(v))
      onSwitch = true;
    else if (std::dynamic_pointer_cast<UIControl>(v))
      return std::nullopt;
    cell = std::dynamic_pointer_cast<UITableViewCell>(v);
  }
  if (!cell || (!onSwitch && findView<UIControl>(cell))) return std::nullopt;
  auto page = topPage();
  const UITableViewRef& table = page ? page->table() : list_->table();
  auto path = table ? table->indexPathForCell(*cell) : std::nullopt;
  if (!path) return std::nullopt;
  std::vector<std::string> labels;
  if (page) {
    for (const auto& section : page->sectionRows())
      for (const auto& specifier : section)
        if (specifier->name()) labels.push_back(*specifier->name());
    const auto& rows = page->sectionRows();
    if (path->section >= static_cast<long>(rows.size()) || path->row >= static_cast<long>(rows[path->section].size()))
      return std::nullopt;
    auto name = rows[path->section][path->row]->name();
    if (!name) return std::nullopt;
    labels.push_back(*name);
  } else {
    for (const auto& entry : list_->entries()) labels.push_back(entry.title());
    if (path->section != 0 || path->row >= static_cast<long>(labels.size())) return std::nullopt;
    labels.push_back(labels[path->row]);
  }
  // The last is the row touched; it must be the only row with its label.
  const std::string label = labels.back();
  if (std::count(labels.begin(), labels.end() - 1, label) != 1) return std::nullopt;
  return "settings tap " + scriptWord(label);
}
