#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "shell/caption_number.h"
#include "shell/integer.h"
#include "shell/rect.h"

namespace kestrin {
namespace {

// True when f raises the run-time error `kind`, and no other.
template <class F>
bool raises(ErrorKind kind, F f) {
  try {
    f();
  } catch (const RuntimeError& e) {
    return e.kind() == kind;
  }
  return false;
}

template <class F>
bool overflows(F f) {
  return raises(ErrorKind::Overflow, f);
}

TEST(Rounding, HalvesGoToTheEvenInteger) {
  const std::pair<double, int> cases[] = {{0.5, 0},  {1.5, 2},   {2.5, 2},  {-0.5, 0},
                                          {-1.5, -2}, {-2.5, -2}, {2.4999, 2}, {2.5001, 3}};
  for (const auto& [value, expected] : cases) {
    EXPECT_EQ(toInt32(value), expected) << value;
    EXPECT_EQ(toInt16(value), expected) << value;
  }
}

TEST(Rounding, OutOfRangeOrNotANumberIsOverflow) {
  EXPECT_EQ(toInt16(32767.4), 32767);
  EXPECT_EQ(toInt16(-32768.5), -32768);  // ties to even: -32768
  EXPECT_TRUE(overflows([] { toInt16(32767.5); }));
  EXPECT_TRUE(overflows([] { toInt16(-32769); }));
  EXPECT_EQ(toInt32(2147483647.0), 2147483647);
  EXPECT_TRUE(overflows([] { toInt32(2147483647.5); }));
  EXPECT_TRUE(overflows([] { toInt32(-2147483649.0); }));
  EXPECT_TRUE(overflows([] { toInt32(std::numeric_limits<double>::quiet_NaN()); }));
  EXPECT_TRUE(overflows([] { toInt32(std::numeric_limits<double>::infinity()); }));
}

// The fast conversion against the library's rounding: every half and
// quarter across the 16-bit range, the edges of both ranges, and a spread
// of values with fractions, as twips sums give them.
TEST(Rounding, AgreesWithLibraryRoundingAcrossTheRanges) {
  for (int n = -2 * 32769; n <= 2 * 32768; ++n) {
    for (double fraction : {0.0, 0.25, 0.5}) {
      const double value = n / 2.0 + fraction;
      if (value >= -32768.5 && value < 32767.5) {
        ASSERT_EQ(toInt16(value), std::nearbyint(value)) << value;
      }
      ASSERT_EQ(toInt32(value), std::nearbyint(value)) << value;
    }
  }
  EXPECT_EQ(toInt32(-2147483648.5), std::numeric_limits<std::int32_t>::min());
  EXPECT_THROW(toInt32(std::nextafter(-2147483648.5, -3e9)), RuntimeError);
  EXPECT_EQ(toInt32(std::nextafter(2147483647.5, 0.0)), 2147483647);
  EXPECT_THROW(toInt16(std::nextafter(-32768.5, -4e4)), RuntimeError);
  double value = 0.1;
  for (int i = 0; i < 100000; ++i) {
    value = std::fmod(std::abs(value * 7919.37 + 0.618), 4.2e9) - 2.1e9;  // both signs
    ASSERT_EQ(toInt32(value), std::nearbyint(value)) << value;
  }
}

// The rectangle of a shape loaded from a design row with this box.
RECT rectOfShape(float left, float top, float width, float height) {
  const ControlDesign row{.kind = ControlKind::Shape,
                          .left = left, .top = top, .width = width, .height = height};
  return rectOf(Control(row));
}

TEST(Rect, ControlEdgesAreRoundedSumsInDoublePrecision) {
  EXPECT_EQ(rectOfShape(7680, 8520, 375, 375), (RECT{7680, 8520, 8055, 8895}));
  // 0.5 + 1.5 = 2 exactly; each edge rounds on its own, halves to even.
  EXPECT_EQ(rectOfShape(0.5f, 1.5f, 1.5f, 1), (RECT{0, 2, 2, 2}));
  // 16777216 + 1 is not representable in single precision but is in double:
  // right = 16777217 is kept, not rounded back to 16777216.
  EXPECT_EQ(rectOfShape(16777216.0f, 0, 1, 1).right, 16777217);
  EXPECT_TRUE(overflows([] { (void)rectOfShape(3e9f, 0, 1, 1); }))
      << "a left edge of 3e9 fits no 32-bit integer";
}

TEST(IntersectRect, OverlapNeedsPositiveWidthAndHeight) {
  RECT out{9, 9, 9, 9};
  const RECT a{0, 0, 10, 10};
  EXPECT_NE(IntersectRect(out, a, a), 0);
  EXPECT_EQ(out, a);

  EXPECT_NE(IntersectRect(out, a, RECT{9, 9, 20, 20}), 0);  // one unit square
  EXPECT_EQ(out, (RECT{9, 9, 10, 10}));

  const RECT touching[] = {{10, 0, 20, 10}, {0, 10, 10, 20}, {10, 10, 20, 20}, {-10, -10, 0, 0}};
  for (const RECT& b : touching) {
    out = RECT{1, 2, 3, 4};
    EXPECT_EQ(IntersectRect(out, a, b), 0);
    EXPECT_EQ(out, RECT{});
  }
  // A rectangle of zero width overlaps nothing, not even one that contains it.
  EXPECT_EQ(IntersectRect(out, RECT{5, 0, 5, 10}, a), 0);
  EXPECT_EQ(IntersectRect(out, a, RECT{5, 5, 4, 6}), 0);  // inverted: empty
}

TEST(CaptionNumber, ReadsSignedDecimalsWithBlanksAround) {
  EXPECT_EQ(captionNumber("3"), 3);
  EXPECT_EQ(captionNumber("  -2.5\t"), -2.5);
  EXPECT_EQ(captionNumber("+7"), 7);
  EXPECT_EQ(captionNumber("007"), 7);
  EXPECT_EQ(captionNumber("1000"), 1000);
  EXPECT_EQ(captionNumber("0.1"), 0.1);
  EXPECT_EQ(captionNumber("1."), 1);
}

TEST(CaptionNumber, TextThatIsNotANumberIsATypeMismatch) {
  for (const char* text :
       {"", " ", "abc", "3 lives", "1e3", "--1", "+", ".", "1.2.3", "0x10", "Lost Life"}) {
    EXPECT_TRUE(raises(ErrorKind::TypeMismatch, [text] { (void)captionNumber(text); })) << text;
  }
  EXPECT_TRUE(overflows([] { (void)captionNumber(std::string(400, '9')); }))
      << "400 nines fit no double";
  EXPECT_EQ(captionNumber("0." + std::string(400, '0') + "1"), 0);  // too small: zero
}

TEST(CaptionNumber, WritesShortestTextWithoutExponentOrLeadingBlank) {
  EXPECT_EQ(numberCaption(3), "3");
  EXPECT_EQ(numberCaption(200), "200");
  EXPECT_EQ(numberCaption(-1), "-1");
  EXPECT_EQ(numberCaption(0.5), "0.5");
  EXPECT_EQ(numberCaption(0.1 + 0.2), "0.30000000000000004");
  EXPECT_EQ(numberCaption(-0.0), "0");
  EXPECT_EQ(numberCaption(1e21), "1000000000000000000000");
  // Whatever is written reads back as the same number.
  for (double v : {575.0 + 25, 1e-7, 123456789.125, -1e300}) {
    EXPECT_EQ(captionNumber(numberCaption(v)), v) << v;
  }
}

TEST(Integer, ArithmeticNeverWraps) {
  Integer step = -80;
  EXPECT_EQ(-step, 80);
  EXPECT_EQ(Integer(32767) - 1, 32766);
  EXPECT_TRUE(overflows([] { return -Integer(-32768); }));
  EXPECT_TRUE(overflows([] { return Integer(32767) + 1; }));
  EXPECT_TRUE(overflows([] { return Integer(-32768) - Integer(1); }));
  EXPECT_TRUE(overflows([] { return Integer(40000); }));
}

TEST(Integer, AddedToAPositionTheSumIsSinglePrecision) {
  const float position = 16777216.0f;  // 2^24: the next single is 2^24 + 2
  const Integer step = 1;
  const float moved = position + step;
  EXPECT_EQ(moved, 16777216.0f);
  EXPECT_EQ(7680.0f + Integer(-80), 7600.0f);
}

}  // namespace
}  // namespace kestrin
