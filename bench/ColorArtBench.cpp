// Benchmarks of the colour art analysis.
//
//   Floor/<image>     reads the 512 x 512 RGBX pixels and counts their exact colours in a flat
//                     open-addressing hash table (the analysis's tally until it became sort-based).
//   SortFloor/<image> counts the exact colours of the same pixels by sorting them (runs, two
//                     radix passes, sums: colorart::tallyBySorting).
//   BucketFloor/<image> counts them in two levels (grouped by the high half of the key, each
//                     group counted in a small table: colorart::tallyByGroups). The analysis
//                     takes either, by the image. The best of the floors is the least any exact
//                     analysis is known to cost.
//   Analysis/<image>  SLColorArt on the decoded 512 x 512 image: rendering into the RGBX bitmap,
//                     edge colour, text colours, all of it.
//   Library/<image>   libvelloway-colorart's call on the same decoded 512 x 512 image as RGBA
//                     bytes (vlw_colorart_analyze_pixels, native size): what a program that
//                     decoded the image itself pays, taking the pixels in included.
//   ColorArt600       colorArt on a decoded 600 x 600 photo (scale to 512 x 512, analyse).
//   FromFile/<photo>  read the file, decode straight to the smallest size that still leaves at
//                     least 512 pixels a side, colorArt.
//
// velloway-bench --write-images DIR writes the 512 x 512 images as raw RGBA (DIR/<name>.rgba)
// and the list of photo files (DIR/photos.txt) for the peer comparison, and exits.
#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "HashColorTally.hpp"
#include "colorart/CountedColorSet.hpp"
#include "colorart/SLColorArt.hpp"
#include "colorart/UIImage+ColorArt.hpp"
#include "colorart/UIImage+Scale.hpp"
#include "platform/graphics/ImageContext.hpp"
#include "platform/graphics/ImageDecoder.hpp"
#include "velloway-colorart.h"

namespace {

// Photos of mate-backgrounds, sizes from 1280 x 1024 to 2560 x 1600.
const char* const kPhotos[] = {"LadyBird.jpg", "Storm.jpg", "Dune.jpg", "GreenMeadow.jpg", "YellowFlower.jpg"};
const char* const kMainPhoto = "LadyBird.jpg";

std::string photoPath(const std::string& name) { return std::string(VELLOWAY_BENCH_PHOTOS) + "/" + name; }

std::vector<uint8_t> readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return {};
  std::vector<uint8_t> bytes(static_cast<size_t>(in.tellg()));
  in.seekg(0);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return bytes;
}

UIImageRef decodeFile(const std::string& path, int minSide = 0) {
  auto bytes = readFile(path);
  auto decoded = decodeImage(bytes, {}, minSide);
  if (!decoded) return nullptr;
  return std::make_shared<UIImage>(decoded->width, decoded->height, std::move(decoded->pixels));
}

UIImageRef flatImage() {
  // A poster of four flat colours.
  const uint32_t colours[4] = {0xFF1E3A5Fu, 0xFFF2E8CFu, 0xFFBC4749u, 0xFF6A994Eu};
  std::vector<uint32_t> px(512 * 512);
  for (int y = 0; y < 512; ++y)
    for (int x = 0; x < 512; ++x) px[y * 512 + x] = colours[(y >= 256) * 2 + (x >= 256)];
  return std::make_shared<UIImage>(512, 512, std::move(px));
}

UIImageRef noiseImage() {
  std::mt19937 rng(20240611);
  std::vector<uint32_t> px(512 * 512);
  for (auto& p : px) p = 0xFF000000u | (rng() & 0xFFFFFF);
  return std::make_shared<UIImage>(512, 512, std::move(px));
}

struct Images {
  UIImageRef photo512, flat512, noise512, photo600;
  bool havePhotos = false;
};

const Images& images() {
  static Images im = [] {
    Images m;
    UIImageRef photo = decodeFile(photoPath(kMainPhoto));
    m.havePhotos = photo != nullptr;
    if (photo) {
      m.photo512 = scaledToSize(photo, CGSizeMake(512, 512));
      m.photo600 = scaledToSize(photo, CGSizeMake(600, 600));
    }
    m.flat512 = flatImage();
    m.noise512 = noiseImage();
    return m;
  }();
  return im;
}

std::vector<uint8_t> rgbxOf(const UIImage& image) {
  auto ctx = CGBitmapContextCreate(nullptr, image.pixelWidth(), image.pixelHeight(), 8, 4 * image.pixelWidth(),
                                   kCGImageAlphaNoneSkipLast);
  CGContextDrawImage(ctx, CGRectMake(0, 0, image.pixelWidth(), image.pixelHeight()), *image.CGImage());
  const uint8_t* d = CGBitmapContextGetData(ctx);
  return {d, d + 4 * ctx->width() * ctx->height()};
}

void Floor(benchmark::State& state, UIImageRef image) {
  if (!image) return state.SkipWithError("photo not found; apt-get install mate-backgrounds");
  std::vector<uint8_t> rgbx = rgbxOf(*image);
  const size_t n = rgbx.size() / 4;
  for (auto _ : state) {
    bench::HashColorTally counts(n);
    for (size_t i = 0; i < n; ++i) counts.add(colorart::keyOfPixel(rgbx.data() + 4 * i));
    benchmark::DoNotOptimize(counts.size());
  }
}

