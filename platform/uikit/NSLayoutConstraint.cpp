// Making constraints; the solver that places views by them is LayoutSolver.cpp.
#include "platform/uikit/NSLayoutConstraint.hpp"

// Constraints only name their views (held weakly): the view class stays incomplete here, and
// only views (and the solver) know constraints.

VW_DEFINE_CLASS(NSLayoutConstraint, ReflectiveObject, factoryOf<NSLayoutConstraint>())

std::shared_ptr<NSLayoutConstraint> NSLayoutConstraint::constraintWithItem(const std::shared_ptr<UIView>& item,
                                                                           NSLayoutAttribute attribute, NSLayoutRelation relation,
                                                                           const std::shared_ptr<UIView>& toItem,
                                                                           NSLayoutAttribute toAttribute, double multiplier,
                                                                           double constant) {
  auto c = std::make_shared<NSLayoutConstraint>();
  c->firstItem = item;
  c->firstAttribute = attribute;
  c->relation = relation;
  c->secondItem = toItem;
  c->secondAttribute = toItem ? toAttribute : NSLayoutAttributeNotAnAttribute;
  c->multiplier = multiplier;
  c->constant = constant;
  return c;
}
