#include <gtest/gtest.h>

#include "ui/gauge_rules.h"

using namespace qx;

namespace {

TEST(GaugeRules, PercentDoneCutsTowardsZero) {
  EXPECT_EQ(GaugePercentDone(0, 100, 0), 0);
  EXPECT_EQ(GaugePercentDone(0, 100, 96), 96);
  EXPECT_EQ(GaugePercentDone(0, 1000, 509), 50);
  EXPECT_EQ(GaugePercentDone(0, 3, 2), 66);
  EXPECT_EQ(GaugePercentDone(5, 5, 5), 0);  // empty range
  EXPECT_EQ(GaugePercentDone(-2147483647 - 1, 2147483647, 2147483647), 100);  // no overflow
}

TEST(GaugeRules, ProgressIsClampedToTheRange) {
  EXPECT_EQ(GaugeClamp(0, 100, 150), 100);
  EXPECT_EQ(GaugeClamp(0, 100, -5), 0);
  EXPECT_EQ(GaugeClamp(0, 100, 42), 42);
}

TEST(GaugeRules, FilledWidthOfTheMainBar) {
  // The main bar is 279 pixels wide, counted inclusively 280.
  EXPECT_EQ(GaugeFilledWidth(280, 50), 140);
  EXPECT_EQ(GaugeFilledWidth(280, 96), 268);
  EXPECT_EQ(GaugeFilledWidth(280, 100), 280);
  EXPECT_EQ(GaugeFilledWidth(280, 0), 0);
  EXPECT_EQ(GaugeFilledWidth(26, 3), 0);
  EXPECT_EQ(GaugeFilledWidth(280, 150), 280);
}

}  // namespace
