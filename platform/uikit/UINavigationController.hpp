// UIKit stand-in: navigation controllers and navigation bars.
// Implements: a stack of view controllers (initWithRootViewController:, push, pop, pop to
// root), each one's navigationController set while it is on the stack; the appearance
// callbacks at the moments UIKit sends them (while the navigation controller is on screen a
// push sends viewWillDisappear: to the old top and then viewWillAppear: to the new one, a pop
// the reverse; the navigation controller's own appearance is forwarded to its top); the bar
// (tint colour, items) at the top of its view and the top controller's view below it. A
// navigation controller may itself sit on another's stack with its bar hidden: its pages'
// items then show on the outer bar, after the outer pages' items. When a change happens
// while the tree is in a window, the tree gets its appearance settings and a layout pass.
// Leaves out: transitions and their animation, toolbars, interactive pops, back button
// titles beyond the previous item, bar styles, large titles.
#pragma once

#include <vector>

#include "platform/uikit/UIViewController.hpp"

class UINavigationBar : public UIView {
  VW_DECLARE_CLASS()
 public:
  using UIView::UIView;
  const std::vector<UINavigationItemRef>& items() const { return items_; }
  void setItems(std::vector<UINavigationItemRef> items) { items_ = std::move(items); }
  UINavigationItemRef topItem() const { return items_.empty() ? nullptr : items_.back(); }
  UINavigationItemRef backItem() const { return items_.size() < 2 ? nullptr : items_[items_.size() - 2]; }

 protected:
  void describe(nlohmann::json& out, const Annotator& annotate) const override;

 private:
  std::vector<UINavigationItemRef> items_;
};
using UINavigationBarRef = std::shared_ptr<UINavigationBar>;

class UINavigationController : public UIViewController {
  VW_DECLARE_CLASS()
 public:
  UINavigationController();
  // Puts root on the empty stack; returns this controller.
  std::shared_ptr<UINavigationController> initWithRootViewController(const UIViewControllerRef& root);

  std::shared_ptr<UINavigationController> self() { return std::static_pointer_cast<UINavigationController>(shared_from_this()); }

  const UINavigationBarRef& navigationBar() const { return bar_; }
  bool isNavigationBarHidden() const { return barHidden_; }
  void setNavigationBarHidden(bool hidden);

  const std::vector<UIViewControllerRef>& viewControllers() const { return stack_; }
  UIViewControllerRef topViewController() const { return stack_.empty() ? nullptr : stack_.back(); }
  // A controller already on the stack is not pushed again.
  void pushViewController(const UIViewControllerRef& controller, bool animated);
  // The popped controller; null (and nothing happens) when only the root is left.
  UIViewControllerRef popViewControllerAnimated(bool animated);

  void loadView() override;
  void viewWillAppear(bool animated) override;
  void viewDidAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;
  void viewDidDisappear(bool animated) override;

  // The bar that is drawn for this controller: its own, or, with its bar hidden inside
  // another navigation controller, that one's visible bar.
  UINavigationBarRef visibleNavigationBar() const;
  // Items for the bar: each page's item; a nested navigation controller with a hidden bar
  // contributes its own pages' items.
  std::vector<UINavigationItemRef> barItems() const;

 private:
  void showTop();         // puts the top controller's view below the bar
  void refreshBar();      // recomputes the items of the visible bar
  void displayChanged();  // appearance and layout when in a window

  UINavigationBarRef bar_;
  bool barHidden_ = false;
  bool onScreen_ = false;
  std::vector<UIViewControllerRef> stack_;
};
using UINavigationControllerRef = std::shared_ptr<UINavigationController>;
