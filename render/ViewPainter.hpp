// The painter registry: how each class of view draws its own content, by class name.
//
// A painter draws in the view's own coordinates: (0, 0) is the view's top-left corner and the
// view is frame.size large. The walk (render/Painter.hpp) has already placed the view, opened
// its opacity group, applied its mask and filled its background colour; after the painter it
// draws the subviews (unless the painter drew them itself) and then the layer's border.
//
// A view of a class without a painter of its own uses its nearest superclass's. Adding a class:
//
//   registerViewPainter("UISwitch", {[](Painter& p, const UIView& v) { ... }});
//
// in a file under render/painters/, listed in registerBuiltInPainters().
#pragma once

#include <functional>
#include <string>
#include <string_view>

class UIView;

namespace render {

class Painter;

struct ViewPainter {
  std::function<void(Painter&, const UIView&)> draw;
  // The function draws the subviews itself (for example through an effect).
  bool drawsSubviews = false;
};

// Registers (or replaces) the painter of a class. Thread-safe.
void registerViewPainter(std::string className, ViewPainter painter);
// The painter for the view's class or its nearest registered superclass; null for none.
const ViewPainter* findViewPainter(const UIView& view);
// The painter registered under exactly that class name, or null.
const ViewPainter* findViewPainter(std::string_view className);

// The painters of the platform's views, registered once before the first lookup.
void registerBuiltInPainters();

// Built-in painters, by file under render/painters/.
void registerBasicViewPainters();        // UIImageView, UILabel
void registerEffectViewPainters();       // UIVisualEffectView (blur, vibrancy)
void registerControlPainters();          // UIButton (titles and transport glyphs), UITextField
void registerSettingsControlPainters();  // UISwitch, UISlider, UISegmentedControl, cell accessories
void registerNavigationBarPainters();    // UINavigationBar (background, back button, title, right item)
void registerComposeSheetPainters();     // the mail sheet's attachment icon

}  // namespace render
