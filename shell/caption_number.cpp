#include "caption_number.h"

#include <cmath>

#include "decimal.h"
#include "runtime_error.h"

namespace kestrin {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

double captionNumber(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);

  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  const std::optional<double> value = readFixed(text);
  if (!value) throw RuntimeError(ErrorKind::TypeMismatch);
  // Too small for a double reads as 0; too large is an overflow.
  if (std::isinf(*value)) throw RuntimeError(ErrorKind::Overflow);
  return negative ? -*value : *value;
}

std::string numberCaption(double value) {
  if (value == 0) return "0";  // never "-0"
  std::string text;
  appendFixed(text, value);
  return text;
}

}  // namespace kestrin
