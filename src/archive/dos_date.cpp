#include "archive/file_system.h"

namespace qx {

// Times outside 1980-2107 have no encoding. Every host adapter passes its broken-down local time
// through here, so such a file gets the same stored date whichever host wrote the archive: the
// nearest end of the range, the first or the last second that a DOS date can say.
uint32_t PackDosDateTime(const TDosDateTime& t) {
  const int year = t.Year - 1980;
  if (year < 0) return (1u << 5 | 1u) << 16;  // 1980-01-01 00:00:00
  if (year > 127) return (127u << 9 | 12u << 5 | 31u) << 16 | (23u << 11 | 59u << 5 | 29u);
  const uint32_t date = static_cast<uint32_t>(year) << 9 | static_cast<uint32_t>(t.Month & 15) << 5 |
                        static_cast<uint32_t>(t.Day & 31);
  const uint32_t time = static_cast<uint32_t>(t.Hour & 31) << 11 | static_cast<uint32_t>(t.Minute & 63) << 5 |
                        static_cast<uint32_t>((t.Second / 2) & 31);
  return date << 16 | time;
}

TDosDateTime UnpackDosDateTime(uint32_t packed) {
  const uint32_t date = packed >> 16, time = packed & 0xFFFF;
  return TDosDateTime{static_cast<int>(1980 + (date >> 9)), static_cast<int>((date >> 5) & 15),
                      static_cast<int>(date & 31),          static_cast<int>(time >> 11),
                      static_cast<int>((time >> 5) & 63),   static_cast<int>((time & 31) * 2)};
}

}  // namespace qx
