// The video library's encoder: FFmpeg's codecs and muxers write the file. H.264 (libx264) in
// MP4, VP9 (libvpx) in WebM, GIF; each set up for pictures of a user interface, which hold
// still most of the time and must stay sharp.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
}

#include <fmt/format.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>

#include "cli/video/Encoder.hpp"
#include "cli/video/encoder/FfmpegError.hpp"
#include "cli/video/encoder/FrameConverter.hpp"

namespace video {
namespace {

struct CodecChoice {
  const char* muxer;
  const char* encoder;
  AVPixelFormat pixels;
};

CodecChoice codecFor(Container container) {
  switch (container) {
    case Container::WebM:
      return {"webm", "libvpx-vp9", AV_PIX_FMT_YUV420P};
    case Container::Gif:
      return {"gif", "gif", AV_PIX_FMT_PAL8};
    case Container::Mp4:
    default:
      return {"mp4", "libx264", AV_PIX_FMT_YUV420P};
  }
}

// Fast settings that keep text sharp: constant quality; x264 and VP9 at their real-time speeds.
void tuneCodec(AVCodecContext* codec, Container container) {
  if (container == Container::Mp4) {
    // The fastest preset, without look-ahead or B-frames: a repeated still frame costs x264 a
    // few milliseconds at 1500 x 1334 instead of a dozen, for a file about three times larger.
    av_opt_set(codec->priv_data, "preset", "ultrafast", 0);
    av_opt_set(codec->priv_data, "tune", "zerolatency", 0);
    av_opt_set(codec->priv_data, "crf", "20", 0);
  } else if (container == Container::WebM) {
    av_opt_set(codec->priv_data, "deadline", "realtime", 0);
    av_opt_set(codec->priv_data, "cpu-used", "8", 0);
    av_opt_set(codec->priv_data, "crf", "30", 0);
    av_opt_set(codec->priv_data, "row-mt", "1", 0);
    codec->bit_rate = 0;
  }
  if (container != Container::Gif) {
    // What swscale wrote: BT.601 colours in the limited range, so that players convert back.
    codec->colorspace = AVCOL_SPC_SMPTE170M;
    codec->color_primaries = AVCOL_PRI_SMPTE170M;
    codec->color_trc = AVCOL_TRC_SMPTE170M;
    codec->color_range = AVCOL_RANGE_MPEG;
  }
}

class FfmpegEncoder : public Encoder {
 public:
  explicit FfmpegEncoder(const Format& format)
      : format_(format), partial_(fmt::format("{}.{}.partial", format.path, ::getpid())) {
    try {
      openOutput();
    } catch (...) {
      close();
      throw;
    }
  }
  ~FfmpegEncoder() override { close(); }

  void addFrame(const uint8_t* pixels, int stride) override {
    converter_->convert(pixels, stride, frames_++, [this](AVFrame* frame) { encode(frame); });
  }
  void repeatFrame() override {
    if (frames_ == 0) throw std::runtime_error("no frame to repeat");
    converter_->again(frames_++, [this](AVFrame* frame) { encode(frame); });
  }
  int64_t frames() const override { return frames_; }

  void finish() override {
    converter_->flush([this](AVFrame* frame) { encode(frame); });
    encode(nullptr);
    check(av_write_trailer(output_), "cannot finish " + format_.path);
    check(avio_closep(&output_->pb), "cannot write " + format_.path);
    std::error_code ec;
    std::filesystem::rename(partial_, format_.path, ec);
    if (ec) throw std::runtime_error(fmt::format("cannot write {}: {}", format_.path, ec.message()));
    finished_ = true;
  }

 private:
  void openOutput();
  void openCodec(const CodecChoice& choice);
  void encode(AVFrame* frame);
  void close();

