// UIKit stand-in: the layout pass and the constraint solver.
// Implements: layoutViewTree walks a tree from the root down; at each view it runs
// layoutSubviews, then solves the view's own constraints (NSLayoutConstraint.hpp): equalities
// item.attribute = toItem.attribute x multiplier + constant between the view and its
// descendants, in the view's coordinate space (for the view itself, its bounds). A view placed
// by constraints (translatesAutoresizingMaskIntoConstraints NO) takes its natural size
// (intrinsicContentSize) on each axis that has one, else keeps its frame's size; a width or
// height constraint sets the size; a left/right/top/bottom/centre constraint sets the position
// for that size; two position constraints on one axis set the size between them; an axis with
// no constraint keeps the frame's position. Constraints are applied in an order in which each
// one's reference item is already placed; a cycle is broken in the order added.
// Leaves out: inequalities and priorities (an inequality is ignored), leading/trailing in
// right-to-left languages (they are left and right), baselines, margins, ambiguity reports.
#pragma once

#include "platform/uikit/UIView.hpp"

void layoutViewTree(UIView& root);
// Solves the constraints held by one view (its descendants move).
void solveConstraints(UIView& owner);
