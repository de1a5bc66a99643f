// libvelloway-colorart for C++: a thin header over the C API (velloway-colorart.h). Failures
// throw velloway::colorart::Error, carrying the C status and message; the library itself never
// throws across its boundary, this header does so on the caller's side.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "velloway-colorart.h"

namespace velloway::colorart {

struct Color {
  std::string hex;                    // nearest "#rrggbb"
  double r = 0, g = 0, b = 0, a = 0;  // exact components
};

struct Result {
  Color background, primary, secondary, detail;
  bool missedPrimary = false, missedSecondary = false, missedDetail = false;
};

struct Options {
  double width = 512, height = 512;
  bool native = false;
  int64_t threshold = 2;
};

class Error : public std::runtime_error {
 public:
  Error(vlw_colorart_status status, const std::string& message) : std::runtime_error(message), status_(status) {}
  vlw_colorart_status status() const { return status_; }

 private:
  vlw_colorart_status status_;
};

namespace detail {

inline vlw_colorart_options cOptions(const Options& o) { return {o.width, o.height, o.native ? 1 : 0, o.threshold}; }

inline Color color(const vlw_colorart_color& c) { return {c.hex, c.r, c.g, c.b, c.a}; }

inline Result result(vlw_colorart_status status, const vlw_colorart_result& r) {
  if (status != VLW_COLORART_OK) throw Error(status, r.message);
  Result out{color(r.colors[VLW_COLORART_BACKGROUND]), color(r.colors[VLW_COLORART_PRIMARY]),
             color(r.colors[VLW_COLORART_SECONDARY]), color(r.colors[VLW_COLORART_DETAIL])};
  out.missedPrimary = r.missed & (1u << VLW_COLORART_PRIMARY);
  out.missedSecondary = r.missed & (1u << VLW_COLORART_SECONDARY);
  out.missedDetail = r.missed & (1u << VLW_COLORART_DETAIL);
  return out;
}

}  // namespace detail

inline Result analyzeFile(const std::string& path, const Options& options = {}) {
  vlw_colorart_options o = detail::cOptions(options);
  vlw_colorart_result r;
  return detail::result(vlw_colorart_analyze_file(path.c_str(), &o, &r), r);
}

inline Result analyzeEncoded(const void* data, std::size_t size, const Options& options = {}) {
  vlw_colorart_options o = detail::cOptions(options);
  vlw_colorart_result r;
  return detail::result(vlw_colorart_analyze_encoded(data, size, &o, &r), r);
}

inline Result analyzePixels(const void* pixels, int64_t width, int64_t height, std::size_t stride, vlw_colorart_format format,
                            const Options& options = {}) {
  vlw_colorart_options o = detail::cOptions(options);
  vlw_colorart_result r;
  return detail::result(vlw_colorart_analyze_pixels(pixels, width, height, stride, format, &o, &r), r);
}

}  // namespace velloway::colorart
