#include "platform/graphics/ImageDecoder.hpp"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jerror.h>
#include <jpeglib.h>
#include <png.h>

#include "platform/graphics/PixelRows.hpp"

bool looksLikePng(std::span<const uint8_t> bytes) {
  static const uint8_t sig[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  return bytes.size() >= 8 && std::memcmp(bytes.data(), sig, 8) == 0;
}

bool looksLikeJpeg(std::span<const uint8_t> bytes) {
  return bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF;
}

namespace {

using pixel_rows::premultiplied;
using pixel_rows::Reducer;
using pixel_rows::reductionFor;

bool withinLimits(int64_t w, int64_t h, const DecodeLimits& limits) {
  return w > 0 && h > 0 && w <= limits.maxSide && h <= limits.maxSide && w * h <= limits.maxPixels;
}

std::string overLimits(const DecodeLimits& limits) {
  return "over " + std::to_string(limits.maxSide) + " pixels a side or " + std::to_string(limits.maxPixels / (1024 * 1024)) +
         " megapixels";
}

std::optional<DecodedImage> refuse(std::string* why, const std::string& reason) {
  if (why) *why = reason;
  return std::nullopt;
}

// ---- PNG ----

uint32_t bigEndian32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

// Whether every chunk up to IEND (or to the end of the bytes) lies wholly inside the bytes.
bool pngChunksFit(std::span<const uint8_t> bytes) {
  size_t pos = 8;
  while (pos < bytes.size()) {
    if (bytes.size() - pos < 12) return false;
    const uint32_t length = bigEndian32(&bytes[pos]);
    if (length > 0x7FFFFFFFu || length > bytes.size() - pos - 12) return false;
    const bool end = std::memcmp(&bytes[pos + 4], "IEND", 4) == 0;
    pos += 12 + static_cast<size_t>(length);
    if (end) return true;
  }
  return true;
}

// Largest buffer libpng may make for one ancillary chunk.
constexpr int64_t kPngChunkMemory = 8 * 1024 * 1024;

struct PngJob {
  const DecodeLimits* limits;
  int minSide;
  std::string error;
  int width = 0, height = 0;
  bool interlaced = false;
  std::vector<uint32_t> rows;  // interlaced: the whole image, rows combined pass by pass
  std::vector<uint32_t> row;
  std::optional<Reducer> reducer;
  DecodedImage out;
  bool ended = false;
  // Rows handed over (not interlaced); the last pass of an interlaced image, and whether its
  // last row came (libpng hands over every row of the image in each pass).
  int64_t rowsSeen = 0;
  int lastPass = 0;
  bool lastRowOfLastPass = false;
};

void pngFail(png_structp png, png_const_charp message) {
  auto* job = static_cast<PngJob*>(png_get_error_ptr(png));
  if (job->error.empty()) job->error = message;
  png_longjmp(png, 1);
}

// libpng's warnings are about chunks it skips or data after the image, which it does not read.
void pngWarn(png_structp, png_const_charp) {}

void pngInfo(png_structp png, png_infop info) {
  auto* job = static_cast<PngJob*>(png_get_progressive_ptr(png));
  png_uint_32 w = 0, h = 0;
  int depth = 0, colorType = 0, interlace = 0;
  png_get_IHDR(png, info, &w, &h, &depth, &colorType, &interlace, nullptr, nullptr);
  if (!withinLimits(w, h, *job->limits)) {
    job->error = overLimits(*job->limits);
    png_error(png, "over the size limits");
  }
  if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if ((colorType & PNG_COLOR_MASK_COLOR) == 0 && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
  if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
  if (depth == 16) png_set_scale_16(png);
  if ((colorType & PNG_COLOR_MASK_COLOR) == 0) png_set_gray_to_rgb(png);
  // BGRA bytes in memory are ARGB32 in a little-endian word.
  png_set_bgr(png);
  png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  job->interlaced = png_set_interlace_handling(png) > 1;
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != static_cast<size_t>(w) * 4) {
    job->error = "unexpected row layout";
    png_error(png, "unexpected row layout");
  }
  job->width = static_cast<int>(w);
  job->height = static_cast<int>(h);
  for (int pass = 0; pass < 7; ++pass)
    if (PNG_PASS_COLS(w, pass) != 0 && PNG_PASS_ROWS(h, pass) != 0) job->lastPass = pass;
  job->reducer.emplace(job->width, job->height, reductionFor(w, h, job->minSide), job->out);
  if (job->interlaced)
    job->rows.assign(static_cast<size_t>(w) * h, 0);
  else
    job->row.resize(w);
}

void pngRow(png_structp png, png_bytep newRow, png_uint_32 rowNumber, int pass) {
  auto* job = static_cast<PngJob*>(png_get_progressive_ptr(png));
  if (rowNumber >= static_cast<png_uint_32>(job->height)) return;
  if (job->interlaced && pass == job->lastPass && rowNumber + 1 == static_cast<png_uint_32>(job->height))
    job->lastRowOfLastPass = true;
  if (!newRow) return;
  ++job->rowsSeen;
  if (job->interlaced) {
    png_progressive_combine_row(png, reinterpret_cast<png_bytep>(&job->rows[static_cast<size_t>(rowNumber) * job->width]),
                                newRow);
    return;
  }
  std::memcpy(job->row.data(), newRow, job->row.size() * 4);
  for (uint32_t& p : job->row) p = premultiplied(p);
  job->reducer->addRow(job->row.data());
}

void pngEnd(png_structp png, png_infop) { static_cast<PngJob*>(png_get_progressive_ptr(png))->ended = true; }

// Read with libpng's progressive reader: once the image's rows are complete it inflates no more
// image data (the rest is skipped, not decompressed), and the bytes are handed over in pieces.
std::optional<DecodedImage> decodePng(std::span<const uint8_t> bytes, const DecodeLimits& limits, int minSide, std::string* why) {
  if (!pngChunksFit(bytes)) return refuse(why, "a chunk runs past the end of the file");
  PngJob job;
  job.limits = &limits;
  job.minSide = minSide;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &job, pngFail, pngWarn);
  if (!png) return refuse(why, "out of memory");
  png_infop info = png_create_info_struct(png);
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    return refuse(why, job.error.empty() ? "damaged" : job.error);
  }
  png_set_user_limits(png, static_cast<png_uint_32>(limits.maxSide), static_cast<png_uint_32>(limits.maxSide));
  png_set_chunk_malloc_max(png, static_cast<png_alloc_size_t>(std::min(kPngChunkMemory, limits.maxMemory)));
  png_set_chunk_cache_max(png, 128);
  // Text, profiles and the like are not needed for the pixels: never read, never inflated.
  static const png_byte ignored[] = "iCCP\0iTXt\0tEXt\0zTXt\0sPLT\0eXIf";
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, ignored, 6);
  png_set_progressive_read_fn(png, &job, pngInfo, pngRow, pngEnd);
  constexpr size_t kPiece = 64 * 1024;
  for (size_t pos = 0; pos < bytes.size() && !job.ended; pos += kPiece)
    png_process_data(png, info, const_cast<png_bytep>(bytes.data() + pos), std::min(kPiece, bytes.size() - pos));
  png_destroy_read_struct(&png, &info, nullptr);
  // Damaged image data can end the rows early without an error from libpng.
  const bool complete = job.interlaced ? job.lastRowOfLastPass : job.rowsSeen == job.height;
  if (!job.ended || !complete) return refuse(why, "truncated");
  if (job.interlaced) {
    for (int y = 0; y < job.height; ++y) {
      uint32_t* row = &job.rows[static_cast<size_t>(y) * job.width];
      for (int x = 0; x < job.width; ++x) row[x] = premultiplied(row[x]);
      job.reducer->addRow(row);
    }
  }
  return std::move(job.out);
}

