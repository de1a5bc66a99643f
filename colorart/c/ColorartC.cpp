// The C API over the engine. Nothing escapes it: every exception becomes a status and a message.
#include <cstring>
#include <new>
#include <string>

#include "colorart/c/velloway-colorart.h"
#include "colorart/engine/Artwork.hpp"
#include "colorart/engine/ColorHex.hpp"

namespace {

void setMessage(vlw_colorart_result* result, const std::string& message) {
  std::strncpy(result->message, message.c_str(), sizeof result->message - 1);
  result->message[sizeof result->message - 1] = '\0';
}

vlw_colorart_status fail(vlw_colorart_result* result, vlw_colorart_status status, const std::string& message) {
  setMessage(result, message);
  return status;
}

// A call refused before it starts: the result holds nothing but why.
vlw_colorart_status reject(vlw_colorart_result* result, const char* message) {
  if (!result) return VLW_COLORART_INVALID_ARGUMENT;
  std::memset(result, 0, sizeof *result);
  return fail(result, VLW_COLORART_INVALID_ARGUMENT, message);
}

// The engine's options from the caller's; false, after a message, when they can't be used.
bool takeOptions(const vlw_colorart_options* given, colorart::ArtworkOptions& options, vlw_colorart_result* result) {
  if (!given) return true;
  options.native = given->native != 0;
  options.threshold = given->threshold;
  options.size = CGSizeMake(given->width, given->height);
  if (!options.native && !colorart::analysisSizeAllowed(options.size)) {
    setMessage(result, "bad size: both sides must be positive, at most 8192 pixels a side and 64 megapixels");
    return false;
  }
  return true;
}

void fillColor(vlw_colorart_color& out, const colorart::RGBA& c) {
  colorart::writeHex(c, out.hex);
  out.r = c.r, out.g = c.g, out.b = c.b, out.a = c.a;
}

// An error of the engine's as a status: its messages start with what went wrong.
vlw_colorart_status statusOf(const std::string& error) {
  if (error.rfind("cannot read", 0) == 0) return VLW_COLORART_CANNOT_READ;
  if (error.rfind("cannot take the pixels", 0) == 0) return VLW_COLORART_INVALID_ARGUMENT;
  return VLW_COLORART_CANNOT_DECODE;
}

vlw_colorart_status finish(const colorart::ArtworkResult& artwork, vlw_colorart_result* result) {
  if (!artwork.ok) return fail(result, statusOf(artwork.error), artwork.error);
  const colorart::Analysis& a = artwork.analysis;
  fillColor(result->colors[VLW_COLORART_BACKGROUND], a.background);
  fillColor(result->colors[VLW_COLORART_PRIMARY], a.primary);
  fillColor(result->colors[VLW_COLORART_SECONDARY], a.secondary);
  fillColor(result->colors[VLW_COLORART_DETAIL], a.detail);
  for (int slot = colorart::kPrimary; slot <= colorart::kDetail; ++slot)
    if (a.missed[slot]) result->missed |= 1u << (slot + 1);
  return VLW_COLORART_OK;
}

// Runs one analysis with everything that can go wrong turned into a status.
template <class Analyse>
vlw_colorart_status guarded(const vlw_colorart_options* given, vlw_colorart_result* result, Analyse&& analyse) {
  if (!result) return VLW_COLORART_INVALID_ARGUMENT;
  std::memset(result, 0, sizeof *result);
  try {
    colorart::ArtworkOptions options;
    if (!takeOptions(given, options, result)) return VLW_COLORART_INVALID_ARGUMENT;
    return finish(analyse(options), result);
  } catch (const std::bad_alloc&) {
    return fail(result, VLW_COLORART_OUT_OF_MEMORY, "out of memory");
  } catch (const std::exception& e) {
    return fail(result, VLW_COLORART_INTERNAL, e.what());
  } catch (...) {
    return fail(result, VLW_COLORART_INTERNAL, "unknown failure");
  }
}

}  // namespace

extern "C" {

void vlw_colorart_options_init(vlw_colorart_options* options) {
  if (!options) return;
  options->width = 512, options->height = 512;
  options->native = 0;
  options->threshold = colorart::kDefaultThreshold;
}

vlw_colorart_status vlw_colorart_analyze_file(const char* path, const vlw_colorart_options* options,
                                              vlw_colorart_result* result) {
  if (!path) return reject(result, "no path");
  return guarded(options, result, [&](const colorart::ArtworkOptions& o) { return colorart::analyseFile(path, o); });
}

vlw_colorart_status vlw_colorart_analyze_encoded(const void* data, size_t size, const vlw_colorart_options* options,
                                                 vlw_colorart_result* result) {
  if (!data && size) return reject(result, "no data");
  return guarded(options, result, [&](const colorart::ArtworkOptions& o) {
    return colorart::analyseEncoded({static_cast<const uint8_t*>(data), data ? size : 0}, o);
  });
}

vlw_colorart_status vlw_colorart_analyze_pixels(const void* pixels, int64_t width, int64_t height, size_t stride,
                                                vlw_colorart_format format, const vlw_colorart_options* options,
                                                vlw_colorart_result* result) {
  if (format != VLW_COLORART_RGB && format != VLW_COLORART_RGBA) return reject(result, "unknown pixel format");
  return guarded(options, result, [&](const colorart::ArtworkOptions& o) {
    return colorart::analyseRaw(static_cast<const uint8_t*>(pixels), width, height, stride, static_cast<RawPixelFormat>(format),
                                o);
  });
}

const char* vlw_colorart_role_name(vlw_colorart_role role) {
  switch (role) {
    case VLW_COLORART_BACKGROUND:
      return "background";
    case VLW_COLORART_PRIMARY:
      return "primary";
    case VLW_COLORART_SECONDARY:
      return "secondary";
    case VLW_COLORART_DETAIL:
      return "detail";
  }
  return "";
}

const char* vlw_colorart_version(void) { return "1.0.0"; }

}  // extern "C"
