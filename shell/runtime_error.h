#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace kestrin {

// The run-time errors a handler can raise. No handler traps them: the program
// shows a box naming the error and ends.
enum class ErrorKind {
  Overflow,            // 16-bit arithmetic or a conversion out of range
  TypeMismatch,        // a caption that is not a number
  SubscriptOutOfRange, // a control array member that does not exist
};

std::string_view errorName(ErrorKind kind);

class RuntimeError : public std::runtime_error {
 public:
  explicit RuntimeError(ErrorKind kind)
      : std::runtime_error(std::string(errorName(kind))), kind_(kind) {}
  ErrorKind kind() const { return kind_; }

 private:
  ErrorKind kind_;
};

// Thrown by EndProgram: unwinds the running handler at once. Only the
// program's outermost dispatch catches it.
struct ProgramEnd {};

}  // namespace kestrin
