// MediaPlayerUI stand-in: the view of the stock media controls (MPUSystemMediaControlsViewController).
// Implements: a thin time bar (a track with a fill as wide as the elapsed share of the
// duration), a title label, an artist label and previous / play-pause / next buttons that send
// the media-remote commands 5, 2 and 4; the subviews follow the view's width whenever its
// frame changes; the texts, the play/pause title and the time bar are refreshed from the
// media-remote service's source when the view is made and at every now-playing change notification.
// Leaves out: the volume slider, the route button, scrubbing, artwork, styles other than 2
// (every style is laid out as style 2), a time bar that moves by itself between changes.
//
// Lifetime: the buttons target the view itself (not the controller), so the controls keep
// working for as long as they are shown, even after their controller is gone. The view is
// held weakly by the one process-wide observer of the change notification: a destroyed view
// is never called, and making views registers no further observers.
#pragma once

#include <memory>

#include "platform/uikit/UIControl.hpp"
#include "platform/uikit/UILabel.hpp"
#include "platform/uikit/UIView.hpp"

class MPUSystemMediaControlsView : public UIView {
  VW_DECLARE_CLASS()
 public:
  // Layout constants of style 2, in points.
  static constexpr double kTimeBarY = 4, kTimeBarHeight = 2;
  static constexpr double kTitleY = 16, kTitleHeight = 22, kArtistY = 40, kArtistHeight = 18;
  static constexpr double kButtonsY = 66, kButtonSide = 44, kButtonSpacing = 88;

  // Makes the controls, wired to the service, registered for changes and filled from the player.
  static std::shared_ptr<MPUSystemMediaControlsView> create(CGRect frame, long style = 2);
  // For make_shared only: the view is not wired yet. Use create().
  MPUSystemMediaControlsView(CGRect frame, long style);

  long style() const { return style_; }
  const UILabelRef& titleLabel() const { return titleLabel_; }
  const UILabelRef& artistLabel() const { return artistLabel_; }
  const UIButtonRef& previousButton() const { return previousButton_; }
  const UIButtonRef& playPauseButton() const { return playPauseButton_; }
  const UIButtonRef& nextButton() const { return nextButton_; }
  const UIViewRef& timeBar() const { return timeBar_; }
  const UIViewRef& timeBarFill() const { return timeBarFill_; }

  void setFrame(CGRect frame) override;
  // Title and artist ("" when absent or with no now-playing item), "Pause" or "Play" on the
  // middle button, and the time bar's fill, from the player as it is now. Main thread.
  void refresh();

  // Button actions (selectors "previousTrack:", "togglePlayPause:", "nextTrack:").
  void previousTrack(const ReflectiveObjectRef& sender);
  void togglePlayPause(const ReflectiveObjectRef& sender);
  void nextTrack(const ReflectiveObjectRef& sender);

 private:
  void layoutControls();
  void layoutTimeBarFill();

  long style_;
  double elapsedShare_ = 0;  // elapsed / duration, in [0, 1]
  UIViewRef timeBar_, timeBarFill_;
  UILabelRef titleLabel_, artistLabel_;
  UIButtonRef previousButton_, playPauseButton_, nextButton_;
};
using MPUSystemMediaControlsViewRef = std::shared_ptr<MPUSystemMediaControlsView>;