// ---- JPEG ----

// Whether the segments before the first scan each lie wholly inside the bytes (later ones are
// read as the decoder reaches them, and one that runs past the end is a premature end).
bool jpegSegmentsFit(std::span<const uint8_t> bytes) {
  size_t pos = 2;
  while (pos < bytes.size()) {
    if (bytes[pos] != 0xFF) return false;
    while (pos < bytes.size() && bytes[pos] == 0xFF) ++pos;  // fill bytes
    if (pos >= bytes.size()) return false;
    const uint8_t marker = bytes[pos++];
    if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;  // no length
    if (marker == 0xD9) return true;                                                       // no image: the decoder says so
    if (bytes.size() - pos < 2) return false;
    const size_t length = size_t(bytes[pos]) << 8 | bytes[pos + 1];
    if (length < 2 || length > bytes.size() - pos) return false;
    if (marker == 0xDA) return true;
    pos += length;
  }
  return false;
}

enum class JpegFailure { None, Corrupt, TooManyScans };

struct JpegError {
  jpeg_error_mgr mgr;
  jmp_buf jump;
  JpegFailure failure = JpegFailure::None;
  char message[JMSG_LENGTH_MAX] = {};
};

void jpegFail(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<JpegError*>(cinfo->err);
  if (err->message[0] == 0) (*cinfo->err->format_message)(cinfo, err->message);
  std::longjmp(err->jump, 1);
}

void jpegMessage(j_common_ptr cinfo, int level) {
  if (level >= 0) return;  // trace messages
  // Warnings mean corrupt data that libjpeg would paper over (a premature end padded with grey,
  // a damaged entropy segment, ...): a failed decode. A few are only about metadata.
  const int code = cinfo->err->msg_code;
  if (code == JWRN_JFIF_MAJOR || code == JWRN_ADOBE_XFORM || code == JWRN_BOGUS_ICC) return;
  reinterpret_cast<JpegError*>(cinfo->err)->failure = JpegFailure::Corrupt;
  jpegFail(cinfo);
}

