// The "LH5" decoder against hand-written bit streams: the special forms of the length lists,
// matches reaching into the space-filled window, codes longer than the lookup tables, and
// every kind of inconsistent table.
#include <gtest/gtest.h>

#include "lh5_test_support.h"

using namespace lh5test;
using qx::ELZHBadDecodeTable;

namespace {

// A block whose T, C and P lists all use the count-0 form naming one symbol.
void SingleSymbolBlock(TBitWriter& w, unsigned size, unsigned c, unsigned p) {
  w.Put(16, size).Put(5, 0).Put(5, 0).Put(9, 0).Put(9, c).Put(4, 0).Put(4, 0 + p);
}

// T code: symbol 2 (long zero runs) "0", symbol 3 (length 1) "1"; written as a list of four
// lengths 0 0 1 1 with an empty zero run after the third.
void TwoSymbolTList(TBitWriter& w) { w.Put(5, 4).Put("000 000 001").Put(2, 0).Put("001"); }

}  // namespace

TEST(Lh5Decode, SingleSymbolFormsConsumeNoBitsPerSymbol) {
  TBitWriter w;
  SingleSymbolBlock(w, 3, 'x', 0);
  EXPECT_EQ(Decode(w.Finish(), 3), Bytes("xxx"));
}

// Block 1 sends one literal; block 2 one match of 256 with distance code 0, which repeats the
// last byte. Asked for fewer bytes, the decoder still writes the whole last match.
TEST(Lh5Decode, DistanceZeroRepeatsLastByteAndLastMatchRunsPastCount) {
  TBitWriter w;
  SingleSymbolBlock(w, 1, 'x', 0);
  SingleSymbolBlock(w, 1, 509, 0);
  const std::vector<uint8_t> stream = w.Finish();
  EXPECT_EQ(Decode(stream, 257), std::vector<uint8_t>(257, 'x'));
  EXPECT_EQ(Decode(stream, 10), std::vector<uint8_t>(257, 'x'));
}

TEST(Lh5Decode, DistanceZeroLength256WithRealCodes) {
  // C: 'Q' -> "0", 509 (length 256) -> "1"; P: only symbol 0.
  TBitWriter w;
  w.Put(16, 2);
  TwoSymbolTList(w);
  w.Put(9, 510).Put("0").Put(9, 'Q' - 20).Put("1").Put("0").Put(9, 508 - 'Q' - 20).Put("1");
  w.Put(4, 0).Put(4, 0);
  w.Put("0 1");
  EXPECT_EQ(Decode(w.Finish(), 257), std::vector<uint8_t>(257, 'Q'));
}

TEST(Lh5Decode, FirstMatchReadsSpacesBeforeTheOutput) {
  // 'a', then 4 bytes from distance code 1: one byte before the start (a space), then the
  // bytes being written.
  TBitWriter w;
  w.Put(16, 2);
  TwoSymbolTList(w);
  w.Put(9, 258).Put("0").Put(9, 'a' - 20).Put("1").Put("0").Put(9, 256 - 'a' - 20).Put("1");
  w.Put(4, 0).Put(4, 1);
  w.Put("0 1");
  EXPECT_EQ(Decode(w.Finish(), 5), Bytes("a a a"));
}

// C codes of 1 to 16 bits (literals 0-14 get 1-15 bits, literal 15 and length 256 get 16),
// sent through a T code of 1 to 16 bits and a P code of 1 to 13 bits: the long list entries use
// the one-bit extension and the long codes go through the trees behind the tables.
TEST(Lh5Decode, SixteenBitCodesAndExtendedListLengths) {
  std::vector<unsigned> cLen(510, 0), tLen(19, 0), pLen(14, 0);
  for (unsigned i = 0; i < 15; ++i) cLen[i] = i + 1;
  cLen[15] = cLen[509] = 16;
  for (unsigned t = 3; t <= 17; ++t) tLen[t] = t - 2;
  tLen[2] = tLen[18] = 16;
  for (unsigned p = 0; p < 12; ++p) pLen[p] = p + 1;
  pLen[12] = pLen[13] = 13;
  const auto cCode = CanonicalCodes(cLen), tCode = CanonicalCodes(tLen), pCode = CanonicalCodes(pLen);
  auto putT = [&](TBitWriter& w, unsigned t) { w.Put(tLen[t], tCode[t]); };
  auto putC = [&](TBitWriter& w, unsigned c) { w.Put(cLen[c], cCode[c]); };

  TBitWriter w;
  w.Put(16, 18);
  w.Put(5, 19).PutListLength(0).PutListLength(0).PutListLength(16).Put(2, 0);
  for (unsigned t = 3; t < 19; ++t) w.PutListLength(tLen[t]);
  w.Put(9, 510);
  for (unsigned c = 0; c < 16; ++c) putT(w, cLen[c] + 2);
  putT(w, 2);
  w.Put(9, 509 - 16 - 20);
  putT(w, 18);
  w.Put(4, 14);
  for (unsigned p = 0; p < 14; ++p) w.PutListLength(pLen[p]);
  for (unsigned c = 0; c < 16; ++c) putC(w, c);
  // Length 256 from distance code 15 (P symbol 4 plus 3 bits): the 16 literals repeated.
  putC(w, 509);
  w.Put(pLen[4], pCode[4]).Put(3, 7);
  // Length 256 from distance code 8191 (P symbol 13 plus 12 bits): window bytes never written.
  putC(w, 509);
  w.Put(pLen[13], pCode[13]).Put(12, 4095);

  std::vector<uint8_t> expected;
  for (unsigned i = 0; i < 16 + 256; ++i) expected.push_back(uint8_t(i % 16));
  expected.insert(expected.end(), 256, ' ');
  EXPECT_EQ(Decode(w.Finish(), uint32_t(expected.size())), expected);
}

