// The codec driver: progress and cancel, key scrambling, the output budget, short input.
#include <gtest/gtest.h>

#include <vector>

#include "archive/codec_state.h"
#include "archive/memory_stream.h"

using namespace qx;

namespace {

std::vector<uint8_t> Pattern(size_t n) {
  std::vector<uint8_t> bytes(n);
  for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + i / 251);
  return bytes;
}

uint32_t Sum(const std::vector<uint8_t>& bytes) {
  uint32_t s = 0;
  for (uint8_t b : bytes) s += b;
  return s;
}

struct DriverRun {
  std::vector<uint8_t> out;
  uint32_t count = 0;
  uint32_t checksum = 0;
  TCodecOutcome outcome = TCodecOutcome::coDone;
};

DriverRun RunDriver(TCodecDirection direction, int method, const std::vector<uint8_t>& input, int32_t key = 0,
                    bool unscramble = false, const TShowProgressEvent& progress = nullptr,
                    uint32_t sourceBytes = UINT32_MAX) {
  TMemoryStream src(input), dst;
  TCodecState state;
  DriverRun r;
  const TCodecResult result = state.RunCodec(
      TCodecJob{dst, src, sourceBytes == UINT32_MAX ? static_cast<uint32_t>(input.size()) : sourceBytes,
                direction, method, 0, unscramble, key, progress});
  r.count = result.OutputCount;
  r.checksum = result.Checksum;
  r.outcome = result.Outcome;
  r.out = dst.Bytes;
  return r;
}

}  // namespace

TEST(CodecDriver, ProgressIsReportedPerRefillOfBytesRead) {
  for (TCodecDirection direction : {TCodecDirection::cdCompress, TCodecDirection::cdExpand}) {
    std::vector<int> seen;
    const DriverRun r = RunDriver(direction, cmNone, Pattern(20000), 0, false,
                                  [&](int& percent) { seen.push_back(percent); });
    EXPECT_EQ(seen, (std::vector<int>{0, 40, 81, 100, 100}));
    EXPECT_EQ(r.count, 20000u);
  }
}

TEST(CodecDriver, ProgressAboveOneHundredThousandBytesDividesTheWholeFirst) {
  std::vector<int> seen;
  RunDriver(TCodecDirection::cdCompress, cmNone, Pattern(200000), 0, false,
            [&](int& percent) { seen.push_back(percent); });
  ASSERT_EQ(seen.size(), 2u + (200000 + 8191) / 8192);
  EXPECT_EQ(seen[1], 8192 / 2000);  // part / (whole / 100)
  EXPECT_EQ(seen[seen.size() - 2], 100);
  EXPECT_EQ(Percent(0, 0), 100);
}

// Up to 100,000 the part is scaled before dividing, above it the whole is divided first. Wholes
// that are not multiples of 100 are where the two give different answers.
TEST(CodecDriver, PercentScalesSmallWholesAndDividesLargeOnesFirst) {
  struct Case {
    int64_t part, whole;
    int32_t percent;
  };
  const Case cases[] = {
      {999, 1050, 95},        // 999 / 10 would be 99
      {49950, 99999, 49},     // 49950 / 999 would be 50
      {50000, 100000, 50},    // the last whole of the first branch
      {50000, 100001, 50},    // 5000000 / 100001 would be 49
      {90112, 123456, 73},    // 9011200 / 123456 would be 72
      {123456, 123456, 100},  // 123456 / 1234
      {0, 0, 100},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.part) + " of " + std::to_string(c.whole));
    EXPECT_EQ(Percent(c.part, c.whole), c.percent);
  }
}

TEST(CodecDriver, ProgressOfAWholeThatIsNoMultipleOfAHundred) {
  std::vector<int> seen;
  RunDriver(TCodecDirection::cdExpand, cmNone, Pattern(123456), 0, false,
            [&](int& percent) { seen.push_back(percent); });
  // The eleventh refill stands at 90,112 bytes: 90112 / 1234 = 73.
  EXPECT_EQ(seen, (std::vector<int>{0, 6, 13, 19, 26, 33, 39, 46, 53, 59, 66, 73, 79, 86, 92, 99, 100, 100}));
}

