#include "host/common/caption_layout.h"

#include "host/common/twips_to_pixels.h"

namespace kestrin::draw {

CaptionLayout::CaptionLayout(std::u16string_view caption, const Face& face, const PixelRect& box,
                             Alignment alignment)
    : text_(caption), face_(face) {
  // Words, each with the spaces before it; a line takes words while the
  // ink of all it holds fits the box, and always takes its first.
  const std::u16string_view text(text_);
  double y = face.ascent();
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = start;  // one past the line's last word
    for (std::size_t next = end; next < text.size();) {
      while (next < text.size() && text[next] == u' ') ++next;
      while (next < text.size() && text[next] != u' ') ++next;
      if (end > start && face.naturalWidth(text.substr(start, next - start)) > box.width) break;
      end = next;
    }
    // The natural width leaves out the spaces at a break; a word wider than
    // the box makes it wider than the line, and a centred one spills out at
    // both sides alike.
    const double spare = box.width - face.naturalWidth(text.substr(start, end - start));
    const double x = alignment == Alignment::Centre ? spare / 2 : 0;
    lines_.push_back({start, end - start, {box.x + x, box.y + y}});
    y += face.lineHeight() + face.leading();
    start = end;
    while (start < text.size() && text[start] == u' ') ++start;
  }
}

CaptionLayout::Line CaptionLayout::line(std::size_t i) const {
  const Placed& p = lines_.at(i);
  return {std::u16string_view(text_).substr(p.start, p.length), p.origin};
}

void CaptionLayout::outline(PathSink& sink) const {
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const Line l = line(i);
    face_.outline(l.text, l.origin, sink);
  }
}

CaptionLayout captionOf(const Control& label) {
  return {toUtf16(label.Caption), toFace(label.design().font), pixelBox(label), label.design().alignment};
}

std::u16string toUtf16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(utf8[k]); };
    const unsigned char lead = byte(i);
    std::size_t more = 0;  // bytes after the lead
    char32_t code = lead;
    char32_t least = 0;  // below this, a shorter sequence would have said it
    bool whole = true;
    if ((lead & 0xE0) == 0xC0) {
      more = 1, code = lead & 0x1Fu, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      more = 2, code = lead & 0x0Fu, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      more = 3, code = lead & 0x07u, least = 0x10000;
    } else if (lead >= 0x80) {
      whole = false;  // a continuation byte, or no lead byte at all
    }
    whole = whole && i + more < utf8.size();
    for (std::size_t k = 1; whole && k <= more; ++k) {
      whole = (byte(i + k) & 0xC0) == 0x80;
      code = (code << 6) | (byte(i + k) & 0x3Fu);
    }
    whole = whole && code >= least && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
    if (!whole) {
      out.push_back(u'\uFFFD');
      ++i;
    } else if (code >= 0x10000) {
      out.push_back(static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF)));
      i += more + 1;
    } else {
      out.push_back(static_cast<char16_t>(code));
      i += more + 1;
    }
  }
  return out;
}

}  // namespace kestrin::draw
