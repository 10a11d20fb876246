#include "script.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "host/common/fd_io.h"

namespace kestrin::headless {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::vector<std::string_view> words(std::string_view line) {
  std::vector<std::string_view> out;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && isBlank(line[i])) ++i;
    const std::size_t start = i;
    while (i < line.size() && !isBlank(line[i])) ++i;
    if (i > start) out.push_back(line.substr(start, i - start));
  }
  return out;
}

bool allDigits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s) {
    if (!isDigit(c)) return false;
  }
  return true;
}

// A whole number of digits, or none if it is larger than limit.
std::optional<std::int64_t> digitsValue(std::string_view s, std::int64_t limit) {
  std::int64_t value = 0;
  for (char c : s) {
    value = value * 10 + (c - '0');
    if (value > limit) return std::nullopt;
  }
  return value;
}

std::string quoted(std::string_view word) {
  std::string out = "'";
  for (char c : word.substr(0, 40)) {
    const auto u = static_cast<unsigned char>(c);
    out += (u < 0x20 || u >= 0x7f) ? '?' : c;
  }
  if (word.size() > 40) out += "...";
  return out + "'";
}

struct Fail {
  std::string reason;
};

std::int64_t parseWait(std::string_view word) {
  const std::size_t dot = word.find('.');
  const std::string_view whole = word.substr(0, dot);
  const std::string_view fraction = dot == std::string_view::npos ? "" : word.substr(dot + 1);
  if (!allDigits(whole) || (dot != std::string_view::npos && !allDigits(fraction)) ||
      fraction.size() > 3) {
    throw Fail{"wait takes milliseconds: digits with up to three decimals, not " + quoted(word)};
  }
  const auto ms = digitsValue(whole, kMaxWaitMicros / 1000);
  std::int64_t micros = ms ? *ms * 1000 : kMaxWaitMicros + 1;
  std::int64_t scale = 100;
  for (char c : fraction) {
    micros += (c - '0') * scale;
    scale /= 10;
  }
  if (micros > kMaxWaitMicros) throw Fail{"wait longer than one day: " + quoted(word)};
  return micros;
}

std::int64_t parseTicks(std::string_view word) {
  if (!allDigits(word)) throw Fail{"ticks takes a whole number, not " + quoted(word)};
  // A tick is the timers' granularity: 64 a second.
  const auto n = digitsValue(word, kMaxWaitMicros / Program::kTimerGranularity);
  if (!n) throw Fail{"ticks longer than one day: " + quoted(word)};
  return *n * Program::kTimerGranularity;
}

std::int16_t parseInt16(std::string_view word, std::string_view what) {
  const bool negative = !word.empty() && word.front() == '-';
  const std::string_view digits = negative ? word.substr(1) : word;
  if (!allDigits(digits)) {
    throw Fail{std::string(what) + " must be an integer, not " + quoted(word)};
  }
  const auto v = digitsValue(digits, 32768);
  if (!v || (!negative && *v > 32767)) {
    throw Fail{std::string(what) + " out of range -32768..32767: " + quoted(word)};
  }
  return static_cast<std::int16_t>(negative ? -*v : *v);
}

const ScreenDesign& findScreen(std::string_view name, const Program& program) {
  if (const ScreenDesign* d = program.findDesign(name)) return *d;
  throw Fail{"unknown screen " + quoted(name)};
}

// "Image1", or "Brick(3)" for a member of a control array.
void parseControl(std::string_view word, const ScreenDesign& screen, Command& command) {
  std::string_view name = word;
  int index = -1;
  if (const std::size_t open = word.find('('); open != std::string_view::npos) {
    if (word.back() != ')') throw Fail{"bad control " + quoted(word)};
    name = word.substr(0, open);
    const std::string_view digits = word.substr(open + 1, word.size() - open - 2);
    if (!allDigits(digits)) throw Fail{"bad control index in " + quoted(word)};
    const auto v = digitsValue(digits, 32767);
    index = v ? static_cast<int>(*v) : 32768;
  }
  bool isArray = false;
  bool found = false;
  for (const ControlDesign& c : screen.controls) {
    if (c.name != name) continue;
    isArray = isArray || c.index >= 0;
    found = found || c.index == index;
  }
  if (isArray && index < 0) {
    throw Fail{"control array " + quoted(name) + " needs an index, as in " + std::string(name) + "(0)"};
  }
  if (!found) {
    throw Fail{"no control " + quoted(word) + " on " + quoted(screen.name)};
  }
  for (const ControlDesign& c : screen.controls) {
    if (c.name == name && c.index == index) command.control = c.name;
  }
  command.index = index;
}

void expectWords(const std::vector<std::string_view>& w, std::size_t least, std::size_t most,
                 std::string_view usage) {
  if (w.size() < least || w.size() > most) throw Fail{"usage: " + std::string(usage)};
}

}  // namespace

