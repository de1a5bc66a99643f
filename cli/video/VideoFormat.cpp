#include "cli/video/VideoFormat.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace video {

std::optional<Container> containerOf(const std::string& path) {
  std::string extension = std::filesystem::path(path).extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(), [](unsigned char c) { return std::tolower(c); });
  if (extension == ".mp4") return Container::Mp4;
  if (extension == ".webm") return Container::WebM;
  if (extension == ".gif") return Container::Gif;
  return std::nullopt;
}

int defaultFramesPerSecond(Container container) { return container == Container::Gif ? 50 : 60; }

std::string frameRateProblem(Container container, int framesPerSecond) {
  if (framesPerSecond < 1 || framesPerSecond > 240) return fmt::format("bad frame rate {}: expected 1 to 240", framesPerSecond);
  if (container == Container::Gif && 100 % framesPerSecond != 0)
    return fmt::format(
        "a GIF's frame delays are counted in hundredths of a second: {} frames a second is not a whole "
        "number of them (try 50, 25, 20 or 10)",
        framesPerSecond);
  return {};
}

}  // namespace video
