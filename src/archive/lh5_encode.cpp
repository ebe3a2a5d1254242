// "LH5" encoder. A Patricia trie over the 8192-byte window finds, for every position, the
// longest earlier match and its most recent position; matches are buffered per block and sent
// with Huffman codes built for that block. Every choice here (the lazy match rule, the trie's
// answers, the block limit, the code construction) decides the bytes of a member, and the
// whole chain is kept identical to the reference encoder so that members are reproducible.
#include <cstring>

#include "archive/lh5_internal.h"

namespace qx {
namespace lh5 {

namespace {

constexpr unsigned kTextSize = 2 * kDicSize + kMaxMatch;  // window, lookahead and room to slide
constexpr unsigned kLoadAt = kDicSize + kMaxMatch;        // where fresh input goes
constexpr unsigned kBlockBufSize = 16384;
constexpr unsigned kBlockLimit = kBlockBufSize - 3 * 8;  // no new group of eight starts past this

// Trie node numbers: 0 is none; 1..8191 internal nodes; leaves are numbered by window slot
// (8192 + position modulo 8192), which is also the position they stand for; then one root per
// first byte.
constexpr unsigned kNil = 0;
constexpr unsigned kLeafBase = kDicSize;
constexpr unsigned kRootBase = 2 * kDicSize;
constexpr unsigned kNodes = kRootBase + 256;
constexpr unsigned kInternalNodes = kDicSize - 1;
constexpr unsigned kHashBits = 15;

inline bool IsLeaf(unsigned node) { return node >= kLeafBase && node < kRootBase; }

inline unsigned BitLength(unsigned v) {
  unsigned k = 0;
  for (; v; v >>= 1) ++k;
  return k;
}

}  // namespace

struct TEncoder {
  explicit TEncoder(TCodecState& s) : State(s) {}

  TCodecState& State;

  // Sliding Text: positions below Pos are the window, Pos onwards the lookahead.
  uint8_t Text[kTextSize];
  unsigned Pos = 0;
  uint32_t Remaining = 0;
  // The match the finder gave for the last inserted position.
  unsigned MatchLen = 0;
  unsigned MatchPos = 0;

  // The trie. Children hang in hash chains keyed by (parent, first byte of their edge).
  // One record per node, so that a step through the trie touches one cache line.
  struct TNode {
    uint16_t Parent;
    uint16_t PrevInChain, NextInChain;
    uint16_t Level;       // internal nodes and roots: bytes matched down to here
    uint16_t Position;    // internal nodes and roots: most recent position through here
    uint16_t ChildCount;  // internal nodes
    uint16_t Forward;     // leaves replaced at the 256-byte limit: their successor
    uint8_t EdgeByte;
  };
  TNode Nodes[kNodes];
  uint16_t ChainHead[1u << kHashBits];
  uint16_t RootChild[256 * 256];
  uint16_t FreeNodes[kInternalNodes];
  unsigned FreeCount = 0;

  // Symbols of the current block, eight behind each flag byte.
  uint8_t Buf[kBlockBufSize];
  unsigned BufPos = 0;
  unsigned FlagPos = 0;
  unsigned FlagMask = 0;
  uint16_t CFreq[kNC];
  uint16_t PFreq[kNP];
  uint16_t TFreq[kNT];
  uint8_t CLen[kNC];
  uint8_t PtLen[kNPT];
  uint16_t CCode[kNC];
  uint16_t PtCode[kNPT];

  uint64_t BitAcc = 0;
  unsigned BitCount = 0;
  uint8_t Out[4096];
  unsigned OutLen = 0;

  // --- input
  unsigned Load(uint8_t* to, unsigned max) { return unsigned(State.ReadBytes(to, max)); }

