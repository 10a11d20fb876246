// Every design caption as the native build lays it out: the web page's test
// holds the page's own layout to this, line for line (page_test.mjs).
#include <cstdio>

#include "host/web/caption_report.h"

int main() {
  const std::string report = kestrin::web::captionReport();
  return std::fwrite(report.data(), 1, report.size(), stdout) == report.size() && std::fflush(stdout) == 0
             ? 0
             : 1;
}
