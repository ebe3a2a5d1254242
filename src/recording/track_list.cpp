#include "recording/track_list.h"

#include <cstring>

namespace qx {

namespace {

// Copies at most size - 1 characters and zero-fills the rest, so the field is always terminated.
void CopyCut(char* field, std::size_t size, const std::string& text) {
  std::memset(field, 0, size);
  std::memcpy(field, text.data(), text.size() < size ? text.size() : size - 1);
}

}  // namespace

void SetTrackPath(TTrackList& list, std::size_t index, const std::string& path) {
  if (index < kTrackListEntries) CopyCut(list.Paths[index], kTrackPathSize, path);
}

void SetTrackTitle(TTrackList& list, std::size_t index, const std::string& title) {
  if (index < kTrackListEntries) CopyCut(list.TrackTitles[index], kTrackTitleSize, title);
}

void SetDiscTitle(TTrackList& list, const std::string& title) {
  CopyCut(list.DiscTitle, kTrackTitleSize, title);
}

void FillSingleTrack(TTrackList& list, const std::string& folder, uint64_t folderSize,
                     const std::string& title, const std::string& discTitle) {
  std::memset(&list, 0, sizeof list);
  list.PathCount = 1;
  SetTrackPath(list, 0, folder);
  list.TrackFlags[0] = 0;
  list.TrackCount = 1;
  list.TrackSizes[0] = static_cast<uint32_t>(folderSize & 0xFFFFFFFFu);
  SetTrackTitle(list, 0, title);
  SetDiscTitle(list, discTitle);
}

}  // namespace qx
