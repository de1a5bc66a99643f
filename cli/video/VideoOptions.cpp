#include "cli/video/VideoOptions.hpp"

#include <fmt/format.h>

namespace video {

void VideoOptions::addTo(CLI::App& app) {
  app.add_option("--video", file,
                 "Film the run: every frame of the simulated clock, the home screen and the Settings app side by side "
                 "(.mp4 H.264, .webm VP9 or .gif)");
  app.add_option("--fps", fpsGiven, "Frames a second of the video (default 60; 50 for GIF)");
  app.add_option("--zoom", zoom, "Video pixels per screen point, 0.25 to 4 (default 1; 2 is the device's own scale)");
  app.add_option("--video-frames", frames, "Folder that also gets each frame of the video as a PNG, as drawn before encoding");
}

std::string VideoOptions::complete() {
  if (!wanted()) {
    if (fpsGiven || zoom != 1 || !frames.empty()) return "--fps, --zoom and --video-frames go with --video FILE";
    return {};
  }
  auto kind = containerOf(file);
  if (!kind) return fmt::format("--video {}: expected a .mp4, .webm or .gif file", file);
  fps = fpsGiven ? *fpsGiven : defaultFramesPerSecond(*kind);
  if (std::string problem = frameRateProblem(*kind, fps); !problem.empty()) return problem;
  if (!(zoom >= 0.25 && zoom <= 4)) return fmt::format("bad --zoom {}: expected 0.25 to 4", zoom);
  return {};
}

}  // namespace video
