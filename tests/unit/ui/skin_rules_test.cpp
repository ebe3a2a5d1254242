#include <gtest/gtest.h>

#include <string>

#include "base/exception.h"
#include "res/texts.h"
#include "ui/display_rules.h"
#include "ui/gradient_rules.h"
#include "ui/skin_rules.h"

using namespace qx;

namespace {

const TColor kBlack = MakeColor(0, 0, 0);
const TColor kRed = MakeColor(196, 0, 38);

TEST(SkinGradient, RoundedMulDivRoundsHalvesAwayFromZero) {
  struct TCase {
    int32_t A, B, C, Expected;
  };
  for (const TCase& c : {TCase{64, 196, 128, 98}, TCase{64, 38, 128, 19}, TCase{1, 343, 128, 3},
                         TCase{3, 1, 2, 2}, TCase{-3, 1, 2, -2}, TCase{3, -1, 2, -2}, TCase{3, 1, -2, -2},
                         TCase{127, 196, 128, 194}, TCase{5, 7, 0, -1}, TCase{2147483647, 2, 2, 2147483647}})
    EXPECT_EQ(RoundedMulDiv(c.A, c.B, c.C), c.Expected) << c.A << "*" << c.B << "/" << c.C;
}

TEST(SkinGradient, BandsOfTheWindowGradient) {
  // Black to red over a client area 343 pixels high.
  const TGradientBand top = GradientBand(0, 0, 343, kBlack, kRed);
  EXPECT_EQ(top.From, 0);
  EXPECT_EQ(top.To, 3);
  EXPECT_EQ(top.Color, kBlack);
  const TGradientBand middle = GradientBand(64, 0, 343, kBlack, kRed);
  EXPECT_EQ(middle.From, 172);  // 171.5 rounded up
  EXPECT_EQ(middle.To, 174);
  EXPECT_EQ(middle.Color, MakeColor(98, 0, 19));
  const TGradientBand last = GradientBand(kGradientSteps, 0, 343, kBlack, kRed);
  EXPECT_EQ(last.Color, kRed);
  EXPECT_EQ(last.From, 343);  // starts at the far edge: the last visible band is the one before
  const TGradientBand lastVisible = GradientBand(kGradientSteps - 1, 0, 343, kBlack, kRed);
  EXPECT_EQ(lastVisible.To, 343);
  EXPECT_EQ(lastVisible.Color, MakeColor(194, 0, 38));
}

TEST(SkinGradient, BandsTileTheAreaWithoutGapsFromAnyOrigin) {
  for (int32_t extent : {1, 100, 343, 364, 1000}) {
    int32_t next = 7;
    for (int i = 0; i < kGradientBands; ++i) {
      const TGradientBand band = GradientBand(i, 7, extent, kBlack, kRed);
      EXPECT_EQ(band.From, next) << "extent " << extent << " band " << i;
      EXPECT_GE(band.To, band.From);
      next = band.To;
    }
    EXPECT_GE(next, 7 + extent);
  }
}

TEST(SkinGradient, EveryChannelRunsFromStartToEndBothWays) {
  const TColor start = MakeColor(10, 250, 0);
  const TColor end = MakeColor(250, 10, 255);
  EXPECT_EQ(GradientBand(0, 0, 50, start, end).Color, start);
  EXPECT_EQ(GradientBand(kGradientSteps, 0, 50, start, end).Color, end);
  EXPECT_EQ(GradientBand(64, 0, 50, start, end).Color, MakeColor(130, 130, 128));  // 127.5 -> 128
  EXPECT_EQ(GradientBand(kGradientSteps, 0, 50, end, start).Color, start);
}

TEST(SkinDisplay, ColorModeOfEachDepth) {
  struct TCase {
    int Bits;
    TColorMode Mode;
  };
  for (const TCase& c :
       {TCase{4, TColorMode::cm4bit}, TCase{8, TColorMode::cm8bit}, TCase{16, TColorMode::cm16bit},
        TCase{24, TColorMode::cm24bit}, TCase{32, TColorMode::cm32bit}, TCase{15, TColorMode::cmError},
        TCase{5, TColorMode::cmError}, TCase{31, TColorMode::cmError}})
    EXPECT_EQ(ColorModeOfBits(c.Bits), c.Mode) << c.Bits << " bits";
}

TEST(SkinDisplay, DepthsOutsideFourToThirtyTwoAreAnError) {
  for (int bits : {0, 1, 3, 33, 64, -8}) {
    try {
      ColorModeOfBits(bits);
      ADD_FAILURE() << bits << " bits gave no error";
    } catch (const Exception& error) {
      EXPECT_EQ(std::string(error.what()), TextById(IDS_UNKNOWN_COLOR_MODE));
    }
  }
}

TEST(SkinDisplay, LowColorDisplaysGetPlainRedAndBlackMemoText) {
  const TColor white = MakeColor(255, 255, 255);
  const TColor plainRed = MakeColor(255, 0, 0);
  struct TCase {
    int Bits;
    TColor Start, End, Text;
  };
  for (const TCase& c : {TCase{4, plainRed, plainRed, kBlack}, TCase{8, plainRed, plainRed, kBlack},
                         TCase{15, kBlack, kRed, white}, TCase{16, kBlack, kRed, white},
                         TCase{24, kBlack, kRed, white}, TCase{32, kBlack, kRed, white}}) {
    const TWindowColors colors = WindowColorsFor(ColorModeOfBits(c.Bits));
    EXPECT_EQ(colors.GradientStart, c.Start) << c.Bits << " bits";
    EXPECT_EQ(colors.GradientEnd, c.End) << c.Bits << " bits";
    EXPECT_EQ(colors.MemoText, c.Text) << c.Bits << " bits";
  }
  EXPECT_EQ(kGradientRed, kRed);
}

TEST(SkinForm, CaptionGoesAndComesBackOnFramedWindows) {
  const uint32_t withCaption = 0x00C80000;  // caption + system menu
  const uint32_t without = 0x00080000;
  EXPECT_EQ(StyleForCaptionOption(withCaption, true, TFormBorderStyle::Single), without);
  EXPECT_EQ(StyleForCaptionOption(without, false, TFormBorderStyle::Single), withCaption);
  EXPECT_EQ(StyleForCaptionOption(without, true, TFormBorderStyle::None), without);
  EXPECT_EQ(StyleForCaptionOption(without, false, TFormBorderStyle::None), without);
}

TEST(SkinForm, OnlyTheClientAreaBecomesADragHandle) {
  const TSkinOptions drag = ocDragUsingClientArea | ocPaintGradiently;
  EXPECT_EQ(HitTestForDrag(kHitClient, drag), kHitCaption);
  EXPECT_EQ(HitTestForDrag(kHitClient, ocPaintGradiently), kHitClient);
  for (int64_t other : {0, -1, 3, 5, 17, 20})  // nowhere, transparent, menu, minimise, ...
    EXPECT_EQ(HitTestForDrag(other, drag), other);
}

TEST(SkinForm, RestoreAndMaximiseRepaintTheGradient) {
  EXPECT_TRUE(RepaintsAfterSize(kSizeRestored, ocPaintGradiently));
  EXPECT_TRUE(RepaintsAfterSize(kSizeMaximized, ocPaintGradiently));
  EXPECT_FALSE(RepaintsAfterSize(1, ocPaintGradiently));  // minimised
  EXPECT_FALSE(RepaintsAfterSize(kSizeRestored, ocNoCaption));
}

TEST(SkinButton, FaceInEachState) {
  struct TCase {
    TButtonState State;
    bool Frame;
    TButtonEdge Edge;
    int CaptionInset, Shift;
    bool Embossed, Focus;
  };
  const TCase cases[] = {
      {{false, false, false, true}, false, TButtonEdge::Raised, 2, 0, false, false},
      {{true, false, false, true}, true, TButtonEdge::Raised, 3, 0, false, true},
      {{false, true, false, true}, true, TButtonEdge::Raised, 3, 0, false, false},
      {{true, false, true, true}, true, TButtonEdge::Sunken, 2, 1, false, true},
      {{false, false, true, true}, false, TButtonEdge::Sunken, 1, 1, false, false},
      {{false, false, false, false}, false, TButtonEdge::Raised, 2, 0, true, false},
  };
  for (const TCase& c : cases) {
    const TButtonFace face = ButtonFaceFor(c.State);
    SCOPED_TRACE(testing::Message() << "focused " << c.State.Focused << " default " << c.State.Default
                                    << " pressed " << c.State.Pressed << " enabled " << c.State.Enabled);
    EXPECT_EQ(face.Frame, c.Frame);
    EXPECT_EQ(face.EdgeInset, c.Frame ? 1 : 0);
    EXPECT_EQ(face.Edge, c.Edge);
    EXPECT_EQ(face.CaptionInset, c.CaptionInset);
    EXPECT_EQ(face.CaptionShift, c.Shift);
    EXPECT_EQ(face.Embossed, c.Embossed);
    EXPECT_EQ(face.FocusRectangle, c.Focus);
    EXPECT_EQ(face.FocusInset, 4);
  }
}

}  // namespace
