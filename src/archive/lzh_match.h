#pragma once
// The "LZH" encoder's match finder: a forest of binary search trees over the window positions,
// ordered by the 60 bytes that start at each position. Every node remembers how many leading
// bytes it shares with its parent, so an insertion compares only bytes it does not know yet.
#include <cstdint>
#include <cstring>

#include "archive/lzh_tables.h"

namespace qx::lzh {

class TMatchFinder {
public:
  static constexpr unsigned kNone = kWindow;           // no node
  static constexpr unsigned kFirstRoot = kWindow + 1;  // 4096 roots follow
  static constexpr unsigned kLinks = kFirstRoot + 4096;

  // text: the window with its 59-byte tail copy (the encoder keeps both up to date).
  explicit TMatchFinder(const uint8_t* text);

  // Adds position r and leaves the longest match found on the way (0 when none of 3 or more)
  // in MatchLength/MatchCode, the code being the distance minus 1.
  void Insert(unsigned r);
  // Removes position p; a position that is not in the forest is left alone.
  void Delete(unsigned p);

  unsigned MatchLength = 0;
  unsigned MatchCode = 0;

private:
  static unsigned RootOf(const uint8_t* key) {
    const unsigned x = key[1] ^ key[2];
    return kFirstRoot + key[0] + 256 * ((x ^ (x >> 4)) & 15);
  }
  static bool IsRoot(unsigned node) { return node > kNone; }
  // Length of the common prefix of positions a and b, at most 60, known to be at least from.
  // Eight bytes at a time: the window has slack behind its tail copy for the last load.
  unsigned CommonFrom(unsigned a, unsigned b, unsigned from) const {
    while (from < kLookahead) {
      uint64_t x, y;
      std::memcpy(&x, Text + a + from, 8);
      std::memcpy(&y, Text + b + from, 8);
      if (x != y) {
        from += FirstDifferentByte(x ^ y);
        return from < kLookahead ? from : kLookahead;
      }
      from += 8;
    }
    return kLookahead;
  }
  static unsigned FirstDifferentByte(uint64_t diff) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    return static_cast<unsigned>(__builtin_ctzll(diff)) / 8;
#else
    return static_cast<unsigned>(__builtin_clzll(diff)) / 8;
#endif
  }
  // shared for node c that now hangs under newParent, which it was never compared with.
  unsigned Measure(unsigned c, unsigned newParent) const {
    return IsRoot(newParent) ? 1 : CommonFrom(c, newParent, 1);
  }
  // shared for node c that moves up from oldParent to oldParent's parent.
  unsigned MoveUp(unsigned c, unsigned oldParent, unsigned newParent) const {
    if (IsRoot(newParent)) return 1;
    const unsigned a = Shared[c], b = Shared[oldParent];
    if (a != b) return a < b ? a : b;
    return CommonFrom(c, newParent, a);
  }
  // Makes node replace old in old's parent's link.
  void Relink(unsigned old, unsigned node) {
    const unsigned up = Parent[old];
    if (Right[up] == old)
      Right[up] = static_cast<uint16_t>(node);
    else
      Left[up] = static_cast<uint16_t>(node);
  }

  const uint8_t* Text;
  uint16_t Parent[kWindow];
  uint16_t Left[kLinks];
  uint16_t Right[kLinks];
  uint8_t Shared[kWindow];
};

}  // namespace qx::lzh
