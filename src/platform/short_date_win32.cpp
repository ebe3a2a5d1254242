// The process's short date format and today's date in it.
#include <windows.h>

#include "platform/common_utils.h"
#include "common/short_date.h"

namespace qx {

std::string ShortDateFormat = kSessionShortDateFormat;

std::string TodayShortDate() {
  SYSTEMTIME today{};
  GetLocalTime(&today);
  return FormatShortDate(ShortDateFormat, today.wYear, today.wMonth, today.wDay);
}

}  // namespace qx
