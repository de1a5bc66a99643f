// Videos of the simulated phone: `velloway sim --video` as a user runs it. ffprobe reads each
// format back with its frame rate, size and length; the frames as drawn before encoding (kept
// as PNGs) move while the cover shakes, hold still at rest, and show what `render --moving`
// shows at the same moment; the pane's logo fades in frame by frame; a still stretch repeats
// its frame without drawing it again; a device root with settings already stored is filmed
// with them.
#ifdef VELLOWAY_BINARY

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <regex>
#include <string>
#include <vector>

#include "platform/fs/TemporaryFolder.hpp"
#include "render/Renderer.hpp"
#include "tests/support/ChildProcess.hpp"
#include "tests/support/DeviceRootTest.hpp"

namespace {

namespace fs = std::filesystem;

using test_process::ShellResult;

// The home screen with the built-in track playing and the overlay on screen, at rest.
const char* const kOverlayShown = "boot\nidle\nalert press Close\nmedia play-demo\nidle\nactivate\nidle\n";

class Video : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = device_fs::makeTemporaryFolder("velloway-video"); }
  void TearDown() override { fs::remove_all(dir_); }

  // Runs a shell command line in the test's folder, its output captured.
  ShellResult shell(const std::string& command) {
    return test_process::runShell("cd '" + dir_.string() + "' && " + command, dir_);
  }
  // `velloway sim OPTIONS script.sim` with that script.
  ShellResult sim(const std::string& options, const std::string& script) {
    test_support::writeHostFile(dir_ / "script.sim", script);
    return shell(std::string("'") + VELLOWAY_BINARY + "' sim " + options + " script.sim");
  }

  struct Probe {
    int width = 0, height = 0;
    std::string rate;
    long frames = 0;
    double duration = 0;
  };
  Probe probe(const std::string& file) {
    ShellResult r = shell(
        "ffprobe -v error -count_frames -select_streams v:0 -show_entries "
        "stream=width,height,r_frame_rate,nb_read_frames:format=duration -of json '" +
        file + "'");
    EXPECT_EQ(r.status, 0) << r.err;
    auto json = nlohmann::json::parse(r.out, nullptr, false);
    Probe p;
    if (json.is_discarded() || json["streams"].empty()) return p;
    const auto& stream = json["streams"][0];
    p.width = stream.value("width", 0);
    p.height = stream.value("height", 0);
    p.rate = stream.value("r_frame_rate", "");
    p.frames = std::stol(stream.value("nb_read_frames", "0"));
    p.duration = std::stod(json["format"].value("duration", "0"));
    return p;
  }

  render::Image frame(int index) {
    char name[32];
    std::snprintf(name, sizeof name, "%06d.png", index);
    return render::Image::readPng((dir_ / "frames" / name).string());
  }
  // Whether two frames' PNG files hold the same bytes (both must be there).
  bool sameFrames(int a, int b) {
    const std::string first = frameBytes(a), second = frameBytes(b);
    EXPECT_FALSE(first.empty() || second.empty()) << "frames " << a << " and " << b;
    return first == second;
  }
  std::string frameBytes(int index) {
    char name[32];
    std::snprintf(name, sizeof name, "%06d.png", index);
    return test_support::readHostFile(dir_ / "frames" / name);
  }

  fs::path dir_;
};

// How many pixels of `picture` (from its left edge, the home screen's side of a frame) differ
// from `reference` by more than `tolerance` in a channel; -1 when the sizes do not fit.
long differingPixels(const render::Image& picture, const render::Image& reference, int tolerance = 10) {
  if (picture.empty() || reference.empty() || picture.width() < reference.width() || picture.height() < reference.height())
    return -1;
  long differing = 0;
  for (int y = 0; y < reference.height(); ++y)
    for (int x = 0; x < reference.width(); ++x) {
      const uint32_t a = picture.pixel(x, y), b = reference.pixel(x, y);
      for (int shift = 0; shift < 32; shift += 8)
        if (std::abs(int((a >> shift) & 0xff) - int((b >> shift) & 0xff)) > tolerance) {
          ++differing;
          break;
        }
    }
  return differing;
}

// The reference-image tests' tolerance: 10 a channel on all but 0.1 % of the pixels.
bool looksTheSame(const render::Image& picture, const render::Image& reference) {
  long differing = differingPixels(picture, reference);
  return differing >= 0 && differing <= 0.001 * reference.width() * reference.height();
}

