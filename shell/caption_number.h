#pragma once

#include <string>
#include <string_view>

namespace kestrin {

// Numbers kept in captions (score, lives). Reading: an optional sign, digits
// with an optional fraction, blanks around allowed, as a double; anything
// else is a Type mismatch error, a number too large for a double an Overflow.
double captionNumber(std::string_view caption);

// Writing: the shortest decimal text that reads back as the same number, with
// a leading "-" for negatives, never an exponent, no leading blank.
std::string numberCaption(double value);

}  // namespace kestrin
