#include "app/delay.h"

namespace qx {

void DelayWith(TDelayHost& host, uint32_t milliseconds) {
  const uint32_t start = host.TickCount();
  while (static_cast<uint32_t>(host.TickCount() - start) < milliseconds) {
    if (host.Terminated()) return;
    host.ProcessMessages();
  }
}

}  // namespace qx
