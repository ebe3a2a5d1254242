#include "recording/rwlib_binding.h"

#include <cstring>
#include <mutex>

#include "res/texts.h"

namespace qx {

namespace {

// Every id of the text list: a result code has a message of its own exactly when its id is listed.
constexpr unsigned kAllTextIds[] = {
#define QX_TEXT(symbol, id, text) id,
#include "res/texts.def"
#undef QX_TEXT
};

// Ids 2000-2199 are reserved for result messages.
constexpr int32_t kHighestCodeWithMessage = 199;

bool HasOwnMessage(int32_t code) {
  if (code < 0 || code > kHighestCodeWithMessage) return false;
  const unsigned id = IDS_RWLIB_RESULT_BASE + static_cast<unsigned>(code);
  for (unsigned listed : kAllTextIds)
    if (listed == id) return true;
  return false;
}

std::string TextOfBuffer(const char* buffer) {
  return std::string(buffer, strnlen(buffer, rwlib::kTextBufferSize));
}

}  // namespace

TRwLibBinding::TRwLibBinding(TLibraryLoader& loader, TTextSource& texts, std::string libraryName)
    : Loader(loader), Texts(texts), LibraryName(std::move(libraryName)) {}

bool TRwLibBinding::BindRecordingLibrary() {
  if (!LibraryLoaded) {
    void* handle = Loader.Load(LibraryName);
    if (handle == nullptr) return false;
    Handle = handle;
  }
  for (std::size_t i = 0; i < rwlib::kSlotCount; ++i) Slots[i] = Loader.Lookup(Handle, rwlib::kEntryNames[i]);
  LibraryLoaded = true;
  return true;
}

bool TRwLibBinding::ReleaseRecordingLibrary() {
  std::lock_guard<std::mutex> guard(ReleaseLock);
  if (WritesInside > 0) return false;
  if (Handle != nullptr && LibraryLoaded) {
    LibraryLoaded = false;
    return Loader.Free(Handle);
  }
  LibraryLoaded = false;
  return false;
}

template <typename Fn>
Fn TRwLibBinding::Entry(rwlib::TSlot slot, int32_t& code) const {
  // The slots keep the addresses of a released library, so the loaded flag guards them too.
  if (!LibraryLoaded) {
    code = rwlib::rcNotLoaded;
    return nullptr;
  }
  if (Slots[slot] == nullptr) {
    code = rwlib::rcNoEntry;
    return nullptr;
  }
  return reinterpret_cast<Fn>(Slots[slot]);
}

int32_t TRwLibBinding::StartRecordingEngine(uint8_t memoryFactor, int32_t value, int32_t* adapter,
                                            int32_t* target) {
  int32_t code = 0;
  auto start = Entry<rwlib::TStart>(rwlib::slStart, code);
  if (start == nullptr) return rwlib::rcDeviceNotPresent;
  for (int32_t a = 0; a < 8; ++a) {
    for (int32_t t = 0; t < 8; ++t) {
      int32_t result = 0;
      if (!Loader.RunGuarded([&] { result = start(a, t, 0, memoryFactor, value); }))
        return rwlib::rcDeviceNotPresent;
      if (result == rwlib::rcSuccess) {
        if (adapter != nullptr) *adapter = a;
        if (target != nullptr) *target = t;
        return rwlib::rcSuccess;
      }
    }
  }
  return rwlib::rcDeviceNotPresent;
}

std::string TRwLibBinding::ErrorText(int32_t code) {
  if (HasOwnMessage(code)) return Texts.Text(IDS_RWLIB_RESULT_BASE + static_cast<unsigned>(code));
  return Texts.Text(IDS_RWLIB_CODE_PREFIX) + std::to_string(static_cast<uint32_t>(code));
}

// The wrappers of the list's WRAPPED rows: the slot's entry point called with the arguments, or
// the binding's own answer when the library is not loaded or lacks the name.
#define QX_RWLIB_WRAPPER(name, parameters, arguments)          \
  int32_t TRwLibBinding::name parameters {                     \
    int32_t code = 0;                                          \
    auto entry = Entry<rwlib::T##name>(rwlib::sl##name, code); \
    return entry ? entry arguments : code;                     \
  }
#define QX_RWLIB_SKIP(name, ...)
QX_RWLIB_ENTRY_POINTS(QX_RWLIB_WRAPPER, QX_RWLIB_SKIP, QX_RWLIB_SKIP)
#undef QX_RWLIB_WRAPPER
#undef QX_RWLIB_SKIP

int32_t TRwLibBinding::GetVendorProductStrings(std::string& vendor, std::string& product) {
  int32_t code = 0;
  auto fn = Entry<rwlib::TGetVendorProductStrings>(rwlib::slGetVendorProductStrings, code);
  if (fn == nullptr) return code;
  char vendorBuffer[rwlib::kTextBufferSize] = {};
  char productBuffer[rwlib::kTextBufferSize] = {};
  code = fn(vendorBuffer, productBuffer);
  vendor = TextOfBuffer(vendorBuffer);
  product = TextOfBuffer(productBuffer);
  return code;
}

int32_t TRwLibBinding::AbortWrite(bool* faulted) {
  if (faulted != nullptr) *faulted = false;
  int32_t code = 0;
  auto fn = Entry<rwlib::TAbortWrite>(rwlib::slAbortWrite, code);
  if (fn == nullptr) return code;
  if (!Loader.RunGuarded([&] { code = fn(); })) {
    if (faulted != nullptr) *faulted = true;
    return rwlib::rcUnknown;
  }
  return code;
}

int32_t TRwLibBinding::WriteCdDataTaoPerList(TTrackList* list, const char* volumeName, int32_t interval,
                                             void** event, int32_t testFlag) {
  int32_t code = 0;
  rwlib::TWriteCdDataTaoPerList fn = nullptr;
  {
    // Counted under the same lock that a release takes, so that a release either comes first
    // (and the write finds no library) or finds the write inside.
    std::lock_guard<std::mutex> guard(ReleaseLock);
    fn = Entry<rwlib::TWriteCdDataTaoPerList>(rwlib::slWriteCdDataTaoPerList, code);
    if (fn == nullptr) return code;
    ++WritesInside;
  }
  code = fn(list, volumeName, interval, event, testFlag);
  std::lock_guard<std::mutex> guard(ReleaseLock);
  --WritesInside;
  return code;
}

}  // namespace qx