struct JpegProgress {
  jpeg_progress_mgr mgr;
  int maxScans;
};

void jpegProgress(j_common_ptr cinfo) {
  auto* progress = reinterpret_cast<JpegProgress*>(cinfo->progress);
  auto* dinfo = reinterpret_cast<j_decompress_ptr>(cinfo);
  if (dinfo->input_scan_number > progress->maxScans) {
    auto* err = reinterpret_cast<JpegError*>(cinfo->err);
    err->failure = JpegFailure::TooManyScans;
    std::snprintf(err->message, sizeof err->message, "more than %d scans", progress->maxScans);
    jpegFail(cinfo);
  }
}

// One pixel from CMYK as libjpeg delivers it: Adobe's files store the inks inverted (0 is full
// ink), others plainly.
uint32_t argbOfCmyk(const uint8_t* p, bool inverted) {
  uint32_t c = p[0], m = p[1], y = p[2], k = p[3];
  if (!inverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
  auto channel = [k](uint32_t ink) { return (ink * k + 127) / 255; };
  return 0xFF000000u | channel(c) << 16 | channel(m) << 8 | channel(y);
}

// The smallest output scale M / 8 that keeps both sides at least minSide (else full size).
void chooseJpegScale(jpeg_decompress_struct& cinfo, unsigned minSide) {
  for (unsigned m = 1; m <= 8; ++m) {
    cinfo.scale_num = m;
    cinfo.scale_denom = 8;
    jpeg_calc_output_dimensions(&cinfo);
    if (cinfo.output_width >= minSide && cinfo.output_height >= minSide) break;
  }
}

// Reads the rows into `out` until the data ends; CMYK rows go through `cmykRow` (null for
// BGRA, read in place). libjpeg may jump out of here: nothing in it needs destroying.
void readJpegRows(jpeg_decompress_struct& cinfo, DecodedImage& out, uint8_t* cmykRow) {
  const bool inverted = cinfo.saw_Adobe_marker;
  while (cinfo.output_scanline < cinfo.output_height) {
    uint32_t* target = out.pixels.data() + static_cast<size_t>(cinfo.output_scanline) * out.width;
    JSAMPROW row = cmykRow ? cmykRow : reinterpret_cast<JSAMPROW>(target);
    if (jpeg_read_scanlines(&cinfo, &row, 1) != 1) break;
    if (cmykRow)
      for (int x = 0; x < out.width; ++x) target[x] = argbOfCmyk(&cmykRow[static_cast<size_t>(x) * 4], inverted);
  }
}

std::optional<DecodedImage> decodeJpeg(std::span<const uint8_t> bytes, const DecodeLimits& limits, int minSide,
                                       std::string* why) {
  if (!jpegSegmentsFit(bytes)) return refuse(why, "a segment runs past the end of the file");
  jpeg_decompress_struct cinfo;
  JpegError err;
  JpegProgress progress;
  cinfo.err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = jpegFail;
  err.mgr.emit_message = jpegMessage;
  // Everything that lives across the jump is made before it.
  DecodedImage out;
  std::vector<uint8_t> cmykRow;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return refuse(why, err.failure == JpegFailure::TooManyScans ? err.message
                       : err.failure == JpegFailure::Corrupt    ? std::string("corrupt data (") + err.message + ")"
                                                                : std::string(err.message));
  }
  jpeg_create_decompress(&cinfo);
  cinfo.mem->max_memory_to_use = static_cast<long>(limits.maxMemory);
  progress.mgr.progress_monitor = jpegProgress;
  progress.maxScans = limits.maxScans;
  cinfo.progress = &progress.mgr;
  jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&cinfo, TRUE);
  if (!withinLimits(cinfo.image_width, cinfo.image_height, limits)) {
    jpeg_destroy_decompress(&cinfo);
    return refuse(why, overLimits(limits));
  }
  const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRA;
  if (minSide > 0) chooseJpegScale(cinfo, static_cast<unsigned>(minSide));
  jpeg_start_decompress(&cinfo);
  out.width = static_cast<int>(cinfo.output_width);
  out.height = static_cast<int>(cinfo.output_height);
  out.pixels.resize(static_cast<size_t>(out.width) * out.height);
  if (cmyk) cmykRow.resize(static_cast<size_t>(out.width) * 4);
  readJpegRows(cinfo, out, cmyk ? cmykRow.data() : nullptr);
  if (cinfo.output_scanline < cinfo.output_height) {
    jpeg_destroy_decompress(&cinfo);
    return refuse(why, "truncated");
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return out;
}

}  // namespace

std::optional<DecodedImage> decodeImage(std::span<const uint8_t> bytes, const DecodeLimits& limits, int minSide,
                                        std::string* why) {
  if (looksLikePng(bytes)) return decodePng(bytes, limits, minSide, why);
  if (looksLikeJpeg(bytes)) return decodeJpeg(bytes, limits, minSide, why);
  return refuse(why, "not a PNG or JPEG image");
}
