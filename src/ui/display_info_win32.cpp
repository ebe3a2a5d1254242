#include "ui/display_info_win32.h"

#include <windows.h>

#include "platform/handles_win32.h"

namespace qx {

int TDisplayInfo::BitsPerPixel() {
  TWindowDc screen(nullptr);
  return GetDeviceCaps(screen.Get(), BITSPIXEL) * GetDeviceCaps(screen.Get(), PLANES);
}

TColorMode TDisplayInfo::ColorMode() const { return ColorModeOfBits(BitsPerPixel()); }

}  // namespace qx
