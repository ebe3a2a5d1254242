#pragma once
// The applet's binding to the outside recording library: loads it at run time, resolves its entry
// points by name, starts its engine on the first recorder that answers, calls the entry points
// through their slots, and turns result codes into texts. One instance per process; only the window
// thread binds and releases.
#include <array>
#include <cstdint>
#include <mutex>
#include <string>

#include "recording/library_loader.h"
#include "recording/rwlib_api.h"

namespace qx {

class TRwLibBinding {
public:
  TRwLibBinding(TLibraryLoader& loader, TTextSource& texts, std::string libraryName = "RwLib.dll");

  // True when the library is loaded. A bind while loaded looks the names up again without loading.
  bool BindRecordingLibrary();
  // True when a loaded library was freed; false (and nothing freed) otherwise. A library whose
  // write call has not returned yet (on the burn thread) is never freed: the call would go on in
  // code that is no longer there. It stays loaded, and the process's end takes it.
  bool ReleaseRecordingLibrary();
  // A write call is inside the library now.
  bool WriteRunning() {
    std::lock_guard<std::mutex> guard(ReleaseLock);
    return WritesInside > 0;
  }
  bool Loaded() const { return LibraryLoaded; }

  // Calls `Start` on adapters 0-7 x targets 0-7 until one answers 1. 23 when none answers, the
  // library is not loaded, or a fault is raised inside it; on success the device found.
  int32_t StartRecordingEngine(uint8_t memoryFactor, int32_t value, int32_t* adapter = nullptr,
                               int32_t* target = nullptr);

  // The message for a result code; "Code " and the unsigned value for codes without one.
  std::string ErrorText(int32_t code);

  // The entry points the applet calls, one per row of the list in rwlib_api.h. Each answers 3
  // while the library is not loaded and 4 when it does not export the name, without calling
  // anything.
#define QX_RWLIB_DECLARE(name, parameters, ...) int32_t name parameters;
#define QX_RWLIB_SKIP(name, ...)
  QX_RWLIB_ENTRY_POINTS(QX_RWLIB_DECLARE, QX_RWLIB_SKIP, QX_RWLIB_SKIP)
#undef QX_RWLIB_DECLARE
#undef QX_RWLIB_SKIP
  // Texts are read no further than the library's 1024-byte buffers.
  int32_t GetVendorProductStrings(std::string& vendor, std::string& product);
  // A fault inside the library is caught; `faulted` tells whether one was.
  int32_t AbortWrite(bool* faulted = nullptr);
  // The one blocking write, on the burn thread; counted while it is inside the library.
  int32_t WriteCdDataTaoPerList(TTrackList* list, const char* volumeName, int32_t interval, void** event,
                                int32_t testFlag);

  // The address in a slot (for tests and diagnostics).
  TLibraryProc Slot(rwlib::TSlot slot) const { return Slots[slot]; }

private:
  // The slot's entry point as its real type, or nullptr with `code` set to the answer to give.
  template <typename Fn>
  Fn Entry(rwlib::TSlot slot, int32_t& code) const;

  TLibraryLoader& Loader;
  TTextSource& Texts;
  std::string LibraryName;
  void* Handle = nullptr;
  bool LibraryLoaded = false;
  std::array<TLibraryProc, rwlib::kSlotCount> Slots{};
  std::mutex ReleaseLock;
  int WritesInside = 0;  // write calls inside the library; guarded by ReleaseLock
};

}  // namespace qx
