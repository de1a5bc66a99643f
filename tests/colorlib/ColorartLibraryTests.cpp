// libvelloway-colorart from the outside: what an installed copy gives a C program and a CMake
// project, what it exports, how it fails, and many threads at once.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fmt/format.h>

#include "ColorlibTestFiles.hpp"
#include "platform/fs/TemporaryFolder.hpp"
#include "velloway-colorart.h"
#include "velloway-colorart.hpp"

namespace {

namespace fs = std::filesystem;
using namespace colorlib_test;

class ColorartLibrary : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = device_fs::makeTemporaryFolder("velloway-colorlib"); }
  void TearDown() override { fs::remove_all(dir_); }

  // `velloway colorart --json` on one file, in the comparable form.
  Colours commandColours(const fs::path& image, const std::string& options = "") {
    RunResult r =
        runCommand(std::string("'") + VELLOWAY_COMMAND + "' colorart --json " + options + " '" + image.string() + "'", dir_);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    return fromJson(nlohmann::json::parse(r.out));
  }

  fs::path dir_;
};

Colours coloursOf(const vlw_colorart_result& r) {
  Colours c;
  for (int i = 0; i < 4; ++i) {
    c.hex[i] = r.colors[i].hex;
    c.components[i] = {r.colors[i].r, r.colors[i].g, r.colors[i].b, r.colors[i].a};
  }
  for (int role = VLW_COLORART_PRIMARY; role <= VLW_COLORART_DETAIL; ++role)
    if (r.missed & (1u << role)) c.missed.push_back(vlw_colorart_role_name(static_cast<vlw_colorart_role>(role)));
  return c;
}

Colours analyseFile(const fs::path& path, const vlw_colorart_options* options = nullptr) {
  vlw_colorart_result r;
  EXPECT_EQ(vlw_colorart_analyze_file(path.c_str(), options, &r), VLW_COLORART_OK) << r.message;
  return coloursOf(r);
}

#if !VELLOWAY_SANITIZED
// The sanitizer build's library needs the sanitizer runtime in the program that loads it: a
// plain C program can't, so these run in the default build.
class InstalledColorartLibrary : public ColorartLibrary {
 protected:
  // Installs the library's two components (what programs run with, what they are built with)
  // into dir_/prefix; the names of the files they installed.
  std::vector<std::string> install() {
    for (const char* component : {"colorart", "colorart-dev"}) {
      RunResult r = runCommand(
          fmt::format("cmake --install '{}' --prefix '{}' --component {}", VELLOWAY_BUILD_DIR, prefix().string(), component),
          dir_);
      EXPECT_EQ(r.status, 0) << r.out << r.err;
    }
    std::vector<std::string> installed;
    for (const auto& entry : fs::recursive_directory_iterator(prefix()))
      if (!entry.is_directory()) installed.push_back(entry.path().lexically_relative(prefix()).string());
    std::sort(installed.begin(), installed.end());
    return installed;
  }
  fs::path prefix() const { return dir_ / "prefix"; }

  // The probe program built with nothing but what pkg-config says (and a run path to the prefix).
  fs::path buildProbe() {
    std::string pcDir;
    for (const auto& entry : fs::recursive_directory_iterator(prefix()))
      if (entry.path().filename() == "velloway-colorart.pc") pcDir = entry.path().parent_path().string();
    const fs::path probe = dir_ / "colorart-probe";
    RunResult build = runCommand(
        fmt::format("export PKG_CONFIG_PATH='{0}'; cc -std=c11 -Wall -Werror -o '{1}' '{2}' $(pkg-config --cflags --libs "
                    "velloway-colorart) -Wl,-rpath,$(pkg-config --variable=libdir velloway-colorart)",
                    pcDir, probe.string(), COLORART_PROBE_SOURCE),
        dir_);
    EXPECT_EQ(build.status, 0) << build.out << build.err;
    return probe;
  }

  Colours probeColours(const fs::path& probe, const std::string& arguments) {
    RunResult r = runCommand("'" + probe.string() + "' " + arguments, dir_);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("version 1.0.0"), std::string::npos) << r.out;
    return fromProbe(r.out);
  }
};

