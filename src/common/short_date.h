#pragma once
// Dates as the session writes them (the burn worker puts today's date into the disc title). The
// process keeps its own short date format, set once at start; it is not the C run time's locale
// and not the user's regional settings, which belong to the whole desktop.
#include <string>

namespace qx {

// The format the session sets at start.
inline constexpr const char kSessionShortDateFormat[] = "mm/dd/yyyy";

// The date in the format: "yyyy" the year in four digits, "yy" its last two, "mm" and "dd" the
// month and day in two digits, "m" and "d" without a leading zero; other characters stay as
// they are (letters compared in any case).
std::string FormatShortDate(const std::string& format, int year, int month, int day);

}  // namespace qx
