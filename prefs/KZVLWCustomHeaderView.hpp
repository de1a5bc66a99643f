// The banner above the root page's first group: "Velloway", the tag line and one line picked
// at random, centred one under the other and placed by constraints.
#pragma once

#include <string>
#include <vector>

#include "platform/uikit/UILabel.hpp"

class KZVLWCustomHeaderView : public UIView {
  VW_DECLARE_CLASS()
 public:
  // Builds the view (zero frame; whoever shows it sizes it); null when the base fails.
  std::shared_ptr<KZVLWCustomHeaderView> init();
  // The nine candidates for the third line, in order; a new array on every call.
  std::vector<std::string> randomTexts() const;

  // The labels belong to the view tree; these only point at them.
  UILabelRef headerLabel() const { return headerLabel_.lock(); }
  void setHeaderLabel(const UILabelRef& label) { headerLabel_ = label; }
  UILabelRef subHeaderLabel() const { return subHeaderLabel_.lock(); }
  void setSubHeaderLabel(const UILabelRef& label) { subHeaderLabel_ = label; }
  UILabelRef randomLabel() const { return randomLabel_.lock(); }
  void setRandomLabel(const UILabelRef& label) { randomLabel_ = label; }

 private:
  std::weak_ptr<UILabel> headerLabel_, subHeaderLabel_, randomLabel_;
};
