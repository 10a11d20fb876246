#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "host/common/face.h"
#include "host/common/pixel_geometry.h"
#include "shell/control.h"

namespace kestrin::draw {

// A label's caption laid out for its box, in logical pixels: neither
// hinting nor the device pixel ratio moves a line break, so the lines that
// fit at 1x are the lines drawn at 1.25 or 2x. Lines break between words
// only; a word wider than the box keeps its line whole and is placed by the
// alignment, for the label to clip.
class CaptionLayout {
 public:
  struct Line {
    // As drawn: the spaces at a break are in no line.
    std::u16string_view text;
    // The left end of its baseline.
    PathPoint origin;
  };

  CaptionLayout(std::u16string_view caption, const Face& face, const PixelRect& box, Alignment alignment);

  const Face& face() const { return face_; }
  std::size_t lineCount() const { return lines_.size(); }
  Line line(std::size_t i) const;
  // Every line's outline, first to last.
  void outline(PathSink& sink) const;

 private:
  struct Placed {
    std::size_t start, length;
    PathPoint origin;
  };
  std::u16string text_;
  Face face_;
  std::vector<Placed> lines_;
};

// A label's caption as every host draws it: in its box and its font, by its
// alignment.
CaptionLayout captionOf(const Control& label);

// UTF-8, as the model holds captions, to the UTF-16 the face lays out; a
// byte that begins no whole character stands for U+FFFD.
std::u16string toUtf16(std::string_view utf8);

}  // namespace kestrin::draw
