#include "big_integer.h"

#include <algorithm>
#include <bit>
#include <cassert>

namespace kestrin {

namespace {

constexpr std::uint32_t kTenToTheNinth = 1000000000;
constexpr std::uint32_t kPowersOf10[] = {1,      10,      100,      1000,      10000,
                                         100000, 1000000, 10000000, 100000000, kTenToTheNinth};

}  // namespace

BigInteger::BigInteger(std::uint64_t value) {
  while (value != 0) {
    limbs_.push_back(static_cast<std::uint32_t>(value));
    value >>= 32;
  }
}

BigInteger BigInteger::fromDigits(std::string_view digits) {
  BigInteger n;
  while (!digits.empty()) {
    const std::size_t take = std::min<std::size_t>(digits.size(), 9);
    std::uint32_t chunk = 0;
    for (std::size_t i = 0; i < take; ++i) chunk = chunk * 10 + static_cast<std::uint32_t>(digits[i] - '0');
    n.multiply(kPowersOf10[take], chunk);
    digits.remove_prefix(take);
  }
  return n;
}

BigInteger& BigInteger::multiply(std::uint32_t factor, std::uint32_t addend) {
  std::uint64_t carry = addend;
  for (std::uint32_t& limb : limbs_) {
    const std::uint64_t product = std::uint64_t{limb} * factor + carry;
    limb = static_cast<std::uint32_t>(product);
    carry = product >> 32;
  }
  if (carry != 0) limbs_.push_back(static_cast<std::uint32_t>(carry));
  trim();
  return *this;
}

BigInteger& BigInteger::multiply(std::uint64_t factor) {
  if (factor >> 32 == 0) return multiply(static_cast<std::uint32_t>(factor));
  BigInteger high = *this;
  high.multiply(static_cast<std::uint32_t>(factor >> 32)).shiftLeft(32);
  multiply(static_cast<std::uint32_t>(factor));
  // *this += high
  std::uint64_t carry = 0;
  if (limbs_.size() < high.limbs_.size()) limbs_.resize(high.limbs_.size(), 0);
  for (std::size_t i = 0; i < limbs_.size(); ++i) {
    const std::uint64_t sum =
        std::uint64_t{limbs_[i]} + (i < high.limbs_.size() ? high.limbs_[i] : 0) + carry;
    limbs_[i] = static_cast<std::uint32_t>(sum);
    carry = sum >> 32;
  }
  if (carry != 0) limbs_.push_back(static_cast<std::uint32_t>(carry));
  return *this;
}

BigInteger& BigInteger::multiplyByPowerOf10(int exponent) {
  for (; exponent >= 9; exponent -= 9) multiply(kTenToTheNinth);
  return multiply(kPowersOf10[exponent]);
}

BigInteger& BigInteger::shiftLeft(int bits) {
  if (isZero() || bits == 0) return *this;
  const int whole = bits / 32;
  const int part = bits % 32;
  if (part != 0) {
    std::uint32_t carry = 0;
    for (std::uint32_t& limb : limbs_) {
      const std::uint32_t next = limb >> (32 - part);
      limb = (limb << part) | carry;
      carry = next;
    }
    if (carry != 0) limbs_.push_back(carry);
  }
  limbs_.insert(limbs_.begin(), static_cast<std::size_t>(whole), 0);
  return *this;
}

int BigInteger::bitLength() const {
  if (isZero()) return 0;
  return static_cast<int>((limbs_.size() - 1) * 32 + std::bit_width(limbs_.back()));
}

std::string BigInteger::digits() const {
  if (isZero()) return "0";
  BigInteger rest = *this;
  std::string reversed;
  while (!rest.isZero()) {
    std::uint32_t chunk = rest.divideSmall(kTenToTheNinth);
    for (int i = 0; i < 9 && (chunk != 0 || !rest.isZero()); ++i, chunk /= 10) {
      reversed += static_cast<char>('0' + chunk % 10);
    }
  }
  return std::string(reversed.rbegin(), reversed.rend());
}

std::uint32_t BigInteger::divideSmall(std::uint32_t divisor) {
  std::uint64_t remainder = 0;
  for (auto limb = limbs_.rbegin(); limb != limbs_.rend(); ++limb) {
    const std::uint64_t current = (remainder << 32) | *limb;
    *limb = static_cast<std::uint32_t>(current / divisor);
    remainder = current % divisor;
  }
  trim();
  return static_cast<std::uint32_t>(remainder);
}

void BigInteger::trim() {
  while (!limbs_.empty() && limbs_.back() == 0) limbs_.pop_back();
}

int compare(const BigInteger& a, const BigInteger& b) {
  if (a.limbs_.size() != b.limbs_.size()) return a.limbs_.size() < b.limbs_.size() ? -1 : 1;
  for (std::size_t i = a.limbs_.size(); i-- > 0;) {
    if (a.limbs_[i] != b.limbs_[i]) return a.limbs_[i] < b.limbs_[i] ? -1 : 1;
  }
  return 0;
}

// Long division by limbs (Knuth's algorithm D): each quotient limb is
// estimated from the top two limbs of the rest and the top limb of the
// normalised denominator, then corrected, at most twice plus once.
Division divide(const BigInteger& numerator, const BigInteger& denominator) {
  assert(!denominator.isZero());
  if (compare(numerator, denominator) < 0) return {0, numerator};
  const std::size_t n = denominator.limbs_.size();
  if (n == 1) {
    BigInteger quotient = numerator;
    const std::uint32_t rest = quotient.divideSmall(denominator.limbs_[0]);
    assert(quotient.limbs_.size() <= 2);
    std::uint64_t q = 0;
    for (std::size_t i = quotient.limbs_.size(); i-- > 0;) q = (q << 32) | quotient.limbs_[i];
    return {q, BigInteger(rest)};
  }
  const std::size_t m = numerator.limbs_.size();
  const int shift = std::countl_zero(denominator.limbs_.back());
  BigInteger v = denominator;
  v.shiftLeft(shift);
  BigInteger u = numerator;
  u.shiftLeft(shift);
  std::vector<std::uint32_t>& un = u.limbs_;
  un.resize(m + 1, 0);
  const std::vector<std::uint32_t>& vn = v.limbs_;

  constexpr std::uint64_t kBase = std::uint64_t{1} << 32;
  std::uint64_t quotient = 0;
  for (std::size_t j = m - n + 1; j-- > 0;) {
    const std::uint64_t top = (std::uint64_t{un[j + n]} << 32) | un[j + n - 1];
    std::uint64_t qhat = top / vn[n - 1];
    std::uint64_t rhat = top % vn[n - 1];
    while (qhat >= kBase || qhat * vn[n - 2] > ((rhat << 32) | un[j + n - 2])) {
      --qhat;
      rhat += vn[n - 1];
      if (rhat >= kBase) break;
    }
    // un[j .. j+n] -= qhat * vn
    std::int64_t borrow = 0;
    std::int64_t t = 0;
    for (std::size_t i = 0; i < n; ++i) {
      const std::uint64_t product = qhat * vn[i];
      t = std::int64_t{un[i + j]} - borrow - static_cast<std::int64_t>(product & 0xFFFFFFFF);
      un[i + j] = static_cast<std::uint32_t>(t);
      borrow = static_cast<std::int64_t>(product >> 32) - (t >> 32);
    }
    t = std::int64_t{un[j + n]} - borrow;
    un[j + n] = static_cast<std::uint32_t>(t);
    if (t < 0) {  // qhat was one too large: add the denominator back
      --qhat;
      std::uint64_t carry = 0;
      for (std::size_t i = 0; i < n; ++i) {
        const std::uint64_t sum = std::uint64_t{un[i + j]} + vn[i] + carry;
        un[i + j] = static_cast<std::uint32_t>(sum);
        carry = sum >> 32;
      }
      un[j + n] += static_cast<std::uint32_t>(carry);
    }
    assert(j < 2 || qhat == 0);
    if (j < 2) quotient |= qhat << (32 * j);
  }
  u.trim();
  // The remainder, normalised back.
  if (shift != 0) {
    std::uint32_t carry = 0;
    for (std::size_t i = un.size(); i-- > 0;) {
      const std::uint32_t next = un[i] << (32 - shift);
      un[i] = (un[i] >> shift) | carry;
      carry = next;
    }
    u.trim();
  }
  return {quotient, std::move(u)};
}

}  // namespace kestrin