  // --- trie
  static unsigned Hash(unsigned node, unsigned byte) {
    return ((node << 8 | byte) * 2654435761u) >> (32 - kHashBits);
  }
  // Children of the roots (the most used nodes) sit in a direct table instead of the chains.
  static unsigned RootSlot(unsigned root, unsigned byte) { return (root - kRootBase) << 8 | byte; }
  unsigned Child(unsigned node, unsigned byte) const {
    if (node >= kRootBase) return RootChild[RootSlot(node, byte)];
    for (unsigned r = ChainHead[Hash(node, byte)]; r != kNil; r = Nodes[r].NextInChain)
      if (Nodes[r].Parent == node && Nodes[r].EdgeByte == byte) return r;
    return kNil;
  }
  void Link(unsigned child, unsigned node, unsigned byte) {
    Nodes[child].Parent = uint16_t(node);
    Nodes[child].EdgeByte = uint8_t(byte);
    if (node >= kRootBase) {
      RootChild[RootSlot(node, byte)] = uint16_t(child);
      return;
    }
    const unsigned h = Hash(node, byte);
    Nodes[child].PrevInChain = kNil;
    Nodes[child].NextInChain = ChainHead[h];
    if (ChainHead[h] != kNil) Nodes[ChainHead[h]].PrevInChain = uint16_t(child);
    ChainHead[h] = uint16_t(child);
  }
  void Unlink(unsigned node) {
    if (Nodes[node].Parent >= kRootBase) {
      RootChild[RootSlot(Nodes[node].Parent, Nodes[node].EdgeByte)] = kNil;
      return;
    }
    const unsigned prev = Nodes[node].PrevInChain, next = Nodes[node].NextInChain;
    if (prev != kNil)
      Nodes[prev].NextInChain = uint16_t(next);
    else
      ChainHead[Hash(Nodes[node].Parent, Nodes[node].EdgeByte)] = uint16_t(next);
    if (next != kNil) Nodes[next].PrevInChain = uint16_t(prev);
  }
  // Puts node `by` where `old` hangs (same parent, same edge byte); `old` leaves the trie.
  void Replace(unsigned old, unsigned by) {
    Nodes[by].Parent = Nodes[old].Parent;
    Nodes[by].EdgeByte = Nodes[old].EdgeByte;
    if (Nodes[old].Parent >= kRootBase) {
      RootChild[RootSlot(Nodes[old].Parent, Nodes[old].EdgeByte)] = uint16_t(by);
      Nodes[old].Parent = kNil;
      return;
    }
    const unsigned prev = Nodes[old].PrevInChain, next = Nodes[old].NextInChain;
    Nodes[by].PrevInChain = uint16_t(prev);
    Nodes[by].NextInChain = uint16_t(next);
    if (prev != kNil)
      Nodes[prev].NextInChain = uint16_t(by);
    else
      ChainHead[Hash(Nodes[old].Parent, Nodes[old].EdgeByte)] = uint16_t(by);
    if (next != kNil) Nodes[next].PrevInChain = uint16_t(by);
    Nodes[old].Parent = kNil;
  }

  void InitTrie() {
    // Internal nodes are written in full when they are taken from the free list; leaves and
    // roots are read before anything is written to them.
    std::memset(Nodes + kLeafBase, 0, sizeof(TNode) * (kNodes - kLeafBase));
    std::memset(ChainHead, 0, sizeof ChainHead);
    std::memset(RootChild, 0, sizeof RootChild);
    for (unsigned c = 0; c < 256; ++c) {
      Nodes[kRootBase + c].Level = 1;
      Nodes[kRootBase + c].Position = 0;
    }
    FreeCount = 0;
    for (unsigned n = kInternalNodes; n >= 1; --n) FreeNodes[FreeCount++] = uint16_t(n);
  }

  // A stored position at or after Pos was stored before the last slide of the Text.
  unsigned Current(unsigned stored) const { return stored >= Pos ? stored - kDicSize : stored; }

  void Split(unsigned node, unsigned len, unsigned nodePos, unsigned leaf) {
    const unsigned n = FreeNodes[--FreeCount];
    Nodes[n].Level = uint16_t(len);
    Nodes[n].Position = uint16_t(Pos);
    Nodes[n].ChildCount = 2;
    Replace(node, n);
    Link(node, n, Text[nodePos + len]);
    Link(leaf, n, Text[Pos + len]);
  }

  // The first index in [from, end) where the two texts differ, or end. Both may be read up to
  // 256 bytes past their start, which the Text buffer always holds.
  static unsigned Mismatch(const uint8_t* a, const uint8_t* b, unsigned from, unsigned end) {
    while (from + 8 <= end) {
      uint64_t x, y;
      std::memcpy(&x, a + from, 8);
      std::memcpy(&y, b + from, 8);
      if (x != y) return from + unsigned(__builtin_ctzll(x ^ y) >> 3);
      from += 8;
    }
    while (from < end && a[from] == b[from]) ++from;
    return from;
  }

