#include "platform/uikit/LayoutSolver.hpp"

#include <map>
#include <vector>

namespace {

enum Axis { X = 0, Y = 1, NoAxis = 2 };

Axis axisOf(NSLayoutAttribute a) {
  switch (a) {
    case NSLayoutAttributeLeft:
    case NSLayoutAttributeRight:
    case NSLayoutAttributeLeading:
    case NSLayoutAttributeTrailing:
    case NSLayoutAttributeWidth:
    case NSLayoutAttributeCenterX:
      return X;
    case NSLayoutAttributeTop:
    case NSLayoutAttributeBottom:
    case NSLayoutAttributeHeight:
    case NSLayoutAttributeCenterY:
      return Y;
    default:
      return NoAxis;
  }
}

bool isSize(NSLayoutAttribute a) { return a == NSLayoutAttributeWidth || a == NSLayoutAttributeHeight; }

// The rectangle of a view in the owner's coordinate space (the owner itself: its bounds at 0,0).
// False when the view is not the owner or inside it.
bool rectInOwner(const UIView& view, const UIView& owner, CGRect& out) {
  if (&view == &owner) {
    out = CGRect{{0, 0}, owner.frame().size};
    return true;
  }
  CGRect r = view.frame();
  for (auto parent = view.superview(); parent; parent = parent->superview()) {
    if (parent.get() == &owner) {
      out = r;
      return true;
    }
    CGRect b = parent->bounds();
    r.origin.x += parent->frame().origin.x - b.origin.x;
    r.origin.y += parent->frame().origin.y - b.origin.y;
  }
  return false;
}

double attributeValue(const CGRect& r, NSLayoutAttribute a) {
  switch (a) {
    case NSLayoutAttributeLeft:
    case NSLayoutAttributeLeading: return r.origin.x;
    case NSLayoutAttributeRight:
    case NSLayoutAttributeTrailing: return r.origin.x + r.size.width;
    case NSLayoutAttributeCenterX: return r.origin.x + r.size.width / 2;
    case NSLayoutAttributeWidth: return r.size.width;
    case NSLayoutAttributeTop: return r.origin.y;
    case NSLayoutAttributeBottom: return r.origin.y + r.size.height;
    case NSLayoutAttributeCenterY: return r.origin.y + r.size.height / 2;
    case NSLayoutAttributeHeight: return r.size.height;
    default: return 0;
  }
}

// One view being placed on one axis: its size and the position attributes fixed so far.
struct AxisState {
  double size = 0;
  bool sizeFixed = false;
  std::vector<std::pair<NSLayoutAttribute, double>> positions;
  bool touched = false;
};

struct Item {
  UIView* view;
  CGRect rect;  // in the owner's space
  AxisState axis[2];
};

// Start (lead) of the axis from a position attribute and a size.
double leadFrom(NSLayoutAttribute a, double value, double size) {
  switch (a) {
    case NSLayoutAttributeRight:
    case NSLayoutAttributeTrailing:
    case NSLayoutAttributeBottom: return value - size;
    case NSLayoutAttributeCenterX:
    case NSLayoutAttributeCenterY: return value - size / 2;
    default: return value;
  }
}

// Fraction of the size at which the attribute sits (0 lead, 0.5 centre, 1 trail).
double fractionOf(NSLayoutAttribute a) {
  switch (a) {
    case NSLayoutAttributeRight:
    case NSLayoutAttributeTrailing:
    case NSLayoutAttributeBottom: return 1;
    case NSLayoutAttributeCenterX:
    case NSLayoutAttributeCenterY: return 0.5;
    default: return 0;
  }
}

void settleAxis(Item& item, int axis) {
  AxisState& s = item.axis[axis];
  double& lead = axis == X ? item.rect.origin.x : item.rect.origin.y;
  double& size = axis == X ? item.rect.size.width : item.rect.size.height;
  if (s.positions.size() >= 2 && !s.sizeFixed) {
    // Two edges: the size is what lies between them.
    auto [a1, v1] = s.positions[s.positions.size() - 2];
    auto [a2, v2] = s.positions.back();
    double f1 = fractionOf(a1), f2 = fractionOf(a2);
    if (f1 != f2) {
      s.size = (v2 - v1) / (f2 - f1);
      if (s.size < 0) s.size = 0;
    }
  }
  size = s.size;
  if (!s.positions.empty()) {
    auto [a, v] = s.positions.back();
    lead = leadFrom(a, v, s.size);
  }
}

}  // namespace

