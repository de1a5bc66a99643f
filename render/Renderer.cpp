#include "render/Renderer.hpp"

#include <cmath>
#include <stdexcept>

#include "platform/device/DeviceProfile.hpp"
#include "platform/fs/DeviceRoot.hpp"
#include "platform/text/Fonts.hpp"
#include "platform/uikit/UIAlertView.hpp"
#include "platform/uikit/UIView.hpp"
#include "render/Painter.hpp"

namespace render {

// ---- Image ------------------------------------------------------------------------------

Image::Image(cairo_surface_t* surface, double scale) : surface_(surface), scale_(scale) {}

Image::Image(Image&& other) noexcept : surface_(other.surface_), scale_(other.scale_) { other.surface_ = nullptr; }

Image& Image::operator=(Image&& other) noexcept {
  if (this != &other) {
    if (surface_) cairo_surface_destroy(surface_);
    surface_ = other.surface_;
    scale_ = other.scale_;
    other.surface_ = nullptr;
  }
  return *this;
}

Image::~Image() {
  if (surface_) cairo_surface_destroy(surface_);
}

Image Image::readPng(const std::string& path, double scale) {
  cairo_surface_t* s = cairo_image_surface_create_from_png(path.c_str());
  if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(s);
    return {};
  }
  if (cairo_image_surface_get_format(s) != CAIRO_FORMAT_ARGB32) {
    // Opaque PNGs load as RGB24; keep one layout for comparisons.
    cairo_surface_t* argb =
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, cairo_image_surface_get_width(s), cairo_image_surface_get_height(s));
    cairo_t* c = cairo_create(argb);
    cairo_set_source_surface(c, s, 0, 0);
    cairo_paint(c);
    cairo_destroy(c);
    cairo_surface_destroy(s);
    s = argb;
  }
  return Image(s, scale);
}

int Image::width() const { return surface_ ? cairo_image_surface_get_width(surface_) : 0; }
int Image::height() const { return surface_ ? cairo_image_surface_get_height(surface_) : 0; }

uint32_t Image::pixel(int x, int y) const {
  if (!surface_ || x < 0 || y < 0 || x >= width() || y >= height()) return 0;
  cairo_surface_flush(surface_);
  const unsigned char* data = cairo_image_surface_get_data(surface_);
  const int stride = cairo_image_surface_get_stride(surface_);
  return reinterpret_cast<const uint32_t*>(data + size_t(y) * stride)[x];
}

std::vector<uint8_t> Image::png() const {
  std::vector<uint8_t> out;
  if (!surface_) return out;
  cairo_surface_write_to_png_stream(
      surface_,
      [](void* closure, const unsigned char* data, unsigned int length) {
        auto* bytes = static_cast<std::vector<uint8_t>*>(closure);
        bytes->insert(bytes->end(), data, data + length);
        return CAIRO_STATUS_SUCCESS;
      },
      &out);
  return out;
}

void Image::writePng(const std::string& path) const {
  if (!surface_) throw std::runtime_error(path + ": no picture to write");
  // Encoded in memory first, so that only a regular file is ever written and nothing blocks.
  device_fs::writeOutputFile(path, png());
}

// ---- Canvas -----------------------------------------------------------------------------

Canvas::Canvas(CGSize points, const RenderOptions& options)
    : size_(points), scale_(options.scale > 0 ? options.scale : deviceProfile().scale), presentation_(options.presentation) {
  configureFonts();
  const int w = std::max(1, static_cast<int>(std::ceil(points.width * scale_ - 1e-6)));
  const int h = std::max(1, static_cast<int>(std::ceil(points.height * scale_ - 1e-6)));
  surface_ = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  cr_ = cairo_create(surface_);
  if (options.background && options.background->alpha() > 0) {
    setSourceColor(cr_, *options.background);
    cairo_set_operator(cr_, CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr_);
    cairo_set_operator(cr_, CAIRO_OPERATOR_OVER);
  }
  cairo_scale(cr_, scale_, scale_);
}

Canvas::~Canvas() {
  cairo_destroy(cr_);
  cairo_surface_destroy(surface_);
}

void Canvas::drawView(const UIView& view, CGPoint origin) {
  Painter painter(cr_, scale_);
  painter.showPresentation(presentation_);
  painter.drawViewAt(view, origin);
}

void Canvas::dim(double alpha) {
  cairo_save(cr_);
  cairo_set_source_rgba(cr_, 0, 0, 0, alpha);
  cairo_paint(cr_);
  cairo_restore(cr_);
}

void Canvas::drawAlert(const UIAlertView& alert) { drawAlert(AlertContent::from(alert)); }

void Canvas::drawAlert(const AlertContent& alert) {
  dim(0.4);
  Painter painter(cr_, scale_);
  drawAlertPanel(painter, alert, {{0, 0}, size_});
}

Image Canvas::image() const {
  cairo_surface_flush(surface_);
  const int w = cairo_image_surface_get_width(surface_), h = cairo_image_surface_get_height(surface_);
  cairo_surface_t* copy = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  cairo_t* c = cairo_create(copy);
  cairo_set_operator(c, CAIRO_OPERATOR_SOURCE);
  cairo_set_source_surface(c, surface_, 0, 0);
  cairo_paint(c);
  cairo_destroy(c);
  return Image(copy, scale_);
}

// ---- One-call rendering -----------------------------------------------------------------

Image renderViewTree(const UIView& root, const RenderOptions& options) {
  Canvas canvas(root.frame().size, options);
  canvas.drawView(root);
  return canvas.image();
}

Image renderViewTree(const UIView& root, double scale) {
  RenderOptions options;
  options.scale = scale;
  return renderViewTree(root, options);
}

std::vector<uint8_t> renderPng(const UIView& root, const RenderOptions& options) { return renderViewTree(root, options).png(); }

void writePng(const UIView& root, const std::string& path, const RenderOptions& options) {
  renderViewTree(root, options).writePng(path);
}

}  // namespace render
