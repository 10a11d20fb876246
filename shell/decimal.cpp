#include "decimal.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <algorithm>

#include "big_integer.h"

namespace kestrin {

namespace {

int bitWidth(std::uint64_t n) { return static_cast<int>(std::bit_width(n)); }

// A finite binary number: mantissa x 2^exponent.
struct Binary {
  bool negative = false;
  bool finite = true;  // else an infinity (mantissa 0) or a NaN
  std::uint64_t mantissa = 0;
  int exponent = 0;
  bool narrowGapBelow = false;  // a power of two: the next number down is half as far
  int precision = 0;            // bits of the mantissa, the implicit one included
};

template <class Float, class Bits, int kFractionBits, int kExponentBits>
Binary decompose(Float value) {
  static_assert(sizeof(Float) == sizeof(Bits));
  Bits bits;
  std::memcpy(&bits, &value, sizeof bits);
  constexpr int kBias = (1 << (kExponentBits - 1)) - 1;
  constexpr Bits kFractionMask = (Bits{1} << kFractionBits) - 1;
  const int biased = static_cast<int>((bits >> kFractionBits) & ((Bits{1} << kExponentBits) - 1));
  const Bits fraction = bits & kFractionMask;
  Binary b;
  b.negative = (bits >> (kFractionBits + kExponentBits)) != 0;
  b.precision = kFractionBits + 1;
  if (biased == (1 << kExponentBits) - 1) {
    b.finite = false;
    b.mantissa = fraction;
  } else if (biased == 0) {
    b.mantissa = fraction;
    b.exponent = 1 - kBias - kFractionBits;
  } else {
    b.mantissa = fraction | (Bits{1} << kFractionBits);
    b.exponent = biased - kBias - kFractionBits;
    b.narrowGapBelow = fraction == 0 && biased > 1;
  }
  return b;
}

Binary decompose(double value) { return decompose<double, std::uint64_t, 52, 11>(value); }
Binary decompose(float value) { return decompose<float, std::uint32_t, 23, 8>(value); }

// digits x 10^exponent
struct Decimal {
  std::uint64_t digits;
  int exponent;
};

void appendDigits(std::string& out, std::uint64_t n) {
  char buffer[20];
  char* p = buffer + sizeof buffer;
  do {
    *--p = static_cast<char>('0' + n % 10);
    n /= 10;
  } while (n != 0);
  out.append(p, buffer + sizeof buffer);
}

int digitCount(std::uint64_t n) {
  int count = 1;
  while (n >= 10) n /= 10, ++count;
  return count;
}

struct Quotient {
  std::uint64_t whole;
  bool exact;
  int half;  // the fraction against 1/2: -1, 0 or 1
};

// floor(x * 2^e2 / 10^e10), known to be below 2^64.
Quotient scaled(std::uint64_t x, int e2, int e10) {
  BigInteger numerator(x);
  BigInteger denominator(1);
  if (e2 >= 0) numerator.shiftLeft(e2); else denominator.shiftLeft(-e2);
  if (e10 >= 0) denominator.multiplyByPowerOf10(e10); else numerator.multiplyByPowerOf10(-e10);
  auto [whole, rest] = divide(numerator, denominator);
  rest.shiftLeft(1);
  return {whole, rest.isZero(), compare(rest, denominator)};
}

// The shortest decimal that reads back as b (a finite number above zero),
// and of those the nearest to it, ties to even. Reading rounds to the
// nearest, ties to even, so the numbers halfway to the neighbours read back
// as b only when b's mantissa is even.
Decimal shortestDecimal(const Binary& b) {
  // Whole numbers that the mantissa holds exactly: no other whole number is
  // within half a unit, so the shortest is the number itself.
  if (b.exponent <= 0 && b.exponent > -64 &&
      (b.mantissa & ((std::uint64_t{1} << -b.exponent) - 1)) == 0 &&
      (b.mantissa >> -b.exponent) <= (std::uint64_t{1} << (b.precision))) {
    Decimal d{b.mantissa >> -b.exponent, 0};
    while (d.digits % 10 == 0) d.digits /= 10, ++d.exponent;
    return d;
  }
  // The number and its halfway points, in quarter units: (4m-2 or 4m-1,
  // 4m, 4m+2) x 2^(e-2), written as whole numbers of 10^k, with k chosen so
  // that each is between 10^17 and 10^19 units: more digits than the shortest
  // needs (17 at most), fewer than 2^64 holds.
  const int e2 = b.exponent - 2;
  const int log2 = bitWidth(b.mantissa) - 1 + b.exponent;  // floor(log2 b)
  const int log10 = static_cast<int>(std::floor(log2 * 0.30102999566398120));
  const int k = log10 - 17;
  const bool boundsRead = b.mantissa % 2 == 0;
  const std::uint64_t m4 = b.mantissa * 4;
  const Quotient low = scaled(m4 - (b.narrowGapBelow ? 1 : 2), e2, k);
  const Quotient mid = scaled(m4, e2, k);
  const Quotient high = scaled(m4 + 2, e2, k);
  // The whole numbers of units that read back as b: [lowest, highest].
  const std::uint64_t lowest = low.whole + (!low.exact || !boundsRead ? 1 : 0);
  const std::uint64_t highest = high.whole - (high.exact && !boundsRead ? 1 : 0);
  // As many trailing digits dropped as leave a number in the range.
  std::uint64_t unit = 1;
  int dropped = 0;
  while (unit <= highest / 10 && highest / (unit * 10) * (unit * 10) >= lowest) {
    unit *= 10;
    ++dropped;
  }
  // The number rounded to that unit, ties to even; and where that falls
  // below the range, the next one up.
  std::uint64_t digits = mid.whole / unit;
  const std::uint64_t tail = mid.whole % unit;
  int against;  // the dropped part against half a unit
  if (unit == 1) {
    against = mid.half;
  } else if (tail != unit / 2) {
    against = tail < unit / 2 ? -1 : 1;
  } else {
    against = mid.exact ? 0 : 1;
  }
  if (against > 0 || (against == 0 && digits % 2 == 1)) ++digits;
  if (digits * unit < lowest) ++digits;
  return {digits, k + dropped};
}

// The exact value of a whole number b.
void appendWhole(std::string& out, const Binary& b) {
  if (b.exponent <= 0) {
    appendDigits(out, b.mantissa >> -b.exponent);
  } else if (bitWidth(b.mantissa) + b.exponent <= 64) {
    appendDigits(out, b.mantissa << b.exponent);
  } else {
    out += BigInteger(b.mantissa).shiftLeft(b.exponent).digits();
  }
}

// d.digits x 10^d.exponent for a negative exponent: "0.05", "12.5".
void appendFraction(std::string& out, Decimal d) {
  char buffer[20];
  char* p = buffer + sizeof buffer;
  for (std::uint64_t n = d.digits; n != 0; n /= 10) *--p = static_cast<char>('0' + n % 10);
  const std::string_view digits(p, static_cast<std::size_t>(buffer + sizeof buffer - p));
  const std::size_t decimals = static_cast<std::size_t>(-d.exponent);
  if (digits.size() > decimals) {
    out += digits.substr(0, digits.size() - decimals);
    out += '.';
    out += digits.substr(digits.size() - decimals);
  } else {
    out += "0.";
    out.append(decimals - digits.size(), '0');
    out += digits;
  }
}

// "1.5e+20", "1e-05"
void appendScientific(std::string& out, Decimal d) {
  std::string digits;
  appendDigits(digits, d.digits);
  out += digits[0];
  if (digits.size() > 1) {
    out += '.';
    out.append(digits, 1);
  }
  const int exponent = d.exponent + static_cast<int>(digits.size()) - 1;
  out += exponent < 0 ? "e-" : "e+";
  if (std::abs(exponent) < 10) out += '0';
  appendDigits(out, static_cast<std::uint64_t>(std::abs(exponent)));
}

// Writes the sign and the numbers with no digits; false for the others.
bool appendSpecial(std::string& out, const Binary& b) {
  if (!b.finite && b.mantissa != 0) {
    out += b.negative ? "-nan" : "nan";
    return true;
  }
  if (b.negative) out += '-';
  if (!b.finite) {
    out += "inf";
    return true;
  }
  if (b.mantissa == 0) {
    out += '0';
    return true;
  }
  return false;
}

// Significant digits with no zero in front, times 10^exponent.
struct DecimalText {
  std::string digits;
  long long exponent = 0;
};

// The most significant digits a reading keeps. A double is halfway between
// two neighbours at numbers of 767 significant digits at most; the digits
// past those kept stand for the rest only by whether any is not zero.
constexpr std::size_t kDigitsKept = 800;

std::optional<DecimalText> parseFixed(std::string_view text) {
  DecimalText d;
  bool anyDigit = false;
  bool droppedNonZero = false;
  bool inFraction = false;
  for (const char c : text) {
    if (c == '.' && !inFraction) {
      inFraction = true;
      continue;
    }
    if (c < '0' || c > '9') return std::nullopt;
    anyDigit = true;
    if (d.digits.empty() && c == '0') {
      if (inFraction) --d.exponent;
    } else if (d.digits.size() < kDigitsKept) {
      d.digits += c;
      if (inFraction) --d.exponent;
    } else {
      droppedNonZero = droppedNonZero || c != '0';
      if (!inFraction) ++d.exponent;
    }
  }
  if (!anyDigit) return std::nullopt;
  if (droppedNonZero) {
    d.digits += '1';
    --d.exponent;
  }
  while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back(), ++d.exponent;
  return d;
}

// Powers of ten that a double holds exactly.
constexpr double kExactPowersOf10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                       1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                       1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// digits x 10^exponent, correctly rounded: with exact whole numbers, the
// quotient carries a few bits more than the mantissa, the rest only whether
// it is zero.
double nearestDouble(const DecimalText& d) {
  const long long magnitude = static_cast<long long>(d.digits.size()) + d.exponent;
  if (magnitude > 310) return HUGE_VAL;  // at least 10^310
  if (magnitude < -324) return 0;        // below 10^-324, less than half the least double
  const int exponent = static_cast<int>(d.exponent);
  if (d.digits.size() <= 15 && exponent >= -22 && exponent <= 22) {
    // Both operands exact, so the one rounding is the only one.
    std::uint64_t whole = 0;
    for (const char c : d.digits) whole = whole * 10 + static_cast<std::uint64_t>(c - '0');
    const double n = static_cast<double>(whole);
    return exponent >= 0 ? n * kExactPowersOf10[exponent] : n / kExactPowersOf10[-exponent];
  }
  const BigInteger digits = BigInteger::fromDigits(d.digits);
  // value x 2^shift has 57 bits or more (log2 of the value is at least
  // (magnitude - 1) x log2(10)), and fewer than 64.
  int shift = 57 - static_cast<int>(std::floor(static_cast<double>(magnitude - 1) * 3.3219280948873623));
  for (;;) {
    BigInteger numerator = digits;
    BigInteger denominator(1);
    if (exponent >= 0) numerator.multiplyByPowerOf10(exponent); else denominator.multiplyByPowerOf10(-exponent);
    if (shift >= 0) numerator.shiftLeft(shift); else denominator.shiftLeft(-shift);
    if (numerator.bitLength() - denominator.bitLength() > 62) {
      shift -= 4;
      continue;
    }
    const auto [q, rest] = divide(numerator, denominator);
    const int bits = bitWidth(q);
    // The unit of the mantissa's last bit, 2^lsb: 53 bits, or the least
    // double's unit below the normal numbers.
    const int lsb = std::max(bits - 53 - shift, -1074);
    const int dropped = lsb + shift;
    if (dropped < 1) {
      shift += 8;
      continue;
    }
    std::uint64_t mantissa = q >> dropped;
    const std::uint64_t tail = q & ((std::uint64_t{1} << dropped) - 1);
    const std::uint64_t half = std::uint64_t{1} << (dropped - 1);
    if (tail > half || (tail == half && (!rest.isZero() || mantissa % 2 == 1))) ++mantissa;
    return std::ldexp(static_cast<double>(mantissa), lsb);
  }
}

}  // namespace

std::optional<double> readFixed(std::string_view text) {
  const std::optional<DecimalText> d = parseFixed(text);
  if (!d) return std::nullopt;
  if (d->digits.empty()) return 0.0;
  return nearestDouble(*d);
}

void appendFixed(std::string& out, double value) {
  const Binary b = decompose(value);
  if (appendSpecial(out, b)) return;
  const Decimal d = shortestDecimal(b);
  if (d.exponent >= 0) {
    appendWhole(out, b);
  } else {
    appendFraction(out, d);
  }
}

void appendShortest(std::string& out, float value) {
  const Binary b = decompose(value);
  if (appendSpecial(out, b)) return;
  const Decimal d = shortestDecimal(b);
  const int digits = digitCount(d.digits);
  const int exponent = d.exponent + digits - 1;
  const int scientificLength = digits + (digits > 1 ? 1 : 0) + 2 + (std::abs(exponent) >= 100 ? 3 : 2);
  const int positionalLength = d.exponent >= 0        ? digits + d.exponent
                               : digits > -d.exponent ? digits + 1
                                                      : 2 - d.exponent;
  if (positionalLength > scientificLength) {
    appendScientific(out, d);
  } else if (d.exponent >= 0) {
    appendWhole(out, b);
  } else {
    appendFraction(out, d);
  }
}

}  // namespace kestrin
