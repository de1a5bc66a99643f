#include "cli/colorart/Preview.hpp"

#include <cairo.h>
#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <set>

#include "colorart/UIImage+Scale.hpp"
#include "render/Painter.hpp"
#include "render/TextDrawing.hpp"

namespace colorart_cli {

namespace {

std::string hexOf(const UIColor& c) {
  auto byte = [](double v) { return static_cast<int>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0)); };
  return fmt::format("#{:02x}{:02x}{:02x}", byte(c.red()), byte(c.green()), byte(c.blue()));
}

// Draws the picture at `scale` with its top left at the origin of the context.
void drawPreview(cairo_t* cr, double scale, const UIImage& artwork, const PreviewColours& colours, const std::string& title) {
  const double side = kPreviewHeight;
  cairo_save(cr);
  cairo_scale(cr, scale, scale);
  // The artwork, stretched to a square as the analysis sees it.
  if (artwork.pixelWidth() > 0 && artwork.pixelHeight() > 0) {
    cairo_surface_t* art = cairo_image_surface_create_for_data(
        reinterpret_cast<unsigned char*>(const_cast<uint32_t*>(artwork.pixels().data())), CAIRO_FORMAT_ARGB32,
        artwork.pixelWidth(), artwork.pixelHeight(), artwork.pixelWidth() * 4);
    cairo_save(cr);
    cairo_scale(cr, side / artwork.pixelWidth(), side / artwork.pixelHeight());
    cairo_set_source_surface(cr, art, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
    cairo_paint(cr);
    cairo_restore(cr);
    cairo_surface_destroy(art);
  }
  // The background colour beside it, with the three text colours as the overlay uses them.
  render::setSourceColor(cr, *colours.background);
  cairo_rectangle(cr, side, 0, kPreviewWidth - side, side);
  cairo_fill(cr);
  {
    render::Painter painter(cr, scale);
    const double x = side + 24, width = kPreviewWidth - side - 40;
    struct Line {
      std::string text;
      UIColorRef color;
      const char* font;
      double size, y, height;
    };
    const Line lines[] = {
        {title, colours.secondary, "Helvetica-Bold", 24, 48, 34},
        {fmt::format("Artist \u2014 Album  {}", hexOf(*colours.primary)), colours.primary, "Helvetica", 18, 92, 28},
        {fmt::format("secondary {}", hexOf(*colours.secondary)), colours.secondary, "Helvetica", 14, 140, 22},
        {fmt::format("detail {}", hexOf(*colours.detail)), colours.detail, "Helvetica", 14, 168, 22},
        {fmt::format("background {}", hexOf(*colours.background)), colours.detail, "Helvetica", 14, 196, 22},
    };
    for (const Line& line : lines) {
      render::TextStyle style;
      style.fontName = line.font;
      style.pointSize = line.size;
      style.color = line.color;
      render::drawText(painter, line.text, style, CGRectMake(x, line.y, width, line.height));
    }
  }
  cairo_restore(cr);
}

bool writeSurface(cairo_surface_t* surface, const std::string& path, std::string& error) {
  cairo_status_t status = cairo_surface_write_to_png(surface, path.c_str());
  if (status != CAIRO_STATUS_SUCCESS) {
    error = fmt::format("cannot write {}: {}", path, cairo_status_to_string(status));
    return false;
  }
  return true;
}

}  // namespace

bool writePreview(const std::string& path, const UIImage& artwork, const PreviewColours& colours, const std::string& title,
                  std::string& error) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kPreviewWidth, kPreviewHeight);
  cairo_t* cr = cairo_create(surface);
  drawPreview(cr, 1.0, artwork, colours, title);
  cairo_destroy(cr);
  const bool ok = writeSurface(surface, path, error);
  cairo_surface_destroy(surface);
  return ok;
}

// Cells of at most 3/8 of the picture; for long runs smaller, so that the whole sheet stays
// within about 16 megapixels.
ContactSheet::ContactSheet(size_t count) : count_(std::max<size_t>(count, 1)) {
  constexpr double kBudget = 16e6;
  scale_ = std::min(0.375, std::sqrt(kBudget / (static_cast<double>(count_) * kPreviewWidth * kPreviewHeight)));
  cellWidth_ = std::max(8, static_cast<int>(kPreviewWidth * scale_));
  cellHeight_ = std::max(4, static_cast<int>(kPreviewHeight * scale_));
  scale_ = static_cast<double>(cellWidth_) / kPreviewWidth;
  // About as wide as high.
  columns_ = std::clamp(static_cast<int>(std::lround(std::sqrt(count_ * double(cellHeight_) / cellWidth_))), 1,
                        static_cast<int>(count_));
  const int rows = static_cast<int>((count_ + columns_ - 1) / columns_);
  constexpr int kGap = 4;
  width_ = columns_ * (cellWidth_ + kGap) + kGap;
  height_ = rows * (cellHeight_ + kGap) + kGap;
  pixels_.assign(static_cast<size_t>(width_) * height_, 0xFF303030u);
}

void ContactSheet::place(size_t index, const UIImage& artwork, const PreviewColours& colours, const std::string& title) {
  if (index >= count_) return;
  std::vector<uint32_t> cell(static_cast<size_t>(cellWidth_) * cellHeight_, 0xFF000000u);
  cairo_surface_t* surface = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(cell.data()),
                                                                 CAIRO_FORMAT_RGB24, cellWidth_, cellHeight_, cellWidth_ * 4);
  cairo_t* cr = cairo_create(surface);
  drawPreview(cr, scale_, artwork, colours, title);
  cairo_destroy(cr);
  cairo_surface_flush(surface);
  cairo_surface_destroy(surface);
  constexpr int kGap = 4;
  const int column = static_cast<int>(index % columns_), row = static_cast<int>(index / columns_);
  const int left = kGap + column * (cellWidth_ + kGap), top = kGap + row * (cellHeight_ + kGap);
  // Each cell is its own rectangle of the sheet: writers of different cells never meet.
  for (int y = 0; y < cellHeight_; ++y)
    std::copy_n(cell.data() + static_cast<size_t>(y) * cellWidth_, cellWidth_,
                pixels_.data() + static_cast<size_t>(top + y) * width_ + left);
}

bool ContactSheet::write(const std::string& path, std::string& error) const {
  cairo_surface_t* surface = cairo_image_surface_create_for_data(
      reinterpret_cast<unsigned char*>(const_cast<uint32_t*>(pixels_.data())), CAIRO_FORMAT_RGB24, width_, height_, width_ * 4);
  const bool ok = writeSurface(surface, path, error);
  cairo_surface_destroy(surface);
  return ok;
}

std::vector<std::string> previewPaths(const std::string& dir, const std::vector<std::string>& inputs) {
  std::vector<std::string> paths;
  std::set<std::string> taken;
  for (const std::string& input : inputs) {
    std::string stem = std::filesystem::path(input).stem().string();
    if (stem.empty()) stem = "image";
    std::string name = stem + ".png";
    for (int n = 2; taken.count(name); ++n) name = fmt::format("{}-{}.png", stem, n);
    taken.insert(name);
    paths.push_back((std::filesystem::path(dir) / name).string());
  }
  return paths;
}

}  // namespace colorart_cli
