// velloway colorart, run as a user runs it: on PNG files written here, checking its output,
// its messages and its exit status against the library's own analysis.
#ifdef VELLOWAY_COMMAND

#include <cairo.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "TestImages.hpp"
#include "colorart/SLColorArt.hpp"
#include "colorart/UIImage+Scale.hpp"

namespace {

namespace fs = std::filesystem;
using test_images::opaque;

struct Outcome {
  int status;
  std::string out, err;
};

class ColorartCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / fs::path("velloway-colorart-" + std::to_string(::getpid()) + "-" +
                                                ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string writePng(const std::string& name, const UIImage& image) {
    std::string path = (dir_ / name).string();
    auto* surface = cairo_image_surface_create_for_data(
        reinterpret_cast<unsigned char*>(const_cast<uint32_t*>(image.pixels().data())), CAIRO_FORMAT_ARGB32,
        image.pixelWidth(), image.pixelHeight(), image.pixelWidth() * 4);
    EXPECT_EQ(cairo_surface_write_to_png(surface, path.c_str()), CAIRO_STATUS_SUCCESS);
    cairo_surface_destroy(surface);
    return path;
  }

  Outcome run(const std::string& arguments) {
    std::string out = (dir_ / "stdout").string(), err = (dir_ / "stderr").string();
    std::string command = std::string("'") + VELLOWAY_COMMAND + "' colorart " + arguments + " >'" + out + "' 2>'" + err + "'";
    int raw = std::system(command.c_str());
    auto slurp = [](const std::string& p) {
      std::ifstream in(p);
      std::stringstream s;
      s << in.rdbuf();
      return s.str();
    };
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, slurp(out), slurp(err)};
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
  Outcome r = run("'" + path + "'");
  EXPECT_EQ(r.status, 0) << r.err;
  std::string wanted = "background " + hexOf(expected.backgroundColor()) + "\nprimary    " + hexOf(expected.primaryColor()) +
                       "\nsecondary  " + hexOf(expected.secondaryColor()) + "\ndetail     " + hexOf(expected.detailColor()) + "\n";
  EXPECT_EQ(r.out, wanted);
  EXPECT_EQ(hexOf(expected.backgroundColor()), "#008080");
  EXPECT_EQ(hexOf(expected.primaryColor()), "#faf078");

  Outcome j = run("--json '" + path + "'");
  EXPECT_EQ(j.status, 0);
  auto object = nlohmann::json::parse(j.out);
  EXPECT_EQ(object.size(), 4u);
  EXPECT_EQ(object["background"], "#008080");
  EXPECT_EQ(object["primary"], std::string("#faf078"));
  EXPECT_EQ(object["detail"], hexOf(expected.detailColor()));
  EXPECT_FALSE(object.contains("image"));
}

TEST_F(ColorartCommand, NativeThresholdAndSizeReachTheAnalysis) {
  // A one-pixel-wide red image of two rows: natively red reaches no 3 rows; scaled it does.
  std::string path = writePng("thin.png", *test_images::solid(1, 2, opaque(255, 0, 0)));
  Outcome native = run("--native --json '" + path + "'");
  EXPECT_EQ(native.status, 0);
  EXPECT_EQ(nlohmann::json::parse(native.out)["background"], "#ffffff");
  // Nothing but white: no text colour, three log lines on stderr, status 0.
  std::string white = writePng("white.png", *test_images::solid(3, 3, opaque(255, 255, 255)));
  Outcome blank = run("--json '" + white + "'");
  EXPECT_EQ(blank.status, 0);
  EXPECT_EQ(blank.err, "velloway colorart: " + white + ": missed primary\nvelloway colorart: " + white +
                           ": missed secondary\nvelloway colorart: " + white + ": missed detail\n");
  EXPECT_EQ(nlohmann::json::parse(blank.out)["primary"], "#000000");
  EXPECT_EQ(nlohmann::json::parse(run("--json '" + path + "'").out)["background"], "#ff0000");
  EXPECT_EQ(nlohmann::json::parse(run("--native --threshold 1 --json '" + path + "'").out)["background"], "#ff0000");
  EXPECT_EQ(nlohmann::json::parse(run("--threshold -1 --json '" + path + "'").out)["background"], "#ffffff");
  EXPECT_EQ(nlohmann::json::parse(run("--size 1x2 --json '" + path + "'").out)["background"], "#ffffff");
  EXPECT_EQ(nlohmann::json::parse(run("--size 3x3 --json '" + path + "'").out)["background"], "#ff0000");
}

TEST_F(ColorartCommand, ColoursThatAreNotEightBitPrintTheirExactComponents) {
  // White edge, grey 51 elsewhere: the primary is the grey raised to saturation 0.15, which is
  // not k / 255 in green and blue.
  auto image = test_images::make(6, 5, [](int x, int) { return x == 0 ? opaque(255, 255, 255) : opaque(51, 51, 51); });
  std::string path = writePng("grey.png", *image);
  SLColorArt expected(image, 2);
  Outcome j = run("--native --json '" + path + "'");
  auto primary = nlohmann::json::parse(j.out)["primary"];
  ASSERT_TRUE(primary.is_object()) << j.out;
  EXPECT_EQ(primary["r"].get<double>(), expected.primaryColor()->red());
  EXPECT_EQ(primary["g"].get<double>(), expected.primaryColor()->green());
  EXPECT_EQ(primary["b"].get<double>(), expected.primaryColor()->blue());
  EXPECT_EQ(primary["a"].get<double>(), 1.0);
  Outcome plain = run("--native '" + path + "'");
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
  Outcome r = run("--json '" + missing + "' '" + text + "' '" + truncated + "' '" + good + "'");
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
  EXPECT_EQ(objects[0]["background"], "#008080");

  Outcome two = run("'" + good + "' '" + good + "'");
  EXPECT_EQ(two.status, 0);
  EXPECT_EQ(two.out.find(good + ":\n  background #008080\n"), 0u) << two.out;
}

TEST_F(ColorartCommand, UsageErrorsExitWithTwo) {
  std::string good = writePng("poster.png", *poster());
  for (const char* args : {"--size 0x5", "--size 12", "--size axb", "--native --size 3x3", "--threshold x", ""}) {
    Outcome r = run(std::string(args) + (std::string(args).empty() ? "" : " '" + good + "'"));
    EXPECT_EQ(r.status, 2) << args;
    EXPECT_FALSE(r.err.empty()) << args;
    EXPECT_TRUE(r.out.empty()) << args;
  }
  Outcome help = run("--help");
  EXPECT_EQ(help.status, 0);
  for (const char* word : {"--json", "--native", "--threshold", "--size", "IMAGE"})
    EXPECT_NE(help.out.find(word), std::string::npos) << word;
}

}  // namespace

#endif