void solveConstraints(UIView& owner) {
  const auto& constraints = owner.constraints();
  if (constraints.empty()) return;

  std::map<UIView*, Item> items;
  struct Pending {
    NSLayoutConstraint* c;
    UIView* first;
    UIView* second;
    int axis;
  };
  std::vector<Pending> pending;
  for (const auto& c : constraints) {
    if (!c || c->relation != NSLayoutRelationEqual) continue;
    auto first = c->firstItem.lock();
    if (!first || first.get() == &owner || first->translatesAutoresizingMaskIntoConstraints()) continue;
    Axis axis = axisOf(c->firstAttribute);
    if (axis == NoAxis) continue;
    auto second = c->secondItem.lock();
    CGRect r;
    if (!rectInOwner(*first, owner, r)) continue;
    if (second && !rectInOwner(*second, owner, r)) continue;
    if (!items.count(first.get())) {
      Item item{first.get(), {}, {}};
      rectInOwner(*first, owner, item.rect);
      CGSize natural = first->intrinsicContentSize();
      item.axis[X].size = natural.width >= 0 ? natural.width : item.rect.size.width;
      item.axis[Y].size = natural.height >= 0 ? natural.height : item.rect.size.height;
      item.rect.size = {item.axis[X].size, item.axis[Y].size};
      items.emplace(first.get(), item);
    }
    pending.push_back({c.get(), first.get(), second.get(), axis});
  }

  auto apply = [&](const Pending& p) {
    Item& item = items.at(p.first);
    double reference = 0;
    if (p.second && p.c->secondAttribute != NSLayoutAttributeNotAnAttribute) {
      CGRect r;
      auto it = items.find(p.second);
      if (it != items.end())
        r = it->second.rect;
      else
        rectInOwner(*p.second, owner, r);
      reference = attributeValue(r, p.c->secondAttribute);
    }
    double value = reference * p.c->multiplier + p.c->constant;
    AxisState& s = item.axis[p.axis];
    s.touched = true;
    if (isSize(p.c->firstAttribute)) {
      s.size = std::max(0.0, value);
      s.sizeFixed = true;
    } else {
      s.positions.emplace_back(p.c->firstAttribute, value);
    }
    settleAxis(item, p.axis);
  };

  // Apply constraints whose reference is settled first; the rest (cycles) in order.
  std::vector<bool> done(pending.size(), false);
  size_t remaining = pending.size();
  while (remaining > 0) {
    bool progress = false;
    for (size_t i = 0; i < pending.size(); ++i) {
      if (done[i]) continue;
      const Pending& p = pending[i];
      bool ready = true;
      if (p.second && p.second != p.first) {
        for (size_t j = 0; j < pending.size() && ready; ++j)
          if (!done[j] && j != i && pending[j].first == p.second) ready = false;
      }
      if (!ready) continue;
      apply(p);
      done[i] = true;
      --remaining;
      progress = true;
    }
    if (!progress) {
      for (size_t i = 0; i < pending.size(); ++i)
        if (!done[i]) {
          apply(pending[i]);
          done[i] = true;
          --remaining;
          break;
        }
    }
  }

  // Write the frames back, in each view's superview's coordinates.
  for (auto& [view, item] : items) {
    CGRect parentInOwner{};
    auto parent = view->superview();
    if (!parent || !rectInOwner(*parent, owner, parentInOwner)) continue;
    CGRect b = parent->bounds();
    CGRect frame = item.rect;
    frame.origin.x -= parentInOwner.origin.x - b.origin.x;
    frame.origin.y -= parentInOwner.origin.y - b.origin.y;
    view->setFrame(frame);
  }
}

void layoutViewTree(UIView& root) {
  root.layoutSubviews();
  solveConstraints(root);
  auto subviews = root.subviews();  // layout may not change the tree, but be safe
  for (const auto& sub : subviews) layoutViewTree(*sub);
}
