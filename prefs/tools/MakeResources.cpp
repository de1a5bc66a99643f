// Builds the pane bundle's generated resources: the pictures (drawn with Cairo) and the
// binary form of strings tables kept in the source tree as XML.
//   make-resources images OUTDIR
//   make-resources binary-strings IN.xml OUT.strings
#include <cairo.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/plist/PropertyList.hpp"
#include "render/RoundedRectPath.hpp"

namespace {

void centredText(cairo_t* cr, const char* text, double size, double cx, double cy) {
  cairo_select_font_face(cr, "Helvetica", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
  cairo_set_font_size(cr, size);
  cairo_text_extents_t e;
  cairo_text_extents(cr, text, &e);
  cairo_move_to(cr, cx - e.width / 2 - e.x_bearing, cy - e.height / 2 - e.y_bearing);
  cairo_show_text(cr, text);
}

bool save(cairo_surface_t* s, const std::string& path) {
  bool ok = cairo_surface_write_to_png(s, path.c_str()) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(s);
  if (!ok) std::fprintf(stderr, "make-resources: cannot write %s\n", path.c_str());
  return ok;
}

// The pane's accent colour, 68/90/101.
void accent(cairo_t* cr) { cairo_set_source_rgb(cr, 68 / 255.0, 90 / 255.0, 101 / 255.0); }

bool headerLogo(const std::string& out) {
  auto* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 110, 30);
  auto* cr = cairo_create(s);
  accent(cr);
  render::roundedRectPath(cr, {{0.5, 0.5}, {109, 29}}, 7);
  cairo_fill(cr);
  cairo_set_source_rgb(cr, 1, 1, 1);
  centredText(cr, "VELLOWAY", 15, 55, 15);
  cairo_destroy(cr);
  return save(s, out);
}

bool footerLogo(const std::string& out) {
  auto* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 30, 30);
  auto* cr = cairo_create(s);
  accent(cr);
  cairo_arc(cr, 15, 15, 14, 0, 2 * M_PI);
  cairo_fill(cr);
  cairo_set_source_rgb(cr, 1, 1, 1);
  centredText(cr, "V", 16, 15, 15);
  cairo_destroy(cr);
  return save(s, out);
}

// The Settings app's icon for the pane's entry: a rounded square in the accent colour with a
// white note head and stem.
bool entryIcon(const std::string& out) {
  auto* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 29, 29);
  auto* cr = cairo_create(s);
  accent(cr);
  render::roundedRectPath(cr, {{0, 0}, {29, 29}}, 6.5);
  cairo_fill(cr);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_save(cr);
  cairo_translate(cr, 12, 20);
  cairo_scale(cr, 1.3, 1);
  cairo_arc(cr, 0, 0, 3.2, 0, 2 * M_PI);
  cairo_restore(cr);
  cairo_fill(cr);
  cairo_rectangle(cr, 14.6, 7, 1.8, 13);
  cairo_fill(cr);
  cairo_move_to(cr, 16.4, 7);
  cairo_curve_to(cr, 19, 9, 21, 10, 20, 14);
  cairo_set_line_width(cr, 1.6);
  cairo_stroke(cr);
  cairo_destroy(cr);
  return save(s, out);
}

bool portrait(const std::string& out, const char* initials, double r, double g, double b) {
  auto* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 140, 140);
  auto* cr = cairo_create(s);
  cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, 0, 140);
  cairo_pattern_add_color_stop_rgb(p, 0, r, g, b);
  cairo_pattern_add_color_stop_rgb(p, 1, r * 0.6, g * 0.6, b * 0.6);
  cairo_set_source(cr, p);
  cairo_paint(cr);
  cairo_pattern_destroy(p);
  cairo_set_source_rgba(cr, 1, 1, 1, 0.9);
  centredText(cr, initials, 56, 70, 70);
  cairo_destroy(cr);
  return save(s, out);
}

int binaryStrings(const std::string& in, const std::string& out) {
  std::ifstream f(in, std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  auto value = plist::parse(bytes);
  if (!value || !value->isDictionary()) {
    std::fprintf(stderr, "make-resources: %s is not a dictionary property list\n", in.c_str());
    return 1;
  }
  auto binary = plist::serialize(*value, plist::Format::Binary);
  std::ofstream o(out, std::ios::binary | std::ios::trunc);
  o.write(reinterpret_cast<const char*>(binary.data()), static_cast<std::streamsize>(binary.size()));
  return o ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 2 && args[0] == "images") {
    const std::string& dir = args[1];
    bool ok = headerLogo(dir + "/headerLogo.png") && footerLogo(dir + "/footerLogo.png") && entryIcon(dir + "/icon.png") &&
              portrait(dir + "/dovrane.png", "DK", 0.27, 0.45, 0.55) && portrait(dir + "/zindra.png", "ZM", 0.55, 0.35, 0.45);
    return ok ? 0 : 1;
  }
  if (args.size() == 3 && args[0] == "binary-strings") return binaryStrings(args[1], args[2]);
  std::fprintf(stderr, "usage: make-resources images OUTDIR | binary-strings IN OUT\n");
  return 2;
}
