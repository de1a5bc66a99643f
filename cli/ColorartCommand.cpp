// velloway colorart: the artwork colour analysis on image files.
#include <fmt/format.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "cli/Subcommand.hpp"
#include "colorart/CountedColorSet.hpp"
#include "colorart/SLColorArt.hpp"
#include "colorart/UIImage+Scale.hpp"
#include "platform/foundation/NSLog.hpp"
#include "platform/graphics/ImageDecoder.hpp"

namespace {

struct ColorartOptions {
  bool json = false;
  bool native = false;
  int64_t threshold = SLColorArt::kDefaultThreshold;
  std::string size;
  std::vector<std::string> images;
};

std::optional<CGSize> parseSize(const std::string& text) {
  auto x = text.find_first_of("xX");
  if (x == std::string::npos) return std::nullopt;
  try {
    size_t usedW = 0, usedH = 0;
    std::string w = text.substr(0, x), h = text.substr(x + 1);
    double width = std::stod(w, &usedW), height = std::stod(h, &usedH);
    if (usedW != w.size() || usedH != h.size()) return std::nullopt;
    if (!(width > 0) || !(height > 0) || std::ceil(width) > UIImage::kMaxSide || std::ceil(height) > UIImage::kMaxSide ||
        std::ceil(width) * std::ceil(height) > static_cast<double>(UIImage::kMaxPixels))
      return std::nullopt;
    return CGSizeMake(width, height);
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

// Reads and decodes an image file; on failure, says why in `error`. A JPEG that will be scaled
// down to fit `minSide` pixels a side may be decoded at a reduced scale.
UIImageRef loadImage(const std::string& path, int minSide, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = fmt::format("cannot read: {}", std::strerror(errno));
    return nullptr;
  }
  std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) {
    error = fmt::format("cannot read: {}", std::strerror(errno));
    return nullptr;
  }
  if (!looksLikePng(bytes) && !looksLikeJpeg(bytes)) {
    error = "not a PNG or JPEG image";
    return nullptr;
  }
  auto decoded = decodeImage(bytes, {}, minSide);
  if (!decoded) {
    error = fmt::format("cannot decode the {} image (damaged, truncated, or over {} pixels a side or {} megapixels)",
                        looksLikePng(bytes) ? "PNG" : "JPEG", UIImage::kMaxSide, UIImage::kMaxPixels / (1024 * 1024));
    return nullptr;
  }
  return std::make_shared<UIImage>(decoded->width, decoded->height, std::move(decoded->pixels));
}

bool exactHex(const UIColor& c, std::string* hex) {
  colorart::ColorKey key;
  if (!colorart::keyOfColor(colorart::rgbaOf(c), &key)) return false;
  *hex = fmt::format("#{:02x}{:02x}{:02x}", colorart::keyRed(key), colorart::keyGreen(key), colorart::keyBlue(key));
  return true;
}

int toByte(double v) { return static_cast<int>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0)); }

// "#rrggbb", and for a colour that is not exactly 8-bit and opaque, its exact components too.
std::string plainColor(const UIColor& c) {
  std::string hex;
  if (exactHex(c, &hex)) return hex;
  return fmt::format("#{:02x}{:02x}{:02x} (r {}, g {}, b {}, a {})", toByte(c.red()), toByte(c.green()),
                     toByte(c.blue()), c.red(), c.green(), c.blue(), c.alpha());
}

nlohmann::ordered_json jsonColor(const UIColor& c) {
  std::string hex;
  if (exactHex(c, &hex)) return hex;
  return nlohmann::ordered_json{{"r", c.red()}, {"g", c.green()}, {"b", c.blue()}, {"a", c.alpha()}};
}

int runColorart(const ColorartOptions& o) {
  std::optional<CGSize> size = CGSizeMake(512, 512);
  if (!o.size.empty()) {
    size = parseSize(o.size);
    if (!size) {
      std::cerr << fmt::format(
          "velloway colorart: bad --size '{}': expected WIDTHxHEIGHT in points, both positive, at most {} a side\n",
          o.size, UIImage::kMaxSide);
      return 2;
    }
  }
  const int minSide = o.native ? 0 : static_cast<int>(std::ceil(std::max(size->width, size->height)));

  // The analysis's log lines go to stderr, naming the image.
  std::string current;
  system_log::setPrinter([&current](std::string_view line) {
    std::cerr << fmt::format("velloway colorart: {}: {}\n", current, line);
  });

  int status = 0;
  bool first = true;
  const bool several = o.images.size() > 1;
  for (const std::string& path : o.images) {
    current = path;
    std::string error;
    UIImageRef image = loadImage(path, minSide, error);
    if (!image) {
      std::cout.flush();
      std::cerr << fmt::format("velloway colorart: {}: {}\n", path, error);
      status = 2;
      continue;
    }
    UIImageRef analysed = o.native ? image : scaledToSize(image, *size);
    SLColorArt art(analysed, o.threshold);
    const std::pair<const char*, UIColorRef> colours[] = {{"background", art.backgroundColor()},
                                                          {"primary", art.primaryColor()},
                                                          {"secondary", art.secondaryColor()},
                                                          {"detail", art.detailColor()}};
    if (o.json) {
      nlohmann::ordered_json object;
      if (several) object["image"] = path;
      for (auto& [name, colour] : colours) object[name] = jsonColor(*colour);
      std::cout << object.dump() << "\n";
    } else {
      if (several) std::cout << (first ? "" : "\n") << path << ":\n";
      for (auto& [name, colour] : colours)
        std::cout << fmt::format("{}{:<11}{}\n", several ? "  " : "", name, plainColor(*colour));
    }
    std::cout.flush();
    first = false;
  }
  system_log::setPrinter({});
  return status;
}

SubcommandRegistration registration{Subcommand{
    "colorart",
    "Find an image's background, primary, secondary and detail colours (PNG or JPEG)",
    [](CLI::App& app) -> std::function<int()> {
      auto o = std::make_shared<ColorartOptions>();
      app.description(
          "Find the background colour (from the image's leftmost column) and the primary, secondary and detail text "
          "colours of each image. By default the image is scaled to 512x512 and analysed with threshold 2, as the "
          "tweak's colorArt does. Colours print as #rrggbb; one that is not exactly 8-bit prints its exact components "
          "too. Lines such as \"missed primary\" (no such colour found: white or black used) go to stderr. An image "
          "that can't be read or decoded is reported on stderr and the others are still analysed; the exit status "
          "is then 2.");
      app.add_flag("--json", o->json,
                   "Print JSON: one object {background, primary, secondary, detail} per image, one per line, with an "
                   "\"image\" field when there are several; a colour is \"#rrggbb\" when exactly 8-bit and opaque, "
                   "else {r, g, b, a}");
      auto native = app.add_flag("--native", o->native, "Analyse each image at its own pixel size, without scaling");
      app.add_option("--threshold", o->threshold,
                     "An edge colour must occur on more than N rows of the leftmost column (default 2; a negative N "
                     "admits none, so the background is white)")
          ->type_name("N");
      app.add_option("--size", o->size, "Scale each image to WxH points (one pixel per point) before analysing (default 512x512)")
          ->type_name("WxH")
          ->excludes(native);
      app.add_option("IMAGE", o->images, "PNG or JPEG files")->required()->type_name("");
      return [o] { return runColorart(*o); };
    },
    30}};

}  // namespace
