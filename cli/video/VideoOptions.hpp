// --video FILE, --fps, --zoom and --video-frames: a run of the simulated phone filmed.
#pragma once

#include <CLI/CLI.hpp>

#include <optional>
#include <string>

#include "cli/video/VideoFormat.hpp"

namespace video {

struct VideoOptions {
  std::string file;  // empty: no video
  int fps = 0;       // frames a second: --fps, else the container's own rate (complete())
  std::optional<int> fpsGiven;
  double zoom = 1;     // pixels per point
  std::string frames;  // a folder that also gets every frame as a PNG, before encoding

  void addTo(CLI::App& app);
  bool wanted() const { return !file.empty(); }
  // Fills in the rate; why the options cannot make a video, or empty.
  std::string complete();
  Container container() const { return *containerOf(file); }
};

}  // namespace video
