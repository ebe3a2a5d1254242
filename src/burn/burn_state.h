#pragma once
// The state one recording shares between the burn thread, its progress worker and the window
// thread's abort. Only one burn runs at a time; the data module owns the one instance. The flags
// and numbers that cross threads are atomics: the hand-over needs no lock, but each read must see
// a whole value. Each field says who writes it; the window thread reads the outcome's values only
// after the burn thread has ended, or in the abort, where each read is of one whole atomic value.
#include <atomic>
#include <cstdint>
#include <memory>

#include "burn/burn_platform.h"
#include "recording/track_list.h"

namespace qx {

struct TBurnState {
  std::unique_ptr<TTrackList> TrackList;      // made and freed by the burn thread
  TBurnWindow* StatusWindow = nullptr;        // taken by the burn thread when it starts
  std::unique_ptr<TBurnEvent> ProgressEvent;  // set by the library, reset by the progress worker
  std::atomic<bool> BurnDone{false};          // the write is over or aborted: the worker ends
  uint32_t SectorSize = 0;                    // burn thread, before the progress worker starts
  std::atomic<int32_t> ProgressInterval{0};   // sectors per signal, computed by the progress worker
  std::atomic<bool> IntervalReady{false};     // the worker has passed the interval step
  std::atomic<int32_t> LastWriteResult{0};    // burn thread; 0 until a write call has returned
  // The outcome's values, written by the burn thread and read by the window thread.
  std::atomic<int32_t> Result{-1};                 // burn thread: 2 no folder, 7 write failed
  std::atomic<int64_t> SpeedX{0};                  // burn thread, in the speed step
  std::atomic<uint32_t> SizeMB{0};                 // burn thread, in the speed step
  std::atomic<bool> PriorSaidHoldThrottle{false};  // burn thread, in the speed step
  std::atomic<bool> SpeedSet{false};               // burn thread, last of the speed step's values
};

}  // namespace qx
