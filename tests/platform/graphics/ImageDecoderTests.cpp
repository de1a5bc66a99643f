// Decoding artwork bytes: hostile files (lengths past the end, image data past the image, too
// many scans, a header that claims more than the data holds, a file cut short) are refused
// quickly and within bounded memory; CMYK and YCCK are converted; images decode straight to a
// reduced size when the caller needs less. The files are made here, small.
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "platform/graphics/ImageDecoder.hpp"
#include "tests/support/DeviceRootTest.hpp"

namespace {

using Bytes = std::vector<uint8_t>;

void put32(Bytes& b, uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) b.push_back(static_cast<uint8_t>(v >> s));
}

void chunk(Bytes& png, const char* type, const Bytes& data, uint32_t length) {
  put32(png, length);
  Bytes typed(type, type + 4);
  typed.insert(typed.end(), data.begin(), data.end());
  png.insert(png.end(), typed.begin(), typed.end());
  put32(png, static_cast<uint32_t>(crc32(0, typed.data(), static_cast<uInt>(typed.size()))));
}
void chunk(Bytes& png, const char* type, const Bytes& data) { chunk(png, type, data, static_cast<uint32_t>(data.size())); }

Bytes pngStart(uint32_t w, uint32_t h, uint8_t interlace = 0) {
  Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  Bytes ihdr;
  put32(ihdr, w);
  put32(ihdr, h);
  ihdr.insert(ihdr.end(), {8, 2, 0, 0, interlace});  // 8-bit RGB
  chunk(png, "IHDR", ihdr);
  return png;
}

// A zlib stream of `raw` followed by `extra` zero bytes, each part flushed, the stream not
// finished, so more can follow.
Bytes zlibFlushed(const Bytes& raw, size_t extra = 0) {
  z_stream z{};
  deflateInit(&z, 9);
  Bytes out(raw.size() + extra / 100 + 4096);
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  z.next_in = const_cast<Bytes::value_type*>(raw.data());
  z.avail_in = static_cast<uInt>(raw.size());
  deflate(&z, Z_SYNC_FLUSH);
  Bytes zeros(extra, 0);
  z.next_in = zeros.data();
  z.avail_in = static_cast<uInt>(zeros.size());
  deflate(&z, Z_SYNC_FLUSH);
  out.resize(out.size() - z.avail_out);
  deflateEnd(&z);
  return out;
}

// Rows of an RGB image, each with filter byte 0.
Bytes pngRows(uint32_t w, uint32_t h, uint32_t (*rgb)(uint32_t x, uint32_t y)) {
  Bytes raw;
  for (uint32_t y = 0; y < h; ++y) {
    raw.push_back(0);
    for (uint32_t x = 0; x < w; ++x) {
      uint32_t c = rgb(x, y);
      raw.insert(raw.end(), {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)});
    }
  }
  return raw;
}

// The rows of the seven Adam7 passes, each pass's rows with filter byte 0.
Bytes adam7Rows(uint32_t w, uint32_t h, uint32_t (*rgb)(uint32_t x, uint32_t y)) {
  const uint32_t x0[] = {0, 4, 0, 2, 0, 1, 0}, y0[] = {0, 0, 4, 0, 2, 0, 1};
  const uint32_t dx[] = {8, 8, 4, 4, 2, 2, 1}, dy[] = {8, 8, 8, 4, 4, 2, 2};
  Bytes raw;
  for (int p = 0; p < 7; ++p) {
    if (x0[p] >= w || y0[p] >= h) continue;
    for (uint32_t y = y0[p]; y < h; y += dy[p]) {
      raw.push_back(0);
      for (uint32_t x = x0[p]; x < w; x += dx[p]) {
        uint32_t c = rgb(x, y);
        raw.insert(raw.end(), {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)});
      }
    }
  }
  return raw;
}

// A whole PNG of the given rows (as pngRows or adam7Rows make them).
Bytes pngOfRows(uint32_t w, uint32_t h, bool interlaced, const Bytes& raw) {
  Bytes png = pngStart(w, h, interlaced ? 1 : 0);
  Bytes data(compressBound(static_cast<uLong>(raw.size())));
  uLongf size = data.size();
  compress(data.data(), &size, raw.data(), static_cast<uLong>(raw.size()));
  data.resize(size);
  chunk(png, "IDAT", data);
  chunk(png, "IEND", {});
  return png;
}

Bytes pngOf(uint32_t w, uint32_t h, uint32_t (*rgb)(uint32_t, uint32_t), bool interlaced = false) {
  return pngOfRows(w, h, interlaced, interlaced ? adam7Rows(w, h, rgb) : pngRows(w, h, rgb));
}

