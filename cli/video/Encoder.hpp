// A video being written: pictures in, a file out. The encoder lives in a library of its own,
// libvelloway-video.so (cli/video/encoder/, FFmpeg's libraries), loaded only by a run that makes
// a video (cli/video/VideoLibrary), so no other run pays for FFmpeg.
#pragma once

#include <cstdint>
#include <memory>

#include "cli/video/VideoFormat.hpp"

namespace video {

class Encoder {
 public:
  virtual ~Encoder() = default;
  // The next frame: Cairo's ARGB32 pixels (premultiplied, opaque), the format's width x height,
  // `stride` bytes a row. Throws std::runtime_error when the file cannot be written.
  virtual void addFrame(const uint8_t* pixels, int stride) = 0;
  // The previous frame once more, without converting it again.
  virtual void repeatFrame() = 0;
  // Writes out what the codec still holds and the file's end, then moves the file to its name
  // (it is written beside it until then). Throws std::runtime_error.
  virtual void finish() = 0;
  virtual int64_t frames() const = 0;
};

// What the library hands over through its entry point, kEntry, a function returning a pointer
// to Entries.
struct Entries {
  // Starts a file; throws std::runtime_error saying why it cannot be.
  std::unique_ptr<Encoder> (*open)(const Format& format);
};
constexpr const char* kEntry = "velloway_video";

}  // namespace video
