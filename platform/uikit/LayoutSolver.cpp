#include "platform/uikit/LayoutSolver.hpp"

#include <algorithm>
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
    case NSLayoutAttributeLeading:
      return r.origin.x;
    case NSLayoutAttributeRight:
    case NSLayoutAttributeTrailing:
      return r.origin.x + r.size.width;
    case NSLayoutAttributeCenterX:
      return r.origin.x + r.size.width / 2;
    case NSLayoutAttributeWidth:
      return r.size.width;
    case NSLayoutAttributeTop:
      return r.origin.y;
    case NSLayoutAttributeBottom:
      return r.origin.y + r.size.height;
    case NSLayoutAttributeCenterY:
      return r.origin.y + r.size.height / 2;
    case NSLayoutAttributeHeight:
      return r.size.height;
    default:
      return 0;
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
    case NSLayoutAttributeBottom:
      return value - size;
    case NSLayoutAttributeCenterX:
    case NSLayoutAttributeCenterY:
      return value - size / 2;
    default:
      return value;
  }
}

// Fraction of the size at which the attribute sits (0 lead, 0.5 centre, 1 trail).
double fractionOf(NSLayoutAttribute a) {
  switch (a) {
    case NSLayoutAttributeRight:
    case NSLayoutAttributeTrailing:
    case NSLayoutAttributeBottom:
      return 1;
    case NSLayoutAttributeCenterX:
    case NSLayoutAttributeCenterY:
      return 0.5;
    default:
      return 0;
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

// One equality waiting to be applied: the constraint, its two items and its axis.
struct Pending {
  NSLayoutConstraint* c;
  UIView* first;
  UIView* second;
  int axis;
};

// The constraints of one owner and the views they place, in the owner's space.
class Solver {
 public:
  explicit Solver(UIView& owner) : owner_(owner) {}

  // Keeps the equalities that place a descendant on one axis, each view starting at its
  // natural size.
  void collect() {
    for (const auto& c : owner_.constraints()) {
      if (!c || c->relation != NSLayoutRelationEqual) continue;
      auto first = c->firstItem.lock();
      if (!first || first.get() == &owner_ || first->translatesAutoresizingMaskIntoConstraints()) continue;
      Axis axis = axisOf(c->firstAttribute);
      if (axis == NoAxis) continue;
      auto second = c->secondItem.lock();
      CGRect r;
      if (!rectInOwner(*first, owner_, r)) continue;
      if (second && !rectInOwner(*second, owner_, r)) continue;
      if (!items_.count(first.get())) items_.emplace(first.get(), naturalItem(*first));
      pending_.push_back({c.get(), first.get(), second.get(), axis});
    }
  }

  // Applies constraints whose reference is settled first; the rest (cycles) in the order added.
  void applyInOrder() {
    std::vector<bool> done(pending_.size(), false);
    size_t remaining = pending_.size();
    while (remaining > 0) {
      bool progress = false;
      for (size_t i = 0; i < pending_.size(); ++i) {
        if (done[i] || !referenceSettled(i, done)) continue;
        apply(pending_[i]);
        done[i] = true;
        --remaining;
        progress = true;
      }
      if (progress) continue;
      for (size_t i = 0; i < pending_.size(); ++i)
        if (!done[i]) {
          apply(pending_[i]);
          done[i] = true;
          --remaining;
          break;
        }
    }
  }

  // Writes the frames back, in each view's superview's coordinates.
  void writeFrames() {
    for (auto& [view, item] : items_) {
      CGRect parentInOwner{};
      auto parent = view->superview();
      if (!parent || !rectInOwner(*parent, owner_, parentInOwner)) continue;
      CGRect b = parent->bounds();
      CGRect frame = item.rect;
      frame.origin.x -= parentInOwner.origin.x - b.origin.x;
      frame.origin.y -= parentInOwner.origin.y - b.origin.y;
      view->setFrame(frame);
    }
  }

 private:
  Item naturalItem(UIView& view) const {
    Item item{&view, {}, {}};
    rectInOwner(view, owner_, item.rect);
    CGSize natural = view.intrinsicContentSize();
    item.axis[X].size = natural.width >= 0 ? natural.width : item.rect.size.width;
    item.axis[Y].size = natural.height >= 0 ? natural.height : item.rect.size.height;
    item.rect.size = {item.axis[X].size, item.axis[Y].size};
    return item;
  }

  // True when no other constraint still waiting places this one's reference item.
  bool referenceSettled(size_t i, const std::vector<bool>& done) const {
    const Pending& p = pending_[i];
    if (!p.second || p.second == p.first) return true;
    for (size_t j = 0; j < pending_.size(); ++j)
      if (!done[j] && j != i && pending_[j].first == p.second) return false;
    return true;
  }

  void apply(const Pending& p) {
    Item& item = items_.at(p.first);
    double reference = 0;
    if (p.second && p.c->secondAttribute != NSLayoutAttributeNotAnAttribute) {
      CGRect r;
      auto it = items_.find(p.second);
      if (it != items_.end())
        r = it->second.rect;
      else
        rectInOwner(*p.second, owner_, r);
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
  }

  UIView& owner_;
  std::map<UIView*, Item> items_;
  std::vector<Pending> pending_;
};

}  // namespace

void solveConstraints(UIView& owner) {
  if (owner.constraints().empty()) return;
  Solver solver(owner);
  solver.collect();
  solver.applyInOrder();
  solver.writeFrames();
}

void layoutViewTree(UIView& root) {
  root.layoutSubviews();
  solveConstraints(root);
  auto subviews = root.subviews();  // layout may not change the tree, but be safe
  for (const auto& sub : subviews) layoutViewTree(*sub);
}