struct JpegOptions {
  J_COLOR_SPACE input = JCS_RGB;     // JCS_RGB or JCS_CMYK
  J_COLOR_SPACE stored = JCS_YCbCr;  // what the file holds
  bool adobeMarker = true;           // for CMYK
  bool progressive = false;
  std::vector<jpeg_scan_info> scans;  // a scan script, if any
};

// A JPEG of w x h whose pixels are given as 3 (RGB) or 4 (CMYK) bytes each.
Bytes jpegOf(int w, int h, const std::vector<uint8_t>& pixels, const JpegOptions& o = {}) {
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* mem = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &mem, &size);
  c.image_width = w;
  c.image_height = h;
  c.input_components = o.input == JCS_CMYK ? 4 : 3;
  c.in_color_space = o.input;
  jpeg_set_defaults(&c);
  jpeg_set_colorspace(&c, o.stored);
  if (o.input == JCS_CMYK) c.write_Adobe_marker = o.adobeMarker;
  jpeg_set_quality(&c, 95, TRUE);
  if (o.progressive) jpeg_simple_progression(&c);
  if (!o.scans.empty()) {
    c.scan_info = o.scans.data();
    c.num_scans = static_cast<int>(o.scans.size());
  }
  jpeg_start_compress(&c, TRUE);
  const int stride = w * c.input_components;
  while (c.next_scanline < c.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(pixels.data() + static_cast<size_t>(c.next_scanline) * stride);
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  Bytes out(mem, mem + size);
  std::free(mem);
  return out;
}

std::vector<uint8_t> noiseRgb(int w, int h, unsigned seed = 1) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> px(static_cast<size_t>(w) * h * 3);
  for (auto& b : px) b = static_cast<uint8_t>(rng());
  return px;
}

std::vector<uint8_t> solid(int w, int h, std::initializer_list<uint8_t> value) {
  std::vector<uint8_t> px;
  for (int i = 0; i < w * h; ++i) px.insert(px.end(), value);
  return px;
}

uint32_t rgbOf(uint32_t argb) { return argb & 0xFFFFFF; }
bool near(uint32_t a, uint32_t b, int tolerance) {
  for (int s = 0; s < 24; s += 8)
    if (std::abs(int((a >> s) & 0xFF) - int((b >> s) & 0xFF)) > tolerance) return false;
  return true;
}

// ---- PNG ----

TEST(ImageDecoderPng, ChunkLengthsPastTheEndAreRefusedBeforeAnythingIsRead) {
  // 44 bytes: a chunk that says it holds 0x7fffffff bytes.
  Bytes png = pngStart(64, 64);
  put32(png, 0x7FFFFFFF);
  png.insert(png.end(), {'z', 'T', 'X', 't', 'a', 0, 0});
  ASSERT_EQ(png.size(), 44u);
  std::string why;
  EXPECT_FALSE(decodeImage(png, {}, 0, &why));
  EXPECT_NE(why.find("chunk"), std::string::npos) << why;
  // Any length beyond what is left, in any chunk, and a file cut inside a chunk.
  Bytes idat = pngStart(4, 4);
  chunk(idat, "IDAT", {1, 2, 3}, 4);
  EXPECT_FALSE(decodeImage(idat));
  Bytes whole = pngOf(8, 8, [](uint32_t x, uint32_t y) { return (x * 30) << 16 | y * 30; });
  ASSERT_TRUE(decodeImage(whole));
  EXPECT_FALSE(decodeImage(std::span(whole).first(whole.size() - 5)));
}

TEST(ImageDecoderPng, ImageDataBeyondTheDeclaredRowsIsNeverInflated) {
  // The rows, 4 MB more image data, then data that would fail to inflate: reading stops at the
  // rows, so neither the extra data nor the damage is ever reached.
  auto rgb = [](uint32_t x, uint32_t y) { return (x * 4) << 16 | (y * 4) << 8 | 77; };
  Bytes png = pngStart(64, 64);
  Bytes data = zlibFlushed(pngRows(64, 64, rgb), 4 << 20);
  data.insert(data.end(), 4096, 0xFF);  // not deflate
  chunk(png, "IDAT", data);
  chunk(png, "IDAT", Bytes(1 << 16, 0xEE));  // and more image data chunks after them
  chunk(png, "IEND", {});
  auto decoded = decodeImage(png);
  ASSERT_TRUE(decoded);
  ASSERT_EQ(decoded->width, 64);
  EXPECT_EQ(decoded->pixels[0], 0xFF00004Du);
  EXPECT_EQ(decoded->pixels[63 * 64 + 63], 0xFFFCFC4Du);
  // Rows missing, or the data damaged before the last row: refused.
  Bytes shortPng = pngStart(64, 65);
  chunk(shortPng, "IDAT", zlibFlushed(pngRows(64, 64, rgb)));
  chunk(shortPng, "IEND", {});
  EXPECT_FALSE(decodeImage(shortPng));
  Bytes damaged = pngStart(64, 64);
  Bytes cut = zlibFlushed(pngRows(64, 64, rgb));
  cut.resize(cut.size() - 100);
  cut.insert(cut.end(), 64, 0xFF);
  chunk(damaged, "IDAT", cut);
  chunk(damaged, "IEND", {});
  EXPECT_FALSE(decodeImage(damaged));
}