  Format format_;
  std::string partial_;  // the file until it is whole
  AVFormatContext* output_ = nullptr;
  AVCodecContext* codec_ = nullptr;
  AVStream* stream_ = nullptr;
  AVPacket* packet_ = nullptr;
  std::unique_ptr<FrameConverter> converter_;
  int64_t frames_ = 0;
  bool finished_ = false;
};

void FfmpegEncoder::openOutput() {
  const CodecChoice choice = codecFor(format_.container);
  check(avformat_alloc_output_context2(&output_, nullptr, choice.muxer, partial_.c_str()),
        fmt::format("cannot make a {} file", choice.muxer));
  openCodec(choice);
  stream_ = avformat_new_stream(output_, nullptr);
  if (!stream_) throw std::runtime_error("cannot add the video stream");
  stream_->time_base = codec_->time_base;
  stream_->avg_frame_rate = codec_->framerate;
  check(avcodec_parameters_from_context(stream_->codecpar, codec_), "cannot describe the video stream");
  check(avio_open(&output_->pb, partial_.c_str(), AVIO_FLAG_WRITE), "cannot write " + format_.path);
  check(avformat_write_header(output_, nullptr), "cannot start " + format_.path);
  packet_ = av_packet_alloc();
  if (!packet_) throw std::runtime_error("cannot allocate a packet");
  if (format_.container == Container::Gif)
    converter_ = makePaletteConverter(format_.width, format_.height, format_.framesPerSecond);
  else
    converter_ = makeYuvConverter(format_.width, format_.height);
}

void FfmpegEncoder::openCodec(const CodecChoice& choice) {
  const AVCodec* codec = avcodec_find_encoder_by_name(choice.encoder);
  if (!codec) throw std::runtime_error(fmt::format("FFmpeg has no {} encoder here", choice.encoder));
  codec_ = avcodec_alloc_context3(codec);
  if (!codec_) throw std::runtime_error("cannot allocate the encoder");
  codec_->width = format_.width;
  codec_->height = format_.height;
  codec_->pix_fmt = choice.pixels;
  codec_->time_base = AVRational{1, format_.framesPerSecond};
  codec_->framerate = AVRational{format_.framesPerSecond, 1};
  codec_->sample_aspect_ratio = AVRational{1, 1};
  codec_->gop_size = 10 * format_.framesPerSecond;  // a key frame every ten seconds at least
  if (output_->oformat->flags & AVFMT_GLOBALHEADER) codec_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  tuneCodec(codec_, format_.container);
  check(avcodec_open2(codec_, codec, nullptr), fmt::format("cannot open the {} encoder", choice.encoder));
}

// Sends a frame (null: the end) and writes every packet the codec has ready.
void FfmpegEncoder::encode(AVFrame* frame) {
  check(avcodec_send_frame(codec_, frame), "cannot encode a frame");
  for (;;) {
    int got = avcodec_receive_packet(codec_, packet_);
    if (got == AVERROR(EAGAIN) || got == AVERROR_EOF) return;
    check(got, "cannot encode a frame");
    if (packet_->duration == 0) packet_->duration = 1;
    av_packet_rescale_ts(packet_, codec_->time_base, stream_->time_base);
    packet_->stream_index = stream_->index;
    check(av_interleaved_write_frame(output_, packet_), "cannot write " + format_.path);
  }
}

void FfmpegEncoder::close() {
  av_packet_free(&packet_);
  avcodec_free_context(&codec_);
  if (output_) {
    if (output_->pb) avio_closep(&output_->pb);
    avformat_free_context(output_);
    output_ = nullptr;
  }
  converter_.reset();
  if (!finished_) {
    std::error_code ec;
    std::filesystem::remove(partial_, ec);
  }
}

std::unique_ptr<Encoder> openEncoder(const Format& format) { return std::make_unique<FfmpegEncoder>(format); }

}  // namespace
}  // namespace video

extern "C" const video::Entries* velloway_video() {
  av_log_set_level(AV_LOG_ERROR);  // FFmpeg's notes on each codec and palette are not ours to print
  static const video::Entries entries{&video::openEncoder};
  return &entries;
}
