#include "synthesis/progress.h"

#include <sstream>

#include <gtest/gtest.h>

namespace lumitone {
namespace {

TEST(WriteProgressTest, WholePercentageRoundedUpWithinAThousandth) {
  struct Case {
    int32_t j, n;
    const char* text;
  } cases[] = {
      {0, 44, "\r0% done."},
      {100, 441, "\r22% done."},
      {9800, 9900, "\r98% done."},
      {2645900, 2646000, "\r99% done."},  // a minute, the longest run
      // 98.99901 and 99.99900: the thousandth lifts them to the next whole
      // percentage, so a run can end on "100% done.".
      {99000, 100001, "\r99% done."},
      {100000, 100001, "\r100% done."},
  };
  for (const Case& c : cases) {
    std::ostringstream out;
    WriteProgress(out, c.j, c.n);
    EXPECT_EQ(out.str(), c.text) << c.j << " of " << c.n;
  }
}

}  // namespace
}  // namespace lumitone
