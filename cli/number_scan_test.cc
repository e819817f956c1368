#include "cli/number_scan.h"

#include <cmath>
#include <cstring>
#include <limits>

#include <gtest/gtest.h>

namespace lumitone {
namespace {

constexpr double kUnchanged = -12345.0;

TEST(ScanDoubleTest, AcceptedFormsAndTheirValues) {
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    const char* text;
    bool ok;
    double value;
  } cases[] = {
      {"2", true, 2.0},
      {"5.6abc", true, 5.6},
      {"  \t\n+1.5", true, 1.5},
      {"-0.25", true, -0.25},
      {".5", true, 0.5},
      {"7.", true, 7.0},
      {"1e3", true, 1000.0},
      {"1E-3x", true, 0.001},
      {"2e", true, 2.0},  // an exponent needs digits
      {"2e+", true, 2.0},
      {"3.e1", true, 30.0},
      {"0x10", true, 0.0},  // the x ends the number
      {"60.0001", true, 60.0001},
      {"0.1", true, 0.1},
      {"1e400", true, inf},  // overflow reads as infinity
      {"-1e400", true, -inf},
      {"1e-400", true, 0.0},  // underflow reads as zero
      {"123456789012345678901234567890e-29", true, 1.2345678901234568},
      {"4.9e-324", true, 4.9406564584124654e-324},
      {"1e99999999999999999999", true, inf},
      {"0.0000000000000000000001e-99999999999", true, 0.0},
      {"", false, 0},
      {"abc", false, 0},
      {".", false, 0},
      {"-", false, 0},
      {"+.e5", false, 0},
      {"e5", false, 0},
      {"inf", false, 0},
      {"nan", false, 0},
      {" ", false, 0},
  };
  for (const Case& c : cases) {
    double value = kUnchanged;
    EXPECT_EQ(ScanDouble(c.text, value), c.ok) << c.text;
    double expected = c.ok ? c.value : kUnchanged;
    EXPECT_EQ(value, expected) << c.text;
    EXPECT_EQ(std::signbit(value), std::signbit(expected)) << c.text;
  }
}

TEST(ScanIntTest, AcceptedFormsWrapModulo2To32) {
  struct Case {
    const char* text;
    bool ok;
    int32_t value;
  } cases[] = {
      {"24", true, 24},
      {" +7", true, 7},
      {"-5", true, -5},
      {"12.7", true, 12},
      {"1000.5", true, 1000},
      {"4294967297", true, 1},
      {"2147483648", true, INT32_MIN},
      {"-2147483648", true, INT32_MIN},
      {"99999999999999999999", true, static_cast<int32_t>(1661992959u)},
      {"007", true, 7},
      {"", false, 0},
      {"x", false, 0},
      {"-", false, 0},
      {"+-1", false, 0},
      {" ", false, 0},
  };
  for (const Case& c : cases) {
    int32_t value = 777;
    EXPECT_EQ(ScanInt(c.text, value), c.ok) << c.text;
    EXPECT_EQ(value, c.ok ? c.value : 777) << c.text;
  }
}

}  // namespace
}  // namespace lumitone
