// velloway colorart, run as a user runs it: on PNG files written here, checking its output,
// its messages and its exit status against the library's own analysis.
#ifdef VELLOWAY_COMMAND

#include <cairo.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "colorart/SLColorArt.hpp"
#include "colorart/UIImage+Scale.hpp"
#include "platform/fs/TemporaryFolder.hpp"
#include "tests/support/ChildProcess.hpp"
#include "tests/support/DeviceRootTest.hpp"
#include "tests/support/TestImages.hpp"

namespace {

namespace fs = std::filesystem;
using test_images::opaque;

using test_process::ShellResult;

class ColorartCommand : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = device_fs::makeTemporaryFolder("velloway-colorart"); }
  void TearDown() override { fs::remove_all(dir_); }

  std::string writePng(const std::string& name, const UIImage& image) {
    std::string path = (dir_ / name).string();
    auto* surface =
        cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(const_cast<uint32_t*>(image.pixels().data())),
                                            CAIRO_FORMAT_ARGB32, image.pixelWidth(), image.pixelHeight(), image.pixelWidth() * 4);
    EXPECT_EQ(cairo_surface_write_to_png(surface, path.c_str()), CAIRO_STATUS_SUCCESS);
    cairo_surface_destroy(surface);
    return path;
  }

  ShellResult run(const std::string& arguments) {
    return test_process::runShell(std::string("'") + VELLOWAY_COMMAND + "' colorart " + arguments, dir_);
  }

  fs::path dir_;
};

std::string hexOf(const UIColorRef& c) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "#%02x%02x%02x", int(std::lround(c->red() * 255)), int(std::lround(c->green() * 255)),
                int(std::lround(c->blue() * 255)));
  return buf;
}

// Teal left edge (dark), and blocks of light yellow, pink and light cyan (light, saturated) and
// navy (dark).
UIImageRef poster() {
  return test_images::make(40, 30, [](int x, int y) {
    if (x < 4) return opaque(0, 128, 128);
    if (y < 10) return opaque(250, 240, 120);
    if (y < 20) return opaque(255, 150, 200);
    return x < 20 ? opaque(150, 230, 255) : opaque(0, 0, 110);
  });
}

TEST_F(ColorartCommand, PrintsTheColoursOfThe512By512Analysis) {
  auto image = poster();
  std::string path = writePng("poster.png", *image);
  SLColorArt expected(scaledToSize(image, CGSizeMake(512, 512)), 2);
  ShellResult r = run("'" + path + "'");
  EXPECT_EQ(r.status, 0) << r.err;
  std::string wanted = "background " + hexOf(expected.backgroundColor()) + "\nprimary    " + hexOf(expected.primaryColor()) +
                       "\nsecondary  " + hexOf(expected.secondaryColor()) + "\ndetail     " + hexOf(expected.detailColor()) +
                       "\n";
  EXPECT_EQ(r.out, wanted);
  EXPECT_EQ(hexOf(expected.backgroundColor()), "#008080");
  EXPECT_EQ(hexOf(expected.primaryColor()), "#faf078");

  ShellResult j = run("--json '" + path + "'");
  EXPECT_EQ(j.status, 0);
  auto object = nlohmann::json::parse(j.out);
  EXPECT_EQ(object.size(), 5u);
  EXPECT_EQ(object["background"]["hex"], "#008080");
  EXPECT_EQ(object["primary"]["hex"], std::string("#faf078"));
  EXPECT_EQ(object["detail"]["hex"], hexOf(expected.detailColor()));
  // Every colour in one shape: the hex and the exact components beside it.
  EXPECT_EQ(object["primary"]["r"].get<double>(), expected.primaryColor()->red());
  EXPECT_EQ(object["primary"]["a"].get<double>(), 1.0);
  EXPECT_EQ(object["missed"], nlohmann::json::array());
  EXPECT_FALSE(object.contains("image"));
}

