// The "LZH" encoder's parse, read back token by token: greedy. At every token the match is the
// one the finder reports at that position (its length cut to the bytes left, its distance code
// unchanged), the longest the window holds, and anything shorter than 3 bytes goes out as a
// literal. A lazy step or a choice of another copy would change the stream and fail here.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "archive/codec_state.h"
#include "archive/lzh_match.h"
#include "archive/lzh_tables.h"
#include "memory_stream_fixture.h"

using namespace qx;
using namespace qx::lzh;
using Bytes = std::vector<uint8_t>;

namespace {

struct TToken {
  size_t At;        // position in the input
  unsigned Length;  // 1 for a literal
  unsigned Code;    // distance - 1
};

// Reads the symbols back with the tree and the position code, independently of the decoder's
// buffered reader.
std::vector<TToken> Tokens(const Bytes& packed, size_t size) {
  size_t bit = 0;
  auto next = [&] {
    const size_t byte = bit / 8;
    const unsigned v = byte < packed.size() ? (packed[byte] >> (7 - bit % 8)) & 1 : 0;
    ++bit;
    return v;
  };
  TLzhTree t;
  t.Start();
  std::vector<TToken> out;
  size_t at = 0;
  while (at < size) {
    unsigned k = t.NodeChild[kRoot];
    while (k < kNodes) k = t.NodeChild[k + next()];
    const unsigned c = k - kNodes;
    t.Update(c);
    if (c < 256) {
      out.push_back({at++, 1, 0});
      continue;
    }
    unsigned top = 0;
    for (int i = 0; i < 8; ++i) top = top << 1 | next();
    const unsigned len = kPositionCode.LengthOf[top];
    unsigned all = top;
    for (unsigned i = 0; i < len - 2; ++i) all = all << 1 | next();
    const unsigned code = (kPositionCode.UpperOf[top] << 6) | (all & 63);
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

// The longest match at i over the copies the window holds then: the last 4035 positions, of
// which only the 60 spaces just before the first input byte are in the finder at the start.
unsigned Longest(const Bytes& data, size_t i, unsigned limit) {
  const size_t last = std::min<size_t>(kFirstWrite - 1, i + kLookahead);
  unsigned best = 0;
  for (unsigned d = 0; d < last; ++d) best = std::max(best, Common(data, i, d, limit));
  return best;
}

struct TFound {
  unsigned Length;  // 0 when the finder has no match of 3 or more
  unsigned Code;
};

// What the finder reports at every input position when the window slides over the input the
// way the encoder slides it: the first 60 bytes read ahead, then one byte in and one position
// out per step, and after the input's end only positions out. The parse does not change this
// order, so the answers hold for any position where a token starts.
std::vector<TFound> FinderAnswers(const Bytes& data) {
  std::vector<uint8_t> text(kWindowBytes, 0);
  std::fill(text.begin(), text.begin() + kFirstWrite, kFill);
  std::fill(text.begin() + kWindow, text.begin() + kWindow + kTailCopy, kFill);
  size_t next = 0;
  for (; next < kLookahead && next < data.size(); ++next) text[kFirstWrite + next] = data[next];
  auto finder = std::make_unique<TMatchFinder>(text.data());
  unsigned r = kFirstWrite, s = 0;
  for (unsigned i = 1; i <= kLookahead; ++i) finder->Insert(r - i);
  std::vector<TFound> found;
  for (size_t i = 0; i < data.size(); ++i) {
    if (i == 0) {
      finder->Insert(r);
    } else {
      finder->Delete(s);
      if (next < data.size()) {
        text[s] = data[next++];
        if (s < kTailCopy) text[s + kWindow] = text[s];
      }
      s = (s + 1) & kWindowMask;
      r = (r + 1) & kWindowMask;
      finder->Insert(r);
    }
    found.push_back({finder->MatchLength, finder->MatchCode});
  }
  return found;
}

Bytes Compress(const Bytes& plain) {
  TestStream src(plain), dst;
  TCodecState state;
  state.RunCodec(qx::TCodecJob{dst, src, static_cast<uint32_t>(plain.size()), TCodecDirection::cdCompress,
                               cmLZH, 0, false, 0, nullptr});
  return dst.Bytes;
}

// Words with a few spaces (matches into the window's starting spaces early on), then a stretch
// with a period of 64 bytes long enough that the window behind the input's end continues it:
// the finder keeps reporting 60 there, and the last matches must be cut to the bytes left.
Bytes Sample(size_t words, unsigned seed) {
  static const char* parts[] = {"adaptive_", "tree", "_window", "match",     "es_",     "length.", "code",
                                "-distance", "_of_", "the_",    "Huffman\n", "window_", "   ",     " "};
  std::mt19937 rng(seed);
  std::string s;
  while (s.size() < words) s += parts[rng() % 14];
  s.resize(words);
  for (size_t i = 0; i < kWindow + 150; ++i) s += static_cast<char>('A' + (i % 64) % 26 + (i % 64) / 26);
  return Bytes(s.begin(), s.end());
}

}  // namespace

TEST(LzhParse, GreedyTakesTheFindersMatchCutToTheBytesLeft) {
  const Bytes data = Sample(9000, 4);
  const Bytes packed = Compress(data);
  const std::vector<TToken> tokens = Tokens(packed, data.size());
  const std::vector<TFound> found = FinderAnswers(data);
  size_t matches = 0, shortLiterals = 0, cut = 0, lazyChances = 0;
  for (size_t t = 0; t < tokens.size(); ++t) {
    const TToken& k = tokens[t];
    SCOPED_TRACE("token " + std::to_string(t) + " at " + std::to_string(k.At));
    const size_t left = data.size() - k.At;
    const unsigned limit = static_cast<unsigned>(std::min<size_t>(kLookahead, left));
    const unsigned best = Longest(data, k.At, limit);
    const unsigned expected = std::min<size_t>(found[k.At].Length, left);
    // The finder's answer, cut, is the longest copy the window holds.
    ASSERT_EQ(expected < kMinMatch ? 0u : expected, best < kMinMatch ? 0u : best);
    if (expected < kMinMatch) {
      ASSERT_EQ(k.Length, 1u) << "a match where the finder has none of 3 bytes";
      if (best == 2) ++shortLiterals;
      continue;
    }
    ++matches;
    ASSERT_EQ(k.Length, expected) << "not the finder's match at this position";
    ASSERT_EQ(k.Code, found[k.At].Code) << "another copy than the finder's";
    ASSERT_EQ(Common(data, k.At, k.Code, k.Length), k.Length);
    if (found[k.At].Length > left) ++cut;
    // A lazy step would send a literal here: the next byte starts a longer match.
    if (k.Length < kLookahead && left > 1 &&
        Longest(data, k.At + 1, static_cast<unsigned>(std::min<size_t>(kLookahead, left - 1))) > k.Length)
      ++lazyChances;
  }
  // The sample exercises each rule: literals where a copy of 2 bytes exists, cut matches at the end,
  // and places where a lazy parse would choose differently.
  EXPECT_GT(matches, 500u);
  EXPECT_GT(shortLiterals, 0u);
  EXPECT_GT(cut, 0u);
  EXPECT_GT(lazyChances, 0u);
  EXPECT_EQ(tokens.back().At + tokens.back().Length, data.size());
}
