// The "LZH" method through the codec driver: bit layout, round trips, limits.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "archive/codec_state.h"
#include "archive/lzh_tables.h"
#include "memory_stream_fixture.h"

using namespace qx;
using Bytes = std::vector<uint8_t>;

namespace {

Bytes Compress(const Bytes& plain, TCodecState* reuse = nullptr) {
  TestStream src(plain), dst;
  TCodecState own;
  TCodecState& state = reuse ? *reuse : own;
  state.RunCodec(TCodecJob{dst, src, static_cast<uint32_t>(plain.size()), TCodecDirection::cdCompress, cmLZH,
                           0, false, 0, nullptr});
  return dst.Bytes;
}

Bytes Expand(const Bytes& packed, uint32_t count) {
  TestStream src(packed), dst;
  TCodecState state;
  state.RunCodec(TCodecJob{dst, src, static_cast<uint32_t>(packed.size()), TCodecDirection::cdExpand, cmLZH,
                           count, false, 0, nullptr});
  EXPECT_EQ(state.LzhTables, nullptr);
  return dst.Bytes;
}

Bytes FromString(const std::string& s) { return Bytes(s.begin(), s.end()); }

// Bits of a stream, most significant first.
std::string BitString(const Bytes& b) {
  std::string s;
  for (uint8_t v : b)
    for (int i = 7; i >= 0; --i) s += ((v >> i) & 1) ? '1' : '0';
  return s;
}

// The code of symbol c in tree t (root side first); updates t as a coder would.
std::string CodeOf(lzh::TLzhTree& t, unsigned c) {
  std::string bits;
  for (unsigned k = t.NodeParent[lzh::kNodes + c]; k != lzh::kRoot; k = t.NodeParent[k])
    bits.insert(bits.begin(), (k & 1) ? '1' : '0');
  t.Update(c);
  return bits;
}

Bytes Kind(const std::string& kind, size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  Bytes b(n);
  if (kind == "zeros") return b;
  if (kind == "spaces") return Bytes(n, 0x20);
  if (kind == "random") {
    for (auto& v : b) v = static_cast<uint8_t>(rng());
  } else if (kind == "text") {
    static const char* words[] = {"the ", "archive ", "member ",  "window ", "of ",
                                  "a ",   "match\n",  "Huffman ", "tree, ",  "4096 "};
    std::string s;
    while (s.size() < n) s += words[rng() % 10];
    b.assign(s.begin(), s.begin() + static_cast<long>(n));
  } else if (kind == "binary") {
    // Records with small counters and a recurring tag, like tables in a program file.
    for (size_t i = 0; i < n; ++i)
      b[i] = static_cast<uint8_t>(i % 16 < 4 ? "\x4C\x8B\x05\x00"[i % 4] : (i / 16 + (rng() % 3)) >> (i % 3));
  } else if (kind == "runs") {
    size_t i = 0;
    while (i < n) {
      const uint8_t v = static_cast<uint8_t>(rng() % 4);
      for (size_t k = rng() % 200; k > 0 && i < n; --k) b[i++] = v;
    }
  } else if (kind == "two-letters") {
    for (auto& v : b) v = "ab"[rng() % 2];
  }
  return b;
}

}  // namespace

TEST(Lzh, EmptyInputGivesEmptyStreamAndZeroCountReadsNothing) {
  EXPECT_TRUE(Compress({}).empty());
  EXPECT_TRUE(Expand({}, 0).empty());
  EXPECT_TRUE(Expand({0xFF, 0x12}, 0).empty());
}

// The first literal goes out in the starting tree, the match after it as the length symbol in
// the updated tree, then distance code 0 as prefix 000 and six zero bits, then the next literal;
// the last byte is padded with zero bits.
TEST(Lzh, BitsOfLiteralMatchAtDistanceOneAndPadding) {
  const Bytes packed = Compress(FromString("AAAAB"));
  lzh::TLzhTree t;
  t.Start();
  const std::string a = CodeOf(t, 'A');
  const std::string len3 = CodeOf(t, 3 + lzh::kLengthBase);
  const std::string b = CodeOf(t, 'B');
  EXPECT_TRUE(a.size() == 8 || a.size() == 9);
  std::string expected = a + len3 + "000" + "000000" + b;
  expected.append((8 - expected.size() % 8) % 8, '0');
  EXPECT_EQ(BitString(packed), expected);
  EXPECT_EQ(Expand(packed, 5), FromString("AAAAB"));
}

