// Huffman code construction for the "LH5" encoder. The heap order, the tie rules and the
// depth-16 correction decide every code length, and with them every bit of a member, so they
// are followed exactly rather than replaced by a "better" construction.
#include <cstring>

#include "archive/lh5_internal.h"

namespace qx {
namespace lh5 {

namespace {

struct TTreeBuilder {
  int Symbols = 0;
  int HeapSize = 0;
  uint32_t Freq[2 * kNC];
  uint16_t Left[2 * kNC], Right[2 * kNC];
  uint16_t Heap[kNC + 1];
  uint16_t LeafOrder[kNC];
  int LeafCount = 0;
  uint16_t DepthCount[kMaxCodeBits + 1];

  // Moves the entry at i down while a child is strictly less frequent; the Left child wins ties.
  void SiftDown(int i) {
    const uint16_t k = Heap[i];
    for (int j = 2 * i; j <= HeapSize; j = 2 * i) {
      if (j < HeapSize && Freq[Heap[j]] > Freq[Heap[j + 1]]) ++j;
      if (Freq[k] <= Freq[Heap[j]]) break;
      Heap[i] = Heap[j];
      i = j;
    }
    Heap[i] = k;
  }

  void CountDepths(int node, int depth) {
    if (node < Symbols) {
      ++DepthCount[depth < kMaxCodeBits ? depth : kMaxCodeBits];
      return;
    }
    CountDepths(Left[node], depth + 1);
    CountDepths(Right[node], depth + 1);
  }

  // Depths past 16 were counted as 16, which overfills the code; each unit of excess moves one
  // leaf from the deepest shorter level one level down.
  void LimitDepths() {
    uint32_t total = 0;
    for (int d = 1; d <= kMaxCodeBits; ++d) total += uint32_t(DepthCount[d]) << (kMaxCodeBits - d);
    for (; total > (1u << kMaxCodeBits); --total) {
      --DepthCount[kMaxCodeBits];
      for (int d = kMaxCodeBits - 1; d > 0; --d) {
        if (DepthCount[d] != 0) {
          --DepthCount[d];
          DepthCount[d + 1] += 2;
          break;
        }
      }
    }
  }
};

}  // namespace

void MakeCanonicalCodes(int n, const uint8_t* len, uint16_t* code) {
  uint16_t count[kMaxCodeBits + 1] = {};
  for (int i = 0; i < n; ++i) ++count[len[i]];
  uint16_t next[kMaxCodeBits + 2];
  next[1] = 0;
  for (int l = 1; l <= kMaxCodeBits; ++l) next[l + 1] = uint16_t((next[l] + count[l]) << 1);
  for (int i = 0; i < n; ++i) code[i] = len[i] ? next[len[i]]++ : 0;
}

int MakeTree(int n, const uint16_t* freqIn, uint8_t* len, uint16_t* code) {
  TTreeBuilder t;
  t.Symbols = n;
  t.Heap[1] = 0;
  for (int i = 0; i < n; ++i) {
    t.Freq[i] = freqIn[i];
    len[i] = 0;
    if (freqIn[i]) t.Heap[++t.HeapSize] = uint16_t(i);
  }
  if (t.HeapSize < 2) {
    code[t.Heap[1]] = 0;
    return t.Heap[1];
  }
  for (int i = t.HeapSize / 2; i >= 1; --i) t.SiftDown(i);

  int next = n;
  int k = 0;
  do {
    const int i = t.Heap[1];
    if (i < n) t.LeafOrder[t.LeafCount++] = uint16_t(i);
    t.Heap[1] = t.Heap[t.HeapSize--];
    t.SiftDown(1);
    const int j = t.Heap[1];
    if (j < n) t.LeafOrder[t.LeafCount++] = uint16_t(j);
    k = next++;
    t.Freq[k] = t.Freq[i] + t.Freq[j];
    t.Heap[1] = uint16_t(k);
    t.SiftDown(1);
    t.Left[k] = uint16_t(i);
    t.Right[k] = uint16_t(j);
  } while (t.HeapSize > 1);

  std::memset(t.DepthCount, 0, sizeof t.DepthCount);
  t.CountDepths(k, 0);
  t.LimitDepths();
  // The least frequent leaves (taken from the heap first) get the longest codes.
  int pos = 0;
  for (int d = kMaxCodeBits; d >= 1; --d)
    for (int c = t.DepthCount[d]; c > 0; --c) len[t.LeafOrder[pos++]] = uint8_t(d);
  MakeCanonicalCodes(n, len, code);
  return k;
}

}  // namespace lh5

void TCodecWorkDeleter::operator()(TLh5Work* work) const { delete work; }

}  // namespace qx
