// UIKit stand-in: layout constraints as data (item.attribute = toItem.attribute x multiplier
// + constant). Views keep the constraints added to them; the solver places the views.
#pragma once

#include <memory>

#include "platform/foundation/ReflectiveObject.hpp"

class UIView;

enum NSLayoutAttribute : long {
  NSLayoutAttributeNotAnAttribute = 0,
  NSLayoutAttributeLeft = 1,
  NSLayoutAttributeRight = 2,
  NSLayoutAttributeTop = 3,
  NSLayoutAttributeBottom = 4,
  NSLayoutAttributeLeading = 5,
  NSLayoutAttributeTrailing = 6,
  NSLayoutAttributeWidth = 7,
  NSLayoutAttributeHeight = 8,
  NSLayoutAttributeCenterX = 9,
  NSLayoutAttributeCenterY = 10,
};

enum NSLayoutRelation : long {
  NSLayoutRelationLessThanOrEqual = -1,
  NSLayoutRelationEqual = 0,
  NSLayoutRelationGreaterThanOrEqual = 1
};

class NSLayoutConstraint : public ReflectiveObject {
  VW_DECLARE_CLASS()
 public:
  static std::shared_ptr<NSLayoutConstraint> constraintWithItem(const std::shared_ptr<UIView>& item, NSLayoutAttribute attribute,
                                                                NSLayoutRelation relation, const std::shared_ptr<UIView>& toItem,
                                                                NSLayoutAttribute toAttribute, double multiplier,
                                                                double constant);

  // Held weakly: a constraint does not keep its views alive.
  std::weak_ptr<UIView> firstItem;
  NSLayoutAttribute firstAttribute = NSLayoutAttributeNotAnAttribute;
  NSLayoutRelation relation = NSLayoutRelationEqual;
  std::weak_ptr<UIView> secondItem;
  NSLayoutAttribute secondAttribute = NSLayoutAttributeNotAnAttribute;
  double multiplier = 1.0;
  double constant = 0.0;
};
using NSLayoutConstraintRef = std::shared_ptr<NSLayoutConstraint>;