// The first symbol of every member is coded in the starting tree, 8 or 9 bits long.
TEST(Lzh, FirstSymbolOfAMemberTakesEightOrNineBits) {
  TCodecState shared;  // one state for all members: nothing may carry over
  unsigned nine = 0;
  for (unsigned v = 0; v < 256; ++v) {
    SCOPED_TRACE("byte " + std::to_string(v));
    lzh::TLzhTree t;
    t.Start();
    std::string code = CodeOf(t, v);
    ASSERT_TRUE(code.size() == 8 || code.size() == 9);
    const Bytes lone{static_cast<uint8_t>(v)};
    if (code.size() == 8) {
      EXPECT_EQ(BitString(Compress(lone, &shared)), code);
    } else {
      // Nine bits need two bytes: a one-byte member is stored instead.
      ++nine;
      EXPECT_THROW(Compress(lone, &shared), EUnableToCompress);
    }
    // The byte and 40 copies: the first literal, then one match. (Spaces match the window's
    // starting spaces from the first byte on.)
    if (v == 0x20) continue;
    const Bytes run(41, static_cast<uint8_t>(v));
    const Bytes packed = Compress(run, &shared);
    EXPECT_EQ(BitString(packed).substr(0, code.size()), code);
    EXPECT_EQ(Expand(packed, 41), run);
  }
  EXPECT_GT(nine, 0u);
}

// A match in the first 4036 bytes may copy the spaces the window starts with.
TEST(Lzh, MatchIntoTheSpaceFilledWindow) {
  const Bytes plain = FromString(std::string(60, ' ') + "x" + std::string(59, ' '));
  const Bytes packed = Compress(plain);
  lzh::TLzhTree t;
  t.Start();
  // A match of 60 into the spaces before the first write position. The start inserts those
  // positions newest first and a string equal to one already in the tree takes its place, so
  // the one 60 bytes back survives: distance code 59, prefix 000 and 111011.
  const std::string first = CodeOf(t, 60 + lzh::kLengthBase);
  EXPECT_EQ(BitString(packed).substr(0, first.size() + 9), first + "000" + "111011");
  EXPECT_LT(packed.size(), 12u);
  EXPECT_EQ(Expand(packed, static_cast<uint32_t>(plain.size())), plain);
}

TEST(Lzh, RoundTripsOverSizesAndKinds) {
  const size_t sizes[] = {1,   2,    3,    4,    59,   60,   61,   62,   119,   120,
                          121, 4035, 4036, 4037, 4095, 4096, 4097, 8192, 12345, 70000};
  for (const char* kind : {"zeros", "spaces", "random", "text", "binary", "runs", "two-letters"}) {
    for (size_t n : sizes) {
      SCOPED_TRACE(std::string(kind) + " " + std::to_string(n));
      const Bytes plain = Kind(kind, n, static_cast<unsigned>(n));
      Bytes packed;
      try {
        packed = Compress(plain);
      } catch (const EUnableToCompress&) {
        // Incompressible data may not grow; anything else must pack.
        EXPECT_TRUE(std::string(kind) == "random" || n < 8) << "gave up";
        continue;
      }
      EXPECT_LE(packed.size(), plain.size());
      ASSERT_EQ(Expand(packed, static_cast<uint32_t>(n)), plain);
    }
  }
}

// More than 32,455 symbols: 40,000 random bytes hold almost no match of 3 bytes, so they are
// more than 39,000 literals, and both sides halve at the same symbol inside them; the text after
// it still decodes (and keeps the member smaller than its input).
TEST(Lzh, RoundTripPastTheFirstHalving) {
  Bytes plain = Kind("random", 40000, 3);
  const Bytes text = Kind("text", 160000, 4);
  plain.insert(plain.end(), text.begin(), text.end());
  const Bytes packed = Compress(plain);
  EXPECT_EQ(Expand(packed, static_cast<uint32_t>(plain.size())), plain);
}

