#include "export/video/video_sink.hpp"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <signal.h>

#include <algorithm>
#include <cctype>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <limits>
#include <mutex>
#include <thread>
#include <utility>

#include "export/output_file.hpp"

namespace video {
namespace {

// Frames converted ahead of the encoder: enough to ride out a burst of
// changed frames, few enough to bound memory (about 1.4 MB each at 720p).
constexpr std::size_t kQueueDepth = 8;
// A key frame every two seconds: slide programs and players seek to them.
constexpr long kKeyframeSeconds = 2;
constexpr AVRational kMilliseconds{1, 1000};
constexpr const char* kX264Preset = "ultrafast";
// Room for one encoded cue: a caption is a line or two of text.
constexpr int kCueBufferBytes = 64 * 1024;

// The ASS header the subtitle encoders parse; their cues come in ASS dialogue form.
constexpr const char* kAssHeader =
    "[Script Info]\n"
    "ScriptType: v4.00+\n"
    "PlayResX: 384\n"
    "PlayResY: 288\n"
    "\n"
    "[V4+ Styles]\n"
    "Format: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, "
    "BackColour, Bold, Italic, Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, "
    "BorderStyle, Outline, Shadow, Alignment, MarginL, MarginR, MarginV, Encoding\n"
    "Style: Default,Sans,16,&Hffffff,&Hffffff,&H0,&H0,0,0,0,0,100,100,0,0,1,1,0,2,10,10,10,0\n"
    "\n"
    "[Events]\n"
    "Format: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\n";

std::string lower_extension(const std::string& path) {
  const auto dot = path.rfind('.');
  const auto slash = path.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  std::string ext = path.substr(dot + 1);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

std::string av_message(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

// A caption as the text of an ASS dialogue line: line breaks as \N, and no
// brace to open an override block.
std::string ass_text(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\r') continue;
    if (c == '\n')
      out.append("\\N");
    else if (c == '{')
      out.append("(");
    else if (c == '}')
      out.append(")");
    else
      out.push_back(c);
  }
  return out;
}

}  // namespace

bool frame_size_supported(int width, int height) {
  av_log_set_level(AV_LOG_QUIET);  // the caller says it in its own words
  return av_image_check_size(static_cast<unsigned>(width), static_cast<unsigned>(height), 0,
                             nullptr) == 0;
}

int tallest_supported_height(int width) {
  // FFmpeg bounds width and height together: search for its bound rather than
  // restate it.
  // Both ends stay even: low is taken, high is not.
  constexpr int kEven = ~1;
  int low = 2;
  int high = (std::numeric_limits<int>::max() / 2) & kEven;
  if (!frame_size_supported(width, low)) return 0;
  while (high - low > 2) {
    const int mid = (low + (high - low) / 2) & kEven;
    (frame_size_supported(width, mid) ? low : high) = mid;
  }
  return low;
}

std::optional<Container> container_for(const std::string& path) {
  const std::string ext = lower_extension(path);
  if (ext == "mp4") return Container::Mp4;
  if (ext == "webm") return Container::Webm;
  return std::nullopt;
}

std::optional<SubtitleFormat> subtitle_format_for(const std::string& path) {
  const std::string ext = lower_extension(path);
  if (ext == "srt") return SubtitleFormat::Srt;
  if (ext == "vtt") return SubtitleFormat::Vtt;
  return std::nullopt;
}

struct VideoSink::Impl {
  struct Item {
    AVFrame* frame = nullptr;
    std::int64_t pts = 0;
  };

  std::string path;
  VideoSettings settings;
  std::string warning;
  // Declared first, destroyed last: what a finished run put in place goes
  // again unless the whole run succeeded.
  raster::RunOutputs outputs;
  std::optional<raster::OutputFile> file;
  std::optional<raster::OutputFile> side;  // the subtitle file, if asked for

