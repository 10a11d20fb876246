#include "tools/numbers/number_check.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <functional>
#include <limits>
#include <random>
#include <sstream>

#include "shell/big_integer.h"
#include "shell/decimal.h"

namespace kestrin::numbers {

namespace {

constexpr std::size_t kExamplesKept = 5;

std::string libraryFixed(double value) {
  char buffer[400];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
  return std::string(buffer, result.ptr);
}

std::string libraryShortest(float value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

// What the library reads from `text`, as readFixed reports it: infinity for
// a number too large, 0 for one too small, nothing for text that is not one.
std::optional<double> libraryRead(const std::string& text) {
  double value = 0;
  const auto [end, ec] =
      std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
  if (end != text.data() + text.size()) return std::nullopt;
  if (ec == std::errc::result_out_of_range) {
    return text.substr(0, text.find('.')).find_first_not_of('0') != std::string::npos
               ? std::numeric_limits<double>::infinity()
               : 0.0;
  }
  if (ec != std::errc()) return std::nullopt;
  return value;
}

std::string describe(double value) {
  std::ostringstream out;
  out.precision(17);
  out << value << " (0x" << std::hex << std::bit_cast<std::uint64_t>(value) << ")";
  return out.str();
}

void note(Kind& kind, bool same, const std::function<std::string()>& what) {
  ++kind.checked;
  if (same) return;
  ++kind.differed;
  if (kind.examples.size() < kExamplesKept) kind.examples.push_back(what());
}

// Written as a caption and read back, both ways.
void checkDouble(Kind& kind, double value) {
  std::string ours;
  appendFixed(ours, value);
  const std::string theirs = libraryFixed(value);
  note(kind, ours == theirs,
       [&] { return "write " + describe(value) + ": " + ours + " against " + theirs; });
  if (!std::isfinite(value)) return;
  const std::string text = theirs.front() == '-' ? theirs.substr(1) : theirs;
  const std::optional<double> read = readFixed(text);
  note(kind, read && libraryRead(text) == read && *read == std::abs(value),
       [&] { return "read " + text + " as " + (read ? describe(*read) : "nothing"); });
}

void checkFloat(Kind& kind, float value) {
  std::string ours;
  appendShortest(ours, value);
  const std::string theirs = libraryShortest(value);
  note(kind, ours == theirs, [&] {
    return "write float " + describe(value) + ": " + ours + " against " + theirs;
  });
}

void checkText(Kind& kind, const std::string& text) {
  const std::optional<double> ours = readFixed(text);
  const std::optional<double> theirs = libraryRead(text);
  note(kind, ours == theirs && (!ours || std::signbit(*ours) == std::signbit(*theirs)), [&] {
    return "read " + text.substr(0, 60) + (text.size() > 60 ? "..." : "") + ": " +
           (ours ? describe(*ours) : "nothing") + " against " +
           (theirs ? describe(*theirs) : "nothing");
  });
}

// Both neighbours' midpoint written out exactly, and the decimals just
// below and above it: the hardest texts to round.
std::vector<std::string> midpointTexts(double value) {
  const auto bits = std::bit_cast<std::uint64_t>(value);
  const int biased = static_cast<int>(bits >> 52 & 0x7FF);
  if (biased == 0x7FF) return {};
  const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
  const std::uint64_t mantissa = biased == 0 ? fraction : fraction | std::uint64_t{1} << 52;
  const int exponent = (biased == 0 ? 1 : biased) - 1075;
  // (2m + 1) x 2^(e - 1): the midpoint to the next number up.
  BigInteger n(2 * mantissa + 1);
  const int e = exponent - 1;
  std::string digits;
  std::size_t decimals = 0;
  if (e >= 0) {
    digits = n.shiftLeft(e).digits();
  } else {
    int fives = -e;
    for (; fives >= 13; fives -= 13) n.multiply(std::uint32_t{1220703125});  // 5^13
    for (; fives > 0; --fives) n.multiply(std::uint32_t{5});
    digits = n.digits();
    decimals = static_cast<std::size_t>(-e);
  }
  if (digits.size() <= decimals) digits.insert(0, decimals - digits.size() + 1, '0');
  const auto withPoint = [&](std::string d) {
    if (decimals > 0) d.insert(d.size() - decimals, ".");
    return d;
  };
  std::string below = digits;
  for (std::size_t i = below.size(); i-- > 0;) {  // the last digit one less
    if (below[i] != '0') {
      --below[i];
      break;
    }
    below[i] = '9';
  }
  return {withPoint(digits), withPoint(below), withPoint(digits) + (decimals ? "" : ".") + "0000001"};
}

}  // namespace

std::vector<Kind> checkNumbers(std::uint64_t count, std::uint64_t seed) {
  std::mt19937_64 random(seed);
  const auto anyBits = [&] { return random(); };
  const auto below = [&](std::uint64_t n) { return random() % n; };
  using D = std::numeric_limits<double>;
  using F = std::numeric_limits<float>;

  Kind patterns{.name = "random bit patterns"};
  for (std::uint64_t i = 0; i < count; ++i) {
    checkDouble(patterns, std::bit_cast<double>(anyBits()));
    checkFloat(patterns, std::bit_cast<float>(static_cast<std::uint32_t>(anyBits())));
  }

  Kind whole{.name = "whole numbers, small and large"};
  for (std::uint64_t i = 0; i < count; ++i) {
    const std::uint64_t n = anyBits() >> below(64);
    const double sign = below(2) ? -1.0 : 1.0;
    checkDouble(whole, sign * static_cast<double>(n));
    checkFloat(whole, static_cast<float>(sign * static_cast<double>(n)));
    // Whole beyond 2^64: any mantissa with a positive exponent.
    const double big = std::ldexp(static_cast<double>(anyBits() >> 11), static_cast<int>(below(960)));
    checkDouble(whole, sign * big);
    checkFloat(whole, static_cast<float>(std::ldexp(static_cast<double>(anyBits() >> 40),
                                                    static_cast<int>(below(104)))));
  }

  Kind tens{.name = "near powers of two and ten"};
  for (int p = -1074; p <= 1023; ++p) {  // where the gap below is half the gap above
    const double power = std::ldexp(1.0, p);
    for (double v : {power, std::nextafter(power, 0.0), std::nextafter(power, D::infinity())}) {
      checkDouble(tens, v);
    }
  }
  for (int p = -149; p <= 127; ++p) {
    const float power = std::ldexp(1.0f, p);
    for (float v : {power, std::nextafter(power, 0.0f), std::nextafter(power, F::infinity())}) {
      checkFloat(tens, v);
    }
  }
  for (int p = -330; p <= 310; ++p) {  // every power, and a few units either side
    double down = std::pow(10.0, p), up = down;
    for (int step = 0; step < 4; ++step) {
      checkDouble(tens, down);
      checkDouble(tens, up);
      down = std::nextafter(down, 0.0);
      up = std::nextafter(up, D::infinity());
    }
  }
  for (int p = -46; p <= 39; ++p) {
    float down = std::pow(10.0f, static_cast<float>(p)), up = down;
    for (int step = 0; step < 4; ++step) {
      checkFloat(tens, down);
      checkFloat(tens, up);
      down = std::nextafter(down, 0.0f);
      up = std::nextafter(up, F::infinity());
    }
  }
  for (std::uint64_t i = 0; i < count; ++i) {  // up to 32 units from 10^p, at random
    const int p = static_cast<int>(below(615)) - 307;
    const auto bits = std::bit_cast<std::uint64_t>(std::pow(10.0, p)) + below(64) - 32;
    checkDouble(tens, std::bit_cast<double>(bits));
    const float f = std::pow(10.0f, static_cast<float>(below(75)) - 37);
    checkFloat(tens, std::bit_cast<float>(std::bit_cast<std::uint32_t>(f) +
                                          static_cast<std::uint32_t>(below(64)) - 32));
  }

  Kind subnormal{.name = "subnormals"};
  for (std::uint64_t i = 0; i < count; ++i) {
    checkDouble(subnormal, std::bit_cast<double>(anyBits() >> (12 + below(52))));
    checkFloat(subnormal, std::bit_cast<float>(static_cast<std::uint32_t>(anyBits() >> (41 + below(23)))));
  }

  Kind extremes{.name = "zeros, extremes, infinities"};
  for (double v : {0.0, D::min(), D::denorm_min(), D::max(), D::infinity(), D::quiet_NaN(),
                   std::nextafter(D::min(), 0.0), std::nextafter(D::max(), 0.0),
                   std::nextafter(D::min(), 1.0), std::ldexp(1.0, 53), std::ldexp(1.0, 64),
                   std::nextafter(std::ldexp(1.0, 53), 0.0), std::ldexp(1.0, 53) + 2}) {
    checkDouble(extremes, v);
    checkDouble(extremes, -v);
  }
  for (float v : {0.0f, F::min(), F::denorm_min(), F::max(), F::infinity(), F::quiet_NaN(),
                  std::nextafter(F::min(), 0.0f), std::nextafter(F::max(), 0.0f),
                  std::ldexp(1.0f, 24), std::ldexp(1.0f, 24) + 2, 1e5f, 1e4f, 1e-4f, 123456792.0f}) {
    checkFloat(extremes, v);
    checkFloat(extremes, -v);
  }

  Kind decimals{.name = "decimal texts read"};
  const auto digits = [&](std::size_t n) {
    std::string s;
    for (std::size_t i = 0; i < n; ++i) s += static_cast<char>('0' + below(10));
    return s;
  };
  for (std::uint64_t i = 0; i < count; ++i) {
    // Short and long digit runs, any point, zeros in front and behind.
    const std::size_t length = below(4) == 0 ? 20 + below(800) : 1 + below(20);
    std::string text = std::string(below(3) == 0 ? below(330) : 0, '0') + digits(length);
    if (below(3) != 0) text.insert(below(text.size() + 1), ".");
    checkText(decimals, text);
    for (const std::string& t : midpointTexts(std::bit_cast<double>(anyBits() >> 1))) {
      checkText(decimals, t);
    }
  }
  return {patterns, whole, tens, subnormal, extremes, decimals};
}

}  // namespace kestrin::numbers
