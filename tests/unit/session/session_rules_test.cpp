// The session's small rules: memory factor, version texts, the PATH's folders, result codes and
// the time estimate's arithmetic.
#include <gtest/gtest.h>

#include "recording/burn_rules.h"
#include "session/session_rules.h"

namespace qx {
namespace {

struct TMemoryCase {
  uint64_t AvailableMiB, TotalMiB;
  int32_t Factor;
};

TEST(SessionMemoryFactor, Table) {
  const TMemoryCase cases[] = {
      {7, 0, 4},  {0, 51, 4}, {6, 50, 2}, {5, 21, 2},      {5, 0, 2},
      {0, 21, 2}, {4, 20, 0}, {0, 0, 0},  {4096, 8192, 4},
  };
  for (const TMemoryCase& c : cases) {
    // A byte short of the next MiB still counts as the lower MiB.
    const uint64_t almostOneMore = (1u << 20) - 1;
    const TMemoryStatus memory{(c.AvailableMiB << 20) + almostOneMore, (c.TotalMiB << 20) + almostOneMore};
    EXPECT_EQ(MemoryFactorFor(memory), c.Factor) << c.AvailableMiB << " of " << c.TotalMiB;
  }
}

TEST(SessionFileVersionText, FormsAndTheMissingResource) {
  const TFileVersion v{4, 6, 0, 1021};
  EXPECT_EQ(FileVersionTextOf(v, "Short"), "4.60");
  EXPECT_EQ(FileVersionTextOf(v, "Long"), "4.60(1021)");
  EXPECT_EQ(FileVersionTextOf(v, "Full"), "4.60(1021)");
  EXPECT_EQ(FileVersionTextOf(v, "long"), "4.60");  // the form is compared exactly
  EXPECT_EQ(FileVersionTextOf(TFileVersion{10, 12, 345, 6}, "Short"), "10.12345");
  EXPECT_EQ(FileVersionTextOf(TFileVersion{65535, 0, 0, 65535}, "Long"), "65535.00(65535)");
  EXPECT_EQ(FileVersionTextOf(std::nullopt, "Short"), "6");
  EXPECT_EQ(FileVersionTextOf(std::nullopt, "Long"), "6");
}

TEST(SessionPathFolders, SplitsOnSemicolonsAndDropsEmptyEntries) {
  EXPECT_EQ(PathFolders(""), std::vector<std::string>{});
  EXPECT_EQ(PathFolders("C:\\A"), std::vector<std::string>{"C:\\A"});
  EXPECT_EQ(PathFolders(";C:\\A;;D:\\B\\;"), (std::vector<std::string>{"C:\\A", "D:\\B\\"}));
  EXPECT_EQ(JoinPath("C:\\A", "x.dll"), "C:\\A\\x.dll");
  EXPECT_EQ(JoinPath("D:\\B\\", "x.dll"), "D:\\B\\x.dll");
}

TEST(SessionResultCode, FirstCodeOfTwoOrMoreSticks) {
  EXPECT_EQ(NextResultCode(-1, 5), 5);
  EXPECT_EQ(NextResultCode(7, 1), 7);
  EXPECT_EQ(NextResultCode(5, 8), 5);
  EXPECT_EQ(NextResultCode(0, 1), 1);
  EXPECT_EQ(NextResultCode(1, -1), -1);
}

TEST(SessionTimeEstimate, FactorAndMinutes) {
  EXPECT_EQ(EstimateSpeedFactor(0), 2);
  EXPECT_EQ(EstimateSpeedFactor(2), 2);
  EXPECT_EQ(EstimateSpeedFactor(3), 3);
  // Factors that do not fit eight bits stay whole: no zero divisor, no negative minutes.
  EXPECT_EQ(EstimateSpeedFactor(256), 256);
  EXPECT_EQ(EstimateMinutes(200, 8), 4);
  EXPECT_EQ(EstimateMinutes(0, 2), 2);
  EXPECT_EQ(EstimateMinutes(700, 256), 2);
  EXPECT_EQ(EstimateMinutes(4400, 4), 124);
}

}  // namespace
}  // namespace qx
