#pragma once
// The entry points of the outside recording library "RwLib.dll" as the applet calls them: the
// calling convention of exported Windows functions, the argument widths the library expects, and
// the order in which the bind resolves them. The list below is the one place where an entry point
// is written down; the slots, the exported names, the pointer types and the binding's wrappers are
// all made from it.
#include <cstddef>
#include <cstdint>

#if defined(_WIN32)
#define QX_RWLIB_CALL __stdcall
#else
#define QX_RWLIB_CALL
#endif

// Every entry point, in the order the bind looks the names up. Three kinds of row:
//   WRAPPED(Name, (parameters), (arguments))  called through a wrapper made from the row;
//   OWN(Name, (parameters))                   called through a wrapper written by hand
//                                             (a fault guard, text buffers, the device scan,
//                                             the write that the library must outlive);
//   NAMED(Name)                               never called: only bound by name.
#define QX_RWLIB_ENTRY_POINTS(WRAPPED, OWN, NAMED)                                                       \
  OWN(Start, (int32_t adapter, int32_t target, uint8_t zero, uint8_t memoryFactor, int32_t value))       \
  WRAPPED(BlankDisc, (int32_t mode), (mode))                                                             \
  NAMED(IsDiscBlank)                                                                                     \
  WRAPPED(GetDiscInfo,                                                                                   \
          (int32_t * blank, int32_t * second, int32_t * erasable, int32_t * ready, int32_t * mediaType), \
          (blank, second, erasable, ready, mediaType))                                                   \
  WRAPPED(SetCdSpeeds, (uint16_t first, uint16_t writeSpeed), (first, writeSpeed))                       \
  WRAPPED(GetCdSpeeds, (uint16_t * first, uint16_t * current, uint16_t * third, uint16_t * highest),     \
          (first, current, third, highest))                                                              \
  WRAPPED(Unload, (), ())                                                                                \
  WRAPPED(Load, (), ())                                                                                  \
  NAMED(SendOpc)                                                                                         \
  WRAPPED(IsDeviceReadyEx, (), ())                                                                       \
  WRAPPED(BurnProofControl, (int32_t mode), (mode))                                                      \
  OWN(GetVendorProductStrings, (char* vendor, char* product))                                            \
  WRAPPED(GetSupportedWriteModes, (int32_t * trackAtOnce, int32_t * flag2, int32_t * flag3),             \
          (trackAtOnce, flag2, flag3))                                                                   \
  OWN(AbortWrite, ())                                                                                    \
  NAMED(WriteCdAudioTao)                                                                                 \
  NAMED(WriteCdAudioSao)                                                                                 \
  NAMED(WriteCdAudioDao)                                                                                 \
  NAMED(WriteCdDataTao)                                                                                  \
  OWN(WriteCdDataTaoPerList,                                                                             \
      (TTrackList * list, const char* volumeName, int32_t interval, void** event, int32_t testFlag))

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

// The pointer type of each called entry point: TStart, TBlankDisc, ...
#define QX_RWLIB_TYPE(name, parameters, ...) using T##name = int32_t(QX_RWLIB_CALL*) parameters;
#define QX_RWLIB_NO_TYPE(name)
QX_RWLIB_ENTRY_POINTS(QX_RWLIB_TYPE, QX_RWLIB_TYPE, QX_RWLIB_NO_TYPE)
#undef QX_RWLIB_TYPE
#undef QX_RWLIB_NO_TYPE

// The slots, in the order the bind looks the names up: slStart, slBlankDisc, ...
#define QX_RWLIB_SLOT(name, ...) sl##name,
enum TSlot : std::size_t { QX_RWLIB_ENTRY_POINTS(QX_RWLIB_SLOT, QX_RWLIB_SLOT, QX_RWLIB_SLOT) kSlotCount };
#undef QX_RWLIB_SLOT

// Exported names, indexed by TSlot.
#define QX_RWLIB_NAME(name, ...) #name,
inline constexpr const char* kEntryNames[kSlotCount] = {
    QX_RWLIB_ENTRY_POINTS(QX_RWLIB_NAME, QX_RWLIB_NAME, QX_RWLIB_NAME)};
#undef QX_RWLIB_NAME

}  // namespace rwlib
}  // namespace qx
