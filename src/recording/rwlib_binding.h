#pragma once
// The applet's binding to the outside recording library: loads it at run time, resolves its entry
// points by name, starts its engine on the first recorder that answers, calls the entry points
// through their slots, and turns result codes into texts. One instance per process; only the window
// thread binds and releases.
#include <array>
#include <cstdint>
#include <string>

#include "recording/library_loader.h"
#include "recording/rwlib_api.h"

namespace qx {

class RwLibBinding {
public:
  RwLibBinding(ILibraryLoader& loader, ITextSource& texts, std::string libraryName = "RwLib.dll");

  // True when the library is loaded. A bind while loaded looks the names up again without loading.
  bool BindRecordingLibrary();
  // True when a loaded library was freed; false (and nothing freed) otherwise.
  bool ReleaseRecordingLibrary();
  bool Loaded() const { return Loaded_; }

  // Calls `Start` on adapters 0-7 x targets 0-7 until one answers 1. 23 when none answers, the
  // library is not loaded, or a fault is raised inside it; on success the device found.
  int32_t StartRecordingEngine(uint8_t memoryFactor, int32_t value, int32_t* adapter = nullptr,
                               int32_t* target = nullptr);

  // The message for a result code; "Code " and the unsigned value for codes without one.
  std::string ErrorText(int32_t code);

  // The entry points the applet uses. Each answers 3 while the library is not loaded and 4 when it
  // does not export the name, without calling anything.
  int32_t BlankDisc(int32_t mode);
  int32_t GetDiscInfo(int32_t* blank, int32_t* second, int32_t* erasable, int32_t* ready, int32_t* mediaType);
  int32_t SetCdSpeeds(uint16_t first, uint16_t writeSpeed);
  int32_t GetCdSpeeds(uint16_t* first, uint16_t* current, uint16_t* third, uint16_t* highest);
  int32_t Unload();
  int32_t Load();
  int32_t IsDeviceReadyEx();
  int32_t BurnProofControl(int32_t mode);
  // Texts are read no further than the library's 1024-byte buffers.
  int32_t GetVendorProductStrings(std::string& vendor, std::string& product);
  int32_t GetSupportedWriteModes(int32_t* trackAtOnce, int32_t* flag2, int32_t* flag3);
  // A fault inside the library is caught; `faulted` tells whether one was.
  int32_t AbortWrite(bool* faulted = nullptr);
  int32_t WriteCdDataTaoPerList(TTrackList* list, const char* volumeName, int32_t interval, void** event,
                                int32_t testFlag);

  // The address in a slot (for tests and diagnostics).
  TLibraryProc Slot(rwlib::TSlot slot) const { return Slots_[slot]; }

private:
  // The slot's entry point as its real type, or nullptr with `code` set to the answer to give.
  template <typename Fn>
  Fn Entry(rwlib::TSlot slot, int32_t& code) const;

  ILibraryLoader& Loader_;
  ITextSource& Texts_;
  std::string LibraryName_;
  void* Handle_ = nullptr;
  bool Loaded_ = false;
  std::array<TLibraryProc, rwlib::kSlotCount> Slots_{};
};

}  // namespace qx
