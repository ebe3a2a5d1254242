#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "common/delay.h"

using namespace qx;

namespace {

// A clock that advances by `Step` milliseconds with every round of message processing.
class TFakeHost : public TDelayHost {
public:
  explicit TFakeHost(uint32_t now, uint32_t step = 10) : Now(now), Step(step) {}
  uint32_t TickCount() override { return Now; }
  bool Terminated() override { return TerminateAfterRounds >= 0 && Rounds >= TerminateAfterRounds; }
  void ProcessMessages() override {
    ++Rounds;
    Now += Step;
  }
  // The sleep between rounds ends early, as a message would end it: after `Step` at the most.
  void WaitForMessages(uint32_t milliseconds) override {
    Waits.push_back(milliseconds);
    Now += milliseconds < Step ? milliseconds : Step;
  }
  uint32_t Now;
  uint32_t Step;
  std::vector<uint32_t> Waits;
  int Rounds = 0;
  int TerminateAfterRounds = -1;
};

TEST(Delay, ProcessesMessagesUntilTheTimeHasPassed) {
  TFakeHost host(1000);
  DelayWith(host, 100);
  EXPECT_EQ(host.Rounds, 5);
  EXPECT_EQ(host.Now, 1100u);
}

// Between rounds the wait sleeps for what is left of the time at the most, so it never spins and
// never overshoots.
TEST(Delay, SleepsBetweenRoundsForWhatIsLeft) {
  TFakeHost host(1000, 30);
  DelayWith(host, 100);
  EXPECT_EQ(host.Waits, (std::vector<uint32_t>{70, 10}));
  EXPECT_EQ(host.Now, 1100u);
}

TEST(Delay, ZeroReturnsAtOnceWithoutProcessingMessages) {
  TFakeHost host(1000);
  DelayWith(host, 0);
  EXPECT_EQ(host.Rounds, 0);
}

TEST(Delay, ReturnsEarlyWhenTheApplicationTerminates) {
  TFakeHost host(0);
  host.TerminateAfterRounds = 3;
  DelayWith(host, 1000000);
  EXPECT_EQ(host.Rounds, 3);
}

TEST(Delay, WaitsTheFullTimeAcrossAWrapOfTheTickCounter) {
  // The end time overflows 32 bits: the wait must neither end at once nor run forever.
  TFakeHost overflowing(0xFFFFFFF0u);
  DelayWith(overflowing, 100);
  EXPECT_EQ(overflowing.Rounds, 5);
  EXPECT_EQ(overflowing.Now, 0xFFFFFFF0u + 100u);
  // The counter wraps while the end time does not: still exactly the wanted time.
  TFakeHost nearWrap(0xFFFFFF00u, 1);
  DelayWith(nearWrap, 0xFF);
  EXPECT_EQ(nearWrap.Rounds, 128);
  EXPECT_EQ(nearWrap.Now, 0xFFFFFFFFu);
  TFakeHost pastWrap(0xFFFFFFFFu, 1);
  DelayWith(pastWrap, 50);
  EXPECT_EQ(pastWrap.Rounds, 25);
  EXPECT_EQ(pastWrap.Now, 49u);
}

}  // namespace
