// WebM (VP8) and MP4 (H.264 through x264 when the FFmpeg build has it, else
// MPEG-4 video) through libavcodec and libavformat. Frames carry their own
// times in hundredths of a second, so a picture that stays for three seconds
// is one frame, not ninety. The container is made in memory (MP4 goes back
// to its start to write its index) and written whole at the end.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <vector>

#include "anim/animation_file.h"
#include "host/files/output_file.h"

namespace {

std::string av_message(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

// A growing byte buffer that the muxer can seek in.
struct MemoryOutput {
  std::vector<uint8_t> bytes;
  size_t at = 0;

  static int write(void* self, uint8_t* data, int length) {
    auto* m = static_cast<MemoryOutput*>(self);
    if (m->at + size_t(length) > m->bytes.size()) m->bytes.resize(m->at + size_t(length));
    std::memcpy(m->bytes.data() + m->at, data, size_t(length));
    m->at += size_t(length);
    return length;
  }
  static int64_t seek(void* self, int64_t offset, int whence) {
    auto* m = static_cast<MemoryOutput*>(self);
    whence &= ~AVSEEK_FORCE;
    if (whence == AVSEEK_SIZE) return int64_t(m->bytes.size());
    const int64_t base = whence == SEEK_CUR ? int64_t(m->at) : whence == SEEK_END ? int64_t(m->bytes.size()) : 0;
    if (base + offset < 0) return AVERROR(EINVAL);
    m->at = size_t(base + offset);
    return int64_t(m->at);
  }
};

class VideoFile final : public AnimationFile {
 public:
  VideoFile(std::string path, int width, int height) : path_(std::move(path)), width_(width), height_(height) {}
  ~VideoFile() override {
    sws_freeContext(scale_);
    av_frame_free(&frame_);
    av_packet_free(&packet_);
    avcodec_free_context(&codec_);
    if (io_) {
      av_freep(&io_->buffer);
      avio_context_free(&io_);
    }
    avformat_free_context(format_);
  }

  bool open(const std::string& container, std::string& error) {
    av_log_set_level(AV_LOG_ERROR);  // the encoders' chatter stays out of the runner's messages
    const AVCodec* encoder = nullptr;
    if (container == "webm") {
      encoder = avcodec_find_encoder(AV_CODEC_ID_VP8);
    } else {
      encoder = avcodec_find_encoder_by_name("libx264");
      if (!encoder) encoder = avcodec_find_encoder(AV_CODEC_ID_MPEG4);
    }
    if (!encoder) {
      error = "this FFmpeg build has no " + std::string(container == "webm" ? "VP8" : "H.264 or MPEG-4") + " encoder";
      return false;
    }
    if (int e = avformat_alloc_output_context2(&format_, nullptr, container.c_str(), nullptr); e < 0)
      return fail(error, "no " + container + " writer", e);
    // Video wants even sizes: the picture is padded by its last row and column.
    coded_width_ = (width_ + 1) & ~1;
    coded_height_ = (height_ + 1) & ~1;
    codec_ = avcodec_alloc_context3(encoder);
    codec_->width = coded_width_;
    codec_->height = coded_height_;
    codec_->pix_fmt = AV_PIX_FMT_YUV420P;
    codec_->time_base = AVRational{1, 100};
    codec_->framerate = AVRational{50, 1};
    codec_->gop_size = 250;
    codec_->color_range = AVCOL_RANGE_MPEG;
    codec_->colorspace = AVCOL_SPC_BT709;
    if (format_->oformat->flags & AVFMT_GLOBALHEADER) codec_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary* options = nullptr;
    if (encoder->id == AV_CODEC_ID_VP8) {
      // Sharp text: a high rate ceiling and a low quantiser, encoded fast.
      codec_->bit_rate = 8'000'000;
      codec_->qmin = 2;
      codec_->qmax = 24;
      av_dict_set(&options, "deadline", "realtime", 0);
      av_dict_set(&options, "cpu-used", "16", 0);
      av_dict_set(&options, "static-thresh", "10", 0);  // blocks that did not change are skipped
      av_dict_set(&options, "crf", "6", 0);
    } else if (encoder->id == AV_CODEC_ID_H264) {
      av_dict_set(&options, "preset", "veryfast", 0);
      av_dict_set(&options, "tune", "animation", 0);
      av_dict_set(&options, "crf", "16", 0);
      codec_->max_b_frames = 0;
    } else {
      codec_->bit_rate = 6'000'000;
      codec_->qmax = 6;
    }
    int e = avcodec_open2(codec_, encoder, &options);
    av_dict_free(&options);
    if (e < 0) return fail(error, std::string("cannot start the ") + encoder->name + " encoder", e);
    stream_ = avformat_new_stream(format_, nullptr);
    if (!stream_) return fail(error, "no stream", AVERROR(ENOMEM));
    stream_->time_base = codec_->time_base;
    avcodec_parameters_from_context(stream_->codecpar, codec_);

    constexpr int kBuffer = 1 << 16;
    auto* buffer = static_cast<unsigned char*>(av_malloc(kBuffer));
    io_ = avio_alloc_context(buffer, kBuffer, 1, &memory_, nullptr, MemoryOutput::write, MemoryOutput::seek);
    if (!io_) return fail(error, "no output buffer", AVERROR(ENOMEM));
    io_->seekable = AVIO_SEEKABLE_NORMAL;
    format_->pb = io_;
    if (e = avformat_write_header(format_, nullptr); e < 0) return fail(error, "cannot start the file", e);

    frame_ = av_frame_alloc();
    packet_ = av_packet_alloc();
    frame_->format = codec_->pix_fmt;
    frame_->width = coded_width_;
    frame_->height = coded_height_;
    if (e = av_frame_get_buffer(frame_, 0); e < 0) return fail(error, "no frame buffer", e);
    scale_ = sws_getContext(coded_width_, coded_height_, AV_PIX_FMT_RGB24, coded_width_, coded_height_,
                            AV_PIX_FMT_YUV420P, SWS_POINT, nullptr, nullptr, nullptr);
    if (!scale_) return fail(error, "no colour converter", AVERROR(ENOMEM));
    padded_.resize(size_t(coded_width_) * coded_height_ * 3);
    return true;
  }

  bool add(const uint8_t* rgb, uint32_t centiseconds, std::string& error) override {
    const size_t row = size_t(width_) * 3, coded_row = size_t(coded_width_) * 3;
    for (int y = 0; y < coded_height_; ++y) {
      uint8_t* to = &padded_[y * coded_row];
      std::memcpy(to, rgb + std::min(y, height_ - 1) * row, row);
      if (coded_width_ > width_) std::memcpy(to + row, to + row - 3, 3);
    }
    if (int e = av_frame_make_writable(frame_); e < 0) return fail(error, "frame", e);
    const uint8_t* planes[1] = {padded_.data()};
    const int strides[1] = {int(coded_row)};
    sws_scale(scale_, planes, strides, 0, coded_height_, frame_->data, frame_->linesize);
    frame_->pts = next_pts_;
    durations_[next_pts_] = centiseconds;
    next_pts_ += centiseconds;
    return encode(frame_, error);
  }

  bool finish(std::string& error) override {
    if (!encode(nullptr, error)) return false;
    if (int e = av_write_trailer(format_); e < 0) return fail(error, "cannot end the file", e);
    avio_flush(io_);
    if (!output_file_write(path_, [this](FILE* f) {
          return std::fwrite(memory_.bytes.data(), 1, memory_.bytes.size(), f) == memory_.bytes.size();
        })) {
      error = "cannot write '" + path_ + "'";
      return false;
    }
    return true;
  }

 private:
  bool encode(AVFrame* frame, std::string& error) {
    if (int e = avcodec_send_frame(codec_, frame); e < 0) return fail(error, "cannot encode a frame", e);
    for (;;) {
      int e = avcodec_receive_packet(codec_, packet_);
      if (e == AVERROR(EAGAIN) || e == AVERROR_EOF) return true;
      if (e < 0) return fail(error, "cannot encode a frame", e);
      // Each packet lasts as long as the frame it holds.
      if (auto it = durations_.find(packet_->pts); it != durations_.end()) {
        packet_->duration = it->second;
        durations_.erase(it);
      }
      av_packet_rescale_ts(packet_, codec_->time_base, stream_->time_base);
      packet_->stream_index = stream_->index;
      e = av_interleaved_write_frame(format_, packet_);
      if (e < 0) return fail(error, "cannot write a frame", e);
    }
  }

  static bool fail(std::string& error, const std::string& what, int code) {
    error = what + ": " + av_message(code);
    return false;
  }

  std::string path_;
  int width_, height_, coded_width_ = 0, coded_height_ = 0;
  AVFormatContext* format_ = nullptr;
  AVCodecContext* codec_ = nullptr;
  AVStream* stream_ = nullptr;
  AVIOContext* io_ = nullptr;
  AVFrame* frame_ = nullptr;
  AVPacket* packet_ = nullptr;
  SwsContext* scale_ = nullptr;
  MemoryOutput memory_;
  std::vector<uint8_t> padded_;
  int64_t next_pts_ = 0;
  std::map<int64_t, int64_t> durations_;  // frame time -> its duration, until its packet comes
};
}  // namespace

std::unique_ptr<AnimationFile> animation_open_video(const std::string& path, const std::string& format, int width,
                                                    int height, std::string& error) {
  auto file = std::make_unique<VideoFile>(path, width, height);
  if (!file->open(format, error)) return nullptr;
  return file;
}

void animation_enable_video() { animation_set_video_opener(animation_open_video); }
