// The renderer: draws view trees to pictures with Cairo and Pango.
//
// It reads the tree through the views' public getters (the views know nothing about Cairo) and
// draws at the device scale (deviceProfile().scale unless given): background colours, group
// opacity, hidden and fully transparent views (nothing), layers (corner radius, masking,
// borders, shadows), image views, labels, buttons, text fields, blur and vibrancy effect views,
// switches, sliders, segmented controls, table cell accessories, navigation bars with their
// items, the mail sheet's attachment icons, and, on top of a picture, an alert with the dimmed
// backdrop under it. Presented sheets are views in their window, drawn by the same walk.
// Animations are not drawn: a picture shows the model values.
//
// How each class of view draws itself is one function in the painter registry
// (render/ViewPainter.hpp); adding a class means registering one function under its name.
//
//   auto picture = render::renderViewTree(*window);      // the window as the picture
//   picture.writePng("screen.png");
//
//   render::Canvas canvas({375, 667});                   // composing a screen
//   canvas.drawView(*homeScreen, {0, 300});
//   canvas.drawView(*reachabilityWindow, {0, 0});
//   if (auto alert = alert_center::onScreen()) canvas.drawAlert(*alert);
//   canvas.image().writePng("screen.png");
#pragma once

#include <cairo.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/graphics/Geometry.hpp"
#include "platform/uikit/UIColor.hpp"
#include "render/AlertDrawing.hpp"

class UIView;
class UIAlertView;

namespace render {

class Painter;

// A rendered picture: premultiplied ARGB32 pixels (a Cairo image surface).
class Image {
 public:
  Image() = default;
  explicit Image(cairo_surface_t* surface, double scale);  // takes the reference
  Image(Image&& other) noexcept;
  Image& operator=(Image&& other) noexcept;
  Image(const Image&) = delete;
  Image& operator=(const Image&) = delete;
  ~Image();

  // Reads a PNG file; an empty image when the file is missing or not a PNG.
  static Image readPng(const std::string& path, double scale = 1.0);

  bool empty() const { return surface_ == nullptr; }
  int width() const;   // pixels
  int height() const;  // pixels
  double scale() const { return scale_; }
  // The premultiplied ARGB value of one pixel (0 outside the picture).
  uint32_t pixel(int x, int y) const;
  cairo_surface_t* surface() const { return surface_; }

  // The picture as PNG bytes.
  std::vector<uint8_t> png() const;
  // Writes the PNG file; throws std::runtime_error naming the file on failure.
  void writePng(const std::string& path) const;

 private:
  cairo_surface_t* surface_ = nullptr;
  double scale_ = 1.0;
};

struct RenderOptions {
  double scale = 0;                               // pixels per point; 0: the device's
  UIColorRef background = UIColor::blackColor();  // under everything; null: transparent
  // Draw running animations as they are at the clock's time (opacity, a position's shift);
  // otherwise a picture shows the model values.
  bool presentation = false;
};

// A picture being composed: views placed anywhere, an alert on top.
class Canvas {
 public:
  explicit Canvas(CGSize points, const RenderOptions& options = {});
  ~Canvas();
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  CGSize size() const { return size_; }
  double scale() const { return scale_; }

  // Draws the view and everything in it with the view's top-left corner at the point (canvas
  // points). The view's own frame origin is ignored; its subviews are placed by their frames.
  void drawView(const UIView& view, CGPoint origin = {0, 0});
  // Darkens everything drawn so far (the backdrop of a modal panel).
  void dim(double alpha);
  // A dimmed backdrop and the alert's panel centred on the canvas.
  void drawAlert(const UIAlertView& alert);
  void drawAlert(const AlertContent& alert);

  // For drawing of one's own in canvas points (a wallpaper, a status bar).
  cairo_t* cairo() const { return cr_; }

  // The picture so far (a copy; the canvas stays usable).
  Image image() const;

 private:
  CGSize size_;
  double scale_;
  bool presentation_ = false;
  cairo_surface_t* surface_ = nullptr;
  cairo_t* cr_ = nullptr;
};

// The view as a picture of its own size (its frame origin ignored).
Image renderViewTree(const UIView& root, const RenderOptions& options = {});
Image renderViewTree(const UIView& root, double scale);
std::vector<uint8_t> renderPng(const UIView& root, const RenderOptions& options = {});
// Renders and writes a PNG file; throws std::runtime_error naming the file on failure.
void writePng(const UIView& root, const std::string& path, const RenderOptions& options = {});

}  // namespace render