TEST(CodecDriver, CancelBeforeTheRunReadsAndWritesNothing) {
  TMemoryStream src(Pattern(100)), dst;
  TCodecState state;
  int calls = 0;
  const TCodecResult r = state.RunCodec(TCodecJob{dst, src, 100, TCodecDirection::cdCompress, cmNone, 0,
                                                  false, 0, [&](int& p) { ++calls, p = -1; }});
  EXPECT_EQ(r.OutputCount, 0u);
  EXPECT_EQ(r.Checksum, 0u);
  EXPECT_EQ(r.Outcome, TCodecOutcome::coCancelled);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(src.Position(), 0);
  EXPECT_TRUE(dst.Bytes.empty());
}

TEST(CodecDriver, CancelDuringTheRunEndsTheInputAtThatRefill) {
  const std::vector<uint8_t> input = Pattern(30000);
  std::vector<int> seen;
  const DriverRun r = RunDriver(TCodecDirection::cdCompress, cmNone, input, 0, false, [&](int& p) {
    seen.push_back(p);
    if (p >= 50) p = -1;  // cancel on the second chunk
  });
  // Only the first chunk was consumed; the cancelled chunk is dropped.
  EXPECT_EQ(r.count, 8192u);
  EXPECT_EQ(r.out, std::vector<uint8_t>(input.begin(), input.begin() + 8192));
  EXPECT_EQ(r.checksum, Sum(r.out));
  EXPECT_EQ(seen, (std::vector<int>{0, 27, 54, 100}));
  EXPECT_EQ(r.outcome, TCodecOutcome::coCancelled);
  EXPECT_EQ(RunDriver(TCodecDirection::cdCompress, cmNone, input).outcome, TCodecOutcome::coDone);
}

// A cancel while expanding ends every method the same way: no error from the run, its outcome
// says so, the output is the start of the member, and the handler still sees the closing 100.
// (An LZ decoder notices the missing bits after the symbol that used them: its last match may
// be made of zero bits.)
TEST(CodecDriver, CancelDuringExpansionEndsEveryMethodWithWhatItMade) {
  std::vector<uint8_t> plain(80000);
  uint32_t x = 12345;
  for (uint8_t& b : plain) x = x * 1103515245 + 12345, b = static_cast<uint8_t>('a' + (x >> 28) % 4);
  for (int method : {cmNone, cmRLE, cmLZH, cmLH5}) {
    SCOPED_TRACE(method);
    TMemoryStream src(plain), packed;
    TCodecState state;
    state.RunCodec(TCodecJob{packed, src, UINT32_MAX, TCodecDirection::cdCompress, method});
    ASSERT_GT(packed.Bytes.size(), 2u * TCodecState::kBufferSize);
    TMemoryStream in(packed.Bytes), out;
    std::vector<int> seen;
    const TCodecResult r = state.RunCodec(
        TCodecJob{out, in, static_cast<uint32_t>(packed.Bytes.size()), TCodecDirection::cdExpand, method,
                  static_cast<uint32_t>(plain.size()), false, 0, [&](int& p) {
                    seen.push_back(p);
                    if (seen.size() == 3) p = -1;  // the second refill
                  }});
    EXPECT_EQ(r.Outcome, TCodecOutcome::coCancelled);
    EXPECT_EQ(r.OutputCount, out.Bytes.size());
    EXPECT_LT(out.Bytes.size(), plain.size());
    const size_t sure = out.Bytes.size() > 256 ? out.Bytes.size() - 256 : 0;
    EXPECT_GT(sure, 0u);
    EXPECT_EQ(std::vector<uint8_t>(out.Bytes.begin(), out.Bytes.begin() + sure),
              std::vector<uint8_t>(plain.begin(), plain.begin() + sure));
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen.back(), 100);
  }
}