  AVFormatContext* format = nullptr;
  AVCodecContext* encoder = nullptr;
  AVStream* video_stream = nullptr;
  AVCodecContext* cue_encoder = nullptr;
  AVStream* cue_stream = nullptr;
  SwsContext* scaler = nullptr;
  AVFrame* last = nullptr;  // the last conversion, for unchanged frames
  AVPacket* packet = nullptr;
  std::int64_t next_pts = 0;
  std::size_t next_cue = 0;

  // The queue between the converting caller and the encoder thread.
  std::mutex mutex;
  std::condition_variable changed;
  std::deque<Item> queue;
  bool no_more = false;  // finish(): drain the queue and flush
  bool abandon = false;  // destroyed unfinished: stop at once
  bool failed = false;
  std::string thread_error;
  std::thread thread;

  ~Impl() {
    if (thread.joinable()) {
      {
        const std::lock_guard lock(mutex);
        abandon = true;
      }
      changed.notify_all();
      thread.join();
    }
    for (Item& item : queue) av_frame_free(&item.frame);
    av_frame_free(&last);
    av_packet_free(&packet);
    sws_freeContext(scaler);
    avcodec_free_context(&encoder);
    avcodec_free_context(&cue_encoder);
    if (format) {
      if (format->pb) avio_closep(&format->pb);
      avformat_free_context(format);
    }
    // side and file (their temporaries removed) and outputs go after this.
  }

  bool fail(std::string* error, std::string message) {
    if (error) *error = std::move(message);
    return false;
  }

