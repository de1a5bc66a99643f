#include "platform/uikit/UINavigationController.hpp"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "platform/uikit/LayoutSolver.hpp"
#include "platform/uikit/UIAppearance.hpp"
#include "platform/uikit/UIWindow.hpp"

VW_DEFINE_CLASS(UINavigationBar, UIView, factoryOf<UINavigationBar>())
VW_DEFINE_CLASS(UINavigationController, UIViewController, factoryOf<UINavigationController>())

namespace {
constexpr double kStatusBarHeight = 20;
constexpr double kBarHeight = 44;
}  // namespace

void UINavigationBar::describe(nlohmann::json& out, const Annotator& annotate) const {
  UIView::describe(out, annotate);
  out["tintColor"] = colorJson(tintColor());
  nlohmann::json items = nlohmann::json::array();
  for (const auto& item : items_) items.push_back(item->title ? nlohmann::json(*item->title) : nlohmann::json(nullptr));
  out["items"] = items;
}

UINavigationController::UINavigationController() : bar_(std::make_shared<UINavigationBar>()) {}

std::shared_ptr<UINavigationController> UINavigationController::initWithRootViewController(const UIViewControllerRef& root) {
  if (root && stack_.empty()) {
    stack_.push_back(root);
    root->setNavigationController(self());
    refreshBar();
  }
  return self();
}

void UINavigationController::setNavigationBarHidden(bool hidden) {
  barHidden_ = hidden;
  if (isViewLoaded()) {
    bar_->setHidden(hidden);
    showTop();
  }
  refreshBar();
}

void UINavigationController::loadView() {
  CGRect screen = UIScreen::mainScreen()->bounds();
  setView(std::make_shared<UIView>(screen));
  // On the phone a page slides under the translucent bar; here pages start below it, so the
  // container's white is what shows through the bar (and behind the status bar).
  view()->setBackgroundColor(UIColor::whiteColor());
  bar_->setFrame(CGRect{{0, kStatusBarHeight}, {screen.size.width, kBarHeight}});
  bar_->setAutoresizingMask(UIViewAutoresizingFlexibleWidth);
  bar_->setHidden(barHidden_);
  view()->addSubview(bar_);
  showTop();
}

void UINavigationController::showTop() {
  if (!isViewLoaded()) return;
  UIViewRef container = view();
  auto subviews = container->subviews();  // removing changes the list
  for (const auto& sub : subviews)
    if (sub != bar_) sub->removeFromSuperview();
  auto top = topViewController();
  if (!top) return;
  CGRect b = container->bounds();
  double y = barHidden_ ? 0 : kStatusBarHeight + kBarHeight;
  UIViewRef content = top->view();
  content->setFrame(CGRect{{0, y}, {b.size.width, std::max(0.0, b.size.height - y)}});
  container->insertSubviewAtIndex(content, 0);
}

std::vector<UINavigationItemRef> UINavigationController::barItems() const {
  std::vector<UINavigationItemRef> items;
  for (const auto& vc : stack_) {
    auto nested = std::dynamic_pointer_cast<UINavigationController>(vc);
    if (nested && nested->isNavigationBarHidden()) {
      auto inner = nested->barItems();
      items.insert(items.end(), inner.begin(), inner.end());
    } else {
      items.push_back(vc->navigationItem());
    }
  }
  return items;
}

UINavigationBarRef UINavigationController::visibleNavigationBar() const {
  if (barHidden_)
    if (auto outer = navigationController()) return outer->visibleNavigationBar();
  return bar_;
}

void UINavigationController::refreshBar() {
  if (barHidden_)
    if (auto outer = navigationController()) {
      outer->refreshBar();
      return;
    }
  bar_->setItems(barItems());
}

void UINavigationController::displayChanged() {
  if (!isViewLoaded()) return;
  UIViewRef root = view()->rootView();
  if (!dynamic_cast<UIWindow*>(root.get())) return;
  UIAppearance::applyToTree(*root);
  layoutViewTree(*root);
}

void UINavigationController::pushViewController(const UIViewControllerRef& controller, bool animated) {
  if (!controller || std::find(stack_.begin(), stack_.end(), controller) != stack_.end()) return;
  auto old = topViewController();
  stack_.push_back(controller);
  controller->setNavigationController(self());
  refreshBar();
  if (!onScreen_) {
    showTop();
    return;
  }
  controller->view();
  if (old) old->viewWillDisappear(animated);
  controller->viewWillAppear(animated);
  showTop();
  if (old) old->viewDidDisappear(animated);
  controller->viewDidAppear(animated);
  displayChanged();
}

UIViewControllerRef UINavigationController::popViewControllerAnimated(bool animated) {
  if (stack_.size() < 2) return nullptr;
  auto popped = stack_.back();
  stack_.pop_back();
  auto top = topViewController();
  if (onScreen_) {
    popped->viewWillDisappear(animated);
    top->viewWillAppear(animated);
  }
  showTop();
  popped->setNavigationController(nullptr);
  refreshBar();
  if (onScreen_) {
    popped->viewDidDisappear(animated);
    top->viewDidAppear(animated);
    displayChanged();
  }
  return popped;
}

void UINavigationController::viewWillAppear(bool animated) {
  onScreen_ = true;
  if (auto top = topViewController()) {
    top->view();
    showTop();
    top->viewWillAppear(animated);
  }
  refreshBar();
}

void UINavigationController::viewDidAppear(bool animated) {
  if (auto top = topViewController()) top->viewDidAppear(animated);
  displayChanged();
}

void UINavigationController::viewWillDisappear(bool animated) {
  if (auto top = topViewController()) top->viewWillDisappear(animated);
}

void UINavigationController::viewDidDisappear(bool animated) {
  onScreen_ = false;
  if (auto top = topViewController()) top->viewDidDisappear(animated);
}
