#include "export/gif_writer.hpp"

#include <gif_lib.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

#include "export/output_file.hpp"

namespace raster {
namespace {

std::string gif_error(int code) {
  const char* text = GifErrorString(code);
  return text ? text : "giflib error " + std::to_string(code);
}

}  // namespace

GifPalette::GifPalette() {
  std::size_t n = 0;
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b)
        colours_[n++] = static_cast<std::uint32_t>((r * 51) << 16 | (g * 51) << 8 | (b * 51));
  // Greys between the cube's six, including the two the drills and the label use.
  std::vector<int> greys{128, 240};
  for (int v = 8; greys.size() < 40; v += 6) {
    if (v % 51 == 0 || v == 128 || v == 240) continue;
    greys.push_back(v);
  }
  for (int v : greys) colours_[n++] = static_cast<std::uint32_t>(v << 16 | v << 8 | v);
}

std::uint8_t GifPalette::index_of(std::uint32_t rgb) {
  const auto hit = memo_.find(rgb);
  if (hit != memo_.end()) return hit->second;
  int best = 0;
  long best_d = std::numeric_limits<long>::max();
  for (int i = 0; i < 256; ++i) {
    const std::uint32_t c = colours_[static_cast<std::size_t>(i)];
    long d = 0;
    for (int shift = 16; shift >= 0; shift -= 8) {
      const long e =
          static_cast<long>((rgb >> shift) & 0xff) - static_cast<long>((c >> shift) & 0xff);
      d += e * e;
    }
    if (d < best_d) {
      best_d = d;
      best = i;
    }
  }
  if (memo_.size() > (1u << 16)) memo_.clear();  // anti-aliased text can bring many shades
  return memo_[rgb] = static_cast<std::uint8_t>(best);
}

struct GifWriter::Impl {
  std::unique_ptr<OutputFile> file;
  GifFileType* gif = nullptr;
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> previous;  // last frame added
  bool have_previous = false;
  std::string error;  // first failure since open()
  std::string warning;
  GifPalette palette;
  std::vector<GifPixelType> line;

  void fail(const std::string& what) {
    if (error.empty()) error = what;
  }
  void close_gif() {
    if (!gif) return;
    int code = 0;
    if (EGifCloseFile(gif, &code) == GIF_ERROR) fail("cannot finish the GIF: " + gif_error(code));
    gif = nullptr;
  }
};

GifWriter::GifWriter() : impl_(std::make_unique<Impl>()) {}

GifWriter::~GifWriter() {
  impl_->close_gif();  // the temporary file is then removed by OutputFile
}

