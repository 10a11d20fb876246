#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include <QImage>

struct GifFileType;

namespace kestrin::tools {

// An animated GIF that loops for ever, made in memory a frame at a time.
// Each frame is an opaque picture of the same size, taken at a time in
// microseconds; it shows until the next frame's time, or the end. GIF
// delays are whole centiseconds: each frame's is the difference of its
// start and end rounded on one running clock, so the delays add up to the
// whole time (31.25 ms frames get 3, 3, 3, 4 cs, ...) and no error piles up.
// A frame that shows what the one before it does only lengthens that one,
// and a frame too short to last a centisecond is left out.
//
// Files stay small: after the first, a frame holds only the rectangle that
// changed, its unchanged pixels transparent, with a palette of its own made
// of the colours in it. Where those are more than a palette holds (a
// picture's shades, or text edges over a whole first frame) they are
// quantized; otherwise every pixel is exact. Pixels a quantized frame left
// other than painted are put right by the frames after it, as far as their
// palettes have room, commonest colours first.
class GifAnimation {
 public:
  GifAnimation();
  ~GifAnimation();
  GifAnimation(const GifAnimation&) = delete;
  GifAnimation& operator=(const GifAnimation&) = delete;

  // False once encoding has failed; error() says why.
  bool add(const QImage& frame, std::int64_t micros);
  // Ends the last frame at `micros` and returns the whole file, or nothing
  // if anything failed (error() says why).
  std::optional<std::string> finish(std::int64_t micros);

  const std::string& error() const { return error_; }
  int frames() const { return written_; }

 private:
  bool write(const QImage& frame, int delay);
  bool check(int status);
  int centiseconds(std::int64_t micros) const;

  GifFileType* gif_ = nullptr;
  std::string bytes_;
  std::string error_;
  std::int64_t first_ = -1;   // the first frame's time
  QImage pending_;            // the frame waiting for its end
  std::int64_t pendingAt_ = 0;
  QImage last_;               // the last frame written, as painted
  QImage shown_;              // what the frames written so far show
  int written_ = 0;
};

}  // namespace kestrin::tools