TEST_F(Video, EachFormatHasItsFrameRateSizeAndLength) {
  // Half a second at rest, a double tap, half a second of shake and rest: frames 0 to 1 s.
  const std::string script = std::string(kOverlayShown) + "advance 0.5\ntap cover 2\nadvance 0.5\n";
  struct Case {
    const char* file;
    int fps;
    const char* rate;
  };
  for (const Case& c : {Case{"clip.mp4", 60, "60/1"}, Case{"clip.webm", 60, "60/1"}, Case{"clip.gif", 50, "50/1"}}) {
    SCOPED_TRACE(c.file);
    ShellResult r = sim(std::string("--zoom 0.5 --video ") + c.file, script);
    ASSERT_EQ(r.status, 0) << r.err;
    Probe p = probe((dir_ / c.file).string());
    // Two screens of 375 x 667 points side by side at half a pixel a point, made even.
    EXPECT_EQ(p.width, 376);
    EXPECT_EQ(p.height, 334);
    EXPECT_EQ(p.rate, c.rate);
    EXPECT_EQ(p.frames, c.fps + 1);  // the moments 0, 1/fps, ..., 1 s
    EXPECT_NEAR(p.duration, double(p.frames) / c.fps, 1.5 / c.fps);
    EXPECT_FALSE(fs::exists(dir_ / (std::string(c.file) + ".partial"))) << "a partial file is left";
  }
}

TEST_F(Video, FramesMoveDuringTheShakeHoldStillAtRestAndShowWhatRenderShows) {
  // At 50 frames a second: rest from 0 to 0.1 s (frames 0-5), the double tap at 0.1 s, the shake
  // until 0.3 s (frames 6-14 move), rest again until 0.5 s (frames 16-25).
  ShellResult filmed = sim("--zoom 2 --fps 50 --video clip.mp4 --video-frames frames",
                           std::string(kOverlayShown) + "advance 0.1\ntap cover 2\nadvance 0.4\n");
  ASSERT_EQ(filmed.status, 0) << filmed.err;
  ASSERT_TRUE(fs::exists(dir_ / "frames" / "000025.png"));
  EXPECT_FALSE(fs::exists(dir_ / "frames" / "000026.png"));
  for (int i = 1; i <= 5; ++i) EXPECT_TRUE(sameFrames(i, 0)) << "frame " << i << " at rest before the tap";
  for (int i = 17; i <= 25; ++i) EXPECT_TRUE(sameFrames(i, 16)) << "frame " << i << " at rest after the shake";
  int distinct = 0;
  for (int i = 6; i <= 14; ++i) {
    EXPECT_FALSE(sameFrames(i, 25)) << "frame " << i << " during the shake shows the cover at rest";
    if (!sameFrames(i, i - 1)) ++distinct;
  }
  EXPECT_GE(distinct, 5) << "the shake's frames hardly differ from one another";

  // The same script with `render --moving` at some of those moments, on the home screen's side.
  const std::vector<std::pair<int, std::string>> moments{
      {0, "advance 0"},     {5, "advance 0.1"},  {6, "tap cover 2\nadvance 0.02"}, {8, "advance 0.04"}, {11, "advance 0.06"},
      {14, "advance 0.06"}, {20, "advance 0.12"}};
  std::string script = kOverlayShown;
  for (const auto& [index, step] : moments) script += step + "\nrender --moving moment-" + std::to_string(index) + ".png\n";
  ShellResult rendered = sim("", script);
  ASSERT_EQ(rendered.status, 0) << rendered.err;
  for (const auto& [index, step] : moments) {
    render::Image reference = render::Image::readPng((dir_ / ("moment-" + std::to_string(index) + ".png")).string());
    render::Image picture = frame(index);
    ASSERT_EQ(picture.width(), 2 * reference.width()) << "frame " << index;
    EXPECT_TRUE(looksTheSame(picture, reference))
        << "frame " << index << ": " << differingPixels(picture, reference) << " pixels differ from render --moving";
  }
}

TEST_F(Video, ThePaneLogoFadesInFrameByFrame) {
  // The logo's fade starts half a second after the pane opens and lasts half a second: at 20
  // frames a second, frames 11 to 19 each show it a little more opaque than the one before.
  ShellResult r = sim("--zoom 0.5 --fps 20 --video fade.mp4 --video-frames frames", "settings open\nadvance 1.2\n");
  ASSERT_EQ(r.status, 0) << r.err;
  for (int i = 1; i <= 10; ++i) EXPECT_TRUE(sameFrames(i, 0)) << "frame " << i << " before the fade";
  for (int i = 11; i <= 19; ++i) EXPECT_FALSE(sameFrames(i, i - 1)) << "frame " << i << " during the fade";
  EXPECT_FALSE(sameFrames(20, 0));
  for (int i = 21; i <= 24; ++i) EXPECT_TRUE(sameFrames(i, 20)) << "frame " << i << " after the fade";
}