bool GifWriter::open(const std::string& path, int width, int height, std::string* error,
                     Replace replace) {
  impl_->close_gif();
  impl_->file.reset();
  impl_->error.clear();
  impl_->warning.clear();
  impl_->have_previous = false;
  frames_ = 0;
  if (width <= 0 || height <= 0 || width > 65535 || height > 65535) {
    if (error) *error = "cannot write " + path + ": a GIF is 1 to 65535 pixels wide and high";
    return false;
  }
  impl_->width = width;
  impl_->height = height;
  impl_->file = std::make_unique<OutputFile>(path, replace, error);
  if (!impl_->file->stream()) {
    impl_->file.reset();
    return false;
  }
  impl_->warning = impl_->file->warning();
  // giflib writes through a stream of its own and closes it when done; it gets
  // a duplicate descriptor so that the temporary file's stream stays valid.
  const int fd = dup(fileno(impl_->file->stream()));
  int code = 0;
  impl_->gif = fd < 0 ? nullptr : EGifOpenFileHandle(fd, &code);
  if (!impl_->gif) {
    if (fd >= 0) close(fd);
    impl_->file.reset();
    if (error)
      *error = "cannot write " + path + ": " +
               (fd < 0 ? std::string(std::strerror(errno)) : gif_error(code));
    return false;
  }
  impl_->line.resize(static_cast<std::size_t>(width));
  EGifSetGifVersion(impl_->gif, true);

  ColorMapObject* map = GifMakeMapObject(256, nullptr);
  if (!map) {
    impl_->fail("out of memory");
  } else {
    for (int i = 0; i < 256; ++i) {
      const std::uint32_t c = impl_->palette.colours()[static_cast<std::size_t>(i)];
      map->Colors[i] = {static_cast<GifByteType>(c >> 16), static_cast<GifByteType>(c >> 8),
                        static_cast<GifByteType>(c)};
    }
    if (EGifPutScreenDesc(impl_->gif, width, height, 8, 0, map) == GIF_ERROR)
      impl_->fail("cannot write the screen descriptor: " + gif_error(impl_->gif->Error));
    GifFreeMapObject(map);
  }
  // Loop for ever (NETSCAPE2.0 application extension, count 0).
  static const GifByteType app[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
  static const GifByteType loop[] = {1, 0, 0};
  if (impl_->error.empty() &&
      (EGifPutExtensionLeader(impl_->gif, APPLICATION_EXT_FUNC_CODE) == GIF_ERROR ||
       EGifPutExtensionBlock(impl_->gif, sizeof app, app) == GIF_ERROR ||
       EGifPutExtensionBlock(impl_->gif, sizeof loop, loop) == GIF_ERROR ||
       EGifPutExtensionTrailer(impl_->gif) == GIF_ERROR))
    impl_->fail("cannot write the loop extension: " + gif_error(impl_->gif->Error));
  if (!impl_->error.empty()) {
    if (error) *error = "cannot write " + path + ": " + impl_->error;
    impl_->close_gif();
    impl_->file.reset();
    return false;
  }
  return true;
}

bool GifWriter::add_frame(const Surface& frame, int delay_centiseconds, std::string* error) {
  Impl& m = *impl_;
  if (!m.gif) m.fail("no GIF is open");
  if (m.error.empty() && (frame.width != m.width || frame.height != m.height))
    m.fail("frame of " + std::to_string(frame.width) + "x" + std::to_string(frame.height) +
           " in a GIF of " + std::to_string(m.width) + "x" + std::to_string(m.height));
  if (!m.error.empty()) {
    if (error) *error = m.error;
    return false;
  }
  // The rectangle that differs from the previous frame; the first frame is whole.
  int x0 = 0, y0 = 0, x1 = m.width - 1, y1 = m.height - 1;
  if (m.have_previous) {
    x0 = m.width;
    y0 = m.height;
    x1 = -1;
    y1 = -1;
    for (int y = 0; y < m.height; ++y) {
      const std::uint32_t* now = frame.row(y);
      const std::uint32_t* before = &m.previous[static_cast<std::size_t>(y) * m.width];
      for (int x = 0; x < m.width; ++x) {
        if (now[x] == before[x]) continue;
        x0 = std::min(x0, x);
        x1 = std::max(x1, x);
        y0 = std::min(y0, y);
        y1 = std::max(y1, y);
      }
    }
    if (x1 < 0) x0 = y0 = x1 = y1 = 0;  // unchanged: one pixel carries the delay
  }
  GraphicsControlBlock gcb{};
  gcb.DisposalMode = DISPOSE_DO_NOT;
  gcb.UserInputFlag = false;
  gcb.DelayTime = std::clamp(delay_centiseconds, 0, 65535);
  gcb.TransparentColor = NO_TRANSPARENT_COLOR;
  GifByteType ext[4];
  EGifGCBToExtension(&gcb, ext);
  const int w = x1 - x0 + 1;
  bool ok = EGifPutExtension(m.gif, GRAPHICS_EXT_FUNC_CODE, sizeof ext, ext) != GIF_ERROR &&
            EGifPutImageDesc(m.gif, x0, y0, w, y1 - y0 + 1, false, nullptr) != GIF_ERROR;
  for (int y = y0; ok && y <= y1; ++y) {
    for (int x = x0; x <= x1; ++x)
      m.line[static_cast<std::size_t>(x - x0)] = m.palette.index_of(frame.at(x, y));
    ok = EGifPutLine(m.gif, m.line.data(), w) != GIF_ERROR;
  }
  if (!ok) {
    m.fail("cannot write frame " + std::to_string(frames_ + 1) + ": " + gif_error(m.gif->Error));
    if (error) *error = m.error;
    return false;
  }
  m.previous.resize(static_cast<std::size_t>(m.width) * m.height);
  for (int y = 0; y < m.height; ++y)
    std::copy(frame.row(y), frame.row(y) + m.width,
              &m.previous[static_cast<std::size_t>(y) * m.width]);
  m.have_previous = true;
  ++frames_;
  return true;
}

const std::string& GifWriter::warning() const { return impl_->warning; }

bool GifWriter::finish(std::string* error) {
  Impl& m = *impl_;
  if (!m.file) {
    if (error) *error = m.error.empty() ? "no GIF is open" : m.error;
    return false;
  }
  if (frames_ == 0) m.fail("a GIF needs at least one frame");
  m.close_gif();
  bool ok = m.error.empty();
  if (ok) ok = m.file->commit(&m.error);
  if (!ok && error) *error = m.error;
  m.file.reset();  // removes the temporary file unless it was committed
  return ok;
}

}  // namespace raster
