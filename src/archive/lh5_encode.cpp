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

struct Encoder {
  explicit Encoder(TCodecState& s) : state(s) {}

  TCodecState& state;

  // Sliding text: positions below pos are the window, pos onwards the lookahead.
  uint8_t text[kTextSize];
  unsigned pos = 0;
  uint32_t remaining = 0;
  // The match the finder gave for the last inserted position.
  unsigned matchLen = 0;
  unsigned matchPos = 0;

  // The trie. Children hang in hash chains keyed by (parent, first byte of their edge).
  // One record per node, so that a step through the trie touches one cache line.
  struct Node {
    uint16_t parent;
    uint16_t prevInChain, nextInChain;
    uint16_t level;       // internal nodes and roots: bytes matched down to here
    uint16_t position;    // internal nodes and roots: most recent position through here
    uint16_t childCount;  // internal nodes
    uint16_t forward;     // leaves replaced at the 256-byte limit: their successor
    uint8_t edgeByte;
  };
  Node node_[kNodes];
  uint16_t chainHead[1u << kHashBits];
  uint16_t rootChild[256 * 256];
  uint16_t freeNodes[kInternalNodes];
  unsigned freeCount = 0;

  // Symbols of the current block, eight behind each flag byte.
  uint8_t buf[kBlockBufSize];
  unsigned bufPos = 0;
  unsigned flagPos = 0;
  unsigned flagMask = 0;
  uint16_t cFreq[kNC];
  uint16_t pFreq[kNP];
  uint16_t tFreq[kNT];
  uint8_t cLen[kNC];
  uint8_t ptLen[kNPT];
  uint16_t cCode[kNC];
  uint16_t ptCode[kNPT];

  uint64_t bitAcc = 0;
  unsigned bitCount = 0;

  // --- input
  unsigned Load(uint8_t* to, unsigned max) {
    unsigned n = 0;
    while (n < max) {
      const uint8_t b = state.ReadByte();
      if (state.EndOfInput()) break;
      to[n++] = b;
    }
    return n;
  }

  // --- trie
  static unsigned Hash(unsigned node, unsigned byte) {
    return ((node << 8 | byte) * 2654435761u) >> (32 - kHashBits);
  }
  // Children of the roots (the most used nodes) sit in a direct table instead of the chains.
  static unsigned RootSlot(unsigned root, unsigned byte) { return (root - kRootBase) << 8 | byte; }
  unsigned Child(unsigned node, unsigned byte) const {
    if (node >= kRootBase) return rootChild[RootSlot(node, byte)];
    for (unsigned r = chainHead[Hash(node, byte)]; r != kNil; r = node_[r].nextInChain)
      if (node_[r].parent == node && node_[r].edgeByte == byte) return r;
    return kNil;
  }
  void Link(unsigned child, unsigned node, unsigned byte) {
    node_[child].parent = uint16_t(node);
    node_[child].edgeByte = uint8_t(byte);
    if (node >= kRootBase) {
      rootChild[RootSlot(node, byte)] = uint16_t(child);
      return;
    }
    const unsigned h = Hash(node, byte);
    node_[child].prevInChain = kNil;
    node_[child].nextInChain = chainHead[h];
    if (chainHead[h] != kNil) node_[chainHead[h]].prevInChain = uint16_t(child);
    chainHead[h] = uint16_t(child);
  }
  void Unlink(unsigned node) {
    if (node_[node].parent >= kRootBase) {
      rootChild[RootSlot(node_[node].parent, node_[node].edgeByte)] = kNil;
      return;
    }
    const unsigned prev = node_[node].prevInChain, next = node_[node].nextInChain;
    if (prev != kNil)
      node_[prev].nextInChain = uint16_t(next);
    else
      chainHead[Hash(node_[node].parent, node_[node].edgeByte)] = uint16_t(next);
    if (next != kNil) node_[next].prevInChain = uint16_t(prev);
  }
  // Puts node `by` where `old` hangs (same parent, same edge byte); `old` leaves the trie.
  void Replace(unsigned old, unsigned by) {
    node_[by].parent = node_[old].parent;
    node_[by].edgeByte = node_[old].edgeByte;
    if (node_[old].parent >= kRootBase) {
      rootChild[RootSlot(node_[old].parent, node_[old].edgeByte)] = uint16_t(by);
      node_[old].parent = kNil;
      return;
    }
    const unsigned prev = node_[old].prevInChain, next = node_[old].nextInChain;
    node_[by].prevInChain = uint16_t(prev);
    node_[by].nextInChain = uint16_t(next);
    if (prev != kNil)
      node_[prev].nextInChain = uint16_t(by);
    else
      chainHead[Hash(node_[old].parent, node_[old].edgeByte)] = uint16_t(by);
    if (next != kNil) node_[next].prevInChain = uint16_t(by);
    node_[old].parent = kNil;
  }

