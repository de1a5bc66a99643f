// MediaPlayerUI stand-in: the stock media-controls view controller, registered under the name
// "MPUSystemMediaControlsViewController" so that NSClassFromString finds it.
// Implements: initWithStyle: (style 2 is the one the system's overlays use) and a view, made
// by loadView, that is an MPUSystemMediaControlsView (title, artist, previous / play-pause /
// next buttons sending commands 5, 2 and 4, a thin time bar; laid out to the view's width and
// refreshed at every now-playing change). See MPUSystemMediaControlsView.hpp.
// Leaves out: the other styles' looks (all are laid out as style 2), the volume and route
// controls, the controller's delegate.
#pragma once

#include <memory>

#include "platform/mediaremote/MPUSystemMediaControlsView.hpp"
#include "platform/uikit/UIViewController.hpp"

class MPUSystemMediaControlsViewController : public UIViewController {
  VW_DECLARE_CLASS()
 public:
  // The view's frame until its owner sets one: the screen's width, this tall.
  static constexpr double kDefaultHeight = 150;

  MPUSystemMediaControlsViewController() = default;

  // initWithStyle: — returns the receiver (null when it is not owned by a shared_ptr), so that
  // `std::make_shared<MPUSystemMediaControlsViewController>()->initWithStyle(2)` reads as in
  // Objective-C. A style given after the view was made applies to nothing.
  std::shared_ptr<MPUSystemMediaControlsViewController> initWithStyle(long style);
  long style() const { return style_; }

  // The view as its own class (loads it if needed).
  MPUSystemMediaControlsViewRef controlsView();

  void loadView() override;

 private:
  long style_ = 0;
};
using MPUSystemMediaControlsViewControllerRef = std::shared_ptr<MPUSystemMediaControlsViewController>;