TEST(Lzh, ALongRunReachesTheLongestMatch) {
  const Bytes plain = Bytes(100000, 'z');
  const Bytes packed = Compress(plain);
  lzh::TLzhTree t;
  t.Start();
  const std::string literal = CodeOf(t, 'z');
  const std::string longest = CodeOf(t, 60 + lzh::kLengthBase);
  EXPECT_EQ(BitString(packed).substr(0, literal.size() + longest.size() + 9),
            literal + longest + "000000000");
  // Then nothing but matches of 60, each at most 12 bits once the length symbol is common.
  EXPECT_LT(packed.size(), 100000 / 60 * 12 / 8 + 16);
  EXPECT_EQ(Expand(packed, static_cast<uint32_t>(plain.size())), plain);
}

// Output past the input's size ends compression through the driver; the tables go with it.
TEST(Lzh, IncompressibleInputGivesUpAndReleasesItsTables) {
  TCodecState state;
  EXPECT_THROW(Compress(Kind("random", 5000, 1), &state), EUnableToCompress);
  EXPECT_EQ(state.LzhTables, nullptr);
  // The same state then packs the next member from a fresh start.
  const Bytes plain = Kind("text", 5000, 2);
  const Bytes again = Compress(plain, &state);
  EXPECT_EQ(again, Compress(plain));
}

// The decoder cannot tell bad data; it makes exactly the asked number of bytes and never lets a
// final match run past that number. Data that runs out first fails instead of going on with the
// zero bits past its end.
TEST(Lzh, DecoderStopsAtCountOnAnyData) {
  const Bytes packed = Compress(Bytes(300, ' '));
  EXPECT_EQ(Expand(packed, 10), Bytes(10, ' '));
  EXPECT_THROW(Expand(Bytes{}, 1000), EBadChecksum);
  EXPECT_THROW(Expand(Bytes{0xFF, 0xFF, 0xFF}, 5000), EBadChecksum);
  const Bytes text = Kind("text", 20000, 9);
  const Bytes whole = Compress(text);
  EXPECT_EQ(Expand(whole, static_cast<uint32_t>(text.size())), text);
  const Bytes half(whole.begin(), whole.begin() + static_cast<long>(whole.size() / 2));
  EXPECT_THROW(Expand(half, static_cast<uint32_t>(text.size())), EBadChecksum);
  EXPECT_THROW(Expand(whole, static_cast<uint32_t>(text.size()) + 1000), EBadChecksum);
}

// The coder moves bytes only through the driver, so the key scrambles its stream byte by byte
// and unscrambling gives the plain stream back to the decoder.
TEST(Lzh, KeyedMemberScramblesTheStreamAndExpandsBack) {
  const Bytes plain = Kind("text", 30000, 12);
  const Bytes packed = Compress(plain);
  const int32_t key = 0x5A3C0F81;
  TestStream src(plain), keyed;
  TCodecState state;
  state.RunCodec(TCodecJob{keyed, src, static_cast<uint32_t>(plain.size()), TCodecDirection::cdCompress,
                           cmLZH, 0, false, key, nullptr});
  ASSERT_EQ(keyed.Bytes.size(), packed.size());
  for (size_t i = 0; i < packed.size(); ++i)
    ASSERT_EQ(keyed.Bytes[i], packed[i] ^ static_cast<uint8_t>(static_cast<uint32_t>(key) >> (8 * (i % 4))));
  TestStream in(keyed.Bytes), out;
  state.RunCodec(TCodecJob{out, in, static_cast<uint32_t>(keyed.Bytes.size()), TCodecDirection::cdExpand,
                           cmLZH, static_cast<uint32_t>(plain.size()), true, key, nullptr});
  EXPECT_EQ(out.Bytes, plain);
}
