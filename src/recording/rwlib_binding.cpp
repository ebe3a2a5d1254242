#include "recording/rwlib_binding.h"

#include <cstring>

#include "res/texts.h"

namespace qx {

namespace rwlib {
const char* const kEntryNames[kSlotCount] = {
    "Start",
    "BlankDisc",
    "IsDiscBlank",
    "GetDiscInfo",
    "SetCdSpeeds",
    "GetCdSpeeds",
    "Unload",
    "Load",
    "SendOpc",
    "IsDeviceReadyEx",
    "BurnProofControl",
    "GetVendorProductStrings",
    "GetSupportedWriteModes",
    "AbortWrite",
    "WriteCdAudioTao",
    "WriteCdAudioSao",
    "WriteCdAudioDao",
    "WriteCdDataTao",
    "WriteCdDataTaoPerList",
};
}  // namespace rwlib

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

RwLibBinding::RwLibBinding(ILibraryLoader& loader, ITextSource& texts, std::string libraryName)
    : Loader_(loader), Texts_(texts), LibraryName_(std::move(libraryName)) {}

bool RwLibBinding::BindRecordingLibrary() {
  if (!Loaded_) {
    void* handle = Loader_.Load(LibraryName_);
    if (handle == nullptr) return false;
    Handle_ = handle;
  }
  for (std::size_t i = 0; i < rwlib::kSlotCount; ++i)
    Slots_[i] = Loader_.Lookup(Handle_, rwlib::kEntryNames[i]);
  Loaded_ = true;
  return true;
}

bool RwLibBinding::ReleaseRecordingLibrary() {
  if (Handle_ != nullptr && Loaded_) {
    Loaded_ = false;
    return Loader_.Free(Handle_);
  }
  Loaded_ = false;
  return false;
}

template <typename Fn>
Fn RwLibBinding::Entry(rwlib::TSlot slot, int32_t& code) const {
  // The slots keep the addresses of a released library, so the loaded flag guards them too.
  if (!Loaded_) {
    code = rwlib::rcNotLoaded;
    return nullptr;
  }
  if (Slots_[slot] == nullptr) {
    code = rwlib::rcNoEntry;
    return nullptr;
  }
  return reinterpret_cast<Fn>(Slots_[slot]);
}

int32_t RwLibBinding::StartRecordingEngine(uint8_t memoryFactor, int32_t value, int32_t* adapter,
                                           int32_t* target) {
  int32_t code = 0;
  auto start = Entry<rwlib::TStart>(rwlib::slStart, code);
  if (start == nullptr) return rwlib::rcDeviceNotPresent;
  for (int32_t a = 0; a < 8; ++a) {
    for (int32_t t = 0; t < 8; ++t) {
      int32_t result = 0;
      if (!Loader_.RunGuarded([&] { result = start(a, t, 0, memoryFactor, value); }))
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

std::string RwLibBinding::ErrorText(int32_t code) {
  if (HasOwnMessage(code)) return Texts_.Text(IDS_RWLIB_RESULT_BASE + static_cast<unsigned>(code));
  return Texts_.Text(IDS_RWLIB_CODE_PREFIX) + std::to_string(static_cast<uint32_t>(code));
}

int32_t RwLibBinding::BlankDisc(int32_t mode) {
  int32_t code = 0;
  auto fn = Entry<rwlib::TBlankDisc>(rwlib::slBlankDisc, code);
  return fn ? fn(mode) : code;
}

int32_t RwLibBinding::GetDiscInfo(int32_t* blank, int32_t* second, int32_t* erasable, int32_t* ready,
                                  int32_t* mediaType) {
  int32_t code = 0;
  auto fn = Entry<rwlib::TGetDiscInfo>(rwlib::slGetDiscInfo, code);
  return fn ? fn(blank, second, erasable, ready, mediaType) : code;
}

int32_t RwLibBinding::SetCdSpeeds(uint16_t first, uint16_t writeSpeed) {
  int32_t code = 0;
  auto fn = Entry<rwlib::TSetCdSpeeds>(rwlib::slSetCdSpeeds, code);
  return fn ? fn(first, writeSpeed) : code;
}

int32_t RwLibBinding::GetCdSpeeds(uint16_t* first, uint16_t* current, uint16_t* third, uint16_t* highest) {
  int32_t code = 0;
  auto fn = Entry<rwlib::TGetCdSpeeds>(rwlib::slGetCdSpeeds, code);
  return fn ? fn(first, current, third, highest) : code;
}

int32_t RwLibBinding::Unload() {
  int32_t code = 0;
  auto fn = Entry<rwlib::TNoArguments>(rwlib::slUnload, code);
  return fn ? fn() : code;
}

int32_t RwLibBinding::Load() {
  int32_t code = 0;
  auto fn = Entry<rwlib::TNoArguments>(rwlib::slLoad, code);
  return fn ? fn() : code;
}

int32_t RwLibBinding::IsDeviceReadyEx() {
  int32_t code = 0;
  auto fn = Entry<rwlib::TNoArguments>(rwlib::slIsDeviceReadyEx, code);
  return fn ? fn() : code;
}

int32_t RwLibBinding::BurnProofControl(int32_t mode) {
  int32_t code = 0;
  auto fn = Entry<rwlib::TBurnProofControl>(rwlib::slBurnProofControl, code);
  return fn ? fn(mode) : code;
}

int32_t RwLibBinding::GetVendorProductStrings(std::string& vendor, std::string& product) {
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

int32_t RwLibBinding::GetSupportedWriteModes(int32_t* trackAtOnce, int32_t* flag2, int32_t* flag3) {
  int32_t code = 0;
  auto fn = Entry<rwlib::TGetSupportedWriteModes>(rwlib::slGetSupportedWriteModes, code);
  return fn ? fn(trackAtOnce, flag2, flag3) : code;
}

int32_t RwLibBinding::AbortWrite(bool* faulted) {
  if (faulted != nullptr) *faulted = false;
  int32_t code = 0;
  auto fn = Entry<rwlib::TNoArguments>(rwlib::slAbortWrite, code);
  if (fn == nullptr) return code;
  if (!Loader_.RunGuarded([&] { code = fn(); })) {
    if (faulted != nullptr) *faulted = true;
    return rwlib::rcUnknown;
  }
  return code;
}

int32_t RwLibBinding::WriteCdDataTaoPerList(TTrackList* list, const char* volumeName, int32_t interval,
                                            void** event, int32_t testFlag) {
  int32_t code = 0;
  auto fn = Entry<rwlib::TWriteCdDataTaoPerList>(rwlib::slWriteCdDataTaoPerList, code);
  return fn ? fn(list, volumeName, interval, event, testFlag) : code;
}

}  // namespace qx
