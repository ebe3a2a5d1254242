#pragma once
// What the start-up learns of the platform, once, before any run mode begins. The composition
// root makes this value and hands it to whoever needs it; nothing changes it afterwards.
#include <cstdint>

namespace qx {

struct TPlatformFacts {
  // NT 4 or any later Windows (false on Windows 95, 98 and Me): how batch files are started, how
  // the window first comes to the front, which checks apply.
  bool IsNT = false;
  // The applet file's size from the start-up's size test; 0 where no size test ran (maintenance
  // and preview).
  int32_t AppletSize = 0;
};

}  // namespace qx
