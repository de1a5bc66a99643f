// Cairo's pixels to YUV 4:2:0 with swscale.
extern "C" {
#include <libswscale/swscale.h>
}

#include <stdexcept>

#include "cli/video/encoder/FfmpegError.hpp"
#include "cli/video/encoder/FrameConverter.hpp"

namespace video {
namespace {

class YuvConverter : public FrameConverter {
 public:
  YuvConverter(int width, int height) : width_(width), height_(height) {
    // Cairo's ARGB32 is B, G, R, A in memory on a little-endian machine; the pictures are opaque.
    scaler_ = sws_getContext(width, height, AV_PIX_FMT_BGRA, width, height, AV_PIX_FMT_YUV420P, SWS_BILINEAR, nullptr, nullptr,
                             nullptr);
    frame_ = av_frame_alloc();
    if (!scaler_ || !frame_) throw std::runtime_error("cannot set up the colour conversion");
    frame_->format = AV_PIX_FMT_YUV420P;
    frame_->width = width;
    frame_->height = height;
    check(av_frame_get_buffer(frame_, 0), "cannot allocate a frame");
  }
  ~YuvConverter() override {
    av_frame_free(&frame_);
    sws_freeContext(scaler_);
  }

  void convert(const uint8_t* pixels, int stride, int64_t pts, const Sink& sink) override {
    // The codec may still hold the previous frame's buffer: write into one of our own.
    check(av_frame_make_writable(frame_), "cannot allocate a frame");
    const uint8_t* source[] = {pixels};
    const int strides[] = {stride};
    sws_scale(scaler_, source, strides, 0, height_, frame_->data, frame_->linesize);
    again(pts, sink);
  }

  void again(int64_t pts, const Sink& sink) override {
    frame_->pts = pts;
    sink(frame_);
  }

 private:
  int width_, height_;
  SwsContext* scaler_ = nullptr;
  AVFrame* frame_ = nullptr;
};

}  // namespace

std::unique_ptr<FrameConverter> makeYuvConverter(int width, int height) { return std::make_unique<YuvConverter>(width, height); }

}  // namespace video
