#pragma once
// The state one recording shares between the burn thread, its progress worker and the window
// thread's abort. Only one burn runs at a time; the data module owns the one instance. The flags
// and numbers that cross threads are atomics: the hand-over needs no lock, but each read must see
// a whole value.
#include <atomic>
#include <cstdint>
#include <memory>

#include "recording/burn_platform.h"
#include "recording/track_list.h"

namespace qx {

struct TBurnState {
  std::unique_ptr<TTrackList> TrackList;      // made and freed by the burn thread
  TBurnWindow* StatusWindow = nullptr;        // taken by the burn thread when it starts
  std::unique_ptr<TBurnEvent> ProgressEvent;  // set by the library, reset by the progress worker
  std::atomic<bool> BurnDone{false};          // the write is over or aborted: the worker ends
  uint32_t SectorSize = 0;
  std::atomic<int32_t> ProgressInterval{0};  // sectors per signal, computed by the progress worker
  std::atomic<bool> IntervalReady{false};    // the worker has passed the interval step
  std::atomic<int32_t> LastWriteResult{0};   // 0 until a write call has returned
};

}  // namespace qx
