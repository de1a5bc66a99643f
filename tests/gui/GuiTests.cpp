// The windows of the live processes, under an X server of the test's own (Xvfb) and driven
// with xdotool as a person would: clicks and drags become the platform layer's taps and swipes,
// keys type into the alert, and each window shows what `render` draws of the same state.
// Skipped, with the reason, when Xvfb, xdotool or ImageMagick's import is not installed.
#include <gtest/gtest.h>
#include <signal.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "render/Renderer.hpp"
#include "tests/support/LiveHarness.hpp"
#include "tests/support/XServer.hpp"

namespace fs = std::filesystem;
using namespace live_test;
using namespace std::chrono_literals;

namespace {

std::string missingTools() {
  std::string missing;
  for (const char* tool : {"Xvfb", "xdotool", "import"})
    if (!onPath(tool)) missing += std::string(missing.empty() ? "" : ", ") + tool;
  return missing;
}

void xdotool(const std::vector<std::string>& args) {
  std::vector<std::string> argv{"xdotool"};
  argv.insert(argv.end(), args.begin(), args.end());
  Result r = run(argv, 20s);
  EXPECT_EQ(r.status, 0) << "xdotool: " << r.err;
}

// A view in a dumped tree with its top-left corner in the tree's root coordinates.
struct Placed {
  nlohmann::json view;
  double x = 0, y = 0;
  double width() const { return view["frame"][2]; }
  double height() const { return view["frame"][3]; }
  double midX() const { return x + width() / 2; }
  double midY() const { return y + height() / 2; }
};

// The path from the root to the first visible view that satisfies the test (empty: none).
bool locate(const nlohmann::json& tree, const std::function<bool(const nlohmann::json&)>& test, double x, double y,
            std::vector<Placed>& path) {
  if (!tree.is_object() || tree.value("hidden", false)) return false;
  Placed here{tree, x + tree["frame"][0].get<double>(), y + tree["frame"][1].get<double>()};
  path.push_back(here);
  if (test(tree)) return true;
  // Subviews, and views a dump lists under a name of their own (an effect view's contentView).
  for (const auto& [name, value] : tree.items()) {
    if (name == "subviews") {
      for (const auto& sub : value)
        if (locate(sub, test, here.x, here.y, path)) return true;
    } else if (value.is_object() && value.contains("frame") && value.contains("class")) {
      if (locate(value, test, here.x, here.y, path)) return true;
    }
  }
  path.pop_back();
  return false;
}

std::vector<Placed> pathTo(const nlohmann::json& tree, const std::string& field, const nlohmann::json& value) {
  std::vector<Placed> path;
  locate(
      tree, [&](const nlohmann::json& v) { return v.contains(field) && v[field] == value; }, 0, 0, path);
  return path;
}

// The nearest table cell on a path, and the first view of a class inside it.
std::optional<Placed> cellOf(const std::vector<Placed>& path) {
  for (auto it = path.rbegin(); it != path.rend(); ++it)
    if (it->view.value("class", "").find("Cell") != std::string::npos) return *it;
  return std::nullopt;
}

// A process's window on the X server: where it is and how to touch a point of its screen.
struct Window {
  std::string role;
  fs::path root;
  std::string id;
  double originX = 0, originY = 0, scale = 1;  // window pixels per point as shown