TEST_F(InstalledColorartLibrary, ACProgramBuiltWithPkgConfigGetsWhatTheCommandPrints) {
  // Only what the component owns: the library, its headers, the .pc file and the CMake package.
  // Only what the two components own, where programs look for them: the library, its headers,
  // the .pc file and the CMake package, the copyright and changelog of each package.
  const std::string lib = COLORART_LIBDIR, cmake = lib + "/cmake/VellowayColorart/";
  EXPECT_EQ(install(),
            (std::vector<std::string>{
                "include/velloway-colorart.h", "include/velloway-colorart.hpp", cmake + "VellowayColorartConfig.cmake",
                cmake + "VellowayColorartConfigVersion.cmake", cmake + "VellowayColorartTargets-relwithdebinfo.cmake",
                cmake + "VellowayColorartTargets.cmake", lib + "/libvelloway-colorart.so", lib + "/libvelloway-colorart.so.1",
                lib + "/libvelloway-colorart.so.1.0.0", lib + "/pkgconfig/velloway-colorart.pc",
                "share/doc/libvelloway-colorart-dev/changelog.gz", "share/doc/libvelloway-colorart-dev/copyright",
                "share/doc/libvelloway-colorart1/changelog.gz", "share/doc/libvelloway-colorart1/copyright"}));
  const fs::path probe = buildProbe();
  // A PNG, a JPEG (each read by the library and from memory) and raw pixels in padded rows.
  const RgbaImage banded = bandedImage(1200, 1100);  // large enough to be reduced while decoded
  const fs::path png = dir_ / "banded.png", raw = dir_ / "banded.rgba";
  writePng(png, banded);
  writeBytes(raw, banded.bytes);
  const Colours pngColours = commandColours(png);
  EXPECT_EQ(probeColours(probe, "file '" + png.string() + "'"), pngColours);
  EXPECT_EQ(probeColours(probe, "encoded '" + png.string() + "'"), pngColours);
  EXPECT_EQ(probeColours(probe, "rgba '" + raw.string() + "' 1200 1100"), pngColours);
  const Colours jpegColours = commandColours(COLORART_COVER_JPEG);
  EXPECT_EQ(probeColours(probe, std::string("file '") + COLORART_COVER_JPEG + "'"), jpegColours);
  EXPECT_EQ(probeColours(probe, std::string("encoded '") + COLORART_COVER_JPEG + "'"), jpegColours);
  EXPECT_NE(pngColours, jpegColours);
  RunResult missing = runCommand("'" + probe.string() + "' file '" + (dir_ / "missing.png").string() + "'", dir_);
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.out.rfind("error 2 cannot read: No such file or directory", 0), 0u) << missing.out;
}

TEST_F(InstalledColorartLibrary, ACMakeProjectFindsThePackage) {
  install();
  const fs::path project = dir_ / "project", png = dir_ / "banded.png";
  writePng(png, bandedImage(300, 200));
  fs::create_directories(project);
  std::ofstream(project / "CMakeLists.txt") << "cmake_minimum_required(VERSION 3.25)\nproject(user LANGUAGES C)\n"
                                               "find_package(VellowayColorart 1 REQUIRED)\n"
                                               "add_executable(probe "
                                            << COLORART_PROBE_SOURCE
                                            << ")\ntarget_link_libraries(probe PRIVATE VellowayColorart::colorart)\n";
  RunResult built = runCommand(fmt::format("cmake -S '{0}' -B '{0}/build' -DCMAKE_PREFIX_PATH='{1}' && cmake --build "
                                           "'{0}/build'",
                                           project.string(), prefix().string()),
                               dir_);
  ASSERT_EQ(built.status, 0) << built.out << built.err;
  EXPECT_EQ(probeColours(project / "build" / "probe", "file '" + png.string() + "'"), commandColours(png));
}
#endif

TEST_F(ColorartLibrary, ExportsOnlyItsApi) {
  RunResult nm = runCommand(std::string("nm -D --defined-only '") + COLORART_LIBRARY + "'", dir_);
  ASSERT_EQ(nm.status, 0) << nm.err;
  std::istringstream lines(nm.out);
  std::vector<std::string> names;
  const std::regex api("^vlw_colorart_[a-z_]+@@VELLOWAY_COLORART_1\\.0$");
  for (std::string address, kind, name; lines >> address >> kind >> name;) {
    if (name == "VELLOWAY_COLORART_1.0") continue;  // the version node itself
    // The sanitizers' own entry points, in their build only.
    if (VELLOWAY_SANITIZED && (name.rfind("__asan", 0) == 0 || name.rfind("__odr_asan", 0) == 0)) continue;
    EXPECT_TRUE(std::regex_match(name, api)) << name;
    names.push_back(name.substr(0, name.find('@')));
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names,
            (std::vector<std::string>{"vlw_colorart_analyze_encoded", "vlw_colorart_analyze_file", "vlw_colorart_analyze_pixels",
                                      "vlw_colorart_options_init", "vlw_colorart_role_name", "vlw_colorart_version"}));
  RunResult soname = runCommand(std::string("readelf -d '") + COLORART_LIBRARY + "'", dir_);
  EXPECT_NE(soname.out.find("Library soname: [libvelloway-colorart.so.1]"), std::string::npos) << soname.out;
}

