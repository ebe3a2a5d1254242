// "LZH" compression: LZ77 over the 4096-byte window, taking at every position the match the
// finder reports (a greedy parse), with literals and match lengths in the adaptive code and
// distances in the fixed position code.
#include <cstring>

#include "archive/lzh_match.h"
#include "archive/lzh_tables.h"

namespace qx {

namespace {

using namespace lzh;

// Bits to the member data, most significant first; the last byte is padded with zero bits.
class TBitWriter {
public:
  explicit TBitWriter(TCodecState& state) : State(state) {}

  // Sends the low n bits of value (n at most 32), the highest first.
  void Put(uint32_t value, unsigned n) {
    if (n == 0) return;
    Pending |= (static_cast<uint64_t>(value) & ((uint64_t{1} << n) - 1)) << (64 - PendingCount - n);
    PendingCount += n;
    while (PendingCount >= 8) {
      State.WriteByte(static_cast<uint8_t>(Pending >> 56));
      Pending <<= 8;
      PendingCount -= 8;
    }
  }
  void Finish() {
    if (PendingCount != 0) State.WriteByte(static_cast<uint8_t>(Pending >> 56));
    Pending = 0;
    PendingCount = 0;
  }

private:
  TCodecState& State;
  uint64_t Pending = 0;  // left-aligned, fewer than 8 pending between calls
  unsigned PendingCount = 0;
};

// The code of c is the path from the root to its leaf: 1 for every odd node on the way.
void SendSymbol(TBitWriter& out, TLzhTree& tree, unsigned c) {
  // Collected leaf side first, in 32-bit words, then sent root side first. Paths stay far
  // below 32 bits in practice, but nothing bounds them that tightly.
  uint32_t words[(kNodes + 31) / 32];
  unsigned n = 0;
  uint32_t word = 0;
  unsigned inWord = 0;
  for (unsigned k = tree.NodeParent[kNodes + c]; k != kRoot; k = tree.NodeParent[k]) {
    word |= (k & 1u) << inWord;
    if (++inWord == 32) {
      words[n++] = word;
      word = 0;
      inWord = 0;
    }
  }
  out.Put(word, inWord);
  while (n != 0) out.Put(words[--n], 32);
  tree.Update(c);
}

void SendDistance(TBitWriter& out, unsigned code) {
  const unsigned u = code >> 6;
  const unsigned len = kPositionCode.Length[u];
  out.Put(kPositionCode.Code[u] >> (8 - len), len);
  out.Put(code & 63, 6);
}

}  // namespace

void LzhCompress(TCodecState& state) {
  TWorkScope scope(state);
  TLzhWork& work = scope.Work();
  uint8_t* const text = work.Window;
  // Positions 0-4035 and the copy of 0-58 behind the window start as spaces; the lookahead
  // positions after the input's end hold zeros (the finder may compare them, but every match is
  // cut to the bytes left).
  std::memset(text, 0, sizeof work.Window);
  std::memset(text, kFill, kFirstWrite);
  std::memset(text + kWindow, kFill, kTailCopy);

  unsigned r = kFirstWrite, s = 0;
  unsigned len = 0;
  while (len < kLookahead) {
    const uint8_t c = state.ReadByte();
    if (state.EndOfInput()) break;
    text[r + len++] = c;
  }
  if (len == 0) return;

  TLzhTree& tree = work.Tree;
  tree.Start();
  work.Finder.reset(new TMatchFinder(text));
  TMatchFinder& finder = *work.Finder;
  TBitWriter out(state);
  for (unsigned i = 1; i <= kLookahead; ++i) finder.Insert(r - i);
  finder.Insert(r);

  // Moves on by one position: the next input byte replaces the oldest one in the window, or,
  // once the input has ended, the lookahead shrinks.
  bool inputLeft = true;
  auto advance = [&] {
    if (inputLeft) {
      const uint8_t c = state.ReadByte();
      if (!state.EndOfInput()) {
        finder.Delete(s);
        text[s] = c;
        if (s < kTailCopy) text[s + kWindow] = c;
        s = (s + 1) & kWindowMask;
        r = (r + 1) & kWindowMask;
        finder.Insert(r);
        return;
      }
      inputLeft = false;
    }
    finder.Delete(s);
    s = (s + 1) & kWindowMask;
    r = (r + 1) & kWindowMask;
    if (--len != 0) finder.Insert(r);
  };

  // Greedy: the match the last insertion found, cut to the bytes left, or a literal when that
  // leaves fewer than three. Which copy is used among equally long ones is the finder's choice.
  while (len != 0) {
    unsigned length = finder.MatchLength < len ? finder.MatchLength : len;
    if (length < kMinMatch) {
      length = 1;
      SendSymbol(out, tree, text[r]);
    } else {
      SendSymbol(out, tree, length + kLengthBase);
      SendDistance(out, finder.MatchCode);
    }
    for (unsigned i = 0; i < length; ++i) advance();
  }
  out.Finish();
}

}  // namespace qx