  static Window of(const std::string& role, const fs::path& root) { return placed(role, root, dump(role, root, "gui")["gui"]); }
  // Once the window shows the screen at its zoom and stays so: a loaded machine may size and lay
  // out a new window in several steps (a step may show the zoom's scale with the header not yet
  // in place), and a placement read before the last one is stale.
  static Window settled(const std::string& role, const fs::path& root) {
    nlohmann::json gui, before;
    EXPECT_TRUE(eventually(
        [&] {
          before = gui;
          std::this_thread::sleep_for(300ms);
          gui = dump(role, root, "gui")["gui"];
          return gui["window"] != 0 && gui["scale"] == gui["zoom"] && gui == before;
        },
        30s))
        << role << "'s window never settled at its zoom: " << gui;
    return placed(role, root, gui);
  }
  static Window placed(const std::string& role, const fs::path& root, const nlohmann::json& gui) {
    Window w;
    w.role = role;
    w.root = root;
    w.id = std::to_string(gui["window"].get<unsigned long>());
    w.originX = gui["origin"][0];
    w.originY = gui["origin"][1];
    w.scale = gui["scale"];
    return w;
  }
  std::string x(double points) const { return std::to_string(std::lround(originX + points * scale)); }
  std::string y(double points) const { return std::to_string(std::lround(originY + points * scale)); }
  void moveTo(int left, int top) const { xdotool({"windowmove", "--sync", id, std::to_string(left), std::to_string(top)}); }
  void click(double px, double py, int count = 1) const {
    xdotool({"mousemove", "--window", id, x(px), y(py), "click", "--repeat", std::to_string(count), "--delay", "80", "1"});
  }
  void drag(double px, double py, double dx, double dy) const {
    std::vector<std::string> args{"mousemove", "--window", id, x(px), y(py), "mousedown", "1"};
    for (int step = 1; step <= 5; ++step) {
      for (auto word : {"sleep", "0.03", "mousemove", "--window"}) args.push_back(word);
      args.push_back(id);
      args.push_back(x(px + dx * step / 5));
      args.push_back(y(py + dy * step / 5));
    }
    for (auto word : {"mouseup", "1"}) args.push_back(word);
    xdotool(args);
  }
  void keys(const std::vector<std::string>& names) const {
    std::vector<std::string> args{"windowfocus", "--sync", id, "key", "--delay", "50"};
    args.insert(args.end(), names.begin(), names.end());
    xdotool(args);
  }
  // The window's screen as shown, against `render` of the same state.
  std::string compareWithRender(const fs::path& folder, double width, double height) const {
    const fs::path shot = folder / (role + "-window.png"), rendered = folder / (role + "-render.png");
    Result r = run(
        {"import", "-window", id, "-crop",
         std::to_string(std::lround(width * scale)) + "x" + std::to_string(std::lround(height * scale)) + "+" + x(0) + "+" + y(0),
         "+repage", shot.string()});
    if (r.status != 0) return "import failed: " + r.err;
    ctl(role, root, {"render " + rendered.string()});
    render::Image a = render::Image::readPng(shot.string()), b = render::Image::readPng(rendered.string());
    if (a.empty() || b.empty()) return "no picture";
    // At zoom 2 on a display of scale 1 the window draws at the device's scale, as render does.
    if (a.width() != b.width() || a.height() != b.height())
      return "the window shows " + std::to_string(a.width()) + "x" + std::to_string(a.height()) + ", render draws " +
             std::to_string(b.width()) + "x" + std::to_string(b.height());
    long differing = 0;
    for (int py = 0; py < a.height(); ++py)
      for (int px = 0; px < a.width(); ++px) {
        int worst = 0;
        for (int shift = 0; shift < 24; shift += 8)
          worst = std::max(worst, std::abs(int((a.pixel(px, py) >> shift) & 0xff) - int((b.pixel(px, py) >> shift) & 0xff)));
        if (worst > 10) ++differing;
      }
    // The reference-image tests' tolerance: 10 per channel on all but 0.1 % of the pixels.
    if (differing > 0.001 * a.width() * a.height())
      return std::to_string(differing) + " of " + std::to_string(a.width() * a.height()) + " pixels differ (see " +
             shot.string() + ")";
    return {};
  }
};

// A window's size on the X server, frame included.
struct Geometry {
  int width = 0, height = 0;
};

Geometry geometryOf(const std::string& id) {
  Result r = run({"xdotool", "getwindowgeometry", "--shell", id}, 20s);
  Geometry g;
  std::istringstream lines(r.out);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("WIDTH=", 0) == 0) g.width = std::stoi(line.substr(6));
    if (line.rfind("HEIGHT=", 0) == 0) g.height = std::stoi(line.substr(7));
  }
  return g;
}

// CPU seconds each process uses over `length`, once none has used any for a second (bounded:
// start-up's first frames are not idle time).
std::vector<double> idleCpu(const std::vector<pid_t>& pids, std::chrono::seconds length) {
  eventually(
      [&] {
        std::vector<double> before;
        for (pid_t pid : pids) before.push_back(cpuSeconds(pid));
        std::this_thread::sleep_for(1s);
        for (size_t i = 0; i < pids.size(); ++i)
          if (cpuSeconds(pids[i]) - before[i] > 0.015) return false;
        return true;
      },
      30s);
  std::vector<double> before;
  for (pid_t pid : pids) before.push_back(cpuSeconds(pid));
  std::this_thread::sleep_for(length);
  std::vector<double> used;
  for (size_t i = 0; i < pids.size(); ++i) used.push_back(cpuSeconds(pids[i]) - before[i]);
  return used;
}

