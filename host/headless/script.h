#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "shell/program.h"

namespace kestrin::headless {

// One line of a replay script, checked against the program's designs.
struct Command {
  enum class Kind : std::uint8_t { Wait, KeyDown, KeyUp, Click, Close, Drop };
  Kind kind = Kind::Wait;
  std::int64_t micros = 0;  // Wait: how far the clock moves
  std::int16_t code = 0;    // KeyDown, KeyUp
  std::int16_t shift = 0;
  std::string_view screen;  // Click, Close: names from the designs
  std::string_view control; // Click; Drop: the timer
  int index = -1;           // Click on a member of a control array
  std::int64_t count = 0;   // Drop: how many ticks
};

inline constexpr std::size_t kMaxLineLength = 4096;
inline constexpr std::int64_t kMaxWaitMicros = 86'400'000'000;  // one day
// The most ticks one drop line may drop: a day of ticks at the fastest rate.
inline constexpr std::int64_t kMaxDropTicks = kMaxWaitMicros / Program::kTimerGranularity;
// All the waits of a script together: about 31.7 years. A timer's period
// added to any time up to this stays far inside 64 bits.
inline constexpr std::int64_t kMaxScriptMicros = 1'000'000'000'000'000;

// Adds a wait to the total of a script's waits so far: false, with the
// reason in error and the total unchanged, for a wait back in time or one
// that takes the total past kMaxScriptMicros. The waits bound the script's
// clock whether or not they run, so a script is valid or not whatever the
// games do; neither the check nor the sum can overflow.
bool addToScriptTime(std::int64_t& waited, std::int64_t micros, std::string& error);

// An input of a script (any command but a wait) given to the program, as
// the replay tool and every player of a script give it.
void deliver(Program& program, const Command& command);

struct ParseResult {
  std::optional<Command> command;  // none for a blank or comment line
  std::string error;               // non-empty: the line is not valid
};

// Screens and controls are checked against the designs the program registered.
ParseResult parseLine(std::string_view line, const Program& program);

// The lines of a script as its bytes arrive, from a file descriptor or from
// memory. A line holds at most kMaxLineLength bytes besides its newline and
// one carriage return before it, comments too; a longer one is reported as
// soon as a byte past the limit arrives, so an endless line (/dev/zero) is
// refused at once, newline or not, and memory stays bounded.
class LineReader {
 public:
  enum class Next : std::uint8_t { Line, End, TooLong, ReadFailed };

  explicit LineReader(std::string_view bytes);
  // Reads fd, never closing it. beforeRead runs before each read that may
  // wait for input: a tool flushes its output there, so what it has written
  // so far is out before it blocks, or fails.
  explicit LineReader(int fd, std::function<void()> beforeRead = {});

  // Line: the line, without its newline, in line (valid until the next call).
  Next next(std::string_view& line);
  long number() const { return number_; }  // of the line last returned or refused
  int error() const { return error_; }     // ReadFailed: the errno

 private:
  bool fill();  // false at the end of the input, or on a failed read

  int fd_ = -1;
  std::function<void()> beforeRead_;
  std::vector<char> buffer_;
  const char* pos_ = nullptr;
  const char* end_ = nullptr;
  std::string line_;
  long number_ = 0;
  int error_ = 0;
};

}  // namespace kestrin::headless
