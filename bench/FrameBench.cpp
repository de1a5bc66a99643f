// Frame time of the home screen's window while the small cover shakes: `velloway springboard
// --gui` on an X server of its own (Xvfb) and a private session bus, reachability active, a
// double tap on the cover through ctl every 150 ms (each one shakes it for 0.2 s, so frames
// follow the frame clock throughout). The window logs each frame's drawing time (rendering
// and painting); this prints p50, p99 and max at zoom 1 and 2. Not a test: nothing is asserted.
#include <fmt/format.h>
#include <signal.h>

#include <algorithm>
#include <fstream>
#include <thread>

#include "tests/support/LiveHarness.hpp"

namespace fs = std::filesystem;
using namespace live_test;
using namespace std::chrono_literals;

namespace {

void measure(int zoom, const fs::path& folder, std::chrono::seconds length) {
  const fs::path root = folder / fmt::format("device{}", zoom), log = folder / fmt::format("frames{}.txt", zoom);
  Child springboard =
      startLive("springboard", root, folder, {"--gui", "--zoom", std::to_string(zoom), "--frame-times", log.string()});
  ctl("springboard", root, {"alert press Close", "activate"});
  std::this_thread::sleep_for(1s);  // the overlay's fades end
  size_t warmUp = 0;                // frames before the shakes are left out
  {
    std::ifstream in(log);
    for (std::string line; std::getline(in, line);) ++warmUp;
  }
  auto end = std::chrono::steady_clock::now() + length;
  while (std::chrono::steady_clock::now() < end) {
    ctl("springboard", root, {"tap cover 2"});
    std::this_thread::sleep_for(150ms);
  }
  springboard.stop(SIGTERM);
  std::vector<double> ms;
  std::ifstream in(log);
  size_t line = 0;
  for (double v; in >> v; ++line)
    if (line >= warmUp) ms.push_back(v);
  if (ms.empty()) {
    fmt::print("zoom {}: no frames\n", zoom);
    return;
  }
  std::sort(ms.begin(), ms.end());
  auto at = [&](double q) { return ms[std::min(ms.size() - 1, size_t(q * ms.size()))]; };
  fmt::print("reachability screen, cover shaking, zoom {}x: n={:<5} p50 {:6.2f} ms   p99 {:6.2f} ms   max {:6.2f} ms\n", zoom,
             ms.size(), at(0.5), at(0.99), ms.back());
}

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("DISPLAY")) {
    fmt::print(stderr, "velloway-frame-bench needs an X server: run it as xvfb-run -a -s \"-screen 0 1600x1500x24\" {}\n",
               argv[0]);
    return 1;
  }
  int seconds = argc > 1 ? std::atoi(argv[1]) : 5;
  TempFolder temp;
  PrivateBus bus;
  setenv("XDG_DATA_HOME", (temp.path() / "data").c_str(), 1);
  setenv("GSK_RENDERER", "cairo", 0);  // Xvfb has no GL; the frame's own drawing is what is timed
  setenv("GTK_A11Y", "none", 0);
  for (int zoom : {1, 2}) measure(zoom, temp.path(), std::chrono::seconds(seconds));
  return 0;
}