  void InitTrie() {
    std::memset(node_, 0, sizeof node_);
    std::memset(chainHead, 0, sizeof chainHead);
    std::memset(rootChild, 0, sizeof rootChild);
    for (unsigned c = 0; c < 256; ++c) {
      node_[kRootBase + c].level = 1;
      node_[kRootBase + c].position = 0;
    }
    freeCount = 0;
    for (unsigned n = kInternalNodes; n >= 1; --n) freeNodes[freeCount++] = uint16_t(n);
  }

  // A stored position at or after pos was stored before the last slide of the text.
  unsigned Current(unsigned stored) const { return stored >= pos ? stored - kDicSize : stored; }

  void Split(unsigned node, unsigned len, unsigned nodePos, unsigned leaf) {
    const unsigned n = freeNodes[--freeCount];
    node_[n].level = uint16_t(len);
    node_[n].position = uint16_t(pos);
    node_[n].childCount = 2;
    Replace(node, n);
    Link(node, n, text[nodePos + len]);
    Link(leaf, n, text[pos + len]);
  }

  // The first index in [from, end) where the two texts differ, or end. Both may be read up to
  // 256 bytes past their start, which the text buffer always holds.
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

  // Inserts pos and leaves the longest match found on the way in matchLen/matchPos.
  void Insert() {
    const unsigned leaf = kLeafBase + (pos & kDicMask);
    unsigned q, r, len;
    const bool restart = matchLen >= 4;
    unsigned top = kNil;  // the nodes from here to the root still have to record pos
    if (restart) {
      // pos continues the previous match one byte later, so its path shares the first
      // matchLen - 1 bytes with the successor of the previous match position: start there.
      len = matchLen - 1;
      r = kLeafBase + ((matchPos + 1) & kDicMask);
      while (node_[r].parent == kNil) r = node_[r].forward;
      q = node_[r].parent;
      while (node_[q].level >= len) {
        r = q;
        q = node_[q].parent;
      }
      top = q;
    } else {
      q = kRootBase + text[pos];
      node_[q].position = uint16_t(pos);
      const unsigned c = text[pos + 1];
      r = Child(q, c);
      if (r == kNil) {
        Link(leaf, q, c);
        matchLen = 1;
        EndRun(text[pos]);
        return;
      }
      len = 2;
    }
    const uint8_t* const here = text + pos;
    for (;;) {
      unsigned end, at;
      if (IsLeaf(r)) {
        end = kMaxMatch;
        at = Current(r);
      } else {
        end = node_[r].level;
        at = Current(PositionOf(r));
      }
      const unsigned mismatch = Mismatch(here, text + at, len, end);
      if (mismatch < end) {
        Split(r, mismatch, at, leaf);
        matchLen = mismatch;
        matchPos = at;
        RecordUpwards(top);
        return;
      }
      len = end;
      matchPos = at;
      if (end == kMaxMatch) {
        // As long a match as can be used: pos takes the old leaf's place.
        Replace(r, leaf);
        node_[r].forward = uint16_t(leaf);
        matchLen = kMaxMatch;
        if (restart)
          RecordReplace(top, at, leaf);
        else
          RecordUpwards(top);
        return;
      }
      node_[r].position = uint16_t(pos);
      q = r;
      const unsigned c = here[len];
      r = Child(q, c);
      if (r == kNil) {
        Link(leaf, q, c);
        ++node_[q].childCount;
        matchLen = len;
        RecordUpwards(top);
        return;
      }
      ++len;
    }
  }

  // Every node from `from` to the root now has pos in its subtree.
  void RecordUpwards(unsigned from) {
    for (unsigned t = from; t != kNil; t = node_[t].parent) node_[t].position = uint16_t(pos);
    EndRun(text[pos]);
  }