  bool open_video(Container container, int width, int height, std::string* error) {
    const char* name = container == Container::Mp4 ? "libx264" : "libvpx-vp9";
    const AVCodec* codec = avcodec_find_encoder_by_name(name);
    if (!codec) return fail(error, std::string("this FFmpeg has no ") + name + " encoder");
    encoder = avcodec_alloc_context3(codec);
    const int fps = static_cast<int>(settings.fps);
    encoder->width = width;
    encoder->height = height;
    encoder->pix_fmt = AV_PIX_FMT_YUV420P;
    encoder->time_base = {1, fps};
    encoder->framerate = {fps, 1};
    encoder->gop_size = static_cast<int>(settings.fps * kKeyframeSeconds);
    // BT.709 as HD video is expected to be, limited range, said in the stream.
    encoder->colorspace = AVCOL_SPC_BT709;
    encoder->color_primaries = AVCOL_PRI_BT709;
    encoder->color_trc = AVCOL_TRC_BT709;
    encoder->color_range = AVCOL_RANGE_MPEG;
    encoder->thread_count = 0;  // as many as the encoder finds useful
    if (container == Container::Mp4) {
      // Most frames repeat the one before (a keyframe lasts seconds) and still
      // cost x264 its analysis each. Measured on a six-minute drill at 720p:
      // ultrafast takes 21 s of CPU for 1.7 MB, superfast 37 s for 1.2 MB,
      // veryfast 44 s for 1.0 MB; flat drawings stay sharp with any of them,
      // and ultrafast's baseline profile plays in every slide program.
      av_opt_set(encoder->priv_data, "preset", kX264Preset, 0);
      av_opt_set(encoder->priv_data, "crf", "20", 0);
    } else {
      av_opt_set(encoder->priv_data, "deadline", "realtime", 0);
      av_opt_set(encoder->priv_data, "cpu-used", "8", 0);
      av_opt_set(encoder->priv_data, "row-mt", "1", 0);
      av_opt_set(encoder->priv_data, "crf", "30", 0);
      encoder->bit_rate = 0;
    }
    if (format->oformat->flags & AVFMT_GLOBALHEADER) encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (const int rc = avcodec_open2(encoder, codec, nullptr); rc < 0)
      return fail(error, std::string("cannot start the ") + name + " encoder: " + av_message(rc));
    video_stream = avformat_new_stream(format, nullptr);
    if (!video_stream) return fail(error, "cannot add the video stream");
    avcodec_parameters_from_context(video_stream->codecpar, encoder);
    video_stream->time_base = encoder->time_base;
    video_stream->avg_frame_rate = encoder->framerate;
    video_stream->r_frame_rate = encoder->framerate;

    scaler = sws_getContext(width, height, AV_PIX_FMT_BGR0, width, height, AV_PIX_FMT_YUV420P,
                            SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (!scaler) return fail(error, "cannot convert frames to yuv420p");
    sws_setColorspaceDetails(scaler, sws_getCoefficients(SWS_CS_DEFAULT), 1,
                             sws_getCoefficients(SWS_CS_ITU709), 0, 0, 1 << 16, 1 << 16);
    packet = av_packet_alloc();
    return true;
  }

  bool open_cues(Container container, std::string* error) {
    if (settings.cues.empty()) return true;
    const AVCodecID id = container == Container::Mp4 ? AV_CODEC_ID_MOV_TEXT : AV_CODEC_ID_WEBVTT;
    const AVCodec* codec = avcodec_find_encoder(id);
    if (!codec) return fail(error, "this FFmpeg has no subtitle encoder for the container");
    cue_encoder = avcodec_alloc_context3(codec);
    cue_encoder->time_base = kMilliseconds;
    const std::size_t header_size = std::strlen(kAssHeader);
    cue_encoder->subtitle_header = static_cast<std::uint8_t*>(av_malloc(header_size + 1));
    std::memcpy(cue_encoder->subtitle_header, kAssHeader, header_size + 1);
    cue_encoder->subtitle_header_size = static_cast<int>(header_size);
    if (const int rc = avcodec_open2(cue_encoder, codec, nullptr); rc < 0)
      return fail(error, "cannot start the subtitle encoder: " + av_message(rc));
    cue_stream = avformat_new_stream(format, nullptr);
    if (!cue_stream) return fail(error, "cannot add the subtitle stream");
    avcodec_parameters_from_context(cue_stream->codecpar, cue_encoder);
    cue_stream->time_base = kMilliseconds;
    cue_stream->disposition = AV_DISPOSITION_DEFAULT;
    av_dict_set(&cue_stream->metadata, "language", "jpn", 0);
    return true;
  }

  // Encoder thread: writes the cues due by `ms` (they go in before the video
  // packet that reaches their start, so the file stays interleaved in time).
  bool write_cues_until(std::int64_t ms, std::string* error) {
    if (!cue_stream) return true;
    std::vector<std::uint8_t> buffer(kCueBufferBytes);
    for (; next_cue < settings.cues.size() && settings.cues[next_cue].start_ms <= ms; ++next_cue) {
      const Cue& cue = settings.cues[next_cue];
      std::string line = "0,0,Default,,0,0,0,," + ass_text(cue.text);
      AVSubtitleRect rect{};
      rect.type = SUBTITLE_ASS;
      rect.ass = line.data();
      AVSubtitleRect* rects[] = {&rect};
      AVSubtitle subtitle{};
      subtitle.num_rects = 1;
      subtitle.rects = rects;
      subtitle.end_display_time = static_cast<std::uint32_t>(cue.end_ms - cue.start_ms);
      subtitle.pts = av_rescale_q(cue.start_ms, kMilliseconds, AV_TIME_BASE_Q);
      const int size =
          avcodec_encode_subtitle(cue_encoder, buffer.data(), kCueBufferBytes, &subtitle);
      if (size < 0) return fail(error, "cannot encode a subtitle: " + av_message(size));
      AVPacket* cue_packet = av_packet_alloc();
      if (av_new_packet(cue_packet, size) < 0) {
        av_packet_free(&cue_packet);
        return fail(error, "out of memory for a subtitle");
      }
      std::memcpy(cue_packet->data, buffer.data(), static_cast<std::size_t>(size));
      cue_packet->pts = cue_packet->dts = cue.start_ms;
      cue_packet->duration = cue.end_ms - cue.start_ms;
      av_packet_rescale_ts(cue_packet, kMilliseconds, cue_stream->time_base);
      cue_packet->stream_index = cue_stream->index;
      const int rc = av_interleaved_write_frame(format, cue_packet);
      av_packet_free(&cue_packet);
      if (rc < 0) return fail(error, "cannot write " + path + ": " + av_message(rc));
    }
    return true;
  }

  // Encoder thread: sends one frame (null: flush) and writes what comes out.
  bool encode(AVFrame* frame, std::string* error) {
    int rc = avcodec_send_frame(encoder, frame);
    if (rc < 0) return fail(error, "cannot encode a frame: " + av_message(rc));
    while ((rc = avcodec_receive_packet(encoder, packet)) == 0) {
      if (!write_cues_until(av_rescale_q(packet->dts, encoder->time_base, kMilliseconds), error))
        return false;
      av_packet_rescale_ts(packet, encoder->time_base, video_stream->time_base);
      packet->stream_index = video_stream->index;
      rc = av_interleaved_write_frame(format, packet);  // takes the packet's data
      if (rc < 0) return fail(error, "cannot write " + path + ": " + av_message(rc));
    }
    if (rc != AVERROR(EAGAIN) && rc != AVERROR_EOF)
      return fail(error, "cannot encode a frame: " + av_message(rc));
    return true;
  }

  void run_encoder() {
    // Stop signals are the rendering thread's to notice between frames; here
    // they would only cut a write short. SIGPIPE stays: a write to a pipe
    // whose reader left raises it in the writing thread.
    sigset_t signals;
    sigemptyset(&signals);
    for (const int stop : {SIGHUP, SIGINT, SIGQUIT, SIGTERM}) sigaddset(&signals, stop);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::string error;
    bool ok = true;
    while (ok) {
      Item item;
      {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return abandon || no_more || !queue.empty(); });
        if (abandon) return;
        if (queue.empty()) break;  // no_more, and everything sent
        item = queue.front();
        queue.pop_front();
      }
      changed.notify_all();
      item.frame->pts = item.pts;
      ok = encode(item.frame, &error);
      av_frame_free(&item.frame);
    }
    ok = ok && encode(nullptr, &error) && write_cues_until(INT64_MAX, &error);
    if (!ok) {
      const std::lock_guard lock(mutex);
      failed = true;
      thread_error = error;
    }
    changed.notify_all();
  }

