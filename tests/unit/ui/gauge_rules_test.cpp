#include <gtest/gtest.h>

#include <string>

#include "ui/gauge_rules.h"

using namespace qx;

namespace {

TEST(GaugeRules, PercentDoneCutsTowardsZero) {
  EXPECT_EQ(GaugePercentDone(0, 100, 0), 0);
  EXPECT_EQ(GaugePercentDone(0, 100, 96), 96);
  EXPECT_EQ(GaugePercentDone(0, 1000, 509), 50);
  EXPECT_EQ(GaugePercentDone(0, 3, 2), 66);
  EXPECT_EQ(GaugePercentDone(5, 5, 5), 0);                                    // empty range
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

TEST(GaugeModel, ProgressClampsAndRepaintsOnlyWhenThePercentMoves) {
  TGaugeModel gauge;
  EXPECT_TRUE(gauge.SetProgress(150));
  EXPECT_EQ(gauge.Progress(), 100);
  EXPECT_FALSE(gauge.SetProgress(100));  // the same position: nothing happens
  EXPECT_TRUE(gauge.SetProgress(-5));
  EXPECT_EQ(gauge.Progress(), 0);

  TGaugeModel fine;
  fine.SetMaxValue(1000);
  EXPECT_TRUE(fine.SetProgress(500));
  EXPECT_FALSE(fine.SetProgress(505));  // still 50 %: stored, not repainted
  EXPECT_EQ(fine.Progress(), 505);
  EXPECT_TRUE(fine.SetProgress(510));
}

TEST(GaugeModel, MaxValueBelowTheMinimumIsRefusedAndChangesNothing) {
  TGaugeModel gauge;
  gauge.SetMinValue(10);
  gauge.SetProgress(40);
  try {
    gauge.SetMaxValue(5);
    FAIL() << "no error";
  } catch (const EInvalidOperation& error) {
    EXPECT_EQ(std::string(error.what()), "Value must be between 11 and 2147483647");
  }
  EXPECT_EQ(gauge.MaxValue(), 100);
  EXPECT_EQ(gauge.Progress(), 40);
}

TEST(GaugeModel, MinValueAboveTheMaximumIsRefusedAndChangesNothing) {
  TGaugeModel gauge;
  try {
    gauge.SetMinValue(101);
    FAIL() << "no error";
  } catch (const EInvalidOperation& error) {
    EXPECT_EQ(std::string(error.what()), "Value must be between -2147483647 and 99");
  }
  EXPECT_EQ(gauge.MinValue(), 0);
}

TEST(GaugeModel, RangeChangesDragThePositionAlong) {
  TGaugeModel gauge;
  gauge.SetProgress(80);
  EXPECT_TRUE(gauge.SetMaxValue(50));
  EXPECT_EQ(gauge.Progress(), 50);
  EXPECT_TRUE(gauge.SetMinValue(20));
  EXPECT_EQ(gauge.Progress(), 50);
  gauge.SetProgress(20);
  EXPECT_TRUE(gauge.SetMinValue(30));
  EXPECT_EQ(gauge.Progress(), 30);
  EXPECT_FALSE(gauge.SetMaxValue(50));  // the same value
  EXPECT_FALSE(gauge.SetMinValue(30));
}

TEST(GaugeModel, WhileLoadingTheRangeMayBeSetInAnyOrder) {
  TGaugeModel gauge;
  gauge.Loading = true;
  EXPECT_TRUE(gauge.SetMinValue(200));
  EXPECT_TRUE(gauge.SetMaxValue(300));
  EXPECT_EQ(gauge.MinValue(), 200);
  EXPECT_EQ(gauge.MaxValue(), 300);
}

TEST(GaugeModel, LookPropertiesRepaintOnlyOnChange) {
  TGaugeModel gauge;
  EXPECT_FALSE(gauge.SetForeColor(MakeColor(0, 0, 0)));
  EXPECT_TRUE(gauge.SetForeColor(MakeColor(196, 0, 38)));
  EXPECT_FALSE(gauge.SetForeColor(MakeColor(196, 0, 38)));
  EXPECT_FALSE(gauge.SetBackColor(MakeColor(255, 255, 255)));
  EXPECT_TRUE(gauge.SetBackColor(MakeColor(0, 0, 0)));
  EXPECT_FALSE(gauge.SetBorderStyle(TGaugeBorderStyle::Single));
  EXPECT_TRUE(gauge.SetBorderStyle(TGaugeBorderStyle::None));
  EXPECT_FALSE(gauge.SetShowText(true));
  EXPECT_TRUE(gauge.SetShowText(false));
}

struct TPictureCase {
  int Percent;
  int Right;
};

TEST(GaugeModel, TheMainBarFillsByItsInclusiveWidth) {
  // The window's right gauge: 279 x 17, no border.
  for (const TPictureCase& c :
       {TPictureCase{0, 0}, TPictureCase{50, 140}, TPictureCase{96, 268}, TPictureCase{100, 280}}) {
    TGaugeModel gauge;
    gauge.SetBorderStyle(TGaugeBorderStyle::None);
    gauge.SetProgress(c.Percent);
    const TGaugePicture picture = gauge.Picture(279, 17);
    EXPECT_EQ(picture.Bar.Left, 0);
    EXPECT_EQ(picture.Bar.Right, 279);
    EXPECT_EQ(picture.Filled.Right, c.Right) << c.Percent << " %";
    if (c.Right > 0) EXPECT_EQ(picture.Filled.Bottom, 18) << c.Percent << " %";
  }
}

// The window's left gauge is 26 pixels wide: at 4 % its fill is exactly one pixel, and painted.
TEST(GaugeModel, AFillOfOnePixelIsPainted) {
  TGaugeModel gauge;
  gauge.SetBorderStyle(TGaugeBorderStyle::None);
  gauge.SetProgress(4);
  const TGaugePicture picture = gauge.Picture(25, 17);
  EXPECT_EQ(picture.Filled.Left, 0);
  EXPECT_EQ(picture.Filled.Right, 1);
  EXPECT_EQ(picture.Filled.Bottom, 18);
  gauge.SetProgress(3);
  EXPECT_EQ(gauge.Picture(25, 17).Filled.Right, 0);
}

TEST(GaugeModel, ASingleBorderLeavesAOnePixelFrame) {
  TGaugeModel gauge;
  gauge.SetProgress(50);
  const TGaugePicture picture = gauge.Picture(102, 20);
  EXPECT_EQ(picture.Bar.Left, 1);
  EXPECT_EQ(picture.Bar.Top, 1);
  EXPECT_EQ(picture.Bar.Right, 101);
  EXPECT_EQ(picture.Bar.Bottom, 19);
  EXPECT_EQ(picture.Filled.Left, 1);
  EXPECT_EQ(picture.Filled.Right, 50);  // 101 * 50 % cut, as an x position
  EXPECT_EQ(picture.Filled.Bottom, 19);
}

TEST(GaugeModel, CaptionIsThePercentage) {
  TGaugeModel gauge;
  gauge.SetMaxValue(3);
  gauge.SetProgress(2);
  EXPECT_EQ(gauge.Caption(), "66%");
}

}  // namespace
