#include "common/short_date.h"

#include <gtest/gtest.h>

namespace qx {
namespace {

struct TDateCase {
  const char* Format;
  int Year, Month, Day;
  const char* Expected;
};

TEST(ShortDate, FormatsEachTokenOfTheFormat) {
  const TDateCase cases[] = {
      {kSessionShortDateFormat, 2026, 8, 12, "08/12/2026"},
      {kSessionShortDateFormat, 2026, 12, 3, "12/03/2026"},
      {"MM/DD/YYYY", 1999, 1, 31, "01/31/1999"},
      {"d.m.yy", 2026, 8, 5, "5.8.26"},
      {"yyyy-mm-dd", 2000, 2, 29, "2000-02-29"},
      {"dd mm yy", 2005, 10, 1, "01 10 05"},
      {"", 2026, 8, 12, ""},
      {"[x]", 2026, 8, 12, "[x]"},
  };
  for (const TDateCase& c : cases)
    EXPECT_EQ(FormatShortDate(c.Format, c.Year, c.Month, c.Day), c.Expected) << c.Format;
}

}  // namespace
}  // namespace qx
