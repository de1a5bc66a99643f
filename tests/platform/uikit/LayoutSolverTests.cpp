#include <gtest/gtest.h>

#include "platform/uikit/LayoutSolver.hpp"
#include "platform/uikit/NSLayoutConstraint.hpp"
#include "platform/uikit/UILabel.hpp"
#include "platform/uikit/UIView.hpp"

namespace {

TEST(LayoutSolver, PlacesByEqualitiesWithNaturalSizesInTheOwnersSpace) {
  auto owner = std::make_shared<UIView>(CGRectMake(0, 0, 300, 200));
  auto a = std::make_shared<UILabel>(CGRectZero);
  a->setText("Some text");
  auto b = std::make_shared<UIView>(CGRectMake(7, 9, 40, 10));
  auto fixed = std::make_shared<UIView>(CGRectMake(10, 15, 70, 70));
  for (auto& v : {UIViewRef(a), b, fixed}) owner->addSubview(v);
  a->setTranslatesAutoresizingMaskIntoConstraints(false);
  b->setTranslatesAutoresizingMaskIntoConstraints(false);
  // a: left 30 right of the fixed view, top at a fifth of the owner's height.
  owner->addConstraint(NSLayoutConstraint::constraintWithItem(a, NSLayoutAttributeLeft, NSLayoutRelationEqual, fixed,
                                                              NSLayoutAttributeRight, 1, 30));
  owner->addConstraint(NSLayoutConstraint::constraintWithItem(a, NSLayoutAttributeTop, NSLayoutRelationEqual, owner,
                                                              NSLayoutAttributeBottom, 0.2, 0));
  // b is added before the constraint it depends on is solved: b.top = a.bottom + 5, centred.
  owner->addConstraint(
      NSLayoutConstraint::constraintWithItem(b, NSLayoutAttributeTop, NSLayoutRelationEqual, a, NSLayoutAttributeBottom, 1, 5));
  owner->addConstraint(NSLayoutConstraint::constraintWithItem(b, NSLayoutAttributeCenterX, NSLayoutRelationEqual, owner,
                                                              NSLayoutAttributeCenterX, 1, 0));
  // An inequality is ignored.
  owner->addConstraint(NSLayoutConstraint::constraintWithItem(b, NSLayoutAttributeLeft, NSLayoutRelationGreaterThanOrEqual, owner,
                                                              NSLayoutAttributeLeft, 1, 290));
  layoutViewTree(*owner);
  CGSize natural = a->intrinsicContentSize();
  EXPECT_GT(natural.width, 0);
  EXPECT_EQ(a->frame(), CGRectMake(110, 40, natural.width, natural.height));
  EXPECT_EQ(b->frame(), CGRectMake(130, 40 + natural.height + 5, 40, 10));
  EXPECT_EQ(fixed->frame(), CGRectMake(10, 15, 70, 70));  // not placed by constraints

  // Two edges on one axis give the size between them; a width constraint sets the size.
  auto c = std::make_shared<UIView>();
  owner->addSubview(c);
  c->setTranslatesAutoresizingMaskIntoConstraints(false);
  owner->addConstraint(NSLayoutConstraint::constraintWithItem(c, NSLayoutAttributeLeft, NSLayoutRelationEqual, owner,
                                                              NSLayoutAttributeLeft, 1, 20));
  owner->addConstraint(NSLayoutConstraint::constraintWithItem(c, NSLayoutAttributeRight, NSLayoutRelationEqual, owner,
                                                              NSLayoutAttributeRight, 1, -20));
  owner->addConstraint(NSLayoutConstraint::constraintWithItem(c, NSLayoutAttributeHeight, NSLayoutRelationEqual, nullptr,
                                                              NSLayoutAttributeNotAnAttribute, 1, 12));
  layoutViewTree(*owner);
  EXPECT_EQ(c->frame().origin.x, 20);
  EXPECT_EQ(c->frame().size.width, 260);
  EXPECT_EQ(c->frame().size.height, 12);
}

}  // namespace
