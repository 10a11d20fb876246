#pragma once

#include <string>

namespace kestrin::web {

// Every caption the designs show (labels and buttons, as each screen
// loads), laid out as the page lays it out: each line's text and the origin
// of its baseline, and its outline's commands and the sum of their
// coordinates, all numbers written exactly. The page and a native build
// give the same text when they lay out every caption alike.
std::string captionReport();

}  // namespace kestrin::web
