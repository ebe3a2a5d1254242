#include "common/short_date.h"

#include <cstdio>

namespace qx {

namespace {

// The length of the run of `letter` (in either case) at `at`.
std::size_t RunLength(const std::string& format, std::size_t at, char letter) {
  std::size_t end = at;
  while (end < format.size() && (format[end] | 0x20) == letter) ++end;
  return end - at;
}

std::string Digits(int value, int width) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*d", width, value);
  return text;
}

}  // namespace

std::string FormatShortDate(const std::string& format, int year, int month, int day) {
  std::string text;
  for (std::size_t at = 0; at < format.size();) {
    const char letter = static_cast<char>(format[at] | 0x20);
    const std::size_t run =
        letter == 'y' || letter == 'm' || letter == 'd' ? RunLength(format, at, letter) : 0;
    if (run == 0) {
      text += format[at++];
      continue;
    }
    if (letter == 'y')
      text += run >= 3 ? Digits(year, 4) : Digits(year % 100, 2);
    else
      text += Digits(letter == 'm' ? month : day, run >= 2 ? 2 : 1);
    at += run;
  }
  return text;
}

}  // namespace qx