TEST_F(Video, AStillStretchRepeatsItsFrameWithoutDrawingIt) {
  // Two seconds at rest, a new title (nothing animates), two seconds, a double tap, two seconds.
  ShellResult r =
      sim("--zoom 0.25 --video still.mp4 --video-frames frames",
          std::string(kOverlayShown) + "advance 2\nmedia set title=Another\nidle\nadvance 2\ntap cover 2\nadvance 2\n");
  ASSERT_EQ(r.status, 0) << r.err;
  std::smatch counts;
  ASSERT_TRUE(std::regex_search(r.err, counts, std::regex(R"((\d+) frames, (\d+) drawn)"))) << r.err;
  EXPECT_EQ(std::stol(counts[1]), 361);
  // The first frame, the title's, the tap's, the shake's dozen at 60 a second and the one after
  // it: not 361.
  EXPECT_LE(std::stol(counts[2]), 20);
  EXPECT_GE(std::stol(counts[2]), 12);
  EXPECT_EQ(probe((dir_ / "still.mp4").string()).frames, 361);
  // The title changed with nothing moving, and the frame after it shows it.
  EXPECT_TRUE(sameFrames(119, 120));
  EXPECT_FALSE(sameFrames(121, 120)) << "the new title is not filmed";
  EXPECT_TRUE(sameFrames(240, 121));
}

TEST_F(Video, FilmsADeviceRootWithSettingsAlreadyStored) {
  // Vibrancy labels on and a square cover, stored before the simulator starts, and the welcome
  // notice already seen.
  const fs::path root = dir_ / "device";
  test_support::writeHostFile(root / "private/var/mobile/Library/Preferences/com.dovrane.velloway.plist",
                              R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0"><dict>
<key>isEnabled</key><true/><key>useVibrancyLabels</key><true/><key>albumArtCornerRadius</key><real>0</real>
<key>beta4-HasRun</key><true/>
</dict></plist>
)");
  const std::string script = "boot\nidle\nmedia play-demo\nidle\nactivate\nidle\nadvance 0.1\n";
  ShellResult filmed = sim("--root device --zoom 2 --fps 20 --video clip.webm --video-frames frames", script);
  ASSERT_EQ(filmed.status, 0) << filmed.err;
  ShellResult prepared = sim("--root device", script + "render --moving prepared.png\ndump settings\n");
  ASSERT_EQ(prepared.status, 0) << prepared.err;
  EXPECT_NE(prepared.out.find("\"cornerRadius\":0.0"), std::string::npos) << prepared.out;
  EXPECT_NE(prepared.out.find("\"vibrancy\":true"), std::string::npos) << prepared.out;
  ShellResult fresh = sim(
      "", "boot\nidle\nalert press Close\n" + script.substr(std::string("boot\nidle\n").size()) + "render --moving fresh.png\n");
  ASSERT_EQ(fresh.status, 0) << fresh.err;

  render::Image last = frame(2);
  render::Image withSettings = render::Image::readPng((dir_ / "prepared.png").string());
  render::Image without = render::Image::readPng((dir_ / "fresh.png").string());
  EXPECT_TRUE(looksTheSame(last, withSettings)) << differingPixels(last, withSettings) << " pixels differ";
  EXPECT_FALSE(looksTheSame(last, without)) << "the stored settings make no difference to the picture";
  EXPECT_EQ(probe((dir_ / "clip.webm").string()).frames, 3);
}

TEST_F(Video, BadVideoOptionsAreRefusedBeforeTheScriptRuns) {
  const std::string script = "boot\ndump host\n";
  struct Case {
    const char* options;
    const char* says;
  };
  for (const Case& c : {Case{"--video clip.avi", ".mp4, .webm or .gif"}, Case{"--video clip.gif --fps 60", "hundredths"},
                        Case{"--video clip.mp4 --fps 0", "frame rate"}, Case{"--video clip.mp4 --zoom 9", "--zoom"},
                        Case{"--fps 30", "go with --video"}}) {
    ShellResult r = sim(c.options, script);
    EXPECT_EQ(r.status, 2) << c.options;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << c.options << ": " << r.err;
    EXPECT_EQ(r.out, "") << c.options << ": the script ran";
  }
  // A file that cannot be written: nothing is left behind, and the run says why.
  ShellResult r = sim("--video no-such-folder/clip.mp4", script);
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("no-such-folder/clip.mp4"), std::string::npos) << r.err;
}

}  // namespace

#endif