class GuiPhone : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::string missing = missingTools(); !missing.empty())
      GTEST_SKIP() << "needs an X server without a screen and tools to drive it; missing: " << missing
                   << " (Debian: xvfb, xdotool, imagemagick; scripts/setup.sh installs them)";
    setenv("XDG_DATA_HOME", (temp.path() / "data").c_str(), 1);
    // No GL without a graphics card, no accessibility bus on the private bus.
    setenv("GSK_RENDERER", "cairo", 1);
    setenv("GTK_A11Y", "none", 1);
    root = temp.path() / "device";
    bus.emplace();
    x.emplace(temp.path());
  }
  void TearDown() override {
    x.reset();
    bus.reset();
    unsetenv("XDG_DATA_HOME");
    unsetenv("GSK_RENDERER");
    unsetenv("GTK_A11Y");
  }

  TempFolder temp;
  std::optional<PrivateBus> bus;
  std::optional<XServer> x;
  fs::path root;
};

// Clicks the switch of a table row found in a dumped screen; false when the row has none.
bool clickSwitchOf(const Window& window, const Placed& row) {
  auto toggle = pathTo(row.view, "class", "UISwitch");
  if (toggle.empty()) return false;
  window.click(row.x - row.view["frame"][0].get<double>() + toggle.back().midX(),
               row.y - row.view["frame"][1].get<double>() + toggle.back().midY());
  return true;
}

// `velloway phone --gui` with these options on the test's root, both processes serving.
Child startPhone(const fs::path& root, const fs::path& logs, const std::vector<std::string>& options) {
  std::vector<std::string> argv{VELLOWAY_BINARY, "phone", "--gui", "--root", root.string()};
  argv.insert(argv.end(), options.begin(), options.end());
  Child phone(argv, logs, "phone");
  EXPECT_TRUE(eventually(
      [&] {
        return phone.running() && velloway({"ctl", "springboard", "--root", root.string(), "idle"}).status == 0 &&
               velloway({"ctl", "settings", "--root", root.string(), "idle"}).status == 0;
      },
      60s))
      << phone.stderrText();
  return phone;
}

}  // namespace

