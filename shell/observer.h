#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrin {

class Program;
class Screen;

// What became of one event from the host: the handler it reached and the
// screen it was delivered to (null where none). The names point into the
// designs, so a delivery outlives the screen it names being unloaded.
struct Delivery {
  std::string_view object;          // "Form", "Image1", "Timer1"; empty for "none" and "close"
  std::string_view event = "none";  // "KeyDown", "Click", "Timer", or "none", "close"
  const Screen* screen = nullptr;

  // The name the trace shows: "Form_KeyDown", "Image1_Click", "none", "close".
  std::string handler() const {
    return object.empty() ? std::string(event) : std::string(object) + "_" + std::string(event);
  }
  bool isTick() const { return event == "Timer"; }
};

// An account of a run as it happens, for whatever records or checks it: the
// trace writer, the soak's invariants, the fuzzer's checks. The Program
// itself tells every observer, so each host gets the same account, in the
// same order, without doing anything. Times are the program's own clock.
//
// In a run: started() once; then, for every event from the host, any boxes
// its handlers open (messageBox(), as each opens) followed by delivered()
// once the event has been handled in full, nested loads included, whether
// it reached a handler or "none"; the event during which the program ends
// is reported by ended() instead, and nothing follows. A delivery the
// program refuses while a handler or a box runs, or after the end, is no
// event and is not reported.
class ProgramObserver {
 public:
  virtual ~ProgramObserver() = default;

  // Start-up is over: the first screen shows.
  virtual void started(std::int64_t t, const Program& program) = 0;
  // An event handled in full. Called between events, with no handler
  // running: an observer may throw from here to stop the run (the fuzzer
  // bounds an input so), and the program stays whole.
  virtual void delivered(std::int64_t t, const Delivery& delivery, const Program& program) = 0;
  // A box about to open, inside a handler of the event reported next;
  // title is the one it shows (the program's own where it has none).
  virtual void messageBox(std::int64_t t, std::string_view text, std::string_view title) = 0;
  // The program ended while handling cause (after "Game Over", "You Win",
  // an error box, or the last screen closed): every screen is unloaded.
  virtual void ended(std::int64_t t, const Delivery& cause) = 0;
};

}  // namespace kestrin
