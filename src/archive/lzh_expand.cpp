// "LZH" expansion. Any bit string decodes to something: every path through the tree ends at a
// symbol and every distance lands inside the window, so bad data can only give wrong bytes
// (which the member checksum catches), never an access outside the tables. Data that runs out
// before the member's size is made raises EBadChecksum (a cancelled run just ends there): the
// zero bits read past the end could otherwise go on making bytes up to any size a damaged header
// claims.
#include <cstring>

#include "archive/lzh_tables.h"

namespace qx {

namespace {

using namespace lzh;

// Bits of the member data, most significant first, in a 64-bit register; zero bits past the end,
// which a sound stream never uses.
class TBitReader {
public:
  explicit TBitReader(TCodecState& state) : State(state) {}

  // Makes at least 57 bits available.
  void Fill() {
    CheckNotPastEnd();
    while (Valid <= 56) {
      uint8_t b = 0;
      if (!Ended) {
        b = State.ReadByte();
        Ended = State.EndOfInput();
      }
      if (Ended) PadBits += 8;
      Buffer |= static_cast<uint64_t>(b) << (56 - Valid);
      Valid += 8;
    }
  }
  void CheckNotPastEnd() const {
    if (PadBits > Valid) State.InputRanOut();
  }
  uint64_t Bits() const { return Buffer; }
  unsigned Count() const { return Valid; }
  void Skip(unsigned n) {
    Buffer <<= n;
    Valid -= n;
  }

private:
  TCodecState& State;
  uint64_t Buffer = 0;  // left-aligned
  unsigned Valid = 0;
  unsigned PadBits = 0;  // the last bits of the register that stand in for missing data
  bool Ended = false;
};

}  // namespace

void LzhExpand(TCodecState& state, uint32_t count) {
  if (count == 0) return;
  TWorkScope scope(state);
  TLzhWork& work = scope.Work();
  TLzhTree& tree = work.Tree;
  uint8_t* const window = work.Window;
  tree.Start();
  std::memset(window, kFill, kFirstWrite);
  std::memset(window + kFirstWrite, 0, sizeof work.Window - kFirstWrite);

  TBitReader in(state);
  const uint16_t* const child = tree.NodeChild;
  unsigned r = kFirstWrite;
  uint32_t left = count;
  while (left != 0) {
    in.Fill();
    // Walk from the root, one bit per level. A path is far shorter than 57 bits in practice
    // (counts stay below 32768), but the reader refills rather than rely on that.
    uint64_t bits = in.Bits();
    unsigned avail = in.Count();
    unsigned used = 0;
    unsigned k = child[kRoot];
    while (k < kNodes) {
      if (used == avail) {
        in.Skip(used);
        in.Fill();
        bits = in.Bits();
        avail = in.Count();
        used = 0;
      }
      k = child[k + static_cast<unsigned>(bits >> 63)];
      bits <<= 1;
      ++used;
    }
    in.Skip(used);
    const unsigned c = k - kNodes;
    tree.Update(c);
    if (c < 256) {
      const uint8_t b = static_cast<uint8_t>(c);
      window[r] = b;
      r = (r + 1) & kWindowMask;
      state.WriteByte(b);
      --left;
      continue;
    }
    // The distance: a prefix code for its upper six bits, then the lower six as they are.
    if (in.Count() < 14) in.Fill();
    const unsigned top = static_cast<unsigned>(in.Bits() >> 56);
    const unsigned take = kPositionCode.LengthOf[top] + 6u;
    const unsigned low = static_cast<unsigned>(in.Bits() >> (64 - take)) & 63;
    in.Skip(take);
    const unsigned code = (static_cast<unsigned>(kPositionCode.UpperOf[top]) << 6) | low;
    unsigned from = (r - code - 1) & kWindowMask;
    unsigned length = c - kLengthBase;
    // A damaged stream may ask for more than the member's size; the member never grows past it.
    if (length > left) length = left;
    left -= length;
    while (length-- != 0) {
      const uint8_t b = window[from];
      from = (from + 1) & kWindowMask;
      window[r] = b;
      r = (r + 1) & kWindowMask;
      state.WriteByte(b);
    }
  }
  in.CheckNotPastEnd();
}

}  // namespace qx
