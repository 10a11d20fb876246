#include <unistd.h>

#include <cerrno>
#include <iostream>

#include "host/common/fd_io.h"
#include "host/headless/replay.h"

int main(int argc, char** argv) {
  kestrin::io::guardStandardStreams();
  int status = kestrin::headless::replayMain(argc, argv, STDIN_FILENO, STDOUT_FILENO, std::cerr);
  // Some file systems report a failed write only when the file is closed.
  if (::close(STDOUT_FILENO) != 0 && errno != EINTR && errno != EBADF && status != 1) {
    std::cerr << "kestrin-replay: " << kestrin::io::describe("standard output", errno) << '\n';
    status = 1;
  }
  return status;
}