TEST_F(GuiPhone, MouseAndKeysGoThroughTheTouchPathsOfBothProcesses) {
  Child phone = startPhone(root, temp.path(), {"--zoom", "2"});
  ASSERT_TRUE(phone.running());
  Window home = Window::settled("springboard", root), settings = Window::settled("settings", root);
  EXPECT_NE(home.id, settings.id);
  EXPECT_EQ(home.scale, 2);
  home.moveTo(0, 0);
  settings.moveTo(850, 0);
  const double screenW = 375, screenH = 667;

  {
    SCOPED_TRACE("home screen");
    // The start-up alert: Return presses its button.
    ASSERT_TRUE(eventually([&] { return !dump("springboard", root, "alerts")["alerts"].empty(); }));
    home.keys({"Return"});
    EXPECT_TRUE(eventually([&] { return dump("springboard", root, "alerts")["alerts"][0]["onScreen"] == false; }))
        << dump("springboard", root, "alerts");
    home.keys({"ctrl+r"});
    ASSERT_TRUE(eventually([&] { return dump("springboard", root, "host")["host"]["reachabilityActive"] == true; }));
    auto cover = pathTo(dump("springboard", root, "window")["window"], "property", "smallCoverArt");
    ASSERT_FALSE(cover.empty());
    const Placed at = cover.back();

    std::this_thread::sleep_for(1s);  // the overlay's fades end
    EXPECT_EQ(home.compareWithRender(temp.path(), screenW, screenH), "");

    home.click(at.midX(), at.midY(), 2);
    EXPECT_TRUE(eventually([&] { return dump("springboard", root, "commands")["commands"] == nlohmann::json{2}; }))
        << dump("springboard", root, "commands");
    home.drag(at.midX(), at.midY(), 0, -90);
    EXPECT_TRUE(eventually([&] {
      return dump("springboard", root, "commands")["commands"] == nlohmann::json{2, 7};
    })) << dump("springboard", root, "commands");
    // A click on the lowered home screen ends reachability.
    home.click(screenW / 2, screenH - 40);
    EXPECT_TRUE(eventually([&] { return dump("springboard", root, "host")["host"]["reachabilityActive"] == false; }));
  }
  {
    SCOPED_TRACE("Settings app");
    ctl("settings", root, {"settings open"});
    auto configuration = pathTo(dump("settings", root, "screen")["screen"], "text", "Configuration");
    ASSERT_FALSE(configuration.empty());
    settings.click(configuration.back().midX(), configuration.back().midY());
    ASSERT_TRUE(
        eventually([&] { return !pathTo(dump("settings", root, "screen")["screen"], "text", "Vibrancy Labels").empty(); }));

    auto screen = dump("settings", root, "screen")["screen"];
    auto row = cellOf(pathTo(screen, "text", "Vibrancy Labels"));
    ASSERT_TRUE(row);
    ASSERT_TRUE(clickSwitchOf(settings, *row));
    EXPECT_TRUE(eventually([&] { return dump("springboard", root, "settings")["settings"]["vibrancy"] == true; }));
    home.keys({"ctrl+r"});
    ASSERT_TRUE(eventually([&] { return dump("springboard", root, "host")["host"]["reachabilityActive"] == true; }));
    // The overlay is built as the activation's now-playing answer arrives.
    EXPECT_TRUE(eventually([&] {
      auto window = dump("springboard", root, "window")["window"];
      return !pathTo(window, "property", "repeatLabel").empty() && !pathTo(window, "property", "shuffleLabel").empty();
    })) << dump("springboard", root, "window");

    // The slider's entry strip at its row's right-hand end, then "12" typed and Return.
    auto slider = cellOf(pathTo(screen, "class", "UISlider"));
    ASSERT_TRUE(slider);
    settings.click(slider->x + slider->width() - 25, slider->midY());
    ASSERT_TRUE(eventually([&] {
      auto alerts = dump("settings", root, "alerts")["alerts"];
      return !alerts.empty() && alerts.back()["onScreen"] == true;
    }));
    settings.keys({"1", "2", "Return"});
    EXPECT_TRUE(eventually([&] { return dump("springboard", root, "settings")["settings"]["cornerRadius"] == 12.0; }))
        << dump("settings", root, "alerts");
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(settings.compareWithRender(temp.path(), screenW, screenH), "");

    // The bar's compose button, the post card's Cancel, the bar's back button.
    auto bar = pathTo(dump("settings", root, "screen")["screen"], "class", "UINavigationBar");
    ASSERT_FALSE(bar.empty());
    settings.click(bar.back().x + bar.back().width() - 20, bar.back().midY());
    ASSERT_TRUE(eventually([&] { return !dump("settings", root, "pane")["pane"]["presented"].is_null(); }));
    auto cancel = pathTo(dump("settings", root, "screen")["screen"], "text", "Cancel");
    ASSERT_FALSE(cancel.empty());
    settings.click(cancel.back().midX(), cancel.back().midY());
    EXPECT_TRUE(eventually([&] { return dump("settings", root, "pane")["pane"]["presented"].is_null(); }));
    settings.click(bar.back().x + 30, bar.back().midY());
    EXPECT_TRUE(eventually([&] { return dump("settings", root, "pane")["pane"]["pages"].size() == 1; }))
        << dump("settings", root, "pane")["pane"]["pages"];
  }
  EXPECT_EQ(phone.stop(SIGTERM, 20s), 0) << phone.stderrText();
}

namespace {

// A live process of that role with its window, started on the test's root and serving.
Child startWithWindow(const std::string& role, const fs::path& root, const fs::path& logs) {
  Child child({VELLOWAY_BINARY, role, "--gui", "--root", root.string()}, logs, role);
  EXPECT_TRUE(eventually(
      [&] {
        return child.running() && velloway({"ctl", role, "--root", root.string(), "idle"}).status == 0;
      },
      60s))
      << child.stderrText();
  return child;
}

// The middle of the button of the alert on screen with that title, from `dump alerts`.
std::optional<std::pair<double, double>> alertButton(const std::string& role, const fs::path& root, const std::string& title) {
  auto alerts = dump(role, root, "alerts")["alerts"];
  for (const auto& alert : alerts)
    if (alert["onScreen"] == true)
      for (const auto& button : alert["buttons"])
        if (button["title"] == title) {
          const auto& f = button["frame"];
          return std::pair{f[0].get<double>() + f[2].get<double>() / 2, f[1].get<double>() + f[3].get<double>() / 2};
        }
  return std::nullopt;
}

}  // namespace