  // Runs. When pos replaces a leaf that is the most recent position of its whole first-byte
  // subtree (a run of one byte, or a period that comes back to the same first byte), every
  // ancestor of that leaf must record pos. Instead of writing the path each time, the path
  // holds a mark that stands for the newest position of the run; the mark is written out once
  // when anything else happens below that root.
  static constexpr uint16_t kRunMark = 0x8000;  // | first byte; positions stay below 0x4000
  bool runActive[256];
  unsigned runHead[256];
  unsigned PositionOf(unsigned node) const {
    const unsigned v = node_[node].position;
    return (v & kRunMark) ? runHead[v & 0xFF] : v;
  }
  void EndRun(unsigned c) {
    if (!runActive[c]) return;
    runActive[c] = false;
    unsigned t = kLeafBase + (runHead[c] & kDicMask);
    while (node_[t].parent == kNil) t = node_[t].forward;
    for (t = node_[t].parent; t != kNil; t = node_[t].parent)
      if (node_[t].position == (kRunMark | c)) node_[t].position = uint16_t(runHead[c]);
  }
  // After pos replaced the leaf at `at`; the walk recorded pos on the nodes below top.
  void RecordReplace(unsigned top, unsigned at, unsigned leaf) {
    const unsigned c = text[pos];
    const unsigned root = kRootBase + c;
    const uint16_t mark = uint16_t(kRunMark | c);
    if (runActive[c]) {
      if (Current(runHead[c]) == at) {  // the run goes on: its marks now mean pos
        for (unsigned t = node_[leaf].parent; t != top; t = node_[t].parent) node_[t].position = mark;
        runHead[c] = pos;
        return;
      }
    } else if (Current(node_[root].position) == at) {
      for (unsigned t = node_[leaf].parent; t != kNil; t = node_[t].parent) node_[t].position = mark;
      runActive[c] = true;
      runHead[c] = pos;
      return;
    }
    RecordUpwards(top);
  }

  // Removes the position that is about to leave the window (the one 8192 before pos).
  void DeleteOldest() {
    const unsigned leaf = kLeafBase + (pos & kDicMask);
    const unsigned q = node_[leaf].parent;
    if (q == kNil) return;
    Unlink(leaf);
    node_[leaf].parent = kNil;
    const unsigned first = text[pos - kDicSize];
    if (runActive[first] && (runHead[first] & kDicMask) == (pos & kDicMask)) {
      // The run's newest position is the oldest of the window, so its subtree held nothing
      // else: only the root can still carry the mark.
      runActive[first] = false;
      node_[kRootBase + first].position = 0;
    }
    if (q >= kRootBase || --node_[q].childCount > 1) return;
    // q keeps one child, which takes its place. The most recent position through q is in
    // that child (the deleted leaf was the oldest), so it also names the child's edge.
    const unsigned at = Current(PositionOf(q));
    const unsigned c = Child(q, text[at + node_[q].level]);
    Unlink(c);
    Replace(q, c);
    freeNodes[freeCount++] = uint16_t(q);
  }

  void NextPosition() {
    --remaining;
    if (++pos == 2 * kDicSize) {
      std::memmove(text, text + kDicSize, kDicSize + kMaxMatch);
      const unsigned n = Load(text + kLoadAt, kDicSize);
      remaining += n;
      if (n < kDicSize) text[kLoadAt + n] = 0;
      pos = kDicSize;
    }
    DeleteOldest();
    Insert();
  }

  // --- bits
  void PutBits(unsigned n, unsigned v) {
    bitAcc = (bitAcc << n) | v;
    bitCount += n;
    while (bitCount >= 8) {
      bitCount -= 8;
      state.WriteByte(uint8_t(bitAcc >> bitCount));
    }
  }

  // --- blocks
  void Output(unsigned c, unsigned distance) {
    flagMask >>= 1;
    if (flagMask == 0) {
      flagMask = 0x80;
      if (bufPos >= kBlockLimit) {
        SendBlock();
        bufPos = 0;
      }
      flagPos = bufPos++;
      buf[flagPos] = 0;
    }
    buf[bufPos++] = uint8_t(c);
    ++cFreq[c];
    if (c >= 256) {
      buf[flagPos] |= uint8_t(flagMask);
      buf[bufPos++] = uint8_t(distance >> 8);
      buf[bufPos++] = uint8_t(distance);
      ++pFreq[BitLength(distance)];
    }
  }

  void CountTFreq(unsigned n) {
    std::memset(tFreq, 0, sizeof tFreq);
    for (unsigned i = 0; i < n;) {
      const unsigned k = cLen[i++];
      if (k != 0) {
        ++tFreq[k + 2];
        continue;
      }
      unsigned run = 1;
      while (i < n && cLen[i] == 0) ++i, ++run;
      if (run <= 2) {
        tFreq[0] += uint16_t(run);
      } else if (run <= 18) {
        ++tFreq[1];
      } else if (run == 19) {
        ++tFreq[0];
        ++tFreq[1];
      } else {
        ++tFreq[2];
      }
    }
  }

