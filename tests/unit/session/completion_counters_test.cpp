// What a finished recording counts: one success of its write method, never past the largest
// counter the history can hold, and nothing at all when the session was cancelled first.
#include <gtest/gtest.h>

#include <cstdint>

#include "session_world.h"

namespace qx::test {
namespace {

constexpr int32_t kLargest = 2147483647;

TEST(SessionCompletion, CountersStopAtTheLargestValue) {
  TSessionWorld w;
  w.Host.Registry["TAOModeSuccess"] = "2147483647";
  w.Host.Registry["TAOModeFail"] = "2147483647";
  w.Form->LoadHistory();
  w.Form->RecordingFinished(TBurnOutcome{});
  EXPECT_EQ(w.Form->TAOModeSuccess, kLargest);
  EXPECT_TRUE(w.MemoHas(w.Texts.Text(IDS_BURN_COMPLETED)));
}

TEST(SessionCompletion, AfterACancelNothingIsCountedOrReported) {
  TSessionWorld w;
  w.Host.Registry["TAOModeSuccess"] = "4";
  w.Form->LoadHistory();
  w.Form->SetResult(rsCancelled);
  w.Form->RecordingFinished(TBurnOutcome{});
  EXPECT_EQ(w.Form->TAOModeSuccess, 4);
  EXPECT_EQ(w.Form->ResultCode, rsCancelled);
  EXPECT_FALSE(w.MemoHas(w.Texts.Text(IDS_BURN_COMPLETED)));
}

}  // namespace
}  // namespace qx::test
