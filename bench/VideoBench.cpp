// The demo's video as MP4 (H.264): a whole `velloway demo --video` process at zoom 1 and 2, on
// one core (taskset -c 0, so the encoder's threads share it too), against the same demo without
// a video, which gives the cost of the tour itself. Prints the medians of the wall and CPU time,
// the frames made a second (all, and those drawn rather than repeated) and the clip's length
// over the time it took to make (above 1: faster than real time). Not a test: nothing is
// asserted.
//
//   velloway-video-bench [RUNS] [VELLOWAY]    (default 3 runs of each; bin/velloway)
#include <fcntl.h>
#include <fmt/format.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <vector>

#include "platform/fs/TemporaryFolder.hpp"

extern char** environ;

namespace fs = std::filesystem;

namespace {

double monotonicSeconds() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec + t.tv_nsec / 1e9;
}

struct Cost {
  double wall = -1, cpu = -1;  // seconds; negative when the run failed
};

// Runs argv to its end, its output thrown away.
Cost timedRun(const std::vector<std::string>& argv) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  const double start = monotonicSeconds();
  pid_t pid = -1;
  const bool started = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ) == 0;
  posix_spawn_file_actions_destroy(&actions);
  Cost cost;
  int status = 0;
  rusage usage{};
  if (!started || wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return cost;
  cost.wall = monotonicSeconds() - start;
  cost.cpu = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec + usage.ru_stime.tv_usec / 1e6;
  return cost;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? -1 : values[values.size() / 2];
}

struct Clip {
  long frames = 0, drawn = 0, fps = 0;
};

// What the demo's transcript says of its video.
Clip clipOf(const fs::path& transcript) {
  std::ifstream in(transcript);
  std::stringstream text;
  text << in.rdbuf();
  const std::string s = text.str();
  std::smatch m;
  Clip clip;
  if (std::regex_search(s, m, std::regex(R"((\d+) frames at (\d+) a second \((\d+) drawn)"))) {
    clip.frames = std::stol(m[1]);
    clip.fps = std::stol(m[2]);
    clip.drawn = std::stol(m[3]);
  }
  return clip;
}

struct Series {
  std::vector<double> wall, cpu;
  void add(const Cost& c) {
    wall.push_back(c.wall);
    cpu.push_back(c.cpu);
  }
};

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  const std::string velloway = argc > 2 ? argv[2] : (fs::path(argv[0]).parent_path() / "velloway").string();
  const fs::path folder = device_fs::makeTemporaryFolder("velloway-video-bench");
  const std::vector<std::string> oneCore{"taskset", "-c", "0", velloway, "demo", "--out", (folder / "out").string()};
  Series plain, zoom1, zoom2;
  Clip clip1, clip2;
  for (int run = 0; run < runs; ++run) {  // alternating, so that a change of load falls on all alike
    plain.add(timedRun(oneCore));
    for (auto [zoom, series, clip] : {std::tuple{"1", &zoom1, &clip1}, std::tuple{"2", &zoom2, &clip2}}) {
      auto args = oneCore;
      for (const char* word : {"--video", "", "--zoom", zoom}) args.push_back(word);
      args[args.size() - 3] = (folder / fmt::format("demo-{}x.mp4", zoom)).string();
      series->add(timedRun(args));
      *clip = clipOf(folder / "out" / "transcript.txt");
    }
  }
  const double tour = median(plain.wall), tourCpu = median(plain.cpu);
  fmt::print("velloway demo on one core, median of {} runs: {:.2f} s wall, {:.2f} s CPU without a video\n", runs, tour, tourCpu);
  fmt::print("{:>5} {:>8} {:>8} {:>9} {:>7} {:>7} {:>10} {:>10} {:>10} {:>9} {:>9}\n", "zoom", "wall s", "CPU s", "video s",
             "frames", "drawn", "frames/s", "drawn/s", "clip/wall", "clip/CPU", "file MB");
  for (auto [zoom, series, clip] : {std::tuple{1, &zoom1, &clip1}, std::tuple{2, &zoom2, &clip2}}) {
    const double wall = median(series->wall), cpu = median(series->cpu);
    const double filming = wall - tour;  // the video's share of the run
    const double length = clip->fps > 0 ? double(clip->frames) / clip->fps : 0;
    std::error_code ec;
    const auto bytes = fs::file_size(folder / fmt::format("demo-{}x.mp4", zoom), ec);
    fmt::print("{:>5} {:>8.2f} {:>8.2f} {:>9.2f} {:>7} {:>7} {:>10.1f} {:>10.1f} {:>10.2f} {:>9.2f} {:>9.2f}\n", zoom, wall, cpu,
               length, clip->frames, clip->drawn, clip->frames / filming, clip->drawn / filming, length / wall, length / cpu,
               ec ? 0.0 : bytes / 1e6);
  }
  fmt::print(
      "(frames/s and drawn/s: over the run's wall time beyond the tour's; clip/wall and clip/CPU: the clip's length over the "
      "whole run's wall and CPU time, above 1 faster than real time)\n");
  fs::remove_all(folder);
  return 0;
}
