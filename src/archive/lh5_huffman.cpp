// Huffman code construction for the "LH5" encoder. The heap order, the tie rules and the
// depth-16 correction decide every code length, and with them every bit of a member, so they
// are followed exactly rather than replaced by a "better" construction.
#include <cstring>

#include "archive/lh5_internal.h"

namespace qx {
namespace lh5 {

namespace {

struct TreeBuilder {
  int n = 0;
  int heapSize = 0;
  uint32_t freq[2 * kNC];
  uint16_t left[2 * kNC], right[2 * kNC];
  uint16_t heap[kNC + 1];
  uint16_t leafOrder[kNC];
  int leafCount = 0;
  uint16_t depthCount[kMaxCodeBits + 1];

  // Moves the entry at i down while a child is strictly less frequent; the left child wins ties.
  void SiftDown(int i) {
    const uint16_t k = heap[i];
    for (int j = 2 * i; j <= heapSize; j = 2 * i) {
      if (j < heapSize && freq[heap[j]] > freq[heap[j + 1]]) ++j;
      if (freq[k] <= freq[heap[j]]) break;
      heap[i] = heap[j];
      i = j;
    }
    heap[i] = k;
  }

  void CountDepths(int node, int depth) {
    if (node < n) {
      ++depthCount[depth < kMaxCodeBits ? depth : kMaxCodeBits];
      return;
    }
    CountDepths(left[node], depth + 1);
    CountDepths(right[node], depth + 1);
  }

  // Depths past 16 were counted as 16, which overfills the code; each unit of excess moves one
  // leaf from the deepest shorter level one level down.
  void LimitDepths() {
    uint32_t total = 0;
    for (int d = 1; d <= kMaxCodeBits; ++d) total += uint32_t(depthCount[d]) << (kMaxCodeBits - d);
    for (; total > (1u << kMaxCodeBits); --total) {
      --depthCount[kMaxCodeBits];
      for (int d = kMaxCodeBits - 1; d > 0; --d) {
        if (depthCount[d] != 0) {
          --depthCount[d];
          depthCount[d + 1] += 2;
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
  TreeBuilder t;
  t.n = n;
  t.heap[1] = 0;
  for (int i = 0; i < n; ++i) {
    t.freq[i] = freqIn[i];
    len[i] = 0;
    if (freqIn[i]) t.heap[++t.heapSize] = uint16_t(i);
  }
  if (t.heapSize < 2) {
    code[t.heap[1]] = 0;
    return t.heap[1];
  }
  for (int i = t.heapSize / 2; i >= 1; --i) t.SiftDown(i);

  int next = n;
  int k = 0;
  do {
    const int i = t.heap[1];
    if (i < n) t.leafOrder[t.leafCount++] = uint16_t(i);
    t.heap[1] = t.heap[t.heapSize--];
    t.SiftDown(1);
    const int j = t.heap[1];
    if (j < n) t.leafOrder[t.leafCount++] = uint16_t(j);
    k = next++;
    t.freq[k] = t.freq[i] + t.freq[j];
    t.heap[1] = uint16_t(k);
    t.SiftDown(1);
    t.left[k] = uint16_t(i);
    t.right[k] = uint16_t(j);
  } while (t.heapSize > 1);

  std::memset(t.depthCount, 0, sizeof t.depthCount);
  t.CountDepths(k, 0);
  t.LimitDepths();
  // The least frequent leaves (taken from the heap first) get the longest codes.
  int pos = 0;
  for (int d = kMaxCodeBits; d >= 1; --d)
    for (int c = t.depthCount[d]; c > 0; --c) len[t.leafOrder[pos++]] = uint8_t(d);
  MakeCanonicalCodes(n, len, code);
  return k;
}

}  // namespace lh5

void CodecWorkDeleter::operator()(Lh5Work* work) const { delete work; }

}  // namespace qx
