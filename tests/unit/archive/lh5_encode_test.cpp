// The "LH5" encoder: an exactly known stream for a small input, the give-up on data it cannot
// shrink, and round trips through the decoder over sizes around the window and block limits.
#include <gtest/gtest.h>

#include <string>

#include "lh5_test_support.h"

using namespace lh5test;

namespace {

// Deterministic pseudo-random bytes.
std::vector<uint8_t> Noise(size_t n, uint32_t seed) {
  std::vector<uint8_t> out(n);
  for (auto& b : out) {
    seed = seed * 1664525u + 1013904223u;
    b = uint8_t(seed >> 24);
  }
  return out;
}

// Text-like data: words from a small vocabulary, so matches of all lengths and distances occur.
std::vector<uint8_t> Words(size_t n, uint32_t seed) {
  static const char* const kWords[] = {"archive ", "member ",  "window ", "the ", "of ",
                                       "decoder ", "encoder ", "block ",  "\r\n", "length ",
                                       "table ",   "Huffman ", "code ",   "a ",   "position "};
  std::vector<uint8_t> out;
  while (out.size() < n) {
    seed = seed * 1664525u + 1013904223u;
    const std::string w = kWords[(seed >> 16) % 15];
    out.insert(out.end(), w.begin(), w.end());
  }
  out.resize(n);
  return out;
}

// Binary-like data: records with a counter, runs of zeros and repeated noise.
std::vector<uint8_t> Records(size_t n) {
  std::vector<uint8_t> out;
  const std::vector<uint8_t> noise = Noise(300, 7);
  for (uint32_t i = 0; out.size() < n; ++i) {
    for (int k = 0; k < 4; ++k) out.push_back(uint8_t(i >> (8 * k)));
    out.insert(out.end(), (i % 7) * 3, 0);
    out.insert(out.end(), noise.begin() + (i % 50), noise.begin() + (i % 50) + 5 + i % 40);
  }
  out.resize(n);
  return out;
}

}  // namespace

TEST(Lh5Encode, EmptyInputWritesNothing) { EXPECT_TRUE(Encode({}).empty()); }

// 300 times 'A': literal 'A', a match of 256 and one of 43, both at distance code 0. Codes:
// C 296 (length 43) "0", 'A' "10", 509 (length 256) "11"; T 2 "0", 3 "10", 4 "11"; one P
// symbol. The stream ends on a byte boundary, so the closing bits add nothing.
TEST(Lh5Encode, RunOfOneByteGivesTheExactStream) {
  TBitWriter w;
  w.Put(16, 3);
  w.Put(5, 5).Put("000 000 001").Put(2, 0).Put("010 010");
  w.Put(9, 510).Put("0").Put(9, 65 - 20).Put("11").Put("0").Put(9, 230 - 20).Put("10");
  w.Put("0").Put(9, 212 - 20).Put("11");
  w.Put(4, 0).Put(4, 0);
  w.Put("10 11 0");
  const std::vector<uint8_t> expected = w.Finish();
  ASSERT_EQ(expected.size(), 12u);
  const std::vector<uint8_t> input(300, 'A');
  EXPECT_EQ(Encode(input), expected);
  EXPECT_EQ(Decode(expected, 300), input);
}

TEST(Lh5Encode, DataThatCannotShrinkGivesUpAndReleasesTables) {
  for (size_t n : {1u, 2u, 20000u}) {
    SCOPED_TRACE(n);
    const std::vector<uint8_t> input = Noise(n, 99);
    TestStream src(input), dst;
    qx::TCodecState state;
    EXPECT_THROW(state.RunCodec(qx::TCodecJob{dst, src, uint32_t(n), qx::TCodecDirection::cdCompress,
                                              qx::cmLH5, 0, false, 0, nullptr}),
                 qx::EUnableToCompress);
    EXPECT_EQ(state.Lh5Tables, nullptr);
  }
}

struct RoundTrip {
  std::string name;
  std::vector<uint8_t> data;
};

TEST(Lh5Encode, RoundTripsAcrossWindowAndBlockLimits) {
  std::vector<RoundTrip> cases;
  for (size_t n : {7935u, 7936u, 7937u, 8192u, 8193u, 8448u, 16384u, 16385u, 24576u + 3})
    cases.push_back({"words " + std::to_string(n), Words(n, uint32_t(n))});
  cases.push_back({"records 300000", Records(300000)});
  cases.push_back({"words 400000", Words(400000, 5)});
  // Long runs: 256-byte matches replace trie leaves; later blocks hold a single C symbol.
  cases.push_back({"run 3000000", std::vector<uint8_t>(3000000, 'z')});
  std::vector<uint8_t> mixed = Records(50000);
  const std::vector<uint8_t> noise = Noise(30000, 3);
  mixed.insert(mixed.end(), noise.begin(), noise.end());
  mixed.insert(mixed.end(), 20000, 0);
  const std::vector<uint8_t> head(mixed.begin(), mixed.begin() + 40000);
  mixed.insert(mixed.end(), head.begin(), head.end());  // beyond the window: no match back
  cases.push_back({"mixed", mixed});
  // A repeat at the largest distance the window keeps, then noise.
  std::vector<uint8_t> far = Noise(8191, 11);
  far.insert(far.end(), far.begin(), far.end());
  const std::vector<uint8_t> tail = Noise(4000, 12);
  far.insert(far.end(), tail.begin(), tail.end());
  cases.push_back({"far", far});

  for (const RoundTrip& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<uint8_t> packed = Encode(c.data);
    EXPECT_LT(packed.size(), c.data.size());
    EXPECT_EQ(Decode(packed, uint32_t(c.data.size())), c.data);
  }
}
