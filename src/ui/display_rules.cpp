#include "ui/display_rules.h"

#include "base/exception.h"
#include "res/texts.h"

namespace qx {

TColorMode ColorModeOfBits(int bitsPerPixel) {
  if (bitsPerPixel < 4 || bitsPerPixel > 32) throw Exception(TextById(IDS_UNKNOWN_COLOR_MODE));
  switch (bitsPerPixel) {
    case 4: return TColorMode::cm4bit;
    case 8: return TColorMode::cm8bit;
    case 16: return TColorMode::cm16bit;
    case 24: return TColorMode::cm24bit;
    case 32: return TColorMode::cm32bit;
    default: return TColorMode::cmError;
  }
}

TWindowColors WindowColorsFor(TColorMode mode) {
  const TColor black = MakeColor(0, 0, 0);
  if (mode == TColorMode::cm4bit || mode == TColorMode::cm8bit)
    return {MakeColor(255, 0, 0), MakeColor(255, 0, 0), black};
  return {black, kGradientRed, MakeColor(255, 255, 255)};
}

}  // namespace qx
