// What a video file is: its container and codec follow from the file name's extension, and its
// frame rate is given or the container's own. Shared by the filming (in the commands library)
// and the encoder (in the video library), so a bad name is refused before anything is loaded.
#pragma once

#include <optional>
#include <string>

namespace video {

enum class Container { Mp4, WebM, Gif };  // H.264, VP9, GIF with a palette per frame

// By the extension (.mp4, .webm, .gif, in any case); nothing for another one.
std::optional<Container> containerOf(const std::string& path);
// 60 frames a second, 50 for GIF (whose frame delays are counted in hundredths of a second).
int defaultFramesPerSecond(Container container);
// Why that frame rate cannot be written in the container, or empty.
std::string frameRateProblem(Container container, int framesPerSecond);

// What the encoder is asked to write: pictures of width x height pixels (both even), one every
// 1/framesPerSecond seconds.
struct Format {
  std::string path;
  Container container = Container::Mp4;
  int width = 0;
  int height = 0;
  int framesPerSecond = 60;
};

}  // namespace video