  // Inserts Pos and leaves the longest match found on the way in MatchLen/MatchPos.
  void Insert() {
    const unsigned leaf = kLeafBase + (Pos & kDicMask);
    unsigned q, r, len;
    const bool restart = MatchLen >= 4;
    unsigned top = kNil;  // the nodes from here to the root still have to record Pos
    if (restart) {
      // Pos continues the previous match one byte later, so its path shares the first
      // MatchLen - 1 bytes with the successor of the previous match position: start there.
      len = MatchLen - 1;
      r = kLeafBase + ((MatchPos + 1) & kDicMask);
      while (Nodes[r].Parent == kNil) r = Nodes[r].Forward;
      q = Nodes[r].Parent;
      while (Nodes[q].Level >= len) {
        r = q;
        q = Nodes[q].Parent;
      }
      top = q;
    } else {
      q = kRootBase + Text[Pos];
      Nodes[q].Position = uint16_t(Pos);
      const unsigned c = Text[Pos + 1];
      r = Child(q, c);
      if (r == kNil) {
        Link(leaf, q, c);
        MatchLen = 1;
        EndRun(Text[Pos]);
        return;
      }
      len = 2;
    }
    const uint8_t* const here = Text + Pos;
    for (;;) {
      unsigned end, at;
      if (IsLeaf(r)) {
        end = kMaxMatch;
        at = Current(r);
      } else {
        end = Nodes[r].Level;
        at = Current(PositionOf(r));
      }
      const unsigned mismatch = Mismatch(here, Text + at, len, end);
      if (mismatch < end) {
        Split(r, mismatch, at, leaf);
        MatchLen = mismatch;
        MatchPos = at;
        RecordUpwards(top);
        return;
      }
      len = end;
      MatchPos = at;
      if (end == kMaxMatch) {
        // As long a match as can be used: Pos takes the old leaf's place.
        Replace(r, leaf);
        Nodes[r].Forward = uint16_t(leaf);
        MatchLen = kMaxMatch;
        if (restart)
          RecordReplace(top, at, leaf);
        else
          RecordUpwards(top);
        return;
      }
      Nodes[r].Position = uint16_t(Pos);
      q = r;
      const unsigned c = here[len];
      r = Child(q, c);
      if (r == kNil) {
        Link(leaf, q, c);
        ++Nodes[q].ChildCount;
        MatchLen = len;
        RecordUpwards(top);
        return;
      }
      ++len;
    }
  }

  // Every node from `from` to the root now has Pos in its subtree.
  void RecordUpwards(unsigned from) {
    for (unsigned t = from; t != kNil; t = Nodes[t].Parent) Nodes[t].Position = uint16_t(Pos);
    EndRun(Text[Pos]);
  }

  // Runs. When Pos replaces a leaf that is the most recent position of its whole first-byte
  // subtree (a run of one byte, or a period that comes back to the same first byte), every
  // ancestor of that leaf must record Pos. Instead of writing the path each time, the path
  // holds a mark that stands for the newest position of the run; the mark is written out once
  // when anything else happens below that root.
  static constexpr uint16_t kRunMark = 0x8000;  // | first byte; positions stay below 0x4000
  bool RunActive[256];
  unsigned RunHead[256];
  unsigned PositionOf(unsigned node) const {
    const unsigned v = Nodes[node].Position;
    return (v & kRunMark) ? RunHead[v & 0xFF] : v;
  }
  void EndRun(unsigned c) {
    if (!RunActive[c]) return;
    RunActive[c] = false;
    unsigned t = kLeafBase + (RunHead[c] & kDicMask);
    while (Nodes[t].Parent == kNil) t = Nodes[t].Forward;
    for (t = Nodes[t].Parent; t != kNil; t = Nodes[t].Parent)
      if (Nodes[t].Position == (kRunMark | c)) Nodes[t].Position = uint16_t(RunHead[c]);
  }
  // After Pos replaced the leaf at `at`; the walk recorded Pos on the nodes below top.
  void RecordReplace(unsigned top, unsigned at, unsigned leaf) {
    const unsigned c = Text[Pos];
    const unsigned root = kRootBase + c;
    const uint16_t mark = uint16_t(kRunMark | c);
    if (RunActive[c]) {
      if (Current(RunHead[c]) == at) {  // the run goes on: its marks now mean Pos
        for (unsigned t = Nodes[leaf].Parent; t != top; t = Nodes[t].Parent) Nodes[t].Position = mark;
        RunHead[c] = Pos;
        return;
      }
    } else if (Current(Nodes[root].Position) == at) {
      for (unsigned t = Nodes[leaf].Parent; t != kNil; t = Nodes[t].Parent) Nodes[t].Position = mark;
      RunActive[c] = true;
      RunHead[c] = Pos;
      return;
    }
    RecordUpwards(top);
  }

