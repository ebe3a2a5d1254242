#pragma once
// The display's color modes and the colors the window takes in each: on a 4-bit or 8-bit
// display a gradient would dither into noise, so the window falls back to plain red with black
// memo text.
#include "ui/gradient_rules.h"

namespace qx {

enum class TColorMode { cm4bit, cm8bit, cm16bit, cm24bit, cm32bit, cmError };

// The mode of a display with `bitsPerPixel` bits per pixel. Throws Exception with the text
// "Running in unknown color mode" when the value is outside 4..32.
TColorMode ColorModeOfBits(int bitsPerPixel);

struct TWindowColors {
  TColor GradientStart;
  TColor GradientEnd;
  TColor MemoText;
};

constexpr TColor kGradientRed = 2490564;  // red 196, green 0, blue 38

// The window's colors in `mode` (window creation's color set-up).
TWindowColors WindowColorsFor(TColorMode mode);

}  // namespace qx
