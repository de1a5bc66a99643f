// The velloway command loads what a run uses and no more: ctl none of the platform, the
// renderer or GTK; the other subcommands their library, GTK only for a window. And its help
// still lists every subcommand with its description. What a process loaded is read from the
// dynamic loader's own trace (LD_DEBUG=files).
#ifdef VELLOWAY_BINARY

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "cli/Subcommand.hpp"
#include "platform/fs/TemporaryFolder.hpp"
#include "tests/support/ChildProcess.hpp"
#include "tests/support/DeviceRootTest.hpp"

namespace {

namespace fs = std::filesystem;

struct Outcome {
  int status;
  std::string out, err;
  std::set<std::string> loaded;  // file names of the shared objects the process loaded
};

class CommandLoading : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = device_fs::makeTemporaryFolder("velloway-loading"); }
  // The sanitizer build links both libraries into the executable (cli/CMakeLists.txt).
  static bool loadsEverythingAtStart() { return VELLOWAY_SANITIZED; }
  void TearDown() override { fs::remove_all(dir_); }

  // Runs velloway with `arguments` (already quoted for the shell) and `environment` (NAME=VALUE
  // words), on a session bus address where nothing listens.
  Outcome run(const std::string& arguments, const std::string& environment = "") {
    std::string command = "env DBUS_SESSION_BUS_ADDRESS=unix:path=" + (dir_ / "no-bus").string() + " LD_DEBUG=files " +
                          environment + " '" + VELLOWAY_BINARY + "' " + arguments;
    test_process::ShellResult run = test_process::runShell(command, dir_);
    Outcome result{run.status, run.out, run.err, {}};
    static const std::regex opened(R"(file=(\S+) \[\d+\];)");
    for (std::sregex_iterator it(result.err.begin(), result.err.end(), opened), end; it != end; ++it)
      result.loaded.insert(fs::path((*it)[1].str()).filename().string());
    return result;
  }

  fs::path dir_;
};

const std::vector<std::string> kPlatformAndDrawing{"libvelloway-platform-core.so", "libobjc.so.4", "libcairo.so.2",
                                                   "libfontconfig.so.1", "libpango-1.0.so.0"};
const std::vector<std::string> kWindowing{"libvelloway-gui.so", "libgtk-4.so.1", "libgtkmm-4.0.so.0"};

TEST_F(CommandLoading, CtlLoadsTheBusLibraryAndNothingOfThePlatformDrawingOrWindows) {
  if (loadsEverythingAtStart()) GTEST_SKIP() << "the sanitizer build loads every library at start";
  Outcome ctl = run("ctl springboard 'dump host'");
  EXPECT_EQ(ctl.status, 1) << ctl.err;  // no bus there
  EXPECT_TRUE(ctl.loaded.count("libsdbus-c++.so.1")) << "the loader's trace shows no bus library: is LD_DEBUG honoured?";
  EXPECT_FALSE(ctl.loaded.count("libvelloway-commands.so"));
  for (const auto& library : kPlatformAndDrawing) EXPECT_FALSE(ctl.loaded.count(library)) << library;
  for (const auto& library : kWindowing) EXPECT_FALSE(ctl.loaded.count(library)) << library;
}

TEST_F(CommandLoading, OtherSubcommandsLoadTheirLibraryAndGtkOnlyForAWindow) {
  if (loadsEverythingAtStart()) GTEST_SKIP() << "the sanitizer build loads every library at start";
  for (const char* args : {"colorart --help", "sim --help", "--help"}) {
    Outcome r = run(args);
    EXPECT_EQ(r.status, 0) << args << ": " << r.err;
    EXPECT_TRUE(r.loaded.count("libvelloway-commands.so")) << args;
    for (const auto& library : kWindowing) EXPECT_FALSE(r.loaded.count(library)) << args << ": " << library;
  }
  std::string root = "--root '" + (dir_ / "device").string() + "'";
  Outcome windowless = run("springboard " + root);
  EXPECT_EQ(windowless.status, 1);  // no bus
  EXPECT_TRUE(windowless.loaded.count("libvelloway-platform-core.so"));
  for (const auto& library : kWindowing) EXPECT_FALSE(windowless.loaded.count(library)) << library;
  // A display no server answers: the window library is loaded, and GTK then fails to connect.
  Outcome window = run("springboard --gui " + root, "DISPLAY=:65431 WAYLAND_DISPLAY=");
  EXPECT_NE(window.status, 0);  // 1; a sanitized build may end otherwise after what GTK left
  EXPECT_NE(window.err.find("cannot open the display ':65431'"), std::string::npos) << window.err;
  for (const auto& library : kWindowing) EXPECT_TRUE(window.loaded.count(library)) << library;
}

// FFmpeg's libraries come with the video library, and only a run that makes a video loads it.
TEST_F(CommandLoading, OnlyAVideoLoadsTheVideoLibrary) {
  if (loadsEverythingAtStart()) GTEST_SKIP() << "the sanitizer build loads every library at start";
  const std::vector<std::string> video{"libvelloway-video.so", "libavcodec.so.59", "libavformat.so.59", "libswscale.so.6",
                                       "libavfilter.so.8"};
  const std::string root = "--root '" + (dir_ / "device").string() + "'";
  for (const std::string& args : {std::string("ctl springboard 'dump host'"), std::string("sim --help"), "springboard " + root}) {
    Outcome r = run(args);
    for (const auto& library : video) EXPECT_FALSE(r.loaded.count(library)) << args << ": " << library;
  }
  test_support::writeHostFile(dir_ / "script.sim", "boot\nadvance 0.05\n");
  Outcome filmed = run("sim --zoom 0.25 --video '" + (dir_ / "clip.mp4").string() + "' '" + (dir_ / "script.sim").string() + "'");
  EXPECT_EQ(filmed.status, 0) << filmed.err;
  for (const auto& library : video) EXPECT_TRUE(filmed.loaded.count(library)) << library;
}

TEST_F(CommandLoading, HelpListsEverySubcommandWithItsDescription) {
  Outcome help = run("--help");
  ASSERT_EQ(help.status, 0);
  std::string section = help.out.substr(std::min(help.out.size(), help.out.find("Subcommands:")));
  std::map<std::string, std::string> listed;  // name: description
  std::istringstream lines(section);
  static const std::regex entry(R"(  (\S+) +(.+))");
  std::smatch m;
  for (std::string line; std::getline(lines, line);)
    if (std::regex_match(line, m, entry)) listed[m[1]] = m[2];
  // This process holds the subcommands of the commands library; ctl is the executable's own. The
  // build's own (manual pages, completion) are hidden.
  const auto hidden = std::count_if(subcommands().begin(), subcommands().end(), [](const Subcommand& s) { return s.hidden; });
  EXPECT_EQ(hidden, 2);
  EXPECT_EQ(listed.size(), subcommands().size() - hidden + 1) << help.out;
  for (const auto& sub : subcommands()) {
    if (sub.hidden) {
      EXPECT_EQ(listed.count(sub.name), 0u) << sub.name;
      continue;
    }
    // Its description as it stands once the subcommand has set itself up (some replace theirs).
    CLI::App app;
    CLI::App* own = app.add_subcommand(sub.name, sub.description);
    sub.setup(*own);
    EXPECT_EQ(listed[sub.name], own->get_description()) << sub.name;
  }
  EXPECT_EQ(listed["ctl"].rfind("Run lines of the sim's command language", 0), 0u) << help.out;
}

}  // namespace

#endif