TEST(ImageDecoderPng, InterlacedImagesDecodeWholeAndRefuseMissingPasses) {
  auto rgb = [](uint32_t x, uint32_t y) { return (x * 19 % 256) << 16 | (y * 23 % 256) << 8 | (x * y) % 256; };
  for (uint32_t side : {1u, 2u, 5u, 13u}) {
    SCOPED_TRACE(side);
    auto interlaced = decodeImage(pngOf(side, side + 3, rgb, true));
    auto plain = decodeImage(pngOf(side, side + 3, rgb, false));
    ASSERT_TRUE(interlaced);
    ASSERT_TRUE(plain);
    EXPECT_EQ(interlaced->pixels, plain->pixels);
  }
  // The last pass cut short.
  Bytes raw = adam7Rows(13, 16, rgb);
  raw.resize(raw.size() - 40);
  EXPECT_FALSE(decodeImage(pngOfRows(13, 16, true, raw)));
}

TEST(ImageDecoderPng, DecodesStraightToAReducedSizeByAveragingBlocks) {
  // Blocks of 4 x 4 alternating between two colours; 66 x 66 leaves blocks of 2 at the edges.
  auto rgb = [](uint32_t x, uint32_t y) { return ((x / 4 + y / 4) % 2) ? 0xFF0000u : 0x0000FFu; };
  Bytes png = pngOf(66, 66, rgb);
  auto full = decodeImage(png);
  ASSERT_TRUE(full);
  EXPECT_EQ(full->width, 66);
  auto reduced = decodeImage(png, {}, 16);
  ASSERT_TRUE(reduced);
  EXPECT_EQ(reduced->width, 17);  // 66 / 4, the partial block included
  EXPECT_EQ(reduced->height, 17);
  EXPECT_EQ(reduced->pixels[0], 0xFF0000FFu);
  EXPECT_EQ(reduced->pixels[1], 0xFFFF0000u);
  EXPECT_EQ(reduced->pixels[16], 0xFF0000FFu);  // the 2-pixel edge block: (16 + 16) % 2
  // Never below the size asked for.
  EXPECT_EQ(decodeImage(png, {}, 34)->width, 66);
  EXPECT_EQ(decodeImage(png, {}, 33)->width, 33);
}

// ---- JPEG ----

TEST(ImageDecoderJpeg, AHeaderClaimingMoreThanTheDataHoldsIsRefused) {
  Bytes jpeg = jpegOf(16, 16, noiseRgb(16, 16));
  // The frame header says 8192 x 8192; the data is for 16 x 16.
  for (size_t i = 2; i + 8 < jpeg.size(); ++i)
    if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
      jpeg[i + 5] = 0x20, jpeg[i + 6] = 0x00, jpeg[i + 7] = 0x20, jpeg[i + 8] = 0x00;
      break;
    }
  std::string why;
  EXPECT_FALSE(decodeImage(jpeg, {}, 512, &why));
  EXPECT_NE(why.find("corrupt"), std::string::npos) << why;
  DecodeLimits small;
  small.maxSide = 4096;
  EXPECT_FALSE(decodeImage(jpeg, small, 0, &why));
  EXPECT_EQ(why, "over 4096 pixels a side or 64 megapixels");
}

TEST(ImageDecoderJpeg, CutShortOrDamagedDataIsAFailedDecodeNotGreyPadding) {
  Bytes jpeg = jpegOf(64, 64, noiseRgb(64, 64));
  ASSERT_TRUE(decodeImage(jpeg));
  Bytes cut(jpeg.begin(), jpeg.begin() + jpeg.size() / 2);
  cut.insert(cut.end(), {0xFF, 0xD9});
  std::string why;
  EXPECT_FALSE(decodeImage(cut, {}, 0, &why));
  EXPECT_NE(why.find("corrupt"), std::string::npos) << why;
  EXPECT_FALSE(decodeImage(std::span(jpeg).first(jpeg.size() / 2)));
  // A segment before the image whose length runs past the end of the file.
  Bytes header = {0xFF, 0xD8, 0xFF, 0xE1, 0xFF, 0xFF, 'E', 'x', 'i', 'f'};
  EXPECT_FALSE(decodeImage(header, {}, 0, &why));
  EXPECT_NE(why.find("segment"), std::string::npos) << why;
}

