#include "common/delay.h"

namespace qx {

void DelayWith(TDelayHost& host, uint32_t milliseconds) {
  const uint32_t start = host.TickCount();
  for (;;) {
    const uint32_t elapsed = host.TickCount() - start;
    if (elapsed >= milliseconds || host.Terminated()) return;
    host.ProcessMessages();
    const uint32_t now = host.TickCount() - start;
    if (now >= milliseconds || host.Terminated()) return;
    host.WaitForMessages(milliseconds - now);
  }
}

}  // namespace qx