TEST(Lh5Decode, CountZeroProducesNothing) {
  EXPECT_TRUE(Decode({0xFF, 0xFF, 0xFF, 0xFF}, 0).empty());
  EXPECT_TRUE(Decode({}, 0).empty());
}

// A member cut short fails instead of making bytes from the zero bits past its end; a whole
// stream asked for more than it holds fails the same way.
TEST(Lh5Decode, DataRunningOutBeforeCountFails) {
  std::vector<uint8_t> text;
  for (int i = 0; i < 5000; ++i) text.push_back(uint8_t("the quick brown fox "[i % 20] + i / 997));
  const std::vector<uint8_t> whole = Encode(text);
  EXPECT_EQ(Decode(whole, uint32_t(text.size())), text);
  std::vector<uint8_t> half = whole;
  half.resize(half.size() / 2);
  try {
    Decode(half, uint32_t(text.size()));
    ADD_FAILURE() << "a stream cut in half decoded";
  } catch (const qx::EBadChecksum&) {
  } catch (const ELZHBadDecodeTable&) {
    // the last real bits may also form an invalid table
  }
  EXPECT_THROW(Decode(whole, uint32_t(text.size()) + 70000), qx::EBadChecksum);
  EXPECT_THROW(Decode(whole, 0x7FFFFFFF), qx::EBadChecksum);
  EXPECT_THROW(Decode({}, 1), qx::EBadChecksum);
}

struct BadStream {
  const char* name;
  std::vector<uint8_t> bytes;
};

TEST(Lh5Decode, InconsistentTablesRaiseBadDecodeTable) {
  auto block = [] { return TBitWriter().Put(16, 1); };
  auto singleT = [](TBitWriter w, unsigned t) { return w.Put(5, 0).Put(5, t); };
  auto singleTC = [&](unsigned c) { return singleT(block(), 0).Put(9, 0).Put(9, c); };
  const std::vector<BadStream> cases = {
      {"T count above 19", block().Put(5, 20).Finish()},
      {"T single symbol outside the set", singleT(block(), 19).Finish()},
      {"T code over-full", block().Put(5, 3).Put("001 001 001").Put(2, 0).Finish()},
      {"T code not full", block().Put(5, 1).Put("001").Finish()},
      {"T length past 16 bits", block().Put(5, 1).Put("111 1111111111 0").Finish()},
      {"C count above 510", singleT(block(), 0).Put(9, 511).Finish()},
      {"C single symbol outside the set", singleTC(510).Finish()},
      {"C zero run past the set", singleT(block(), 2).Put(9, 510).Put(9, 491).Finish()},
      {"C code over-full", singleT(block(), 3).Put(9, 3).Finish()},
      {"C code not full", singleT(block(), 3).Put(9, 1).Finish()},
      {"P count above 14", singleTC('a').Put(4, 15).Finish()},
      {"P single symbol outside the set", singleTC('a').Put(4, 0).Put(4, 14).Finish()},
      {"P code not full", singleTC('a').Put(4, 2).Put("001 000").Finish()},
  };
  for (const BadStream& c : cases) {
    SCOPED_TRACE(c.name);
    TestStream src(c.bytes), dst;
    qx::TCodecState state;
    EXPECT_THROW(
        state.RunCodec(qx::TCodecJob{dst, src, uint32_t(c.bytes.size()), qx::TCodecDirection::cdExpand,
                                     qx::cmLH5, 100, false, 0, nullptr}),
        ELZHBadDecodeTable);
    EXPECT_EQ(state.Lh5Tables, nullptr);
  }
}

// The smallest zero run that passes the end is one too many; the largest that fits is fine.
TEST(Lh5Decode, ZeroRunEndingExactlyAtTheSetIsAccepted) {
  // T: every symbol is 2 (a run of 20 + r zeros) except that the list must end with a length:
  // use T symbols 2 -> "0" and 3 -> "1" instead.
  TBitWriter w;
  w.Put(16, 1);
  TwoSymbolTList(w);
  w.Put(9, 510).Put("1").Put("0").Put(9, 508 - 20).Put("1");  // lengths 1, 508 zeros, 1
  w.Put(4, 0).Put(4, 0).Put("0");
  EXPECT_EQ(Decode(w.Finish(), 1), std::vector<uint8_t>(1, 0));
  TBitWriter bad;
  bad.Put(16, 1);
  TwoSymbolTList(bad);
  bad.Put(9, 510).Put("1").Put("0").Put(9, 510 - 20);  // 1 + 510 lengths
  EXPECT_THROW(Decode(bad.Finish(), 1), ELZHBadDecodeTable);
}
