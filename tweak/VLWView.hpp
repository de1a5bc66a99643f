// The music overlay that the activation hook puts into the reachability window: the artwork
// as a blurred backdrop and as a small rounded cover, the stock media controls, repeat and
// shuffle labels when vibrancy labels are on, and the cover's gestures.
#pragma once

#include <string>
#include <vector>

#include "platform/uikit/UIImageView.hpp"
#include "platform/uikit/UILabel.hpp"
#include "platform/uikit/UIVisualEffectView.hpp"

class VLWView : public UIView {
  VW_DECLARE_CLASS()
 public:
  using UIView::UIView;

  void loadUserSettings();
  void colorizeForArtwork(const UIImageRef& artwork);
  void layoutMusicUI();
  void removeTheViews();
  void updateMusicInformation();
  void updateSongTitleWithName(const std::string& name);
  void albumArtShake();
  void playThatBassZindra(const ReflectiveObjectRef& sender);
  void iWantZindraOneMoreTime(const ReflectiveObjectRef& sender);
  void ewwThisTrackSucksSkip(const ReflectiveObjectRef& sender);
  void turnUpForWhat(const ReflectiveObjectRef& sender);
  void turnDownForWhat(const ReflectiveObjectRef& sender);

  // Properties. They hold their views owning: a view taken out of the tree by
  // removeTheViews can still be updated by a late now-playing answer.
  const UIBlurEffectRef& blurEffect() const { return _blurEffect; }
  void setBlurEffect(UIBlurEffectRef v) { _blurEffect = std::move(v); }
  const UIVisualEffectViewRef& blurEffectView() const { return _blurEffectView; }
  void setBlurEffectView(UIVisualEffectViewRef v) { _blurEffectView = std::move(v); }
  const UIViewRef& touchView() const { return _touchView; }
  void setTouchView(UIViewRef v) { _touchView = std::move(v); }
  const UILabelRef& songNameLabel() const { return _songNameLabel; }
  void setSongNameLabel(UILabelRef v) { _songNameLabel = std::move(v); }
  const UILabelRef& artistAndAlbumLabel() const { return _artistAndAlbumLabel; }
  void setArtistAndAlbumLabel(UILabelRef v) { _artistAndAlbumLabel = std::move(v); }
  const UILabelRef& repeatLabel() const { return _repeatLabel; }
  void setRepeatLabel(UILabelRef v) { _repeatLabel = std::move(v); }
  const UILabelRef& shuffleLabel() const { return _shuffleLabel; }
  void setShuffleLabel(UILabelRef v) { _shuffleLabel = std::move(v); }
  const UIImageViewRef& backgroundCoverArt() const { return _backgroundCoverArt; }
  void setBackgroundCoverArt(UIImageViewRef v) { _backgroundCoverArt = std::move(v); }
  const UIImageViewRef& smallCoverArt() const { return _smallCoverArt; }
  void setSmallCoverArt(UIImageViewRef v) { _smallCoverArt = std::move(v); }

  // The properties that refer to views, by name, for dumps.
  std::vector<std::pair<const char*, const UIView*>> viewProperties() const {
    return {{"blurEffectView", _blurEffectView.get()},
            {"touchView", _touchView.get()},
            {"songNameLabel", _songNameLabel.get()},
            {"artistAndAlbumLabel", _artistAndAlbumLabel.get()},
            {"repeatLabel", _repeatLabel.get()},
            {"shuffleLabel", _shuffleLabel.get()},
            {"backgroundCoverArt", _backgroundCoverArt.get()},
            {"smallCoverArt", _smallCoverArt.get()}};
  }

 private:
  UIBlurEffectRef _blurEffect;
  UIVisualEffectViewRef _blurEffectView;
  UIViewRef _touchView;
  UILabelRef _songNameLabel;
  UILabelRef _artistAndAlbumLabel;
  UILabelRef _repeatLabel;
  UILabelRef _shuffleLabel;
  UIImageViewRef _backgroundCoverArt;
  UIImageViewRef _smallCoverArt;
};
using VLWViewRef = std::shared_ptr<VLWView>;