TEST_F(GuiPhone, TheSettingsWindowOpensOnItsListAndItsRowOpensThePane) {
  Child app = startWithWindow("settings", root, temp.path());
  Window settings = Window::settled("settings", root);
  settings.moveTo(0, 0);
  EXPECT_EQ(dump("settings", root, "list")["list"]["onScreen"], true);
  auto row = cellOf(pathTo(dump("settings", root, "screen")["screen"], "text", "Velloway"));
  ASSERT_TRUE(row) << dump("settings", root, "screen");
  settings.click(row->midX(), row->midY());
  ASSERT_TRUE(eventually([&] { return dump("settings", root, "pane")["pane"]["pages"] == nlohmann::json{"VLWListController"}; }))
      << dump("settings", root, "pane list");
  EXPECT_EQ(dump("settings", root, "list")["list"]["onScreen"], false);

  auto bar = pathTo(dump("settings", root, "screen")["screen"], "class", "UINavigationBar");
  ASSERT_FALSE(bar.empty());
  settings.click(bar.back().x + 30, bar.back().midY());
  EXPECT_TRUE(eventually([&] { return dump("settings", root, "list")["list"]["onScreen"] == true; }))
      << dump("settings", root, "pane list");
  EXPECT_TRUE(dump("settings", root, "pane")["pane"].is_null());
  EXPECT_EQ(app.stop(SIGTERM, 20s), 0) << app.stderrText();
}

TEST_F(GuiPhone, AlertButtonsAndTheirTextFieldTakeClicks) {
  Child home = startWithWindow("springboard", root, temp.path());
  Window homeWindow = Window::settled("springboard", root);
  homeWindow.moveTo(0, 0);
  {
    SCOPED_TRACE("the welcome notice's Close");
    std::optional<std::pair<double, double>> close;
    ASSERT_TRUE(eventually([&] { return (close = alertButton("springboard", root, "Close")).has_value(); }))
        << dump("springboard", root, "alerts");
    homeWindow.click(close->first, close->second);
    EXPECT_TRUE(eventually([&] { return dump("springboard", root, "alerts")["alerts"][0]["onScreen"] == false; }))
        << dump("springboard", root, "alerts");
  }
  Child app = startWithWindow("settings", root, temp.path());
  Window settings = Window::settled("settings", root);
  settings.moveTo(500, 0);
  {
    SCOPED_TRACE("the value entry's field and Enter");
    ctl("settings", root, {"settings tap Velloway", "settings tap Configuration", "settings entry albumArtCornerRadius"});
    auto alerts = dump("settings", root, "alerts")["alerts"];
    ASSERT_EQ(alerts.size(), 1u);
    const auto& field = alerts[0]["fieldFrame"];
    settings.click(field[0].get<double>() + 20, field[1].get<double>() + field[3].get<double>() / 2);
    settings.keys({"1", "2"});
    ASSERT_TRUE(eventually([&] { return dump("settings", root, "alerts")["alerts"][0]["text"] == "12"; }))
        << dump("settings", root, "alerts");
    auto enter = alertButton("settings", root, "Enter");
    ASSERT_TRUE(enter);
    settings.click(enter->first, enter->second);
    EXPECT_TRUE(eventually([&] { return dump("settings", root, "alerts")["alerts"][0]["onScreen"] == false; }));
    EXPECT_TRUE(eventually([&] {
      return dump("settings", root, "preferences")["preferences"].value("albumArtCornerRadius", nlohmann::json()) == 12;
    })) << dump("settings", root, "preferences alerts");
  }
  EXPECT_EQ(app.stop(SIGTERM, 20s), 0) << app.stderrText();
  EXPECT_EQ(home.stop(SIGTERM, 20s), 0) << home.stderrText();
}

