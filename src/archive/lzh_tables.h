#pragma once
// Shared pieces of the "LZH" coder (the -lh1- bit stream of LHA archives): the adaptive Huffman
// tree that both sides keep in step, the fixed prefix code of the upper six distance bits, and
// the per-member working tables.
#include <cstdint>
#include <memory>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "archive/codec_state.h"

namespace qx {

namespace lzh {

constexpr unsigned kWindow = 4096;  // positions modulo 4096
constexpr unsigned kWindowMask = kWindow - 1;
constexpr unsigned kLookahead = 60;                     // longest match
constexpr unsigned kMinMatch = 3;                       // shorter ones go out as literals
constexpr unsigned kFirstWrite = kWindow - kLookahead;  // 4036: bytes before it are spaces
constexpr uint8_t kFill = 0x20;
constexpr unsigned kSymbols = 256 + kLookahead - kMinMatch + 1;  // 314: literals, then lengths
constexpr unsigned kLengthBase = 256 - kMinMatch;                // symbol = length + 253
constexpr unsigned kNodes = 2 * kSymbols - 1;                    // 627
constexpr unsigned kRoot = kNodes - 1;                           // 626
constexpr unsigned kCountLimit = 0x8000;                         // the root count that triggers halving
// The window as the coders hold it: the 4096 positions, a copy of the first 59 behind them so
// that 60-byte comparisons never wrap, and 8 bytes of slack for comparing 8 bytes at a time.
constexpr unsigned kTailCopy = kLookahead - 1;
constexpr unsigned kWindowBytes = kWindow + kTailCopy + 8;

// The adaptive code. Nodes are kept in non-decreasing order of count by index, the two children
// of an internal node are neighbours (first child even), and a leaf's child entry is
// kNodes + symbol. NodeParent[kNodes + symbol] is the leaf of the symbol.
struct TLzhTree {
  // NodeCount[kNodes] is a sentinel above every real count; the entries after it (also at the
  // maximum) let the search read eight counts at once anywhere.
  uint16_t NodeCount[kNodes + 8];
  uint16_t NodeChild[kNodes];
  uint16_t NodeParent[kNodes + kSymbols];

  // The balanced starting tree: every symbol 8 or 9 bits long.
  void Start();
  // Halves every count and rebuilds the tree from the leaves in their current order.
  void Rebuild();

  // Counts symbol c and restores the order, with at most one swap per level of the path.
  void Update(unsigned c) {
    if (NodeCount[kRoot] == kCountLimit) Rebuild();
    unsigned k = NodeParent[kNodes + c];
    do {
      const unsigned f = ++NodeCount[k];
      if (f > NodeCount[k + 1]) {
        // The new count passes its right neighbour: trade places with the last node that still
        // has a lower count, so the order holds and the node moves towards the root.
        const unsigned l = LastBelow(k + 1, f);
        NodeCount[k] = NodeCount[l];
        NodeCount[l] = static_cast<uint16_t>(f);
        const unsigned a = NodeChild[k];
        const unsigned b = NodeChild[l];
        NodeParent[a] = static_cast<uint16_t>(l);
        if (a < kNodes) NodeParent[a + 1] = static_cast<uint16_t>(l);
        NodeChild[l] = static_cast<uint16_t>(a);
        NodeParent[b] = static_cast<uint16_t>(k);
        if (b < kNodes) NodeParent[b + 1] = static_cast<uint16_t>(k);
        NodeChild[k] = static_cast<uint16_t>(b);
        k = l;
      }
      k = NodeParent[k];
    } while (k != 0);
  }

private:
  // The highest index whose count is below f, given NodeCount[from] < f. Counts are sorted and the
  // sentinel is above f, so the answer is unique. Runs of equal counts can be long (a member
  // of nearly uniform bytes), so the search looks at eight counts at a time where it can.
  unsigned LastBelow(unsigned from, unsigned f) const {
    if (NodeCount[from + 1] >= f) return from;
    unsigned i = from + 2;
#if defined(__SSE2__)
    const __m128i limit = _mm_set1_epi16(static_cast<short>(f));
    for (;; i += 8) {
      const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&NodeCount[i]));
      // Unsigned count >= f exactly where f minus count saturates to 0.
      const __m128i atLeast = _mm_cmpeq_epi16(_mm_subs_epu16(limit, c), _mm_setzero_si128());
      const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(atLeast));
      if (mask != 0) return i + (static_cast<unsigned>(__builtin_ctz(mask)) >> 1) - 1;
    }
#else
    while (NodeCount[i] < f) ++i;
    return i - 1;
#endif
  }
};

// The position prefix code: canonical codes for the upper six bits u of a distance code, assigned
// in increasing order of u with lengths 3 (u 0), 4 (1-3), 5 (4-11), 6 (12-23), 7 (24-47) and
// 8 (48-63).
struct TPositionCode {
  uint8_t Code[64];  // left-aligned in 8 bits
  uint8_t Length[64];
  uint8_t UpperOf[256];   // from the next 8 bits of the stream: u ...
  uint8_t LengthOf[256];  // ... and its code length
};

constexpr unsigned PositionCodeLength(unsigned u) {
  return u < 1 ? 3 : u < 4 ? 4 : u < 12 ? 5 : u < 24 ? 6 : u < 48 ? 7 : 8;
}

constexpr TPositionCode MakePositionCode() {
  TPositionCode t{};
  unsigned next = 0;  // canonical code, left-aligned in 8 bits
  for (unsigned u = 0; u < 64; ++u) {
    const unsigned len = PositionCodeLength(u);
    t.Code[u] = static_cast<uint8_t>(next);
    t.Length[u] = static_cast<uint8_t>(len);
    const unsigned span = 1u << (8 - len);
    for (unsigned v = next; v < next + span; ++v) {
      t.UpperOf[v] = static_cast<uint8_t>(u);
      t.LengthOf[v] = static_cast<uint8_t>(len);
    }
    next += span;
  }
  return t;
}

inline constexpr TPositionCode kPositionCode = MakePositionCode();

class TMatchFinder;

}  // namespace lzh

// Per-member working tables, held in TCodecState::LzhTables for one run.
struct TLzhWork {
  lzh::TLzhTree Tree;
  uint8_t Window[lzh::kWindowBytes];
  std::unique_ptr<lzh::TMatchFinder> Finder;  // encoder only
  ~TLzhWork();
};

namespace lzh {

// Puts fresh tables into state.LzhTables and takes them away again when the member's run ends,
// normally or by an exception.
class TWorkScope {
public:
  explicit TWorkScope(TCodecState& state);
  ~TWorkScope();
  TWorkScope(const TWorkScope&) = delete;
  TWorkScope& operator=(const TWorkScope&) = delete;
  TLzhWork& Work() { return *State.LzhTables; }

private:
  TCodecState& State;
};

}  // namespace lzh

}  // namespace qx
