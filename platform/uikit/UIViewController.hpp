// UIKit stand-in: view controllers, navigation items and bar button items.
// Implements: a controller's view made on first use by loadView (then viewDidLoad), the
// appearance callbacks the hosts call at the moments UIKit would, a title, a navigation item
// (title, title view, right bar button item with a system glyph or a title), the navigation
// controller it is in, and modal presentation of one controller at a time with dismissal: a
// full-screen sheet whose view covers the presenter's window until it is dismissed.
// Leaves out: child containment beyond navigation, transitions, rotation, storyboards,
// presentation styles other than full screen.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/uikit/UIView.hpp"

class UINavigationController;

enum UIBarButtonSystemItem : long { UIBarButtonSystemItemDone = 0, UIBarButtonSystemItemCompose = 7 };
enum UIBarButtonItemStyle : long { UIBarButtonItemStylePlain = 0, UIBarButtonItemStyleDone = 2 };

class UIBarButtonItem : public ReflectiveObject {
  VW_DECLARE_CLASS()
 public:
  // initWithBarButtonSystemItem:target:action: — the target is not retained.
  UIBarButtonItem(long systemItem, const ReflectiveObjectRef& target, std::string action)
      : systemItem(systemItem), target(target), action(std::move(action)) {}
  // initWithTitle:style:target:action: — an item that shows a title instead of a system glyph.
  UIBarButtonItem(std::string title, long style, const ReflectiveObjectRef& target, std::string action)
      : systemItem(-1), title(std::move(title)), style(style), target(target), action(std::move(action)) {}
  const long systemItem;  // -1 for an item made with a title
  const std::optional<std::string> title;
  const long style = UIBarButtonItemStylePlain;
  const std::weak_ptr<ReflectiveObject> target;
  const std::string action;
  // Sends the action to the target with the item as sender.
  bool press();
};
using UIBarButtonItemRef = std::shared_ptr<UIBarButtonItem>;

class UINavigationItem : public ReflectiveObject {
  VW_DECLARE_CLASS()
 public:
  std::optional<std::string> title;
  UIViewRef titleView;
  UIBarButtonItemRef rightBarButtonItem;
  void setRightBarButtonItem(UIBarButtonItemRef item) { rightBarButtonItem = std::move(item); }
  void setTitleView(UIViewRef view) { titleView = std::move(view); }
};
using UINavigationItemRef = std::shared_ptr<UINavigationItem>;

class UIViewController : public ReflectiveObject {
  VW_DECLARE_CLASS()
 public:
  UIViewController();
  ~UIViewController() override;

  // The view, loaded on first use: loadView, then viewDidLoad.
  UIViewRef view();
  bool isViewLoaded() const { return view_ != nullptr; }
  void setView(UIViewRef view) { view_ = std::move(view); }

  virtual void loadView();  // makes a plain view of the screen's size
  virtual void viewDidLoad() {}
  virtual void viewWillAppear(bool animated) {}
  virtual void viewDidAppear(bool animated) {}
  virtual void viewWillDisappear(bool animated) {}
  virtual void viewDidDisappear(bool animated) {}

  const std::optional<std::string>& title() const { return title_; }
  virtual void setTitle(std::optional<std::string> title);
  const UINavigationItemRef& navigationItem() const { return navigationItem_; }

  // The navigation controller this controller is in (for a navigation controller inside
  // another, the outer one), or null.
  std::shared_ptr<UINavigationController> navigationController() const;
  void setNavigationController(const std::shared_ptr<UINavigationController>& nav) { navigationController_ = nav; }

  // Modal presentation: the presented controller is kept alive until dismissed. Its view is
  // loaded and, when this controller's view is in a window, added on top of that window at the
  // window's size (a presenter outside any window presents all the same, with nothing shown).
  void presentViewController(const std::shared_ptr<UIViewController>& controller, bool animated,
                             std::function<void()> completion = {});
  // Sent to the presenting or the presented controller (or to a page whose navigation
  // controller presented it): dismisses the presented one and takes its view off the screen.
  void dismissViewControllerAnimated(bool animated, std::function<void()> completion = {});
  std::shared_ptr<UIViewController> presentedViewController() const { return presented_; }
  std::shared_ptr<UIViewController> presentingViewController() const { return presenting_.lock(); }

 private:
  UIViewRef view_;
  std::optional<std::string> title_;
  UINavigationItemRef navigationItem_;
  std::weak_ptr<UINavigationController> navigationController_;
  std::shared_ptr<UIViewController> presented_;
  std::weak_ptr<UIViewController> presenting_;
};
using UIViewControllerRef = std::shared_ptr<UIViewController>;
