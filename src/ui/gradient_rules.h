#pragma once
// The window's gradient: the client rectangle is filled in kGradientBands solid bands whose
// edges and colors come from rounding integer scaling, so that the first band is exactly the
// start color and the last one exactly the end color.
#include <cstdint>

namespace qx {

// A color as the platform packs it: red in the low byte, then green, then blue.
using TColor = uint32_t;

constexpr TColor MakeColor(int red, int green, int blue) {
  return static_cast<TColor>(red) | static_cast<TColor>(green) << 8 | static_cast<TColor>(blue) << 16;
}
constexpr int RedOf(TColor color) { return color & 0xFF; }
constexpr int GreenOf(TColor color) { return color >> 8 & 0xFF; }
constexpr int BlueOf(TColor color) { return color >> 16 & 0xFF; }

// a * b / c rounded to the nearest integer, halves away from zero; -1 when c is 0.
int32_t RoundedMulDiv(int32_t a, int32_t b, int32_t c);

constexpr int kGradientSteps = 128;
constexpr int kGradientBands = kGradientSteps + 1;

struct TGradientBand {
  int32_t From;  // first pixel (row or column) of the band
  int32_t To;    // one past its last pixel
  TColor Color;
};

// Band `index` (0 .. kGradientSteps) of a gradient over `extent` pixels starting at `origin`.
// The last band starts at the far edge, so only bands 0 .. kGradientSteps - 1 are visible.
TGradientBand GradientBand(int index, int32_t origin, int32_t extent, TColor start, TColor end);

}  // namespace qx