TEST(ImageDecoderJpeg, ScansAndWorkingMemoryAreCapped) {
  // A legitimate progression of 1 + 63 x 3 scans: every AC coefficient of each component alone.
  std::vector<jpeg_scan_info> scans;
  scans.push_back({3, {0, 1, 2, 0}, 0, 0, 0, 0});
  for (int k = 1; k < 64; ++k)
    for (int comp = 0; comp < 3; ++comp) scans.push_back({1, {comp, 0, 0, 0}, k, k, 0, 0});
  JpegOptions manyScans;
  manyScans.scans = scans;
  Bytes jpeg = jpegOf(16, 16, noiseRgb(16, 16), manyScans);
  std::string why;
  EXPECT_FALSE(decodeImage(jpeg, {}, 0, &why));
  EXPECT_EQ(why, "more than 100 scans");
  DecodeLimits generous;
  generous.maxScans = 200;
  EXPECT_TRUE(decodeImage(jpeg, generous));

  // A progressive image keeps all its coefficients while decoding: 6 MB here.
  JpegOptions progressive;
  progressive.progressive = true;
  Bytes big = jpegOf(1024, 1024, solid(1024, 1024, {10, 200, 30}), progressive);
  DecodeLimits tight;
  tight.maxMemory = 1024 * 1024;
  EXPECT_FALSE(decodeImage(big, tight));
  EXPECT_TRUE(decodeImage(big));
}

TEST(ImageDecoderJpeg, CmykAndYcckBecomeRgbAdobeInvertedIncluded) {
  // Red in inks: no cyan, full magenta and yellow, no black. Adobe's files store inks inverted.
  JpegOptions adobe;
  adobe.input = JCS_CMYK;
  adobe.stored = JCS_CMYK;
  JpegOptions plain = adobe;
  plain.adobeMarker = false;
  JpegOptions ycck = adobe;
  ycck.stored = JCS_YCCK;
  const struct {
    const char* name;
    JpegOptions options;
    std::initializer_list<uint8_t> inks;
  } cases[] = {
      {"Adobe CMYK", adobe, {255, 0, 0, 255}},
      {"plain CMYK", plain, {0, 255, 255, 0}},
      {"Adobe YCCK", ycck, {255, 0, 0, 255}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto decoded = decodeImage(jpegOf(16, 16, solid(16, 16, c.inks), c.options));
    ASSERT_TRUE(decoded);
    EXPECT_TRUE(near(rgbOf(decoded->pixels[5 * 16 + 5]), 0xFF0000u, 3)) << std::hex << decoded->pixels[85];
    EXPECT_EQ(decoded->pixels[0] >> 24, 0xFFu);
  }
  // Half black ink on white paper: grey.
  auto grey = decodeImage(jpegOf(8, 8, solid(8, 8, {255, 255, 255, 127}), adobe));
  ASSERT_TRUE(grey);
  EXPECT_TRUE(near(rgbOf(grey->pixels[0]), 0x7F7F7Fu, 3)) << std::hex << grey->pixels[0];
}

TEST(ImageDecoderJpeg, DecodesStraightToTheSmallestScaleThatIsLargeEnough) {
  for (bool progressive : {false, true}) {
    SCOPED_TRACE(progressive);
    JpegOptions o;
    o.progressive = progressive;
    Bytes jpeg = jpegOf(256, 128, solid(256, 128, {200, 40, 40}), o);
    auto scaled = decodeImage(jpeg, {}, 40);  // 3/8: 96 x 48
    ASSERT_TRUE(scaled);
    EXPECT_EQ(scaled->width, 96);
    EXPECT_EQ(scaled->height, 48);
    EXPECT_TRUE(near(rgbOf(scaled->pixels[100]), 0xC82828u, 4));
    EXPECT_EQ(decodeImage(jpeg, {}, 128)->width, 256);
    EXPECT_EQ(decodeImage(jpeg, {}, 0)->width, 256);
  }
}

}  // namespace

using test_support::bytesOf;

TEST(ImageDecoder, RefusesBrokenAndAbsurdImages) {
  // A PNG header that claims 9000 x 1 pixels is refused before anything is allocated.
  std::vector<uint8_t> tooWide = {0x89, 'P',  'N',  'G', '\r', '\n', 0x1a, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R', 0,
                                  0,    0x23, 0x28, 0,   0,    0,    1,    8,    6, 0, 0, 0,  0,   0,   0,   0};
  EXPECT_FALSE(decodeImage(tooWide));
  EXPECT_FALSE(decodeImage(bytesOf("not an image")));
  EXPECT_FALSE(decodeImage(bytesOf("\xFF\xD8\xFF\xE0 truncated jpeg")));
  DecodeLimits tight{4, 16};
  std::ifstream in(std::string(SCENARIO_DATA) + "/red.png", std::ios::binary);
  std::vector<uint8_t> png((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_TRUE(decodeImage(png));
  EXPECT_EQ(decodeImage(png)->width, 64);
  EXPECT_FALSE(decodeImage(png, tight));
}
