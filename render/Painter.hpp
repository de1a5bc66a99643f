// The walk over a view tree that draws it: placing each view by its frame, group opacity,
// masking, background colours, borders and shadows, and handing each view's own content to its
// class's painter (render/ViewPainter.hpp). Painters use it to draw their subviews and to read
// what has been drawn under them so far (the backdrop of an effect).
#pragma once

#include <cairo.h>

#include <vector>

#include "platform/graphics/Geometry.hpp"
#include "platform/uikit/UIColor.hpp"
#include "render/RoundedRectPath.hpp"

struct _PangoContext;
class UIView;

namespace render {

// A copy of drawn pixels: an image surface whose top-left pixel is at (x, y) in device pixels
// of the canvas.
struct Backdrop {
  cairo_surface_t* surface = nullptr;
  int x = 0, y = 0;
  Backdrop() = default;
  Backdrop(Backdrop&& other) noexcept : surface(other.surface), x(other.x), y(other.y) { other.surface = nullptr; }
  Backdrop& operator=(Backdrop&&) = delete;
  ~Backdrop();
  explicit operator bool() const { return surface != nullptr; }
};

class Painter {
 public:
  // Draws onto cr, whose user space is in points (scale already applied); the target must be
  // an image surface.
  Painter(cairo_t* cr, double scale);
  ~Painter();
  Painter(const Painter&) = delete;
  Painter& operator=(const Painter&) = delete;

  cairo_t* cr() const { return cr_; }
  // Draws running animations as they are now (see RenderOptions::presentation).
  void showPresentation(bool on) { presentation_ = on; }
  // The view's opacity as drawn: its model value, or the animated one.
  double alphaOf(const UIView& view) const;
  double scale() const { return scale_; }

  // Draws the view at its frame in the current user space (its superview's bounds).
  void drawView(const UIView& view);
  // Draws the view with its top-left corner at the point, ignoring its frame origin.
  void drawViewAt(const UIView& view, CGPoint origin);
  // Draws the view's subviews in order (in the view's own coordinates, as content painters
  // are called).
  void drawSubviews(const UIView& view);

  // Opens a group (Cairo push_group) that backdrop reads see through; every push needs a pop.
  void pushGroup();
  cairo_pattern_t* popGroup();  // the caller destroys the pattern

  // A copy of everything drawn so far under a rectangle of the current user space, widened by
  // margin device pixels on each side and cut to the canvas. Empty when nothing is visible.
  Backdrop captureBackdrop(CGRect rect, int margin);
  // Paints a backdrop back at its place, under the current clip.
  void paintBackdrop(const Backdrop& backdrop);

  // The union of the view's and its visible descendants' rectangles in the view's own
  // coordinates; false (and the view's own rectangle) when the tree is too deep to follow.
  static bool subtreeExtent(const UIView& view, CGRect* out, int depth = 0);
  // Clips to that union widened by pad points (nothing when it cannot be known): a group
  // opened after it costs only the area the view can cover.
  void clipToSubtree(const UIView& view, double pad);

  // The tint colour that applies to the view: its own or its nearest ancestor's, else the
  // system's blue.
  static UIColorRef effectiveTintColor(const UIView& view);

  // The Pango context of this drawing (created on first use, updated to the current
  // transformation). Hold fonts::mutex() while using it.
  _PangoContext* pangoContext();

 private:
  void drawPlaced(const UIView& view, CGPoint origin);
  void drawShadow(cairo_pattern_t* content, const UIView& view);

  cairo_t* cr_;
  double scale_;
  bool presentation_ = false;
  std::vector<cairo_surface_t*> groups_;  // targets of the open groups, outermost first
  _PangoContext* pango_ = nullptr;
};

// Colour helpers shared by painters (roundedRectPath is theirs too, from RoundedRectPath.hpp).
void setSourceColor(cairo_t* cr, const CGColor& color, double alpha = 1.0);
inline void setSourceColor(cairo_t* cr, const UIColor& color, double alpha = 1.0) { setSourceColor(cr, color.CGColor(), alpha); }

}  // namespace render
