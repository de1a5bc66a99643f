// The encoder is in a library of its own, libvelloway-video.so (FFmpeg's libraries), loaded by
// the first run that makes a video: every other run of velloway never loads FFmpeg.
#pragma once

#include <memory>

#include "cli/video/Encoder.hpp"

namespace video {

// Loads the library (once) and starts the file. Throws std::runtime_error saying why the
// library cannot be loaded or the file cannot be started.
std::unique_ptr<Encoder> openEncoder(const Format& format);

}  // namespace video
