#pragma once
// TDisplayInfo: the color depth of the display the window is shown on.
#include "ui/display_rules.h"

namespace qx {

class TDisplayInfo {
public:
  // The display's color mode; throws Exception "Running in unknown color mode" for a depth
  // outside 4..32 bits per pixel.
  TColorMode ColorMode() const;
  static int BitsPerPixel();
};

}  // namespace qx
