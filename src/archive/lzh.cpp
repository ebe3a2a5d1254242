// The "LZH" coder's tree and its per-member tables; the two directions are in lzh_expand.cpp and
// lzh_compress.cpp.
#include <cstring>

#include "archive/lzh_match.h"
#include "archive/lzh_tables.h"

namespace qx {

LzhWork::~LzhWork() = default;
void CodecWorkDeleter::operator()(LzhWork* work) const { delete work; }

namespace lzh {

WorkScope::WorkScope(TCodecState& state) : state_(state) { state_.LzhTables.reset(new LzhWork()); }
WorkScope::~WorkScope() { state_.LzhTables.reset(); }

void LzhTree::Start() {
  for (unsigned i = 0; i < kSymbols; ++i) {
    nodeCount[i] = 1;
    nodeChild[i] = static_cast<uint16_t>(kNodes + i);
    nodeParent[kNodes + i] = static_cast<uint16_t>(i);
  }
  for (unsigned i = 0, j = kSymbols; j < kNodes; i += 2, ++j) {
    nodeCount[j] = static_cast<uint16_t>(nodeCount[i] + nodeCount[i + 1]);
    nodeChild[j] = static_cast<uint16_t>(i);
    nodeParent[i] = nodeParent[i + 1] = static_cast<uint16_t>(j);
  }
  for (unsigned i = kNodes; i < sizeof nodeCount / sizeof nodeCount[0]; ++i) nodeCount[i] = 0xFFFF;
  nodeParent[kRoot] = 0;
}

void LzhTree::Rebuild() {
  // The leaves, in their current order, with halved counts (never below 1).
  unsigned front = 0;
  for (unsigned i = 0; i < kNodes; ++i) {
    if (nodeChild[i] >= kNodes) {
      nodeCount[front] = static_cast<uint16_t>((nodeCount[i] + 1) / 2);
      nodeChild[front] = nodeChild[i];
      ++front;
    }
  }
  // Pair neighbours from the front and insert each sum where it keeps the order; a sum goes
  // after the nodes of equal count.
  for (unsigned i = 0, j = kSymbols; j < kNodes; i += 2, ++j) {
    const unsigned f = nodeCount[i] + nodeCount[i + 1];
    unsigned k = j;
    while (f < nodeCount[k - 1]) --k;
    std::memmove(&nodeCount[k + 1], &nodeCount[k], (j - k) * sizeof nodeCount[0]);
    std::memmove(&nodeChild[k + 1], &nodeChild[k], (j - k) * sizeof nodeChild[0]);
    nodeCount[k] = static_cast<uint16_t>(f);
    nodeChild[k] = static_cast<uint16_t>(i);
  }
  for (unsigned i = 0; i < kNodes; ++i) {
    const unsigned s = nodeChild[i];
    nodeParent[s] = static_cast<uint16_t>(i);
    if (s < kNodes) nodeParent[s + 1] = static_cast<uint16_t>(i);
  }
}

}  // namespace lzh

}  // namespace qx
