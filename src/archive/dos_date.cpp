#include "archive/file_system.h"

namespace qx {

// Years before 1980 have no encoding; they and years past 2107 are pinned to the ends.
uint32_t PackDosDateTime(const TDosDateTime& t) {
  int year = t.Year - 1980;
  if (year < 0) return (1u << 5 | 1u) << 16;  // 1980-01-01 00:00:00
  if (year > 127) year = 127;
  const uint32_t date = static_cast<uint32_t>(year) << 9 | static_cast<uint32_t>(t.Month & 15) << 5 |
                        static_cast<uint32_t>(t.Day & 31);
  const uint32_t time = static_cast<uint32_t>(t.Hour & 31) << 11 |
                        static_cast<uint32_t>(t.Minute & 63) << 5 |
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