TEST_F(ColorartCommand, NativeThresholdAndSizeReachTheAnalysis) {
  // A one-pixel-wide red image of two rows: natively red reaches no 3 rows; scaled it does.
  std::string path = writePng("thin.png", *test_images::solid(1, 2, opaque(255, 0, 0)));
  ShellResult native = run("--native --json '" + path + "'");
  EXPECT_EQ(native.status, 0);
  EXPECT_EQ(nlohmann::json::parse(native.out)["background"]["hex"], "#ffffff");
  // Nothing but white: no text colour, all three listed as missed, stderr quiet, status 0; with
  // --verbose the analysis's three log lines show on stderr.
  std::string white = writePng("white.png", *test_images::solid(3, 3, opaque(255, 255, 255)));
  ShellResult blank = run("--json '" + white + "'");
  EXPECT_EQ(blank.status, 0);
  EXPECT_EQ(blank.err, "");
  EXPECT_EQ(nlohmann::json::parse(blank.out)["missed"], nlohmann::json::parse(R"(["primary","secondary","detail"])"));
  ShellResult verbose = run("--verbose --json '" + white + "'");
  EXPECT_EQ(verbose.err, "velloway colorart: " + white + ": missed primary\nvelloway colorart: " + white +
                             ": missed secondary\nvelloway colorart: " + white + ": missed detail\n");
  EXPECT_EQ(verbose.out, blank.out);
  EXPECT_EQ(nlohmann::json::parse(blank.out)["primary"]["hex"], "#000000");
  EXPECT_EQ(nlohmann::json::parse(run("--json '" + path + "'").out)["background"]["hex"], "#ff0000");
  EXPECT_EQ(nlohmann::json::parse(run("--native --threshold 1 --json '" + path + "'").out)["background"]["hex"], "#ff0000");
  EXPECT_EQ(nlohmann::json::parse(run("--threshold -1 --json '" + path + "'").out)["background"]["hex"], "#ffffff");
  EXPECT_EQ(nlohmann::json::parse(run("--size 1x2 --json '" + path + "'").out)["background"]["hex"], "#ffffff");
  EXPECT_EQ(nlohmann::json::parse(run("--size 3x3 --json '" + path + "'").out)["background"]["hex"], "#ff0000");
}

TEST_F(ColorartCommand, ColoursThatAreNotEightBitPrintTheirExactComponents) {
  // White edge, grey 51 elsewhere: the primary is the grey raised to saturation 0.15, which is
  // not k / 255 in green and blue.
  auto image = test_images::make(6, 5, [](int x, int) { return x == 0 ? opaque(255, 255, 255) : opaque(51, 51, 51); });
  std::string path = writePng("grey.png", *image);
  SLColorArt expected(image, 2);
  ShellResult j = run("--native --json '" + path + "'");
  auto primary = nlohmann::json::parse(j.out)["primary"];
  ASSERT_TRUE(primary.is_object()) << j.out;
  EXPECT_EQ(primary["hex"], "#332b2b");
  EXPECT_EQ(primary["r"].get<double>(), expected.primaryColor()->red());
  EXPECT_EQ(primary["g"].get<double>(), expected.primaryColor()->green());
  EXPECT_EQ(primary["b"].get<double>(), expected.primaryColor()->blue());
  EXPECT_EQ(primary["a"].get<double>(), 1.0);
  ShellResult plain = run("--native '" + path + "'");
  EXPECT_NE(plain.out.find("primary    #332b2b (r 0.2, g 0.17"), std::string::npos) << plain.out;
}

