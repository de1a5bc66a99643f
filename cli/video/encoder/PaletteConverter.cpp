// Cairo's pixels to GIF's 8-bit palette pictures through a filter graph: palettegen computes
// each picture's own 256 colours and paletteuse maps the picture onto them, frame by frame, so
// nothing waits for the end of the video and memory stays that of one frame.
extern "C" {
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/imgutils.h>
}

#include <fmt/format.h>

#include <stdexcept>

#include "cli/video/encoder/FfmpegError.hpp"
#include "cli/video/encoder/FrameConverter.hpp"

namespace video {
namespace {

class PaletteConverter : public FrameConverter {
 public:
  PaletteConverter(int width, int height, int framesPerSecond) {
    graph_ = avfilter_graph_alloc();
    picture_ = av_frame_alloc();
    out_ = av_frame_alloc();
    last_ = av_frame_alloc();
    if (!graph_ || !picture_ || !out_ || !last_) throw std::runtime_error("cannot set up the GIF palette");
    picture_->format = AV_PIX_FMT_BGRA;
    picture_->width = width;
    picture_->height = height;
    check(av_frame_get_buffer(picture_, 0), "cannot allocate a frame");
    buildGraph(width, height, framesPerSecond);
  }
  ~PaletteConverter() override {
    av_frame_free(&last_);
    av_frame_free(&out_);
    av_frame_free(&picture_);
    avfilter_graph_free(&graph_);
  }

  void convert(const uint8_t* pixels, int stride, int64_t pts, const Sink& sink) override {
    check(av_frame_make_writable(picture_), "cannot allocate a frame");
    av_image_copy_plane(picture_->data[0], picture_->linesize[0], pixels, stride, picture_->width * 4, picture_->height);
    push(pts, sink);
  }

  // The last paletted picture again when the filter has handed it over (it does so frame by
  // frame); the picture through the filter once more otherwise.
  void again(int64_t pts, const Sink& sink) override {
    if (last_->buf[0] && emitted_ == pushed_) {
      last_->pts = pts;
      sink(last_);
      return;
    }
    push(pts, sink);
  }

  void flush(const Sink& sink) override {
    check(av_buffersrc_add_frame_flags(source_, nullptr, 0), "cannot finish the GIF palette");
    drain(sink);
  }

 private:
  void buildGraph(int width, int height, int framesPerSecond) {
    const std::string arguments = fmt::format("video_size={}x{}:pix_fmt={}:time_base=1/{}:pixel_aspect=1/1", width, height,
                                              int(AV_PIX_FMT_BGRA), framesPerSecond);
    check(avfilter_graph_create_filter(&source_, avfilter_get_by_name("buffer"), "in", arguments.c_str(), nullptr, graph_),
          "cannot make the GIF filter's input");
    check(avfilter_graph_create_filter(&sink_, avfilter_get_by_name("buffersink"), "out", nullptr, nullptr, graph_),
          "cannot make the GIF filter's output");
    AVFilterInOut* outputs = avfilter_inout_alloc();
    AVFilterInOut* inputs = avfilter_inout_alloc();
    outputs->name = av_strdup("in");
    outputs->filter_ctx = source_;
    inputs->name = av_strdup("out");
    inputs->filter_ctx = sink_;
    const char* chain = "split[a][b];[a]palettegen=stats_mode=single[p];[b][p]paletteuse=new=1";
    int parsed = avfilter_graph_parse_ptr(graph_, chain, &inputs, &outputs, nullptr);
    avfilter_inout_free(&inputs);
    avfilter_inout_free(&outputs);
    check(parsed, "cannot build the GIF palette filter");
    check(avfilter_graph_config(graph_, nullptr), "cannot configure the GIF palette filter");
  }

  void push(int64_t pts, const Sink& sink) {
    picture_->pts = pts;
    check(av_buffersrc_add_frame_flags(source_, picture_, AV_BUFFERSRC_FLAG_KEEP_REF), "cannot convert a frame to GIF");
    ++pushed_;
    drain(sink);
  }

  void drain(const Sink& sink) {
    for (;;) {
      int got = av_buffersink_get_frame(sink_, out_);
      if (got == AVERROR(EAGAIN) || got == AVERROR_EOF) return;
      check(got, "cannot convert a frame to GIF");
      ++emitted_;
      av_frame_unref(last_);
      av_frame_move_ref(last_, out_);
      sink(last_);
    }
  }

  AVFilterGraph* graph_ = nullptr;
  AVFilterContext* source_ = nullptr;
  AVFilterContext* sink_ = nullptr;
  AVFrame* picture_ = nullptr;
  AVFrame* out_ = nullptr;
  AVFrame* last_ = nullptr;  // the last paletted picture handed to the codec
  int64_t pushed_ = 0, emitted_ = 0;
};

}  // namespace

std::unique_ptr<FrameConverter> makePaletteConverter(int width, int height, int framesPerSecond) {
  return std::make_unique<PaletteConverter>(width, height, framesPerSecond);
}

}  // namespace video