  // Removes the position that is about to leave the window (the one 8192 before Pos).
  void DeleteOldest() {
    const unsigned leaf = kLeafBase + (Pos & kDicMask);
    const unsigned q = Nodes[leaf].Parent;
    if (q == kNil) return;
    Unlink(leaf);
    Nodes[leaf].Parent = kNil;
    const unsigned first = Text[Pos - kDicSize];
    if (RunActive[first] && (RunHead[first] & kDicMask) == (Pos & kDicMask)) {
      // The run's newest position is the oldest of the window, so its subtree held nothing
      // else: only the root can still carry the mark.
      RunActive[first] = false;
      Nodes[kRootBase + first].Position = 0;
    }
    if (q >= kRootBase || --Nodes[q].ChildCount > 1) return;
    // q keeps one child, which takes its place. The most recent position through q is in
    // that child (the deleted leaf was the oldest), so it also names the child's edge.
    const unsigned at = Current(PositionOf(q));
    const unsigned c = Child(q, Text[at + Nodes[q].Level]);
    Unlink(c);
    Replace(q, c);
    FreeNodes[FreeCount++] = uint16_t(q);
  }

  void NextPosition() {
    --Remaining;
    if (++Pos == 2 * kDicSize) {
      std::memmove(Text, Text + kDicSize, kDicSize + kMaxMatch);
      const unsigned n = Load(Text + kLoadAt, kDicSize);
      Remaining += n;
      if (n < kDicSize) Text[kLoadAt + n] = 0;
      Pos = kDicSize;
    }
    DeleteOldest();
    Insert();
  }

  // --- bits
  // Bits go out four bytes at a time into Out, which reaches the driver a span at a time; a
  // member that would grow past its budget still fails in the driver, only a little later.
  void PutBits(unsigned n, unsigned v) {  // n <= 16, v < 2^n
    BitAcc = (BitAcc << n) | v;
    BitCount += n;
    if (BitCount < 32) return;
    BitCount -= 32;
    const uint32_t w = uint32_t(BitAcc >> BitCount);
    uint8_t* const o = Out + OutLen;
    o[0] = uint8_t(w >> 24);
    o[1] = uint8_t(w >> 16);
    o[2] = uint8_t(w >> 8);
    o[3] = uint8_t(w);
    OutLen += 4;
    if (OutLen > sizeof Out - 4) FlushOut();
  }
  void FlushOut() {
    State.WriteBytes(Out, OutLen);
    OutLen = 0;
  }
  // The pending bits, the last byte padded with zero bits.
  void FinishBits() {
    for (; BitCount >= 8; BitCount -= 8) Out[OutLen++] = uint8_t(BitAcc >> (BitCount - 8));
    if (BitCount > 0) Out[OutLen++] = uint8_t(BitAcc << (8 - BitCount));
    BitCount = 0;
    FlushOut();
  }

  // --- blocks
  void Output(unsigned c, unsigned distance) {
    FlagMask >>= 1;
    if (FlagMask == 0) {
      FlagMask = 0x80;
      if (BufPos >= kBlockLimit) {
        SendBlock();
        BufPos = 0;
      }
      FlagPos = BufPos++;
      Buf[FlagPos] = 0;
    }
    Buf[BufPos++] = uint8_t(c);
    ++CFreq[c];
    if (c >= 256) {
      Buf[FlagPos] |= uint8_t(FlagMask);
      Buf[BufPos++] = uint8_t(distance >> 8);
      Buf[BufPos++] = uint8_t(distance);
      ++PFreq[BitLength(distance)];
    }
  }

  void CountTFreq(unsigned n) {
    std::memset(TFreq, 0, sizeof TFreq);
    for (unsigned i = 0; i < n;) {
      const unsigned k = CLen[i++];
      if (k != 0) {
        ++TFreq[k + 2];
        continue;
      }
      unsigned run = 1;
      while (i < n && CLen[i] == 0) ++i, ++run;
      if (run <= 2) {
        TFreq[0] += uint16_t(run);
      } else if (run <= 18) {
        ++TFreq[1];
      } else if (run == 19) {
        ++TFreq[0];
        ++TFreq[1];
      } else {
        ++TFreq[2];
      }
    }
  }

  void WritePtLengths(int n, int countBits, int special) {
    while (n > 0 && PtLen[n - 1] == 0) --n;
    PutBits(unsigned(countBits), unsigned(n));
    for (int i = 0; i < n;) {
      const unsigned k = PtLen[i++];
      if (k <= 6)
        PutBits(3, k);
      else
        PutBits(k - 3, (1u << (k - 3)) - 2);  // k - 4 one bits, then a zero
      if (i == special) {
        while (i < 6 && PtLen[i] == 0) ++i;
        PutBits(2, unsigned(i - 3));
      }
    }
  }

