// The write speed rule: the machine's base speed, the hold after a good recording (released by
// every tenth success) and the step-down after a bad one.
#include <gtest/gtest.h>

#include "recording/speed_rule.h"

namespace qx {
namespace {

constexpr uint16_t kHighest = 7056;  // a 40X recorder

// A fast NT machine with a BurnProof recorder and no history.
TSpeedInputs Fast() {
  TSpeedInputs in;
  in.IsNT = true;
  in.CpuSpeed = 1000;
  in.MemoryFactor = 4;
  in.BurnProof = true;
  in.HighestWriteSpeed = kHighest;
  return in;
}

struct TBaseCase {
  const char* Name;
  bool IsNT;
  int32_t Cpu;
  int32_t MemoryFactor;
  bool BurnProof;
  uint16_t Speed;
};

class SessionBaseSpeed : public ::testing::TestWithParam<TBaseCase> {};

TEST_P(SessionBaseSpeed, FollowsTheMachineAndTheRecorder) {
  const TBaseCase& c = GetParam();
  TSpeedInputs in = Fast();
  in.IsNT = c.IsNT;
  in.CpuSpeed = c.Cpu;
  in.MemoryFactor = c.MemoryFactor;
  in.BurnProof = c.BurnProof;
  const TSpeedChoice choice = ChooseWriteSpeed(in);
  EXPECT_EQ(choice.Speed, c.Speed);
  EXPECT_FALSE(choice.PriorSaidHoldThrottle);
}

INSTANTIATE_TEST_SUITE_P(Table, SessionBaseSpeed,
                         ::testing::Values(TBaseCase{"NtFastBurnProof", true, 301, 4, true, kHighest},
                                           TBaseCase{"NtAt300IsNotFast", true, 300, 4, true, 706},
                                           TBaseCase{"NtFastWithoutBurnProof", true, 500, 2, false, 1411},
                                           TBaseCase{"NtFastLowMemoryFactor", true, 500, 1, false, 706},
                                           TBaseCase{"NineXAt500BurnProof", false, 500, 2, true, 1411},
                                           TBaseCase{"NineXAt800BurnProof", false, 800, 4, true, 1411},
                                           TBaseCase{"NineXAt801BurnProof", false, 801, 4, true, kHighest},
                                           TBaseCase{"NineXSlow", false, 300, 4, true, 706}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(SessionBaseSpeedNoSpeeds, ARecorderWhoseSpeedsCouldNotBeReadGivesItsZero) {
  TSpeedInputs in = Fast();
  in.HighestWriteSpeed = 0;
  EXPECT_EQ(ChooseWriteSpeed(in).Speed, 0);
}

struct THistoryCase {
  const char* Name;
  bool Good;
  bool Hold;
  int32_t PriorX;
  int32_t Tao, Sao, Dao;
  uint16_t Speed;
  bool HoldAfter;
};

class SessionSpeedHistory : public ::testing::TestWithParam<THistoryCase> {};

TEST_P(SessionSpeedHistory, HoldsOrStepsDownFromThePriorSpeed) {
  const THistoryCase& c = GetParam();
  TSpeedInputs in = Fast();
  in.PriorBurnWasGood = c.Good;
  in.PriorSaidHoldThrottle = c.Hold;
  in.PriorX = c.PriorX;
  in.TAOModeSuccess = c.Tao;
  in.SAOModeSuccess = c.Sao;
  in.DAOModeSuccess = c.Dao;
  const TSpeedChoice choice = ChooseWriteSpeed(in);
  EXPECT_EQ(choice.Speed, c.Speed);
  EXPECT_EQ(choice.PriorSaidHoldThrottle, c.HoldAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SessionSpeedHistory,
    ::testing::Values(
        // a good recording under hold keeps the speed of the last one
        THistoryCase{"Hold19Successes", true, true, 8, 19, 0, 0, 1411, true},
        THistoryCase{"TwentiethSuccessReleases", true, true, 8, 20, 0, 0, kHighest, false},
        THistoryCase{"TenthCountsAllMethods", true, true, 8, 5, 3, 2, kHighest, false},
        THistoryCase{"NoSuccessesKeepsHold", true, true, 8, 0, 0, 0, 1411, true},
        THistoryCase{"HoldAbove12", true, true, 13, 1, 0, 0, 2822, true},
        THistoryCase{"Hold12", true, true, 12, 1, 0, 0, 2117, true},
        THistoryCase{"Hold10", true, true, 10, 1, 0, 0, 1764, true},
        THistoryCase{"Hold6", true, true, 6, 1, 0, 0, 706, true},
        THistoryCase{"Hold4", true, true, 4, 1, 0, 0, 706, true},
        THistoryCase{"Hold2", true, true, 2, 1, 0, 0, 353, true},
        THistoryCase{"Hold1", true, true, 1, 1, 0, 0, 353, true},
        THistoryCase{"HoldOddFactorKeepsBase", true, true, 3, 1, 0, 0, kHighest, true},
        THistoryCase{"NoHoldUsesBase", true, false, 2, 1, 0, 0, kHighest, false},
        // after a bad recording the speed steps down and the hold is set
        THistoryCase{"BadAbove10", false, false, 11, 0, 0, 0, 1764, true},
        THistoryCase{"Bad10", false, false, 10, 0, 0, 0, 1411, true},
        THistoryCase{"Bad8", false, false, 8, 0, 0, 0, 706, true},
        THistoryCase{"Bad6", false, false, 6, 0, 0, 0, 706, true},
        THistoryCase{"Bad4", false, false, 4, 0, 0, 0, 353, true},
        THistoryCase{"Bad3KeepsBase", false, false, 3, 0, 0, 0, kHighest, true},
        THistoryCase{"BadTenthSuccessDoesNotRelease", false, true, 8, 10, 0, 0, 706, true}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(SessionSpeedHistoryWide, CountersNearTheirLimitDoNotOverflow) {
  TSpeedInputs in = Fast();
  in.PriorSaidHoldThrottle = true;
  in.PriorX = 8;
  in.TAOModeSuccess = 2147483647;
  in.SAOModeSuccess = 2147483647;
  in.DAOModeSuccess = 6;  // sum 4294967300, a multiple of ten
  EXPECT_FALSE(ChooseWriteSpeed(in).PriorSaidHoldThrottle);
}

}  // namespace
}  // namespace qx