  void WritePtLengths(int n, int countBits, int special) {
    while (n > 0 && ptLen[n - 1] == 0) --n;
    PutBits(unsigned(countBits), unsigned(n));
    for (int i = 0; i < n;) {
      const unsigned k = ptLen[i++];
      if (k <= 6)
        PutBits(3, k);
      else
        PutBits(k - 3, (1u << (k - 3)) - 2);  // k - 4 one bits, then a zero
      if (i == special) {
        while (i < 6 && ptLen[i] == 0) ++i;
        PutBits(2, unsigned(i - 3));
      }
    }
  }

  void PutT(unsigned t) { PutBits(ptLen[t], ptCode[t]); }

  void WriteCLengths(unsigned n) {
    PutBits(kCBits, n);
    for (unsigned i = 0; i < n;) {
      const unsigned k = cLen[i++];
      if (k != 0) {
        PutT(k + 2);
        continue;
      }
      unsigned run = 1;
      while (i < n && cLen[i] == 0) ++i, ++run;
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
    const int cRoot = MakeTree(kNC, cFreq, cLen, cCode);
    unsigned size = 0;
    for (int i = 0; i < kNC; ++i) size += cFreq[i];
    PutBits(16, size);
    if (cRoot >= kNC) {
      unsigned n = kNC;
      while (n > 0 && cLen[n - 1] == 0) --n;
      CountTFreq(n);
      const int tRoot = MakeTree(kNT, tFreq, ptLen, ptCode);
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
    const int pRoot = MakeTree(kNP, pFreq, ptLen, ptCode);
    if (pRoot >= kNP) {
      WritePtLengths(kNP, kPBits, -1);
    } else {
      PutBits(kPBits, 0);
      PutBits(kPBits, unsigned(pRoot));
    }
    unsigned at = 0, flags = 0;
    for (unsigned i = 0; i < size; ++i) {
      if ((i & 7) == 0)
        flags = buf[at++];
      else
        flags <<= 1;
      if (flags & 0x80) {
        const unsigned c = buf[at++] + 256u;
        PutBits(cLen[c], cCode[c]);
        const unsigned d = unsigned(buf[at]) << 8 | buf[at + 1];
        at += 2;
        const unsigned k = BitLength(d);
        PutBits(ptLen[k], ptCode[k]);
        if (k > 1) PutBits(k - 1, d & ((1u << (k - 1)) - 1));
      } else {
        const unsigned c = buf[at++];
        PutBits(cLen[c], cCode[c]);
      }
    }
    std::memset(cFreq, 0, sizeof cFreq);
    std::memset(pFreq, 0, sizeof pFreq);
  }

  void Run() {
    std::memset(text, ' ', sizeof text);
    remaining = Load(text + kLoadAt, kDicSize);
    if (remaining == 0) return;
    InitTrie();
    std::memset(runActive, 0, sizeof runActive);
    std::memset(cFreq, 0, sizeof cFreq);
    std::memset(pFreq, 0, sizeof pFreq);
    pos = kLoadAt;
    matchLen = 0;
    Insert();
    while (remaining > 0) {
      const unsigned lastLen = matchLen, lastPos = matchPos;
      NextPosition();
      if (matchLen > remaining) matchLen = remaining;
      // A match is taken only when the next position does not offer a longer one.
      if (matchLen > lastLen || lastLen < kThreshold) {
        Output(text[pos - 1], 0);
      } else {
        Output(lastLen + (256 - kThreshold), (pos - lastPos - 2) & kDicMask);
        for (unsigned k = lastLen; --k > 0;) NextPosition();
        if (matchLen > remaining) matchLen = remaining;
      }
    }
    SendBlock();
    PutBits(7, 0);  // completes a pending byte; writes nothing when none is pending
  }
};

void EncoderRelease::operator()(Encoder* e) const { delete e; }

}  // namespace lh5

void Lh5Compress(TCodecState& state) {
  struct Release {
    TCodecState& s;
    ~Release() { s.Lh5Tables.reset(); }
  } release{state};
  state.Lh5Tables.reset(new Lh5Work);
  state.Lh5Tables->Encode.reset(new lh5::Encoder(state));
  state.Lh5Tables->Encode->Run();
}

}  // namespace qx
