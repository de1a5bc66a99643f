// A maker's row: the picture at the left with a soft shadow and, 30 points to its right, the
// handle, the full name and the job title, placed by constraints.
#pragma once

#include "platform/preferences/PSTableCell.hpp"
#include "platform/uikit/UIImageView.hpp"

class KZVLWDeveloperTableCell : public PSTableCell {
  VW_DECLARE_CLASS()
 public:
  static constexpr const char* kReuseIdentifier = "KZVLWDeveloperTableCell";

  // Built from four values; the picture may be null. Null when the base fails.
  std::shared_ptr<KZVLWDeveloperTableCell> initWithDevName(const std::optional<std::string>& devName,
                                                           const std::optional<std::string>& realName,
                                                           const std::optional<std::string>& jobSubtitle,
                                                           const UIImageRef& devImage);
  using PSTableCell::initWithStyle;
  // Built from the row's "devName", "realName", "job" and "devImage" (a PNG of the pane bundle,
  // by base name); the style and reuse identifier are not used.
  std::shared_ptr<PSTableCell> initWithStyle(long style, std::optional<std::string> reuseIdentifier,
                                             const PSSpecifierRef& specifier) override;

  const UIImageViewRef& devImageView() const { return devImageView_; }
  void setDevImageView(UIImageViewRef v) { devImageView_ = std::move(v); }
  const UILabelRef& devNameLabel() const { return devNameLabel_; }
  void setDevNameLabel(UILabelRef v) { devNameLabel_ = std::move(v); }
  const UILabelRef& realNameLabel() const { return realNameLabel_; }
  void setRealNameLabel(UILabelRef v) { realNameLabel_ = std::move(v); }
  const UILabelRef& jobLabel() const { return jobLabel_; }
  void setJobLabel(UILabelRef v) { jobLabel_ = std::move(v); }

 private:
  UIImageViewRef devImageView_;
  UILabelRef devNameLabel_, realNameLabel_, jobLabel_;
};
