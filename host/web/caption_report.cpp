#include "host/web/caption_report.h"

#include "designs/designs.h"
#include "host/common/caption_layout.h"
#include "host/common/twips_to_pixels.h"
#include "shell/control.h"
#include "shell/decimal.h"

namespace kestrin::web {

namespace {

// Counts an outline's commands and adds up their coordinates.
class Digest final : public draw::PathSink {
 public:
  void moveTo(draw::PathPoint to) override { add(to); }
  void lineTo(draw::PathPoint to) override { add(to); }
  void quadTo(draw::PathPoint control, draw::PathPoint to) override {
    add(control);
    add(to);
    --commands;
  }
  void close() override { ++commands; }

  long commands = 0;
  double sum = 0;

 private:
  void add(draw::PathPoint p) {
    ++commands;
    sum += p.x + 2 * p.y;
  }
};

void appendUtf16(std::string& out, std::u16string_view text) {
  // The designs' captions are ASCII; anything else is written as its number.
  for (char16_t c : text) {
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      out += "\\u" + std::to_string(static_cast<unsigned>(c));
    }
  }
}

void report(std::string& out, const draw::CaptionLayout& layout) {
  for (std::size_t i = 0; i < layout.lineCount(); ++i) {
    const draw::CaptionLayout::Line line = layout.line(i);
    out += "  \"";
    appendUtf16(out, line.text);
    out += "\" at ";
    appendFixed(out, line.origin.x);
    out += ' ';
    appendFixed(out, line.origin.y);
    out += '\n';
  }
  Digest digest;
  layout.outline(digest);
  out += "  outline " + std::to_string(digest.commands) + " ";
  appendFixed(out, digest.sum);
  out += '\n';
}

}  // namespace

std::string captionReport() {
  std::string out;
  for (const ScreenDesign* screen : designs::kEveryScreen) {
    for (const ControlDesign& row : screen->controls) {
      if (row.kind != ControlKind::Label && row.kind != ControlKind::CommandButton) continue;
      const Control control(row);
      out += std::string(screen->name) + "." + std::string(row.name);
      if (row.index >= 0) out += "(" + std::to_string(row.index) + ")";
      out += '\n';
      // A button's caption is laid out on one line in its box, as a label's.
      report(out, draw::captionOf(control));
    }
  }
  return out;
}

}  // namespace kestrin::web
