// Today's date in the process's short date format.
#include <windows.h>

#include "platform/common_utils.h"
#include "common/short_date.h"

namespace qx {

std::string TodayShortDate() {
  SYSTEMTIME today{};
  GetLocalTime(&today);
  return FormatShortDate(kSessionShortDateFormat, today.wYear, today.wMonth, today.wDay);
}

}  // namespace qx