TEST(GuiWithoutDisplay, StopsAtStartWithTheReason) {
  TempFolder temp;
  const char* display = std::getenv("DISPLAY");
  const std::string saved = display ? display : "";
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  for (const char* role : {"springboard", "settings", "phone"}) {
    Result r = velloway({role, "--gui", "--root", (temp.path() / "device").string()}, 30s);
    EXPECT_EQ(r.status, 1) << role;
    EXPECT_NE(r.err.find("no display"), std::string::npos) << role << ": " << r.err;
  }
  Result zoom = velloway({"springboard", "--zoom", "2", "--root", (temp.path() / "device").string()}, 30s);
  EXPECT_EQ(zoom.status, 2);
  EXPECT_NE(zoom.err.find("--zoom requires --gui"), std::string::npos) << zoom.err;
  if (!saved.empty()) setenv("DISPLAY", saved.c_str(), 1);
}

TEST_F(GuiPhone, IdleProcessesSleepWithOrWithoutAWindow) {
  Child home = startLive("springboard", temp.path() / "home", temp.path(), {"--gui"});
  Child bare = startLive("springboard", temp.path() / "bare", temp.path());
  Child settings = startLive("settings", temp.path() / "settings", temp.path(), {"--gui"});
  for (auto [role, folder] : {std::pair{"springboard", "home"}, std::pair{"settings", "settings"}})
    ASSERT_TRUE(eventually([&] { return dump(role, temp.path() / folder, "gui")["gui"]["window"] != 0; }, 30s)) << role;
  // A busy loop takes what a core it gets; sleeping, a process takes next to nothing. Under 2 %
  // of a core tells the two apart even on a loaded machine.
  const auto seconds = 5s;
  std::vector<double> used = idleCpu({home.pid(), bare.pid(), settings.pid()}, seconds);
  const double bound = 0.02 * seconds.count();
  EXPECT_LT(used[0], bound) << "springboard --gui";
  EXPECT_LT(used[1], bound) << "springboard without a window";
  EXPECT_LT(used[2], bound) << "settings --gui";
}

TEST_F(GuiPhone, TheZoomSizesTheWindowAndAResizedWindowCentresItsScreen) {
  Child settings = startLive("settings", root, temp.path(), {"--gui"});
  ctl("settings", root, {"settings open"});
  ASSERT_TRUE(eventually([&] { return dump("settings", root, "gui")["gui"]["window"] != 0; }, 30s));
  const double screenW = 375, screenH = 667;
  // At 1x the window is the screen and its frame: no header wider than the screen.
  Window start = Window::settled("settings", root);
  const double frame = start.originX;  // the frame's width, on either side
  EXPECT_EQ(start.scale, 1);
  EXPECT_EQ(geometryOf(start.id).width - 2 * frame, screenW);

  start.keys({"ctrl+2"});
  EXPECT_TRUE(eventually([&] { return Window::of("settings", root).scale == 2; }, 20s)) << dump("settings", root, "gui");
  EXPECT_EQ(geometryOf(start.id).width - 2 * frame, 2 * screenW);
  start.keys({"ctrl+1"});
  EXPECT_TRUE(eventually([&] { return geometryOf(start.id).width - 2 * frame == screenW; }, 20s));

  {
    SCOPED_TRACE("wider than the screen: as tall as the window, centred across it");
    xdotool({"windowsize", "--sync", start.id, "1000", "800"});
    ASSERT_TRUE(eventually([&] { return Window::of("settings", root).scale > 1; }, 20s)) << dump("settings", root, "gui");
    Window wide = Window::of("settings", root);
    const double left = wide.originX - frame, right = geometryOf(wide.id).width - frame - (wide.originX + screenW * wide.scale);
    EXPECT_GT(left, 100);
    EXPECT_NEAR(left, right, 2);  // whole pixels
    EXPECT_EQ(wide.originY, start.originY);
    auto configuration = pathTo(dump("settings", root, "screen")["screen"], "text", "Configuration");
    ASSERT_FALSE(configuration.empty());
    wide.click(configuration.back().midX(), configuration.back().midY());
    EXPECT_TRUE(eventually([&] { return dump("settings", root, "pane")["pane"]["pages"].size() == 2; }))
        << dump("settings", root, "pane")["pane"]["pages"];
  }
  {
    SCOPED_TRACE("taller than the screen: as wide as the window, centred down it");
    xdotool({"windowsize", "--sync", start.id, "500", "1300"});
    ASSERT_TRUE(eventually([&] { return Window::of("settings", root).originY > start.originY + 100; }, 20s))
        << dump("settings", root, "gui");
    Window tall = Window::of("settings", root);
    const double top = tall.originY - start.originY,
                 bottom = geometryOf(tall.id).height - frame - (tall.originY + screenH * tall.scale);
    EXPECT_EQ(tall.originX, frame);
    EXPECT_NEAR(top, bottom, 2);
    auto bar = pathTo(dump("settings", root, "screen")["screen"], "class", "UINavigationBar");
    ASSERT_FALSE(bar.empty());
    tall.click(bar.back().x + 30, bar.back().midY());  // the back button
    EXPECT_TRUE(eventually([&] { return dump("settings", root, "pane")["pane"]["pages"].size() == 1; }))
        << dump("settings", root, "pane")["pane"]["pages"];
  }
  EXPECT_EQ(settings.stop(SIGTERM, 20s), 0);
}