ParseResult parseLine(std::string_view line, const Program& program) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  const std::vector<std::string_view> w = words(line);
  if (w.empty() || w.front().front() == '#') return {};

  Command c;
  try {
    const std::string_view verb = w.front();
    if (verb == "wait") {
      expectWords(w, 2, 2, "wait MS");
      c.kind = Command::Kind::Wait;
      c.micros = parseWait(w[1]);
    } else if (verb == "ticks") {
      expectWords(w, 2, 2, "ticks N");
      c.kind = Command::Kind::Wait;
      c.micros = parseTicks(w[1]);
    } else if (verb == "keydown" || verb == "keyup") {
      expectWords(w, 2, 3, std::string(verb) + " CODE [SHIFT]");
      c.kind = verb == "keydown" ? Command::Kind::KeyDown : Command::Kind::KeyUp;
      c.code = parseInt16(w[1], "CODE");
      if (w.size() == 3) c.shift = parseInt16(w[2], "SHIFT");
    } else if (verb == "click") {
      expectWords(w, 3, 3, "click SCREEN CONTROL");
      c.kind = Command::Kind::Click;
      const ScreenDesign& screen = findScreen(w[1], program);
      c.screen = screen.name;
      parseControl(w[2], screen, c);
    } else if (verb == "close") {
      expectWords(w, 2, 2, "close SCREEN");
      c.kind = Command::Kind::Close;
      c.screen = findScreen(w[1], program).name;
    } else if (verb == "drop") {
      expectWords(w, 4, 4, "drop SCREEN TIMER N");
      c.kind = Command::Kind::Drop;
      const ScreenDesign& screen = findScreen(w[1], program);
      c.screen = screen.name;
      for (const ControlDesign& d : screen.controls) {
        if (d.name == w[2] && d.kind == ControlKind::Timer) c.control = d.name;
      }
      if (c.control.empty()) throw Fail{"no timer " + quoted(w[2]) + " on " + quoted(screen.name)};
      const auto n = allDigits(w[3]) ? digitsValue(w[3], kMaxDropTicks) : std::nullopt;
      if (!n || *n == 0) {
        throw Fail{"drop takes a whole number of ticks from 1 to " + std::to_string(kMaxDropTicks) +
                   ", not " + quoted(w[3])};
      }
      c.count = *n;
    } else {
      throw Fail{"unknown command " + quoted(verb)};
    }
  } catch (const Fail& fail) {
    return {.command = std::nullopt, .error = fail.reason};
  }
  return {.command = c, .error = {}};
}

bool addToScriptTime(std::int64_t& waited, std::int64_t micros, std::string& error) {
  if (micros < 0) {
    error = "a wait cannot take the clock back";
    return false;
  }
  if (micros > kMaxScriptMicros - waited) {
    error = "the waits of the script pass 10^15 microseconds (about 31.7 years)";
    return false;
  }
  waited += micros;
  return true;
}

// ---- reading lines ----

LineReader::LineReader(std::string_view bytes)
    : pos_(bytes.data()), end_(bytes.data() + bytes.size()) {}

LineReader::LineReader(int fd, std::function<void()> beforeRead)
    : fd_(fd), beforeRead_(std::move(beforeRead)), buffer_(64 * 1024) {}

bool LineReader::fill() {
  if (fd_ < 0 || error_ != 0) return false;
  if (beforeRead_) beforeRead_();
  const long n = io::readSome(fd_, buffer_.data(), buffer_.size());
  if (n <= 0) {
    if (n < 0) error_ = errno;
    fd_ = -1;  // nothing more is read after the end or a failure
    return false;
  }
  pos_ = buffer_.data();
  end_ = pos_ + n;
  return true;
}

LineReader::Next LineReader::next(std::string_view& line) {
  // One byte past the limit may still be the carriage return that ends the
  // line; two past it cannot.
  constexpr std::size_t kKept = kMaxLineLength + 2;
  line_.clear();
  bool started = false;
  for (;;) {
    if (pos_ == end_ && !fill()) {
      if (error_ != 0) return Next::ReadFailed;
      if (!started) return Next::End;
      break;  // a last line without a newline
    }
    if (!started) {
      started = true;
      ++number_;
    }
    const auto* newline = static_cast<const char*>(
        std::memchr(pos_, '\n', static_cast<std::size_t>(end_ - pos_)));
    const char* stop = newline != nullptr ? newline : end_;
    const std::size_t room = kKept - line_.size();
    const auto take = std::min(room, static_cast<std::size_t>(stop - pos_));
    line_.append(pos_, take);
    pos_ += take;
    const bool over = line_.size() > kMaxLineLength + 1 ||
                      (line_.size() == kMaxLineLength + 1 && line_.back() != '\r');
    if (over) return Next::TooLong;  // the rest of the line is never read
    if (pos_ == newline) {
      ++pos_;
      break;
    }
  }
  line = line_;
  return Next::Line;
}

void deliver(Program& program, const Command& c) {
  switch (c.kind) {
    case Command::Kind::KeyDown: program.keyDown(c.code, c.shift); break;
    case Command::Kind::KeyUp: program.keyUp(c.code, c.shift); break;
    case Command::Kind::Click: program.click(c.screen, c.control, c.index); break;
    case Command::Kind::Close: program.close(c.screen); break;
    case Command::Kind::Drop: program.dropTicks(c.screen, c.control, c.count); break;
    case Command::Kind::Wait: break;
  }
}

}  // namespace kestrin::headless