// SortFloor and BucketFloor: one of the analysis's exact tallies, entries made fresh each time.
void TallyFloor(benchmark::State& state, UIImageRef image,
                void (*tally)(const uint32_t*, size_t, colorart::ColorEntries&, colorart::CountHistogram*,
                              colorart::ColorEntries*)) {
  if (!image) return state.SkipWithError("photo not found; apt-get install mate-backgrounds");
  const std::vector<uint32_t>& pixels = image->pixels();
  for (auto _ : state) {
    colorart::ColorEntries entries;
    tally(pixels.data(), pixels.size(), entries, nullptr, nullptr);
    benchmark::DoNotOptimize(entries.size());
  }
}

void Analysis(benchmark::State& state, UIImageRef image) {
  if (!image) return state.SkipWithError("photo not found; apt-get install mate-backgrounds");
  for (auto _ : state) {
    SLColorArt art(image, 2);
    benchmark::DoNotOptimize(art.detailColor());
  }
}

// Straight RGBA bytes of an opaque image (its premultiplied pixels are then the same colours).
std::vector<uint8_t> rgbaOf(const UIImage& image) {
  std::vector<uint8_t> rgba;
  rgba.reserve(image.pixels().size() * 4);
  for (uint32_t p : image.pixels())
    rgba.insert(rgba.end(), {uint8_t((p >> 16) & 0xFF), uint8_t((p >> 8) & 0xFF), uint8_t(p & 0xFF), uint8_t(p >> 24)});
  return rgba;
}

void Library(benchmark::State& state, UIImageRef image) {
  if (!image) return state.SkipWithError("photo not found; apt-get install mate-backgrounds");
  const std::vector<uint8_t> rgba = rgbaOf(*image);
  vlw_colorart_options options;
  vlw_colorart_options_init(&options);
  options.native = 1;
  for (auto _ : state) {
    vlw_colorart_result result;
    if (vlw_colorart_analyze_pixels(rgba.data(), image->pixelWidth(), image->pixelHeight(), 4 * image->pixelWidth(),
                                    VLW_COLORART_RGBA, &options, &result) != VLW_COLORART_OK)
      return state.SkipWithError(result.message);
    benchmark::DoNotOptimize(result.colors[VLW_COLORART_DETAIL].r);
  }
}

void ColorArt600(benchmark::State& state) {
  UIImageRef image = images().photo600;
  if (!image) return state.SkipWithError("photo not found; apt-get install mate-backgrounds");
  for (auto _ : state) benchmark::DoNotOptimize(colorArt(image));
}

void FromFile(benchmark::State& state, std::string path) {
  if (readFile(path).empty()) return state.SkipWithError("photo not found; apt-get install mate-backgrounds");
  for (auto _ : state) {
    UIImageRef image = decodeFile(path, 512);
    benchmark::DoNotOptimize(colorArt(image));
  }
}

int writeImages(const std::string& dir) {
  const Images& im = images();
  if (!im.havePhotos) {
    std::fprintf(stderr, "velloway-bench: %s not found; apt-get install mate-backgrounds\n", photoPath(kMainPhoto).c_str());
    return 1;
  }
  auto write = [&](const char* name, const UIImage& image) {
    // Opaque images: premultiplied ARGB32 is plain RGBA here.
    std::ofstream out(dir + "/" + name + ".rgba", std::ios::binary);
    for (uint32_t p : image.pixels()) {
      char rgba[4] = {char((p >> 16) & 0xFF), char((p >> 8) & 0xFF), char(p & 0xFF), char(p >> 24)};
      out.write(rgba, 4);
    }
  };
  write("photo", *im.photo512);
  write("flat", *im.flat512);
  write("noise", *im.noise512);
  std::ofstream list(dir + "/photos.txt");
  for (const char* p : kPhotos) list << photoPath(p) << "\n";
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i + 1 < argc; ++i)
    if (std::strcmp(argv[i], "--write-images") == 0) return writeImages(argv[i + 1]);

  const Images& im = images();
  benchmark::RegisterBenchmark("Floor/photo", Floor, im.photo512)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("Floor/flat", Floor, im.flat512)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("Floor/noise", Floor, im.noise512)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("SortFloor/photo", TallyFloor, im.photo512, colorart::tallyBySorting)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("SortFloor/flat", TallyFloor, im.flat512, colorart::tallyBySorting)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("SortFloor/noise", TallyFloor, im.noise512, colorart::tallyBySorting)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("BucketFloor/photo", TallyFloor, im.photo512, colorart::tallyByGroups)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("BucketFloor/flat", TallyFloor, im.flat512, colorart::tallyByGroups)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("BucketFloor/noise", TallyFloor, im.noise512, colorart::tallyByGroups)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("Analysis/photo", Analysis, im.photo512)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("Analysis/flat", Analysis, im.flat512)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("Analysis/noise", Analysis, im.noise512)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("Library/photo", Library, im.photo512)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("Library/flat", Library, im.flat512)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("Library/noise", Library, im.noise512)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("ColorArt600/photo", ColorArt600)->Unit(benchmark::kMillisecond);
  for (const char* p : kPhotos)
    benchmark::RegisterBenchmark(fmt::format("FromFile/{}", p).c_str(), FromFile, photoPath(p))->Unit(benchmark::kMillisecond);

  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