TEST_F(GuiPhone, TheMenuOpensAndClosesQuietlyAndAWindowDestroyedFromOutsideEndsItsProcess) {
  Child home = startLive("springboard", root, temp.path(), {"--gui"});
  ASSERT_TRUE(eventually([&] { return dump("springboard", root, "gui")["gui"]["window"] != 0; }, 30s));
  auto menu = [&] { return dump("springboard", root, "gui")["gui"]["menu"]; };
  Window window = Window::settled("springboard", root);
  // The home screen's header has the most in it: at 1x still no wider than the screen.
  EXPECT_EQ(geometryOf(window.id).width - 2 * window.originX, 375);
  const std::string menuX = std::to_string(menu()["at"][0].get<int>()), menuY = std::to_string(menu()["at"][1].get<int>());
  for (const char* closing : {"Escape", "a click beside the menu"}) {
    SCOPED_TRACE(closing);
    xdotool({"mousemove", "--window", window.id, menuX, menuY, "click", "1"});
    ASSERT_TRUE(eventually([&] { return menu()["open"] == true; }, 20s)) << menu();
    if (std::string(closing) == "Escape")
      xdotool({"key", "Escape"});
    else
      xdotool({"mousemove", "--window", window.id, window.x(20), window.y(600), "click", "1"});
    EXPECT_TRUE(eventually([&] { return menu()["open"] == false; }, 20s)) << menu();
  }
  // Destroyed while it draws frames (the cover shaking): requests are on their way then.
  ctl("springboard", root, {"media play-demo", "activate", "tap cover 2"});
  xdotool({"windowclose", window.id});
  EXPECT_EQ(home.waitForExit(30s), 0) << home.stderrText();
  for (const char* complaint : {"CRITICAL", "WARNING", "X Window System error"})
    EXPECT_EQ(home.stderrText().find(complaint), std::string::npos) << home.stderrText();
}

TEST_F(GuiPhone, WindowsOfTwoNamedProcessesHaveTitlesOfTheirOwn) {
  Child one = startLive("springboard", root, temp.path(), {"--gui", "--name", "one"});
  Child two = startLive("springboard", root, temp.path(), {"--gui", "--name", "two"});
  std::vector<std::string> titles;
  for (const char* name : {"one", "two"}) {
    // Both serve the same root: each is known up once its own name answers.
    nlohmann::json gui;
    ASSERT_TRUE(eventually(
        [&] {
          Result r = velloway({"ctl", "springboard", "--name", name, "dump gui"});
          if (r.status != 0) return false;
          gui = nlohmann::json::parse(r.out)["gui"];
          return gui["window"] != 0;
        },
        30s))
        << name;
    Result title = run({"xdotool", "getwindowname", std::to_string(gui["window"].get<unsigned long>())}, 20s);
    EXPECT_NE(title.out.find(std::string("(") + name + ")"), std::string::npos) << title.out;
    titles.push_back(title.out);
  }
  EXPECT_NE(titles[0], titles[1]);
}

