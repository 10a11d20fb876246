#include "host/common/trace.h"

#include <charconv>

#include "shell/decimal.h"

namespace kestrin {

namespace {

void appendString(std::string& out, std::string_view s) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += '"';
  for (char c : s) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 0x20) {
      out += "\\u00";
      out += kHex[u >> 4];
      out += kHex[u & 15];
    } else {
      out += c;
    }
  }
  out += '"';
}

// Positions: the shortest text that reads back as the same single-precision
// value, so whole numbers print without a fraction.
void appendNumber(std::string& out, float value) { appendShortest(out, value); }

void appendNumber(std::string& out, std::int64_t value) {
  char buffer[24];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, ec == std::errc() ? end : buffer);
}

void appendBool(std::string& out, bool value) { out += value ? "true" : "false"; }

void appendControlName(std::string& out, const Control& c) {
  if (!c.inArray()) {
    appendString(out, c.name());
    return;
  }
  std::string name(c.name());
  name += '(';
  name += std::to_string(c.index());
  name += ')';
  appendString(out, name);
}

void appendControl(std::string& out, const Control& c) {
  appendControlName(out, c);
  out += ":{";
  switch (c.kind()) {
    case ControlKind::Shape:
    case ControlKind::Image:
      out += "\"Left\":";
      appendNumber(out, c.Left);
      out += ",\"Top\":";
      appendNumber(out, c.Top);
      out += ",\"Visible\":";
      appendBool(out, c.Visible);
      if (c.kind() == ControlKind::Shape) {
        out += ",\"FillColor\":";
        appendNumber(out, std::int64_t{c.FillColor});
      }
      break;
    case ControlKind::Label:
      out += "\"Caption\":";
      appendString(out, c.Caption);
      out += ",\"Visible\":";
      appendBool(out, c.Visible);
      break;
    case ControlKind::CommandButton:
      out += "\"Visible\":";
      appendBool(out, c.Visible);
      break;
    case ControlKind::Timer:
      out += "\"Enabled\":";
      appendBool(out, c.Enabled);
      break;
  }
  out += '}';
}

void appendScreen(std::string& out, const Screen& s) {
  const Form& form = *s.form();
  appendString(out, s.name());
  out += ":{\"visible\":";
  appendBool(out, s.visible());
  out += ",\"vars\":{";
  bool first = true;
  for (const Form::Variable& v : form.variables()) {
    if (!first) out += ',';
    first = false;
    appendString(out, v.name);
    out += ':';
    appendNumber(out, std::int64_t{std::int16_t{*v.value}});
  }
  out += "},\"controls\":{";
  first = true;
  for (const Control& c : form.controls()) {
    if (!first) out += ',';
    first = false;
    appendControl(out, c);
  }
  out += "}}";
}

void appendHead(std::string& out, std::int64_t t) {
  out += "{\"t\":";
  appendNumber(out, t);
}

}  // namespace

void appendState(std::string& out, const Program& program) {
  out += "\"focus\":";
  const Screen* active = program.activeScreen();
  if (active == nullptr) {
    out += "null";
  } else if (const Control* focused = active->focused()) {
    appendString(out, std::string(active->name()) + "." + std::string(focused->name()));
  } else {
    appendString(out, active->name());
  }
  out += ",\"screens\":{";
  bool first = true;
  for (const auto& s : program.screens()) {
    if (!s->loaded()) continue;
    if (!first) out += ',';
    first = false;
    appendScreen(out, *s);
  }
  out += '}';
}

void TraceWriter::flush() {
  sink_(line_);
  line_.clear();
}

void TraceWriter::started(std::int64_t t, const Program& program) {
  appendHead(line_, t);
  line_ += ",\"event\":\"start\",";
  appendState(line_, program);
  line_ += "}\n";
  flush();
}

void TraceWriter::delivered(std::int64_t t, const Delivery& delivery, const Program& program) {
  appendHead(line_, t);
  line_ += ",\"event\":";
  appendString(line_, delivery.handler());
  line_ += ",\"screen\":";
  if (delivery.screen == nullptr) {
    line_ += "null";
  } else {
    appendString(line_, delivery.screen->name());
  }
  line_ += ',';
  appendState(line_, program);
  line_ += "}\n";
  flush();
}

void TraceWriter::messageBox(std::int64_t t, std::string_view text, std::string_view title) {
  appendHead(line_, t);
  line_ += ",\"msgbox\":{\"text\":";
  appendString(line_, text);
  line_ += ",\"title\":";
  appendString(line_, title);
  line_ += "}}\n";
  flush();
}

void TraceWriter::ended(std::int64_t t, const Delivery& /*cause*/) {
  appendHead(line_, t);
  line_ += ",\"event\":\"end\"}\n";
  flush();
}

}  // namespace kestrin
