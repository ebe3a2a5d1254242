// The adaptive tree and the fixed position code of the "LZH" method.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "archive/lzh_tables.h"

using namespace qx::lzh;

namespace {

unsigned Depth(const TLzhTree& t, unsigned symbol) {
  unsigned d = 0;
  for (unsigned k = t.NodeParent[kNodes + symbol]; k != kRoot; k = t.NodeParent[k]) ++d;
  return d;
}

// Everything the coders rely on: order by count, children in neighbouring slots with the first
// even, counts that add up, parent links that agree with child links, every symbol reachable.
void ExpectConsistent(const TLzhTree& t) {
  EXPECT_EQ(t.NodeCount[kNodes], 0xFFFF);
  EXPECT_EQ(t.NodeParent[kRoot], 0);
  std::vector<int> leafOf(kSymbols, -1);
  for (unsigned i = 0; i < kNodes; ++i) {
    if (i > 0) ASSERT_LE(t.NodeCount[i - 1], t.NodeCount[i]) << "order broken at " << i;
    ASSERT_GE(t.NodeCount[i], 1u);
    const unsigned c = t.NodeChild[i];
    if (c >= kNodes) {
      ASSERT_LT(c - kNodes, kSymbols);
      ASSERT_EQ(leafOf[c - kNodes], -1);
      leafOf[c - kNodes] = static_cast<int>(i);
      ASSERT_EQ(t.NodeParent[c], i);
    } else {
      ASSERT_EQ(c % 2, 0u);
      ASSERT_LT(c + 1, i);
      ASSERT_EQ(t.NodeParent[c], i);
      ASSERT_EQ(t.NodeParent[c + 1], i);
      ASSERT_EQ(t.NodeCount[i], t.NodeCount[c] + t.NodeCount[c + 1]);
    }
  }
  for (unsigned s = 0; s < kSymbols; ++s) ASSERT_NE(leafOf[s], -1) << "symbol " << s;
}

}  // namespace

TEST(TLzhTree, StartsBalancedWithEveryCodeEightOrNineBits) {
  TLzhTree t;
  t.Start();
  ExpectConsistent(t);
  EXPECT_EQ(t.NodeCount[kRoot], kSymbols);
  unsigned nine = 0;
  double kraft = 0;
  for (unsigned s = 0; s < kSymbols; ++s) {
    const unsigned d = Depth(t, s);
    ASSERT_TRUE(d == 8 || d == 9) << "symbol " << s << " depth " << d;
    nine += d == 9;
    kraft += 1.0 / (1u << d);
  }
  EXPECT_EQ(nine, 2 * (kSymbols - 256));  // 314 leaves fill 256 slots of 8 bits, 58 split
  EXPECT_DOUBLE_EQ(kraft, 1.0);
}

// The root count grows by one per symbol from 314, so update number 32,455 finds it at 32768
// and halves first; the tree stays a valid, ordered code throughout.
TEST(TLzhTree, HalvesExactlyAtUpdate32455AndStaysConsistent) {
  TLzhTree t;
  t.Start();
  std::mt19937 rng(7);
  // Skewed symbols: a few very common ones give deep paths and many swaps.
  std::geometric_distribution<unsigned> skew(0.08);
  for (unsigned n = 1; n < 32455; ++n) {
    t.Update(skew(rng) % kSymbols);
    if (n % 4096 == 0) ExpectConsistent(t);
  }
  EXPECT_EQ(t.NodeCount[kRoot], kCountLimit);
  std::vector<uint16_t> before(t.NodeCount, t.NodeCount + kNodes);
  std::vector<uint16_t> leaves;
  for (unsigned i = 0; i < kNodes; ++i)
    if (t.NodeChild[i] >= kNodes) leaves.push_back(static_cast<uint16_t>((t.NodeCount[i] + 1) / 2));
  unsigned halvedSum = 0;
  for (uint16_t c : leaves) halvedSum += c;
  t.Update(5);
  ExpectConsistent(t);
  EXPECT_EQ(t.NodeCount[kRoot], halvedSum + 1);
  for (unsigned n = 0; n < 100000; ++n) t.Update(skew(rng) % kSymbols);
  ExpectConsistent(t);
  EXPECT_LE(t.NodeCount[kRoot], kCountLimit);
}

TEST(TLzhTree, UniformSymbolsKeepTheOrderThroughLongRunsOfEqualCounts) {
  TLzhTree t;
  t.Start();
  for (unsigned n = 0; n < 70000; ++n) t.Update((n * 97) % kSymbols);
  ExpectConsistent(t);
}

TEST(LzhPositionCode, MatchesTheCanonicalPatterns) {
  std::vector<std::pair<unsigned, unsigned>> expected;  // pattern, length
  expected.push_back({0x00, 3});
  for (unsigned v : {0x20u, 0x30u, 0x40u}) expected.push_back({v, 4});
  for (unsigned v = 0x50; v <= 0x88; v += 8) expected.push_back({v, 5});
  for (unsigned v = 0x90; v <= 0xBC; v += 4) expected.push_back({v, 6});
  for (unsigned v = 0xC0; v <= 0xEE; v += 2) expected.push_back({v, 7});
  for (unsigned v = 0xF0; v <= 0xFF; v += 1) expected.push_back({v, 8});
  ASSERT_EQ(expected.size(), 64u);
  for (unsigned u = 0; u < 64; ++u) {
    EXPECT_EQ(kPositionCode.Code[u], expected[u].first) << "u " << u;
    EXPECT_EQ(kPositionCode.Length[u], expected[u].second) << "u " << u;
  }
  // The decoder's view: any 8 bits that start with a code give back its u and length.
  for (unsigned v = 0; v < 256; ++v) {
    const unsigned u = kPositionCode.UpperOf[v], len = kPositionCode.LengthOf[v];
    EXPECT_EQ(len, expected[u].second);
    EXPECT_EQ(v >> (8 - len), expected[u].first >> (8 - len)) << "v " << v;
  }
}
