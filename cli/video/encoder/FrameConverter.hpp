// Turns the renderer's pictures into the frames a codec takes: planar YUV for H.264 and VP9
// (swscale), a picture with a palette of its own for GIF (libavfilter's palettegen and
// paletteuse). A still stretch hands the last converted frame again, so it costs no conversion.
#pragma once

extern "C" {
#include <libavutil/frame.h>
}

#include <cstdint>
#include <functional>
#include <memory>

namespace video {

class FrameConverter {
 public:
  using Sink = std::function<void(AVFrame* frame)>;  // gets each frame ready for the codec
  virtual ~FrameConverter() = default;
  // Cairo's ARGB32 pixels as frame `pts` (in frames).
  virtual void convert(const uint8_t* pixels, int stride, int64_t pts, const Sink& sink) = 0;
  // The last picture again as frame `pts`.
  virtual void again(int64_t pts, const Sink& sink) = 0;
  // Whatever is still held, at the end.
  virtual void flush(const Sink&) {}
};

// To planar YUV 4:2:0 of the same size.
std::unique_ptr<FrameConverter> makeYuvConverter(int width, int height);
// To 8-bit palette pictures, each with the 256 colours that suit it best.
std::unique_ptr<FrameConverter> makePaletteConverter(int width, int height, int framesPerSecond);

}  // namespace video
