#pragma once
// The record handed to the library's write call: one fixed layout that the library reads by offset,
// so its size and every field position are checked at compile time.
#include <cstddef>
#include <cstdint>
#include <string>

namespace qx {

constexpr std::size_t kTrackListEntries = 99;
constexpr std::size_t kTrackPathSize = 260;  // 259 characters and the terminator
constexpr std::size_t kTrackTitleSize = 82;  // 81 characters and the terminator

// Every field is naturally aligned at its offset, so no packing is needed; the asserts below keep it so.
struct TTrackList {
  int32_t PathCount;
  char Paths[kTrackListEntries][kTrackPathSize];
  int32_t TrackFlags[kTrackListEntries];
  int32_t TrackCount;
  uint32_t TrackSizes[kTrackListEntries];
  char TrackTitles[kTrackListEntries][kTrackTitleSize];
  char DiscTitle[kTrackTitleSize];
};

static_assert(sizeof(TTrackList) == 34740, "the library reads a 34,740-byte record");
static_assert(offsetof(TTrackList, PathCount) == 0, "PathCount");
static_assert(offsetof(TTrackList, Paths) == 4, "Paths");
static_assert(offsetof(TTrackList, TrackFlags) == 25744, "TrackFlags");
static_assert(offsetof(TTrackList, TrackCount) == 26140, "TrackCount");
static_assert(offsetof(TTrackList, TrackSizes) == 26144, "TrackSizes");
static_assert(offsetof(TTrackList, TrackTitles) == 26540, "TrackTitles");
static_assert(offsetof(TTrackList, DiscTitle) == 34658, "DiscTitle");

// Entry `index`'s folder: zero-filled, then at most 259 characters of `path`.
void SetTrackPath(TTrackList& list, std::size_t index, const std::string& path);
// Entry `index`'s title, at most 81 characters.
void SetTrackTitle(TTrackList& list, std::size_t index, const std::string& title);
// The disc title, at most 81 characters.
void SetDiscTitle(TTrackList& list, const std::string& title);

// The one-track list the burn writes: the folder, flags 0, the low 32 bits of the folder's size,
// the track's title and the disc title. Clears the whole record first.
void FillSingleTrack(TTrackList& list, const std::string& folder, uint64_t folderSize,
                     const std::string& title, const std::string& discTitle);

}  // namespace qx
