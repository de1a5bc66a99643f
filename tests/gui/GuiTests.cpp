// The windows of the live processes, under an X server of the test's own (Xvfb) and driven
// with xdotool as a person would: clicks and drags become the platform layer's taps and swipes,
// keys type into the alert, and each window shows what `render` draws of the same state.
// Skipped, with the reason, when Xvfb, xdotool or ImageMagick's import is not installed.
#include <gtest/gtest.h>
#include <signal.h>

#include <cstdlib>
#include <thread>

#include "LiveHarness.hpp"
#include "XServer.hpp"
#include "render/Renderer.hpp"

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
  double originX = 0, originY = 0, zoom = 1;

  static Window of(const std::string& role, const fs::path& root) {
    Window w{role, root};
    auto gui = dump(role, root, "gui")["gui"];
    w.id = std::to_string(gui["window"].get<unsigned long>());
    w.originX = gui["origin"][0];
    w.originY = gui["origin"][1];
    w.zoom = gui["zoom"];
    return w;
  }
  std::string x(double points) const { return std::to_string(std::lround(originX + points * zoom)); }
  std::string y(double points) const { return std::to_string(std::lround(originY + points * zoom)); }
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
         std::to_string(std::lround(width * zoom)) + "x" + std::to_string(std::lround(height * zoom)) + "+" + x(0) + "+" + y(0),
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

}  // namespace

TEST_F(GuiPhone, MouseAndKeysGoThroughTheTouchPathsOfBothProcesses) {
  Child phone({VELLOWAY_BINARY, "phone", "--gui", "--zoom", "2", "--root", root.string()}, temp.path(), "phone");
  ASSERT_TRUE(eventually(
      [&] {
        return phone.running() && velloway({"ctl", "springboard", "--root", root.string(), "idle"}).status == 0 &&
               velloway({"ctl", "settings", "--root", root.string(), "idle"}).status == 0;
      },
      60s))
      << phone.stderrText();
  Window home = Window::of("springboard", root), settings = Window::of("settings", root);
  EXPECT_NE(home.id, settings.id);
  EXPECT_EQ(home.zoom, 2);
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
    auto toggle = pathTo(row->view, "class", "UISwitch");
    ASSERT_FALSE(toggle.empty());
    settings.click(row->x - row->view["frame"][0].get<double>() + toggle.back().midX(),
                   row->y - row->view["frame"][1].get<double>() + toggle.back().midY());
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
