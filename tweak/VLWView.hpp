// The music overlay that the activation hook puts into the reachability window: the artwork
// as a blurred backdrop and as a small rounded cover, the stock media controls, repeat and
// shuffle labels when vibrancy labels are on, and the cover's gestures.
#pragma once

#include <string>
#include <type_traits>
#include <vector>

#include "platform/uikit/UIImageView.hpp"
#include "platform/uikit/UILabel.hpp"
#include "platform/uikit/UIVisualEffectView.hpp"

// The overlay's properties, one line each: type, getter name, setter name after "set". Each
// use of the table below expands one macro per line, so a property is written here only.
#define VLW_VIEW_PROPERTIES(X)                              \
  X(UIBlurEffectRef, blurEffect, BlurEffect)                \
  X(UIVisualEffectViewRef, blurEffectView, BlurEffectView)  \
  X(UIViewRef, touchView, TouchView)                        \
  X(UILabelRef, songNameLabel, SongNameLabel)               \
  X(UILabelRef, artistAndAlbumLabel, ArtistAndAlbumLabel)   \
  X(UILabelRef, repeatLabel, RepeatLabel)                   \
  X(UILabelRef, shuffleLabel, ShuffleLabel)                 \
  X(UIImageViewRef, backgroundCoverArt, BackgroundCoverArt) \
  X(UIImageViewRef, smallCoverArt, SmallCoverArt)

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

  // Properties, each declared once in VLW_VIEW_PROPERTIES: a getter name(), a setter
  // setName(v) and a member _name. They hold their views owning: a view taken out of the tree
  // by removeTheViews can still be updated by a late now-playing answer.
#define VLW_VIEW_ACCESSORS(Type, name, Name)   \
  const Type& name() const { return _##name; } \
  void set##Name(Type v) { _##name = std::move(v); }
  VLW_VIEW_PROPERTIES(VLW_VIEW_ACCESSORS)
#undef VLW_VIEW_ACCESSORS

  // The properties that refer to views, by name, in the order declared, for dumps.
  std::vector<std::pair<const char*, const UIView*>> viewProperties() const {
    std::vector<std::pair<const char*, const UIView*>> out;
#define VLW_VIEW_LIST_VIEW(Type, name, Name) listIfView(out, #name, _##name);
    VLW_VIEW_PROPERTIES(VLW_VIEW_LIST_VIEW)
#undef VLW_VIEW_LIST_VIEW
    return out;
  }

 private:
  template <class T>
  static void listIfView(std::vector<std::pair<const char*, const UIView*>>& out, const char* name,
                         const std::shared_ptr<T>& property) {
    if constexpr (std::is_base_of_v<UIView, T>) out.emplace_back(name, property.get());
  }

#define VLW_VIEW_MEMBER(Type, name, Name) Type _##name;
  VLW_VIEW_PROPERTIES(VLW_VIEW_MEMBER)
#undef VLW_VIEW_MEMBER
};
using VLWViewRef = std::shared_ptr<VLWView>;
