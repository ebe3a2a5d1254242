#pragma once
// The wait that keeps the window responsive: it processes window messages until the time has
// passed or the application is terminating.
#include <cstdint>

namespace qx {

// What a wait needs of the platform: the millisecond tick counter (it wraps after 2^32 ms), the
// application's terminating flag and one round of pending-message processing.
class TDelayHost {
public:
  virtual ~TDelayHost() = default;
  virtual uint32_t TickCount() = 0;
  virtual bool Terminated() = 0;
  virtual void ProcessMessages() = 0;
  // Sleeps until a message arrives or the time has passed, whichever is first.
  virtual void WaitForMessages(uint32_t milliseconds) = 0;
};

// Waits `milliseconds`, processing messages as they arrive and sleeping in between, so that a long
// wait neither burns a processor nor floods the window system with polls. Measures the elapsed
// time as a difference of tick counts, so a counter that wraps during the wait neither ends it
// early nor makes it endless. Delay(0) returns at once without processing messages.
void DelayWith(TDelayHost& host, uint32_t milliseconds);

}  // namespace qx
