#include "prefs/KZVLWCustomHeaderView.hpp"

#include <stdlib.h>

#include "platform/uikit/UIWindow.hpp"

VW_DEFINE_CLASS(KZVLWCustomHeaderView, UIView, factoryOf<KZVLWCustomHeaderView>())

namespace {

bool isPad() {
  auto device = UIDevice::currentDevice();
  return device->respondsToSelector("userInterfaceIdiom") && device->userInterfaceIdiom() == 1;
}

}  // namespace

std::vector<std::string> KZVLWCustomHeaderView::randomTexts() const {
  return {"Thank you for the support.",      "Enjoy!", "Some Other Random Text", "This is a beta right?", "Follow me on Twitter.",
          "Something should go here right?", "Hey",    "Zindra Morrow!",         "Shake it off!"};
}

std::shared_ptr<KZVLWCustomHeaderView> KZVLWCustomHeaderView::init() {
  setFrame(CGRectZero);
  auto self = std::static_pointer_cast<KZVLWCustomHeaderView>(shared_from_this());

  // Each label: one line, its face and size, its text, clear background, grey, centred; placed
  // by a vertical and then a horizontal constraint.
  auto build = [&](double size, const std::string& text, const UIViewRef& above, NSLayoutAttribute aboveAttribute,
                   double multiplier, double constant) {
    auto label = std::make_shared<UILabel>(CGRectZero);
    label->setNumberOfLines(1);
    label->setFont(UIFont::fontWithName("HelveticaNeue-Light", size));
    label->setText(text);
    label->setBackgroundColor(UIColor::clearColor());
    label->setTextColor(UIColor::grayColor());
    label->setTextAlignment(NSTextAlignmentCenter);
    addSubview(label);
    label->setTranslatesAutoresizingMaskIntoConstraints(false);
    addConstraint(NSLayoutConstraint::constraintWithItem(label, NSLayoutAttributeTop, NSLayoutRelationEqual, above,
                                                         aboveAttribute, multiplier, constant));
    addConstraint(NSLayoutConstraint::constraintWithItem(label, NSLayoutAttributeCenterX, NSLayoutRelationEqual, self,
                                                         NSLayoutAttributeCenterX, 1.0, 0.0));
    return label;
  };

  auto header = build(isPad() ? 44.0 : 36.0, "Velloway", self, NSLayoutAttributeBottom, 0.2, 0.0);
  setHeaderLabel(header);
  auto sub = build(isPad() ? 22.0 : 17.0, "Music Controls At Your Tap", header, NSLayoutAttributeBottom, 1.0, 5.0);
  setSubHeaderLabel(sub);
  auto texts = randomTexts();
  std::string pick = texts[arc4random_uniform(static_cast<uint32_t>(texts.size()))];
  auto random = build(15.0, pick, sub, NSLayoutAttributeBottom, 1.0, 5.0);
  setRandomLabel(random);
  return self;
}