  bool push(AVFrame* frame, std::string* error) {
    {
      std::unique_lock lock(mutex);
      changed.wait(lock, [&] { return failed || queue.size() < kQueueDepth; });
      if (failed) {
        av_frame_free(&frame);
        return fail(error, thread_error);
      }
      queue.push_back({frame, next_pts++});
    }
    changed.notify_all();
    return true;
  }
};

VideoSink::VideoSink(std::string path, VideoSettings settings) : impl_(std::make_unique<Impl>()) {
  impl_->path = std::move(path);
  impl_->settings = std::move(settings);
}

VideoSink::~VideoSink() = default;

const std::string& VideoSink::warning() const { return impl_->warning; }

bool VideoSink::begin(int width, int height, std::string* error) {
  Impl& m = *impl_;
  const std::optional<Container> container = container_for(m.path);
  if (!container) return m.fail(error, "video file " + m.path + " must end in .mp4 or .webm");
  if (!m.settings.subtitles_path.empty() && !subtitle_format_for(m.settings.subtitles_path))
    return m.fail(error,
                  "subtitle file " + m.settings.subtitles_path + " must end in .srt or .vtt");
  if (width % 2 != 0 || height % 2 != 0)
    return m.fail(error, "video size must be even both ways, not " + std::to_string(width) + "x" +
                             std::to_string(height));
  if (m.settings.fps <= 0) return m.fail(error, "frame rate must be more than 0");
  if (!frame_size_supported(width, height))
    return m.fail(error, "FFmpeg takes no video frame of " + std::to_string(width) + "x" +
                             std::to_string(height));
  av_log_set_level(AV_LOG_QUIET);  // failures come back as one line each

  // Both destinations are taken before the first frame: the subtitle file's
  // is not found wanting after the whole encode.
  m.file.emplace(m.path, m.settings.replace, error);
  if (!m.file->stream()) return false;
  if (!m.settings.subtitles_path.empty()) {
    m.side.emplace(m.settings.subtitles_path, m.settings.subtitles_replace, error);
    if (!m.side->stream()) return false;
  }
  m.warning = m.file->warning();
  if (m.side && m.warning.empty()) m.warning = m.side->warning();
  if (m.file->in_place() && *container == Container::Mp4)
    return m.fail(error,
                  "an MP4 has to be a regular file (its index is moved to the front): " + m.path);
  const char* muxer = *container == Container::Mp4 ? "mp4" : "webm";
  const std::string& writing = m.file->writing_path();
  if (avformat_alloc_output_context2(&m.format, nullptr, muxer, writing.c_str()) < 0)
    return m.fail(error, std::string("this FFmpeg cannot write ") + muxer);
  if (!m.open_video(*container, width, height, error) || !m.open_cues(*container, error))
    return false;
  if (const int rc = avio_open(&m.format->pb, writing.c_str(), AVIO_FLAG_WRITE); rc < 0)
    return m.fail(error, "cannot open " + m.path + ": " + av_message(rc));
  if (!m.settings.title.empty())
    av_dict_set(&m.format->metadata, "title", m.settings.title.c_str(), 0);
  AVDictionary* options = nullptr;
  if (*container == Container::Mp4) av_dict_set(&options, "movflags", "+faststart", 0);
  const int rc = avformat_write_header(m.format, &options);
  av_dict_free(&options);
  if (rc < 0) return m.fail(error, "cannot write " + m.path + ": " + av_message(rc));
  m.thread = std::thread([&m] { m.run_encoder(); });
  return true;
}

bool VideoSink::add_frame(const raster::Surface& frame, raster::FrameTime, std::string* error) {
  Impl& m = *impl_;
  AVFrame* converted = av_frame_alloc();
  converted->format = AV_PIX_FMT_YUV420P;
  converted->width = m.encoder->width;
  converted->height = m.encoder->height;
  if (av_frame_get_buffer(converted, 0) < 0) {
    av_frame_free(&converted);
    return m.fail(error, "out of memory for a video frame");
  }
  const auto* source = reinterpret_cast<const std::uint8_t*>(frame.pixels);
  const int source_stride = frame.pitch * static_cast<int>(sizeof(std::uint32_t));
  sws_scale(m.scaler, &source, &source_stride, 0, frame.height, converted->data,
            converted->linesize);
  av_frame_free(&m.last);
  m.last = av_frame_clone(converted);
  return m.push(converted, error);
}

bool VideoSink::repeat_frame(const raster::Surface& frame, raster::FrameTime time,
                             std::string* error) {
  Impl& m = *impl_;
  if (!m.last) return add_frame(frame, time, error);
  return m.push(av_frame_clone(m.last), error);  // a new reference to the same pixels
}

bool VideoSink::finish(std::string* error) {
  Impl& m = *impl_;
  if (!m.thread.joinable()) return m.fail(error, "the video was not begun");
  {
    const std::lock_guard lock(m.mutex);
    m.no_more = true;
  }
  m.changed.notify_all();
  m.thread.join();
  if (m.failed) return m.fail(error, m.thread_error);
  if (const int rc = av_write_trailer(m.format); rc < 0)
    return m.fail(error, "cannot write " + m.path + ": " + av_message(rc));
  if (const int rc = avio_closep(&m.format->pb); rc < 0)
    return m.fail(error, "cannot write " + m.path + ": " + av_message(rc));

  // The subtitle file is written out before the video goes in place, and
  // both go again if either fails.
  if (m.side) {
    const std::string text = subtitle_format_for(m.settings.subtitles_path) == SubtitleFormat::Srt
                                 ? format_srt(m.settings.cues)
                                 : format_vtt(m.settings.cues);
    if (std::fwrite(text.data(), 1, text.size(), m.side->stream()) != text.size())
      return m.fail(error, "cannot write " + m.settings.subtitles_path);
  }
  if (!m.file->commit(error)) return false;
  m.outputs.wrote(*m.file);
  if (m.side) {
    if (!m.side->commit(error)) return false;
    m.outputs.wrote(*m.side);
  }
  m.outputs.keep();
  return true;
}

}  // namespace video
