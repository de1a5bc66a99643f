// The footer logo, centred horizontally; used as the header view of the root page's fifth
// group.
#pragma once

#include "platform/preferences/PSTableCell.hpp"
#include "platform/uikit/UIImageView.hpp"

class KZVLWLogoTableCell : public PSTableCell {
  VW_DECLARE_CLASS()
 public:
  static constexpr const char* kLogoPath = "/Library/PreferenceBundles/VLW.bundle/footerLogo.png";

  // Builds the logo view; null when the base fails.
  std::shared_ptr<KZVLWLogoTableCell> init();

  const UIImageViewRef& logoImageView() const { return logoImageView_; }
  void setLogoImageView(UIImageViewRef view) { logoImageView_ = std::move(view); }

 private:
  UIImageViewRef logoImageView_;
};
