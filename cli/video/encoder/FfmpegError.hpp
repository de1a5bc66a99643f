// FFmpeg's error codes as exceptions that say what failed.
#pragma once

extern "C" {
#include <libavutil/error.h>
}

#include <stdexcept>
#include <string>

namespace video {

// Throws std::runtime_error "WHAT: FFmpeg's text for the code" when `code` is negative; returns
// it otherwise.
inline int check(int code, const std::string& what) {
  if (code >= 0) return code;
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  throw std::runtime_error(what + ": " + text);
}

}  // namespace video