TEST_F(ColorartLibrary, OptionsAreTheCommands) {
  const fs::path png = dir_ / "banded.png";
  writePng(png, bandedImage(300, 200));
  vlw_colorart_options options;
  vlw_colorart_options_init(&options);
  EXPECT_EQ(options.width, 512);
  EXPECT_EQ(options.threshold, 2);
  options.native = 1;
  EXPECT_EQ(analyseFile(png, &options), commandColours(png, "--native"));
  options.native = 0, options.width = 40, options.height = 7.5;
  EXPECT_EQ(analyseFile(png, &options), commandColours(png, "--size 40x7.5"));
  options.threshold = -1;
  const Colours noEdge = analyseFile(png, &options);
  EXPECT_EQ(noEdge, commandColours(png, "--size 40x7.5 --threshold -1"));
  EXPECT_EQ(noEdge.hex[VLW_COLORART_BACKGROUND], "#ffffff");
  EXPECT_NE(analyseFile(png), noEdge);
}

TEST_F(ColorartLibrary, FailuresComeBackAsAStatusAndAMessage) {
  vlw_colorart_result r;
  EXPECT_EQ(vlw_colorart_analyze_file((dir_ / "none.png").c_str(), nullptr, &r), VLW_COLORART_CANNOT_READ);
  EXPECT_STREQ(r.message, "cannot read: No such file or directory");
  EXPECT_EQ(vlw_colorart_analyze_file(dir_.c_str(), nullptr, &r), VLW_COLORART_CANNOT_READ);
  const std::string text = "not an image at all";
  EXPECT_EQ(vlw_colorart_analyze_encoded(text.data(), text.size(), nullptr, &r), VLW_COLORART_CANNOT_DECODE);
  EXPECT_STREQ(r.message, "not a PNG or JPEG image");
  std::ifstream in(COLORART_COVER_JPEG, std::ios::binary);
  const std::string jpeg((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(vlw_colorart_analyze_encoded(jpeg.data(), jpeg.size() / 2, nullptr, &r), VLW_COLORART_CANNOT_DECODE);
  EXPECT_EQ(std::string(r.message).rfind("cannot decode the JPEG image: ", 0), 0u) << r.message;
  EXPECT_EQ(vlw_colorart_analyze_encoded(nullptr, 10, nullptr, &r), VLW_COLORART_INVALID_ARGUMENT);
  EXPECT_EQ(vlw_colorart_analyze_file(nullptr, nullptr, &r), VLW_COLORART_INVALID_ARGUMENT);
  EXPECT_EQ(vlw_colorart_analyze_file(COLORART_COVER_JPEG, nullptr, nullptr), VLW_COLORART_INVALID_ARGUMENT);

  const RgbaImage small = solidImage(4, 4, {10, 20, 30, 255});
  EXPECT_EQ(vlw_colorart_analyze_pixels(small.bytes.data(), 4, 4, 15, VLW_COLORART_RGBA, nullptr, &r),
            VLW_COLORART_INVALID_ARGUMENT);
  EXPECT_STREQ(r.message, "cannot take the pixels: rows shorter than the width");
  EXPECT_EQ(vlw_colorart_analyze_pixels(small.bytes.data(), 0, 4, 16, VLW_COLORART_RGBA, nullptr, &r),
            VLW_COLORART_INVALID_ARGUMENT);
  EXPECT_EQ(vlw_colorart_analyze_pixels(small.bytes.data(), 9000, 1, 36000, VLW_COLORART_RGBA, nullptr, &r),
            VLW_COLORART_INVALID_ARGUMENT);
  EXPECT_EQ(vlw_colorart_analyze_pixels(small.bytes.data(), 4, 4, 16, static_cast<vlw_colorart_format>(2), nullptr, &r),
            VLW_COLORART_INVALID_ARGUMENT);
  vlw_colorart_options options;
  vlw_colorart_options_init(&options);
  options.width = 0;
  EXPECT_EQ(vlw_colorart_analyze_pixels(small.bytes.data(), 4, 4, 16, VLW_COLORART_RGBA, &options, &r),
            VLW_COLORART_INVALID_ARGUMENT);
  options.native = 1;  // the size is not used
  EXPECT_EQ(vlw_colorart_analyze_pixels(small.bytes.data(), 4, 4, 16, VLW_COLORART_RGBA, &options, &r), VLW_COLORART_OK);
  EXPECT_STREQ(r.message, "");

  // The C++ header throws on the caller's side, with the status and the message.
  try {
    velloway::colorart::analyzeFile((dir_ / "none.png").string());
    ADD_FAILURE() << "no exception";
  } catch (const velloway::colorart::Error& e) {
    EXPECT_EQ(e.status(), VLW_COLORART_CANNOT_READ);
    EXPECT_STREQ(e.what(), "cannot read: No such file or directory");
  }
}

TEST_F(ColorartLibrary, RgbAndRgbaBuffersAndMissedColours) {
  // The same opaque pixels as RGB (rows padded) and as RGBA.
  const RgbaImage banded = bandedImage(64, 48);
  std::vector<uint8_t> rgb;
  const size_t rgbStride = 64 * 3 + 5;
  for (int y = 0; y < 48; ++y) {
    for (int x = 0; x < 64; ++x)
      for (int c = 0; c < 3; ++c) rgb.push_back(banded.bytes[(static_cast<size_t>(y) * 64 + x) * 4 + c]);
    rgb.insert(rgb.end(), rgbStride - 64 * 3, 0xEE);
  }
  RgbaImage opaque = banded;
  for (size_t i = 3; i < opaque.bytes.size(); i += 4) opaque.bytes[i] = 255;
  vlw_colorart_result fromRgb, fromRgba;
  ASSERT_EQ(vlw_colorart_analyze_pixels(rgb.data(), 64, 48, rgbStride, VLW_COLORART_RGB, nullptr, &fromRgb), VLW_COLORART_OK);
  ASSERT_EQ(vlw_colorart_analyze_pixels(opaque.bytes.data(), 64, 48, 64 * 4, VLW_COLORART_RGBA, nullptr, &fromRgba),
            VLW_COLORART_OK);
  EXPECT_EQ(coloursOf(fromRgb), coloursOf(fromRgba));

  // One colour: no text colour at all; a light background gets black for all three.
  const RgbaImage white = solidImage(8, 8, {255, 255, 255, 255});
  vlw_colorart_result r;
  ASSERT_EQ(vlw_colorart_analyze_pixels(white.bytes.data(), 8, 8, 32, VLW_COLORART_RGBA, nullptr, &r), VLW_COLORART_OK);
  EXPECT_EQ(r.missed, (1u << VLW_COLORART_PRIMARY) | (1u << VLW_COLORART_SECONDARY) | (1u << VLW_COLORART_DETAIL));
  EXPECT_STREQ(r.colors[VLW_COLORART_BACKGROUND].hex, "#ffffff");
  EXPECT_STREQ(r.colors[VLW_COLORART_DETAIL].hex, "#000000");
  velloway::colorart::Result viaHeader = velloway::colorart::analyzePixels(white.bytes.data(), 8, 8, 32, VLW_COLORART_RGBA);
  EXPECT_TRUE(viaHeader.missedPrimary && viaHeader.missedSecondary && viaHeader.missedDetail);
  EXPECT_EQ(viaHeader.background.hex, "#ffffff");
}

TEST_F(ColorartLibrary, ManyThreadsAtOnceAgreeWithOne) {
  // Different images on every thread, each analysed many times, against one thread's results.
  std::vector<fs::path> images = {COLORART_COVER_JPEG};
  for (int i = 0; i < 5; ++i) {
    images.push_back(dir_ / ("banded" + std::to_string(i) + ".png"));
    writePng(images.back(), bandedImage(200 + 90 * i, 150 + 70 * i));
  }
  std::vector<Colours> alone;
  for (const fs::path& image : images) alone.push_back(analyseFile(image));
  std::atomic<int> disagreements{0}, runs{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t)
    threads.emplace_back([&, t] {
      for (int round = 0; round < 4; ++round)
        for (size_t k = 0; k < images.size(); ++k) {
          const size_t i = (k + static_cast<size_t>(t)) % images.size();
          vlw_colorart_result r;
          if (vlw_colorart_analyze_file(images[i].c_str(), nullptr, &r) != VLW_COLORART_OK || !(coloursOf(r) == alone[i]))
            ++disagreements;
          ++runs;
        }
    });
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(runs.load(), 8 * 4 * static_cast<int>(images.size()));
  EXPECT_EQ(disagreements.load(), 0);
}

}  // namespace
