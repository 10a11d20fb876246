#include <iostream>

#include "host/headless/replay.h"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  return kestrin::headless::replayMain(argc, argv, std::cin, std::cout, std::cerr);
}
