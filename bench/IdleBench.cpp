// CPU used by each live process while nothing happens: `velloway springboard` and `velloway
// settings`, each without a window and with one (--gui, on an X server of its own, Xvfb), and
// the home screen's window with the overlay up; all on a private session bus. Once start-up
// has settled, the process's user and system time from /proc over SECONDS (default 5) is
// printed as a share of one core, beside the wall time. Not a test: nothing is asserted.
#include <fmt/format.h>
#include <signal.h>

#include <chrono>
#include <optional>
#include <thread>

#include "tests/support/LiveHarness.hpp"
#include "tests/support/XServer.hpp"

namespace fs = std::filesystem;
using namespace live_test;
using namespace std::chrono_literals;

namespace {

struct Case {
  std::string role;
  bool window;
  std::vector<std::string> lines;  // ctl lines run before the idle time
};

void measure(const Case& c, const fs::path& folder, std::chrono::seconds length) {
  static int count = 0;
  const fs::path root = folder / fmt::format("device{}", count++);
  std::vector<std::string> extra;
  if (c.window) extra.push_back("--gui");
  Child process = startLive(c.role, root, folder, extra);
  if (!c.lines.empty()) ctl(c.role, root, c.lines);
  std::this_thread::sleep_for(2s);  // start-up, the first frames and the fades end
  const double before = cpuSeconds(process.pid());
  const auto start = std::chrono::steady_clock::now();
  std::this_thread::sleep_for(length);
  const double used = cpuSeconds(process.pid()) - before;
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::string what = fmt::format("velloway {}{}", c.role, c.window ? " --gui" : "");
  for (const auto& line : c.lines) what += fmt::format(", '{}'", line);
  if (before < 0 || used < 0)
    fmt::print("{:<62} did not stay up: {}\n", what, process.stderrText());
  else
    fmt::print("{:<62} idle {:4.1f} s: cpu {:6.3f} s = {:5.1f} % of a core\n", what, wall, used, 100 * used / wall);
  process.stop(SIGTERM);
}

}  // namespace

int main(int argc, char** argv) {
  int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  TempFolder temp;
  PrivateBus bus;
  setenv("XDG_DATA_HOME", (temp.path() / "data").c_str(), 1);
  setenv("GSK_RENDERER", "cairo", 0);  // Xvfb has no GL
  setenv("GTK_A11Y", "none", 0);
  std::optional<XServer> x;
  if (onPath("Xvfb"))
    x.emplace(temp.path(), "1280x1024x24");
  else
    fmt::print("no Xvfb: the cases with a window are left out (Debian: xvfb)\n");
  std::vector<Case> cases{{"springboard", false, {}}, {"settings", false, {}}};
  if (x)
    for (Case c : std::vector<Case>{{"springboard", true, {}},
                                    {"settings", true, {}},
                                    {"springboard", true, {"alert press Close", "media play-demo", "activate"}}})
      cases.push_back(c);
  for (const Case& c : cases) measure(c, temp.path(), std::chrono::seconds(seconds));
  return 0;
}
