#include "caption_number.h"

#include <charconv>
#include <cmath>
#include <system_error>

#include "runtime_error.h"

namespace kestrin {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

double captionNumber(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);

  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  // Digits with an optional fraction; at least one digit in all.
  std::size_t i = 0;
  std::size_t digits = 0;
  while (i < text.size() && isDigit(text[i])) ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && isDigit(text[i])) ++i, ++digits;
  }
  if (digits == 0 || i != text.size()) throw RuntimeError(ErrorKind::TypeMismatch);

  double value = 0;
  const auto [end, ec] =
      std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
  if (ec == std::errc::result_out_of_range) {
    // Out of range either way: a whole part with any non-zero digit does not
    // fit in a double; otherwise the number is too small to tell from zero.
    const std::string_view whole = text.substr(0, text.find('.'));
    if (whole.find_first_not_of('0') != std::string_view::npos) {
      throw RuntimeError(ErrorKind::Overflow);
    }
    value = 0;
  } else if (ec != std::errc() || end != text.data() + text.size()) {
    throw RuntimeError(ErrorKind::TypeMismatch);
  }
  return negative ? -value : value;
}

std::string numberCaption(double value) {
  if (value == 0) return "0";  // never "-0"
  char buffer[400];
  const auto [end, ec] =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
  if (ec != std::errc()) throw RuntimeError(ErrorKind::Overflow);
  return std::string(buffer, end);
}

}  // namespace kestrin
