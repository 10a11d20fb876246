#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <string>

#include "shell/decimal.h"
#include "tools/numbers/number_check.h"

namespace kestrin {
namespace {

std::string fixed(double value) {
  std::string out;
  appendFixed(out, value);
  return out;
}

std::string shortest(float value) {
  std::string out;
  appendShortest(out, value);
  return out;
}

// The cases where writing the shortest text is easiest to get wrong: whole
// numbers whose shortest digits end before the units, signs of zero, the
// choice of an exponent, the ends of both ranges.
TEST(Decimal, WritesTheShortestTextAsTheStandardLibraryDoes) {
  const std::pair<double, const char*> doubles[] = {
      {3, "3"},
      {-0.0, "-0"},
      {0.1 + 0.2, "0.30000000000000004"},
      {1e22, "10000000000000000000000"},
      {1e23, "99999999999999991611392"},
      {9007199254740993.0, "9007199254740992"},
      {123456789012345680000.0, "123456789012345683968"},
      {1e-7, "0.0000001"},
      {-2.5e-5, "-0.000025"},
      {std::numeric_limits<double>::infinity(), "inf"},
  };
  for (const auto& [value, text] : doubles) EXPECT_EQ(fixed(value), text) << value;
  EXPECT_EQ(fixed(std::numeric_limits<double>::denorm_min()), "0." + std::string(323, '0') + "5");
  EXPECT_EQ(fixed(std::numeric_limits<double>::max()).size(), 309u);

  const std::pair<float, const char*> floats[] = {
      {7680, "7680"},  {-300, "-300"},  {-0.0f, "-0"},        {0.5f, "0.5"},
      {10000, "10000"}, {100000, "1e+05"}, {1e-4f, "1e-04"},    {0.001f, "0.001"},
      {1e20f, "1e+20"}, {123456792, "123456792"}, {16777217, "16777216"},
      {3.4028235e38f, "3.4028235e+38"}, {1e-45f, "1e-45"}, {0.1f, "0.1"},
  };
  for (const auto& [value, text] : floats) EXPECT_EQ(shortest(value), text) << value;
}

TEST(Decimal, ReadsDigitsRoundedToTheNearestDoubleTiesToEven) {
  const std::pair<const char*, double> cases[] = {
      {"0.1", 0.1},
      {"1.", 1},
      {".5", 0.5},
      {"007", 7},
      {"9007199254740993", 9007199254740992.0},  // halfway: to the even neighbour
      {"9007199254740995", 9007199254740996.0},
      {"9007199254740993.00000000000000000000000000001", 9007199254740994.0},
      {"0.000000000000000000000000000000000000000000000000000000000000000000000000000000000000000"
       "000000000000000000000000000000000000000000000000000000000000000000000000000000000000000"
       "000000000000000000000000000000000000000000000000000000000000000000000000000000000000000"
       "0000000000000000000000000000000000000000000000000000000000000000000001",
       0.0},  // far below the least double
  };
  for (const auto& [text, value] : cases) EXPECT_EQ(readFixed(text), value) << text;
  // Halfway between the largest double (odd) and 2^1024: too large; just
  // below it, the largest.
  std::string halfway =
      "179769313486231580793728971405303415079934132710037826936173778980444968292764750946649"
      "017977587207096330286416692887910946555547851940402630657488671505820681908902000708383"
      "676273854845817711531764475730270069855571366959622842914819860834936475292719074168444"
      "365510704342711559699508093042880177904174497792";
  EXPECT_EQ(readFixed(halfway), std::numeric_limits<double>::infinity());
  halfway.back() = '1';
  EXPECT_EQ(readFixed(halfway), std::numeric_limits<double>::max());
  for (const char* text : {"", ".", "-1", "+1", " 1", "1 ", "1e3", "1.2.3", "0x10", "1,5"}) {
    EXPECT_FALSE(readFixed(text)) << text;
  }
}

// Against the standard library's <charconv>, where it has them, over a
// sample of every kind of value; kestrin-number-check runs millions.
TEST(Decimal, AgreesWithTheStandardLibraryOverASampleOfEveryKind) {
  for (const auto& kind : numbers::checkNumbers(20000, 2)) {
    EXPECT_EQ(kind.differed, 0u) << kind.name << ", for example " << kind.examples.front();
    EXPECT_GT(kind.checked, 0u) << kind.name;
  }
}

// Hosts run under toolkits that set the C locale from the environment.
class DecimalUnderACommaLocale : public testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8"}) {
      if (std::setlocale(LC_ALL, name) != nullptr && *std::localeconv()->decimal_point == ',') return;
    }
    GTEST_SKIP() << "no locale with a decimal comma is installed";
  }
  void TearDown() override { std::setlocale(LC_ALL, before_.c_str()); }

 private:
  std::string before_ = std::setlocale(LC_ALL, nullptr);
};

TEST_F(DecimalUnderACommaLocale, WritesAndReadsAsInTheCLocale) {
  EXPECT_EQ(fixed(-2.5), "-2.5");
  EXPECT_EQ(shortest(0.5f), "0.5");
  EXPECT_EQ(shortest(1e20f), "1e+20");
  EXPECT_EQ(readFixed("2.5"), 2.5);
  EXPECT_EQ(readFixed("0.30000000000000004"), 0.1 + 0.2);
  EXPECT_FALSE(readFixed("2,5"));
}

}  // namespace
}  // namespace kestrin