  void PutT(unsigned t) { PutBits(PtLen[t], PtCode[t]); }

  void WriteCLengths(unsigned n) {
    PutBits(kCBits, n);
    for (unsigned i = 0; i < n;) {
      const unsigned k = CLen[i++];
      if (k != 0) {
        PutT(k + 2);
        continue;
      }
      unsigned run = 1;
      while (i < n && CLen[i] == 0) ++i, ++run;
      if (run <= 2) {
        for (unsigned j = 0; j < run; ++j) PutT(0);
      } else if (run <= 18) {
        PutT(1);
        PutBits(4, run - 3);
      } else if (run == 19) {
        PutT(0);
        PutT(1);
        PutBits(4, 15);
      } else {
        PutT(2);
        PutBits(kCBits, run - 20);
      }
    }
  }

  void SendBlock() {
    const int cRoot = MakeTree(kNC, CFreq, CLen, CCode);
    unsigned size = 0;
    for (int i = 0; i < kNC; ++i) size += CFreq[i];
    PutBits(16, size);
    if (cRoot >= kNC) {
      unsigned n = kNC;
      while (n > 0 && CLen[n - 1] == 0) --n;
      CountTFreq(n);
      const int tRoot = MakeTree(kNT, TFreq, PtLen, PtCode);
      if (tRoot >= kNT) {
        WritePtLengths(kNT, kTBits, 3);
      } else {
        PutBits(kTBits, 0);
        PutBits(kTBits, unsigned(tRoot));
      }
      WriteCLengths(n);
    } else {
      PutBits(kTBits, 0);
      PutBits(kTBits, 0);
      PutBits(kCBits, 0);
      PutBits(kCBits, unsigned(cRoot));
    }
    const int pRoot = MakeTree(kNP, PFreq, PtLen, PtCode);
    if (pRoot >= kNP) {
      WritePtLengths(kNP, kPBits, -1);
    } else {
      PutBits(kPBits, 0);
      PutBits(kPBits, unsigned(pRoot));
    }
    unsigned at = 0, flags = 0;
    for (unsigned i = 0; i < size; ++i) {
      if ((i & 7) == 0)
        flags = Buf[at++];
      else
        flags <<= 1;
      if (flags & 0x80) {
        const unsigned c = Buf[at++] + 256u;
        PutBits(CLen[c], CCode[c]);
        const unsigned d = unsigned(Buf[at]) << 8 | Buf[at + 1];
        at += 2;
        const unsigned k = BitLength(d);
        PutBits(PtLen[k], PtCode[k]);
        if (k > 1) PutBits(k - 1, d & ((1u << (k - 1)) - 1));
      } else {
        const unsigned c = Buf[at++];
        PutBits(CLen[c], CCode[c]);
      }
    }
    std::memset(CFreq, 0, sizeof CFreq);
    std::memset(PFreq, 0, sizeof PFreq);
  }

  void Run() {
    std::memset(Text, ' ', sizeof Text);
    Remaining = Load(Text + kLoadAt, kDicSize);
    if (Remaining == 0) return;
    InitTrie();
    std::memset(RunActive, 0, sizeof RunActive);
    std::memset(CFreq, 0, sizeof CFreq);
    std::memset(PFreq, 0, sizeof PFreq);
    Pos = kLoadAt;
    MatchLen = 0;
    Insert();
    while (Remaining > 0) {
      const unsigned lastLen = MatchLen, lastPos = MatchPos;
      NextPosition();
      if (MatchLen > Remaining) MatchLen = Remaining;
      // A match is taken only when the next position does not offer a longer one.
      if (MatchLen > lastLen || lastLen < kThreshold) {
        Output(Text[Pos - 1], 0);
      } else {
        Output(lastLen + (256 - kThreshold), (Pos - lastPos - 2) & kDicMask);
        for (unsigned k = lastLen; --k > 0;) NextPosition();
        if (MatchLen > Remaining) MatchLen = Remaining;
      }
    }
    SendBlock();
    FinishBits();
  }
};

void TEncoderRelease::operator()(TEncoder* e) const { delete e; }

}  // namespace lh5

void Lh5Compress(TCodecState& state) {
  struct Release {
    TCodecState& s;
    ~Release() { s.Lh5Tables.reset(); }
  } release{state};
  state.Lh5Tables.reset(new TLh5Work);
  state.Lh5Tables->Encode.reset(new lh5::TEncoder(state));
  state.Lh5Tables->Encode->Run();
}

}  // namespace qx
