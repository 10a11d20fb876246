#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "host/headless/replay.h"
#include "tests/support/json.h"

namespace kestrin::test {

// The whole program on the virtual clock, as kestrin-replay runs it, with
// its trace kept for reading back and the model open for setting up a case.
class Session {
 public:
  Session();

  // Runs script lines; a line that is not valid fails the test.
  void run(std::string_view script);
  // Runs one line that must be invalid; returns the reason.
  std::string rejected(std::string_view line);

  const std::vector<std::string>& lines() const { return lines_; }
  std::size_t mark() const { return lines_.size(); }
  Json line(std::size_t i) const { return Json::parse(lines_.at(i)); }
  Json last() const { return line(lines_.size() - 1); }
  std::vector<Json> since(std::size_t mark) const;  // the lines written after mark

  // The model, for reading state and for placing things where a case needs them.
  Program& program() { return replay_.program(); }
  bool ended() const { return replay_.ended(); }
  std::int64_t now() { return replay_.clock().now(); }
  Screen* screen(std::string_view name);  // null unless loaded
  Control& control(std::string_view screen, std::string_view name, int index = -1);
  int var(std::string_view screen, std::string_view name);
  void setVar(std::string_view screen, std::string_view name, int value);
  std::string caption(std::string_view screen, std::string_view name) {
    return control(screen, name).Caption;
  }

 private:
  std::vector<std::string> lines_;
  headless::Replay replay_;
};

// A control's state in a trace line: line["screens"][screen]["controls"][control].
const Json& traced(const Json& line, const std::string& screen, const std::string& control);

}  // namespace kestrin::test
