#include "platform/uikit/UIViewController.hpp"

#include "platform/uikit/UINavigationController.hpp"
#include "platform/uikit/UIWindow.hpp"

VW_DEFINE_CLASS(UIBarButtonItem, ReflectiveObject, nullptr)
VW_DEFINE_CLASS(UINavigationItem, ReflectiveObject, factoryOf<UINavigationItem>())
VW_DEFINE_CLASS(UIViewController, ReflectiveObject, factoryOf<UIViewController>())

namespace {

// The window a view is shown in, or null.
std::shared_ptr<UIWindow> windowOf(const UIViewRef& view) {
  for (UIViewRef v = view; v; v = v->superview())
    if (auto window = std::dynamic_pointer_cast<UIWindow>(v)) return window;
  return nullptr;
}

}  // namespace

bool UIBarButtonItem::press() {
  auto t = target.lock();
  return t && t->performSelector(action, shared_from_this());
}

UIViewController::UIViewController() : navigationItem_(std::make_shared<UINavigationItem>()) {}
UIViewController::~UIViewController() = default;

UIViewRef UIViewController::view() {
  if (!view_) {
    loadView();
    if (!view_) view_ = std::make_shared<UIView>(UIScreen::mainScreen()->bounds());
    view_->setViewDelegate(shared_from_this());
    viewDidLoad();
  }
  return view_;
}

void UIViewController::loadView() { view_ = std::make_shared<UIView>(UIScreen::mainScreen()->bounds()); }

void UIViewController::setTitle(std::optional<std::string> title) {
  title_ = title;
  navigationItem_->title = std::move(title);
}

void UIViewController::presentViewController(const std::shared_ptr<UIViewController>& controller, bool animated,
                                             std::function<void()> completion) {
  if (!controller || presented_) return;  // one presentation at a time, as UIKit refuses a second
  presented_ = controller;
  controller->presenting_ = std::static_pointer_cast<UIViewController>(shared_from_this());
  // The sheet's view is built now, from the content the controller holds at this moment.
  UIViewRef sheet = controller->view();
  // A full-screen sheet lies over everything in the presenter's window.
  if (auto window = windowOf(view_)) {
    sheet->setFrame(window->bounds());
    window->addSubview(sheet);
  }
  controller->viewWillAppear(animated);
  controller->viewDidAppear(animated);
  if (completion) completion();
}

void UIViewController::dismissViewControllerAnimated(bool animated, std::function<void()> completion) {
  // Sent to a presented controller, it asks its presenter to dismiss it.
  if (!presented_) {
    if (auto presenter = presenting_.lock()) {
      presenter->dismissViewControllerAnimated(animated, std::move(completion));
      return;
    }
    // A page inside a navigation controller: the sheet was presented by the navigation
    // controller for it.
    if (auto nav = navigationController(); nav && static_cast<const UIViewController*>(nav.get()) != this) {
      nav->dismissViewControllerAnimated(animated, std::move(completion));
      return;
    }
    if (completion) completion();
    return;
  }
  auto dismissed = std::move(presented_);
  presented_.reset();
  dismissed->viewWillDisappear(animated);
  if (dismissed->isViewLoaded() && dismissed->view_->superview()) dismissed->view_->removeFromSuperview();
  dismissed->viewDidDisappear(animated);
  dismissed->presenting_.reset();
  if (completion) completion();
}

std::shared_ptr<UINavigationController> UIViewController::navigationController() const { return navigationController_.lock(); }