// A person's session in both windows, recorded by `phone --record`, replays in the simulator to
// the same settings, overlay and commands: the welcome notice closed, reachability, a double
// click on the cover, the pane opened from the Settings list, vibrancy on, a radius typed.
TEST_F(GuiPhone, ARecordedWindowSessionReplaysToTheSameState) {
  const fs::path script = temp.path() / "by-hand.sim";
  Child phone = startPhone(root, temp.path(), {"--record", script.string()});
  ASSERT_TRUE(phone.running());
  Window home = Window::settled("springboard", root), settings = Window::settled("settings", root);
  home.moveTo(0, 0);
  settings.moveTo(450, 0);

  std::optional<std::pair<double, double>> close;
  ASSERT_TRUE(eventually([&] { return (close = alertButton("springboard", root, "Close")).has_value(); }));
  home.click(close->first, close->second);
  ASSERT_TRUE(eventually([&] { return dump("springboard", root, "alerts")["alerts"][0]["onScreen"] == false; }));
  ctl("springboard", root, {"media play-demo"});
  home.keys({"ctrl+r"});
  ASSERT_TRUE(eventually([&] { return dump("springboard", root, "host")["host"]["reachabilityActive"] == true; }));
  auto cover = pathTo(dump("springboard", root, "window")["window"], "property", "smallCoverArt");
  ASSERT_FALSE(cover.empty());
  home.click(cover.back().midX() + 5, cover.back().midY() - 5, 2);
  ASSERT_TRUE(eventually([&] { return dump("springboard", root, "commands")["commands"] == nlohmann::json{2}; }));

  auto entry = cellOf(pathTo(dump("settings", root, "screen")["screen"], "text", "Velloway"));
  ASSERT_TRUE(entry);
  settings.click(entry->midX(), entry->midY());
  ASSERT_TRUE(eventually([&] { return !pathTo(dump("settings", root, "screen")["screen"], "text", "Configuration").empty(); }));
  auto configuration = cellOf(pathTo(dump("settings", root, "screen")["screen"], "text", "Configuration"));
  ASSERT_TRUE(configuration);
  settings.click(configuration->midX(), configuration->midY());
  ASSERT_TRUE(eventually([&] { return !pathTo(dump("settings", root, "screen")["screen"], "text", "Vibrancy Labels").empty(); }));
  auto screen = dump("settings", root, "screen")["screen"];
  auto row = cellOf(pathTo(screen, "text", "Vibrancy Labels"));
  ASSERT_TRUE(row);
  ASSERT_TRUE(clickSwitchOf(settings, *row));
  ASSERT_TRUE(eventually([&] { return dump("springboard", root, "settings")["settings"]["vibrancy"] == true; }));
  auto slider = cellOf(pathTo(screen, "class", "UISlider"));
  ASSERT_TRUE(slider);
  settings.click(slider->x + slider->width() - 25, slider->midY());
  ASSERT_TRUE(eventually([&] {
    auto alerts = dump("settings", root, "alerts")["alerts"];
    return !alerts.empty() && alerts.back()["onScreen"] == true;
  }));
  const auto field = dump("settings", root, "alerts")["alerts"].back()["fieldFrame"];
  settings.click(field[0].get<double>() + 20, field[1].get<double>() + field[3].get<double>() / 2);
  settings.keys({"1", "2"});
  ASSERT_TRUE(eventually([&] { return dump("settings", root, "alerts")["alerts"].back()["text"] == "12"; }));
  auto enter = alertButton("settings", root, "Enter");
  ASSERT_TRUE(enter);
  settings.click(enter->first, enter->second);
  ASSERT_TRUE(eventually([&] { return dump("springboard", root, "settings")["settings"]["cornerRadius"] == 12.0; }));

  nlohmann::json live;
  EXPECT_TRUE(eventually([&] { return !moving(live = dump("springboard", root, "settings window commands")); }));
  const nlohmann::json livePane = dump("settings", root, "pane preferences");
  EXPECT_EQ(phone.stop(SIGTERM, 20s), 0) << phone.stderrText();

  std::ifstream in(script);
  const std::string recorded((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  SCOPED_TRACE(recorded);
  // Taps by what they hit.
  for (const char* line : {"\nalert press Close  #", "\ntap cover 2  #", "\nsettings tap Velloway  #",
                           "\nsettings tap Configuration  #", "\nsettings tap \"Vibrancy Labels\"  #", "\nalert press Enter  #"})
    EXPECT_NE(recorded.find(line), std::string::npos) << line;
  std::ofstream(script, std::ios::app) << "advance 5\ndump settings window commands\ndump pane preferences\n";
  Result replay = velloway({"sim", script.string()});
  ASSERT_EQ(replay.status, 0) << replay.err;
  const std::string withoutLast = replay.out.substr(0, replay.out.rfind('\n', replay.out.find_last_not_of('\n')));
  EXPECT_EQ(stateDifference(live, lastJsonLine(withoutLast)), "");
  EXPECT_EQ(stateDifference(livePane, lastJsonLine(replay.out)), "");
}
