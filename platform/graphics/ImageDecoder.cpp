#include "platform/graphics/ImageDecoder.hpp"

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>
#include <jerror.h>
#include <png.h>

bool looksLikePng(std::span<const uint8_t> bytes) {
  static const uint8_t sig[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  return bytes.size() >= 8 && std::memcmp(bytes.data(), sig, 8) == 0;
}

bool looksLikeJpeg(std::span<const uint8_t> bytes) { return bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF; }

namespace {

bool withinLimits(int64_t w, int64_t h, const DecodeLimits& limits) {
  return w > 0 && h > 0 && w <= limits.maxSide && h <= limits.maxSide && w * h <= limits.maxPixels;
}

std::optional<DecodedImage> decodePng(std::span<const uint8_t> bytes, const DecodeLimits& limits) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return std::nullopt;
  if (!withinLimits(image.width, image.height, limits)) {
    png_image_free(&image);
    return std::nullopt;
  }
  // BGRA bytes in memory are ARGB32 in a little-endian word.
  image.format = PNG_FORMAT_BGRA;
  DecodedImage out;
  out.width = static_cast<int>(image.width);
  out.height = static_cast<int>(image.height);
  out.pixels.resize(static_cast<size_t>(out.width) * out.height);
  if (!png_image_finish_read(&image, nullptr, out.pixels.data(), out.width * 4, nullptr)) {
    png_image_free(&image);
    return std::nullopt;
  }
  for (uint32_t& p : out.pixels) {
    uint32_t a = p >> 24;
    if (a == 255) continue;
    auto mul = [a](uint32_t c) { return (c * a + 127) / 255; };
    p = (a << 24) | (mul((p >> 16) & 0xFF) << 16) | (mul((p >> 8) & 0xFF) << 8) | mul(p & 0xFF);
  }
  return out;
}

struct JpegError {
  jpeg_error_mgr mgr;
  jmp_buf jump;
  bool truncated = false;
};

void jpegFail(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1); }

void jpegMessage(j_common_ptr cinfo, int level) {
  auto* err = reinterpret_cast<JpegError*>(cinfo->err);
  // A premature end of data is a warning to libjpeg (it pads with grey); to us it is a
  // broken file.
  if (level < 0 && err->mgr.msg_code == JWRN_JPEG_EOF) err->truncated = true;
}

std::optional<DecodedImage> decodeJpeg(std::span<const uint8_t> bytes, const DecodeLimits& limits, int minSide) {
  jpeg_decompress_struct cinfo;
  JpegError err;
  cinfo.err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = jpegFail;
  err.mgr.emit_message = jpegMessage;
  DecodedImage out;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return std::nullopt;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
  if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK || !withinLimits(cinfo.image_width, cinfo.image_height, limits)) {
    jpeg_destroy_decompress(&cinfo);
    return std::nullopt;
  }
  cinfo.out_color_space = JCS_EXT_BGRA;
  if (minSide > 0) {
    unsigned denom = 8;
    while (denom > 1 && (cinfo.image_width / denom < static_cast<unsigned>(minSide) ||
                         cinfo.image_height / denom < static_cast<unsigned>(minSide)))
      denom /= 2;
    cinfo.scale_num = 1;
    cinfo.scale_denom = denom;
  }
  jpeg_start_decompress(&cinfo);
  out.width = static_cast<int>(cinfo.output_width);
  out.height = static_cast<int>(cinfo.output_height);
  out.pixels.resize(static_cast<size_t>(out.width) * out.height);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = reinterpret_cast<JSAMPROW>(out.pixels.data() + static_cast<size_t>(cinfo.output_scanline) * out.width);
    jpeg_read_scanlines(&cinfo, &row, 1);
    if (err.truncated) break;
  }
  if (err.truncated) {
    jpeg_destroy_decompress(&cinfo);
    return std::nullopt;
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  if (err.truncated) return std::nullopt;
  return out;
}

}  // namespace

std::optional<DecodedImage> decodeImage(std::span<const uint8_t> bytes, const DecodeLimits& limits, int minSide) {
  if (looksLikePng(bytes)) return decodePng(bytes, limits);
  if (looksLikeJpeg(bytes)) return decodeJpeg(bytes, limits, minSide);
  return std::nullopt;
}
