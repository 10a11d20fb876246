#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrin {

// A non-negative integer of any size, with just the operations that exact
// conversion between binary and decimal numbers needs (decimal.cpp).
class BigInteger {
 public:
  explicit BigInteger(std::uint64_t value = 0);
  // From decimal digits only ("0123").
  static BigInteger fromDigits(std::string_view digits);

  BigInteger& multiply(std::uint32_t factor, std::uint32_t addend = 0);
  BigInteger& multiply(std::uint64_t factor);
  BigInteger& multiplyByPowerOf10(int exponent);  // exponent >= 0
  BigInteger& shiftLeft(int bits);                // bits >= 0

  bool isZero() const { return limbs_.empty(); }
  int bitLength() const;
  // The value as decimal digits, "0" for zero.
  std::string digits() const;

  friend int compare(const BigInteger& a, const BigInteger& b);  // -1, 0 or 1

  friend struct Division divide(const BigInteger& numerator, const BigInteger& denominator);

 private:
  std::uint32_t divideSmall(std::uint32_t divisor);  // returns the remainder
  void trim();

  std::vector<std::uint32_t> limbs_;  // least significant first, no zero on top
};

struct Division {
  std::uint64_t quotient;
  BigInteger remainder;
};
// numerator / denominator, for a denominator above zero and a quotient known
// to be below 2^64.
Division divide(const BigInteger& numerator, const BigInteger& denominator);

}  // namespace kestrin