TEST(CodecDriver, KeyScramblesDataBytesWithTheKeyBytesInTurn) {
  const std::vector<uint8_t> plain = {0x10, 0x20, 0x30, 0x40, 0x50, 0x60};
  const DriverRun r = RunDriver(TCodecDirection::cdCompress, cmNone, plain, 0x04030201);
  EXPECT_EQ(r.out, (std::vector<uint8_t>{0x11, 0x22, 0x33, 0x44, 0x51, 0x62}));
  EXPECT_EQ(r.checksum, Sum(plain));  // the sum of the input, not of the scrambled output

  // A key with zero high bytes leaves positions 1, 2 and 3 modulo 4 alone.
  const DriverRun low = RunDriver(TCodecDirection::cdCompress, cmNone, plain, 0xFF);
  EXPECT_EQ(low.out, (std::vector<uint8_t>{0xEF, 0x20, 0x30, 0x40, 0xAF, 0x60}));

  // Expansion unscrambles only when asked to; its checksum is the sum of what it wrote.
  const DriverRun back = RunDriver(TCodecDirection::cdExpand, cmNone, r.out, 0x04030201, true);
  EXPECT_EQ(back.out, plain);
  EXPECT_EQ(back.checksum, Sum(plain));
  const DriverRun raw = RunDriver(TCodecDirection::cdExpand, cmNone, r.out, 0x04030201, false);
  EXPECT_EQ(raw.out, r.out);
}

TEST(CodecDriver, KeyScramblingAppliesAfterTheMethod) {
  // RLE of 41 41 41 42 is 41 94 03 42; the key works on those bytes.
  const DriverRun r = RunDriver(TCodecDirection::cdCompress, cmRLE, {0x41, 0x41, 0x41, 0x42}, 0x01010101);
  EXPECT_EQ(r.out, (std::vector<uint8_t>{0x40, 0x95, 0x02, 0x43}));
  const DriverRun back = RunDriver(TCodecDirection::cdExpand, cmRLE, r.out, 0x01010101, true);
  EXPECT_EQ(back.out, (std::vector<uint8_t>{0x41, 0x41, 0x41, 0x42}));
}

TEST(CodecDriver, CompressionThatWouldGrowRaisesUnableToCompress) {
  try {
    RunDriver(TCodecDirection::cdCompress, cmRLE, std::vector<uint8_t>(10, 0x94));
    FAIL() << "no exception";
  } catch (const EUnableToCompress& e) {
    EXPECT_STREQ(e.what(), "Could not compress data, will store instead");
  }
  // Exactly the input's size still fits.
  EXPECT_EQ(RunDriver(TCodecDirection::cdCompress, cmRLE, {0x41, 0x41}).count, 2u);
}

TEST(CodecDriver, OutputLargerThanOneBufferIsFlushedWhole) {
  const std::vector<uint8_t> input = Pattern(3 * 8192 + 5);
  const DriverRun r = RunDriver(TCodecDirection::cdExpand, cmNone, input);
  EXPECT_EQ(r.out, input);
  EXPECT_EQ(r.checksum, Sum(input));
}

TEST(CodecDriver, NeverReadsBeyondTheGivenByteCount) {
  TMemoryStream src(Pattern(100)), dst;
  TCodecState state;
  EXPECT_EQ(state.RunCodec(TCodecJob{dst, src, 30, TCodecDirection::cdExpand, cmNone, 0, false, 0, nullptr})
                .OutputCount,
            30u);
  EXPECT_EQ(src.Position(), 30);
}

TEST(CodecDriver, ShortSourceEndsTheInputEarly) {
  const DriverRun r = RunDriver(TCodecDirection::cdExpand, cmNone, Pattern(10), 0, false, nullptr, 5000);
  EXPECT_EQ(r.count, 10u);
}

TEST(CodecDriver, UnknownMethodIndexProducesNothing) {
  const DriverRun r = RunDriver(TCodecDirection::cdExpand, 7, Pattern(10));
  EXPECT_EQ(r.count, 0u);
  EXPECT_EQ(r.checksum, 0u);
}
