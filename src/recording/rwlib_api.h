#pragma once
// The entry points of the outside recording library "RwLib.dll" as the applet calls them: the
// calling convention of exported Windows functions, the argument widths the library expects, and
// the order in which the bind resolves them.
#include <cstddef>
#include <cstdint>

#if defined(_WIN32)
#define QX_RWLIB_CALL __stdcall
#else
#define QX_RWLIB_CALL
#endif

namespace qx {

struct TTrackList;

namespace rwlib {

// Result codes the binding itself produces or that callers test for.
enum TResult : int32_t {
  rcUnknown = 0,
  rcSuccess = 1,
  rcNotLoaded = 3,    // "Unable to load the dll"
  rcNoEntry = 4,      // "Unable to find dll entry"
  rcTerminated = 19,  // "Burning process terminated"
  rcNoFeature = 20,   // "Device doesn't support requested feature"
  rcDeviceNotPresent = 23,
};

// The library's text outputs are buffers of this size.
constexpr std::size_t kTextBufferSize = 1024;

using TStart = int32_t(QX_RWLIB_CALL*)(int32_t adapter, int32_t target, uint8_t zero, uint8_t memoryFactor,
                                       int32_t value);
using TBlankDisc = int32_t(QX_RWLIB_CALL*)(int32_t mode);
using TGetDiscInfo = int32_t(QX_RWLIB_CALL*)(int32_t* blank, int32_t* second, int32_t* erasable,
                                             int32_t* ready, int32_t* mediaType);
using TSetCdSpeeds = int32_t(QX_RWLIB_CALL*)(uint16_t first, uint16_t writeSpeed);
using TGetCdSpeeds = int32_t(QX_RWLIB_CALL*)(uint16_t* first, uint16_t* current, uint16_t* third,
                                             uint16_t* highest);
using TNoArguments = int32_t(QX_RWLIB_CALL*)();
using TBurnProofControl = int32_t(QX_RWLIB_CALL*)(int32_t mode);
using TGetVendorProductStrings = int32_t(QX_RWLIB_CALL*)(char* vendor, char* product);
using TGetSupportedWriteModes = int32_t(QX_RWLIB_CALL*)(int32_t* trackAtOnce, int32_t* flag2, int32_t* flag3);
using TWriteCdDataTaoPerList = int32_t(QX_RWLIB_CALL*)(TTrackList* list, const char* volumeName,
                                                       int32_t interval, void** event, int32_t testFlag);

// The slots, in the order the bind looks the names up.
enum TSlot : std::size_t {
  slStart,
  slBlankDisc,
  slIsDiscBlank,
  slGetDiscInfo,
  slSetCdSpeeds,
  slGetCdSpeeds,
  slUnload,
  slLoad,
  slSendOpc,
  slIsDeviceReadyEx,
  slBurnProofControl,
  slGetVendorProductStrings,
  slGetSupportedWriteModes,
  slAbortWrite,
  slWriteCdAudioTao,
  slWriteCdAudioSao,
  slWriteCdAudioDao,
  slWriteCdDataTao,
  slWriteCdDataTaoPerList,
  kSlotCount
};

// Exported names, indexed by TSlot.
extern const char* const kEntryNames[kSlotCount];

}  // namespace rwlib
}  // namespace qx
