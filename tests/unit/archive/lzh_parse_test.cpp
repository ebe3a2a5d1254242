// The "LZH" encoder's parse, read back token by token: every match is real, the longest the
// window holds, taken late when the next byte starts a longer one, and at the nearest copy that
// has a shorter distance code.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "archive/codec_state.h"
#include "archive/lzh_tables.h"
#include "memory_stream_fixture.h"

using namespace qx;
using namespace qx::lzh;
using Bytes = std::vector<uint8_t>;

namespace {

struct Token {
  size_t at;        // position in the input
  unsigned length;  // 1 for a literal
  unsigned code;    // distance - 1
};

// Reads the symbols back with the tree and the position code, independently of the decoder's
// buffered reader.
std::vector<Token> Tokens(const Bytes& packed, size_t size) {
  size_t bit = 0;
  auto next = [&] {
    const size_t byte = bit / 8;
    const unsigned v = byte < packed.size() ? (packed[byte] >> (7 - bit % 8)) & 1 : 0;
    ++bit;
    return v;
  };
  LzhTree t;
  t.Start();
  std::vector<Token> out;
  size_t at = 0;
  while (at < size) {
    unsigned k = t.nodeChild[kRoot];
    while (k < kNodes) k = t.nodeChild[k + next()];
    const unsigned c = k - kNodes;
    t.Update(c);
    if (c < 256) {
      out.push_back({at++, 1, 0});
      continue;
    }
    unsigned top = 0;
    for (int i = 0; i < 8; ++i) top = top << 1 | next();
    const unsigned len = kPositionCode.lengthOf[top];
    unsigned all = top;
    for (unsigned i = 0; i < len - 2; ++i) all = all << 1 | next();
    const unsigned code = (kPositionCode.upperOf[top] << 6) | (all & 63);
    out.push_back({at, c - kLengthBase, code});
    at += c - kLengthBase;
  }
  return out;
}

// Common length of the input at i and at distance code d before it, at most limit; positions
// before the input are the window's starting spaces.
unsigned Common(const Bytes& data, size_t i, unsigned code, unsigned limit) {
  auto at = [&](long p) -> uint8_t { return p < 0 ? kFill : data[static_cast<size_t>(p)]; };
  unsigned n = 0;
  const long from = static_cast<long>(i) - code - 1;
  while (n < limit && i + n < data.size() && at(from + n) == data[i + n]) ++n;
  return n;
}

Bytes Compress(const Bytes& plain) {
  TestStream src(plain), dst;
  TCodecState state;
  uint32_t sum = 0;
  state.RunCodec(dst, src, static_cast<uint32_t>(plain.size()), TCodecDirection::cdCompress, cmLZH,
                 0, false, 0, nullptr, sum);
  return dst.Bytes;
}

// Text without spaces, so no match can reach into the window's starting spaces (the finder
// holds only the last 60 of them).
Bytes Words(size_t n, unsigned seed) {
  static const char* words[] = {"adaptive_", "tree", "_window", "match", "es_", "length.",
                                "code", "-distance", "_of_", "the_", "Huffman\n", "window_"};
  std::mt19937 rng(seed);
  std::string s;
  while (s.size() < n) s += words[rng() % 12];
  return Bytes(s.begin(), s.begin() + static_cast<long>(n));
}

}  // namespace

TEST(LzhParse, MatchesAreLongestLazyAndNearest) {
  const Bytes data = Words(12000, 4);
  const Bytes packed = Compress(data);
  const std::vector<Token> tokens = Tokens(packed, data.size());
  size_t matches = 0, late = 0;
  for (size_t t = 0; t < tokens.size(); ++t) {
    const Token& k = tokens[t];
    SCOPED_TRACE("token at " + std::to_string(k.at));
    const unsigned limit = static_cast<unsigned>(std::min<size_t>(kLookahead, data.size() - k.at));
    unsigned best = 0;
    for (unsigned d = 0; d < kFirstWrite - 1; ++d) best = std::max(best, Common(data, k.at, d, limit));
    if (k.length == 1) {
      // A literal: no match here, or the next byte starts a longer one.
      if (best >= kMinMatch) {
        ASSERT_LT(t + 1, tokens.size());
        ASSERT_GT(tokens[t + 1].length, best);
        ++late;
      }
      continue;
    }
    ++matches;
    ASSERT_EQ(Common(data, k.at, k.code, k.length), k.length);
    ASSERT_EQ(k.length, best);
    // No copy in a range of shorter distance codes.
    const unsigned u = k.code >> 6;
    for (unsigned d = 0; d < k.code; ++d)
      if (kPositionCode.length[d >> 6] < kPositionCode.length[u])
        ASSERT_LT(Common(data, k.at, d, k.length), k.length) << "nearer copy at code " << d;
    // Lazy: the byte after a match that is not the longest possible does not start a longer one.
    if (k.length < kLookahead && k.at + 1 < data.size()) {
      const unsigned nextLimit =
          static_cast<unsigned>(std::min<size_t>(kLookahead, data.size() - k.at - 1));
      for (unsigned d = 0; d < kFirstWrite - 1; ++d)
        ASSERT_LE(Common(data, k.at + 1, d, nextLimit), k.length);
    }
  }
  EXPECT_GT(matches, 500u);
  EXPECT_GT(late, 0u);  // the data gives the lazy step work to do
}