TEST_F(ColorartCommand, BadFilesAreReportedAndTheOthersStillAnalysed) {
  std::string good = writePng("poster.png", *poster());
  std::string text = (dir_ / "notes.png").string();
  std::ofstream(text) << "not an image";
  std::string truncated = (dir_ / "cut.png").string();
  {
    std::ifstream in(good, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::ofstream(truncated, std::ios::binary) << bytes.substr(0, bytes.size() / 2);
  }
  std::string missing = (dir_ / "missing.jpg").string();
  ShellResult r = run("--json '" + missing + "' '" + text + "' '" + truncated + "' '" + good + "'");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find(missing + ": cannot read"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find(text + ": not a PNG or JPEG image"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find(truncated + ": cannot decode"), std::string::npos) << r.err;
  // One JSON object per analysed image, with its name.
  std::istringstream lines(r.out);
  std::string line;
  std::vector<nlohmann::json> objects;
  while (std::getline(lines, line)) objects.push_back(nlohmann::json::parse(line));
  ASSERT_EQ(objects.size(), 1u) << r.out;
  EXPECT_EQ(objects[0]["image"], good);
  EXPECT_EQ(objects[0]["background"]["hex"], "#008080");

  ShellResult two = run("'" + good + "' '" + good + "'");
  EXPECT_EQ(two.status, 0);
  EXPECT_EQ(two.out.find(good + ":\n  background #008080\n"), 0u) << two.out;
}

TEST_F(ColorartCommand, UsageErrorsExitWithTwo) {
  std::string good = writePng("poster.png", *poster());
  for (const char* args : {"--size 0x5", "--size 12", "--size axb", "--native --size 3x3", "--threshold x", ""}) {
    ShellResult r = run(std::string(args) + (std::string(args).empty() ? "" : " '" + good + "'"));
    EXPECT_EQ(r.status, 2) << args;
    EXPECT_FALSE(r.err.empty()) << args;
    EXPECT_TRUE(r.out.empty()) << args;
  }
  ShellResult help = run("--help");
  EXPECT_EQ(help.status, 0);
  for (const char* word : {"--json", "--native", "--threshold", "--size", "IMAGE"})
    EXPECT_NE(help.out.find(word), std::string::npos) << word;
}

// Images whose left edge (and so background) is the colour `i` stands for.
UIImageRef numbered(int i) { return test_images::solid(6, 6, opaque(40 * i % 256, 255 - 30 * i % 256, 90)); }

std::vector<std::string> outputLines(const std::string& out) {
  std::vector<std::string> lines;
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST_F(ColorartCommand, ManyImagesOnSeveralCoresPrintInArgumentOrder) {
  std::string args;
  std::vector<std::string> paths;
  for (int i = 0; i < 9; ++i) {
    paths.push_back(writePng("n" + std::to_string(i) + ".png", *numbered(i)));
    if (i == 4) {  // a broken file in the middle
      paths.push_back((dir_ / "broken.png").string());
      std::ofstream(paths.back()) << "\x89PNG\r\n\x1a\n broken";
    }
  }
  for (const auto& p : paths) args += " '" + p + "'";
  ShellResult parallel = run("--json --jobs 4" + args);
  ShellResult serial = run("--json --jobs 1" + args);
  EXPECT_EQ(parallel.status, 2);
  EXPECT_EQ(parallel.out, serial.out);
  EXPECT_EQ(parallel.err, serial.err);
  EXPECT_NE(parallel.err.find("velloway colorart: " + paths[5] + ": cannot decode"), std::string::npos) << parallel.err;
  auto lines = outputLines(parallel.out);
  ASSERT_EQ(lines.size(), 9u);
  for (size_t i = 0, n = 0; i < paths.size(); ++i) {
    if (i == 5) continue;
    auto object = nlohmann::json::parse(lines[n]);
    EXPECT_EQ(object["image"], paths[i]);
    SLColorArt expected(scaledToSize(numbered(static_cast<int>(n)), CGSizeMake(512, 512)), 2);
    EXPECT_EQ(object["background"]["hex"], hexOf(expected.backgroundColor())) << n;
    ++n;
  }
  // Nothing of a progress line when stderr is not a terminal.
  EXPECT_EQ(parallel.err.find('\r'), std::string::npos);
  EXPECT_EQ(run("--jobs 0 '" + paths[0] + "'").status, 2);
}

TEST_F(ColorartCommand, FoldersAreWalkedForImagesSortedWithoutLeavingThem) {
  fs::create_directories(dir_ / "art" / "b-sub");
  fs::create_directories(dir_ / "outside");
  const std::string a = writePng("art/a.png", *numbered(1));
  const std::string c = writePng("art/b-sub/c.PNG", *numbered(2));
  const std::string z = writePng("art/z.png", *numbered(3));
  writePng("outside/secret.png", *numbered(4));
  std::ofstream((dir_ / "art" / "notes.txt").string()) << "not an image";
  fs::create_symlink(dir_ / "outside" / "secret.png", dir_ / "art" / "leak.png");
  fs::create_directory_symlink(dir_ / "outside", dir_ / "art" / "linked-folder");
  fs::create_symlink(dir_ / "art" / "a.png", dir_ / "art" / "m-alias.png");  // inside: kept
  const std::string folder = (dir_ / "art").string();
  ShellResult r = run("--json '" + folder + "' '" + z + "'");
  EXPECT_EQ(r.status, 0) << r.err;
  std::vector<std::string> images;
  for (const auto& line : outputLines(r.out)) images.push_back(nlohmann::json::parse(line)["image"]);
  const std::vector<std::string> expected = {a, c, folder + "/m-alias.png", z, z};
  EXPECT_EQ(images, expected);
  EXPECT_EQ(r.out.find("secret"), std::string::npos);
}

TEST_F(ColorartCommand, SpecialFilesAreRefusedWithoutWaiting) {
  const std::string fifo = (dir_ / "pipe.png").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string good = writePng("poster.png", *poster());
  ShellResult r = run("'" + fifo + "' '" + (dir_ / "").string() + "missing.png' '" + good + "'");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find(fifo + ": cannot read: not a regular file"), std::string::npos) << r.err;
  EXPECT_NE(r.out.find("background #008080"), std::string::npos) << r.out;
}

TEST_F(ColorartCommand, PreviewsShowTheArtworkBesideItsColours) {
  const std::string one = writePng("one.png", *poster());
  fs::create_directories(dir_ / "again");
  const std::string two = writePng("again/one.png", *numbered(5));
  const std::string sheet = (dir_ / "sheet.png").string();
  const fs::path previews = dir_ / "previews";
  ShellResult r = run("--preview '" + previews.string() + "' --preview-sheet '" + sheet + "' '" + one + "' '" + two + "'");
  EXPECT_EQ(r.status, 0) << r.err;
  auto pixelAt = [](const std::string& png, int x, int y, int* width, int* height) {
    cairo_surface_t* s = cairo_image_surface_create_from_png(png.c_str());
    EXPECT_EQ(cairo_surface_status(s), CAIRO_STATUS_SUCCESS) << png;
    *width = cairo_image_surface_get_width(s);
    *height = cairo_image_surface_get_height(s);
    uint32_t p = 0;
    if (x < *width && y < *height)
      p = reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(s) + y * cairo_image_surface_get_stride(s))[x];
    cairo_surface_destroy(s);
    return p & 0xFFFFFF;
  };
  int w = 0, h = 0;
  // The background colour fills the right-hand panel; the artwork is on the left.
  EXPECT_EQ(pixelAt((previews / "one.png").string(), 630, 250, &w, &h), 0x008080u);
  EXPECT_EQ(w, 640);
  EXPECT_EQ(h, 256);
  EXPECT_EQ(pixelAt((previews / "one.png").string(), 200, 20, &w, &h), 0xFAF078u);  // the poster's yellow block
  SLColorArt second(scaledToSize(numbered(5), CGSizeMake(512, 512)), 2);
  const uint32_t background = std::stoul(hexOf(second.backgroundColor()).substr(1), nullptr, 16);
  EXPECT_EQ(pixelAt((previews / "one-2.png").string(), 630, 250, &w, &h), background);
  // The sheet holds both, side by side or one above the other.
  pixelAt(sheet, 0, 0, &w, &h);
  EXPECT_GT(w, 200);
  EXPECT_GT(h, 90);
  // A preview folder that can't be made is a usage error.
  std::ofstream((dir_ / "file").string()) << "x";
  EXPECT_EQ(run("--preview '" + (dir_ / "file").string() + "' '" + one + "'").status, 2);
}

}  // namespace

#endif
