// The "LZH" coder's tree and its per-member tables; the two directions are in lzh_expand.cpp and
// lzh_compress.cpp.
#include <cstring>

#include "archive/lzh_match.h"
#include "archive/lzh_tables.h"

namespace qx {

TLzhWork::~TLzhWork() = default;
void TCodecWorkDeleter::operator()(TLzhWork* work) const { delete work; }

namespace lzh {

TWorkScope::TWorkScope(TCodecState& state) : State(state) { State.LzhTables.reset(new TLzhWork()); }
TWorkScope::~TWorkScope() { State.LzhTables.reset(); }

void TLzhTree::Start() {
  for (unsigned i = 0; i < kSymbols; ++i) {
    NodeCount[i] = 1;
    NodeChild[i] = static_cast<uint16_t>(kNodes + i);
    NodeParent[kNodes + i] = static_cast<uint16_t>(i);
  }
  for (unsigned i = 0, j = kSymbols; j < kNodes; i += 2, ++j) {
    NodeCount[j] = static_cast<uint16_t>(NodeCount[i] + NodeCount[i + 1]);
    NodeChild[j] = static_cast<uint16_t>(i);
    NodeParent[i] = NodeParent[i + 1] = static_cast<uint16_t>(j);
  }
  for (unsigned i = kNodes; i < sizeof NodeCount / sizeof NodeCount[0]; ++i) NodeCount[i] = 0xFFFF;
  NodeParent[kRoot] = 0;
}

void TLzhTree::Rebuild() {
  // The leaves, in their current order, with halved counts (never below 1).
  unsigned front = 0;
  for (unsigned i = 0; i < kNodes; ++i) {
    if (NodeChild[i] >= kNodes) {
      NodeCount[front] = static_cast<uint16_t>((NodeCount[i] + 1) / 2);
      NodeChild[front] = NodeChild[i];
      ++front;
    }
  }
  // Pair neighbours from the front and insert each sum where it keeps the order; a sum goes
  // after the nodes of equal count.
  for (unsigned i = 0, j = kSymbols; j < kNodes; i += 2, ++j) {
    const unsigned f = NodeCount[i] + NodeCount[i + 1];
    unsigned k = j;
    while (f < NodeCount[k - 1]) --k;
    std::memmove(&NodeCount[k + 1], &NodeCount[k], (j - k) * sizeof NodeCount[0]);
    std::memmove(&NodeChild[k + 1], &NodeChild[k], (j - k) * sizeof NodeChild[0]);
    NodeCount[k] = static_cast<uint16_t>(f);
    NodeChild[k] = static_cast<uint16_t>(i);
  }
  for (unsigned i = 0; i < kNodes; ++i) {
    const unsigned s = NodeChild[i];
    NodeParent[s] = static_cast<uint16_t>(i);
    if (s < kNodes) NodeParent[s + 1] = static_cast<uint16_t>(i);
  }
}

}  // namespace lzh

}  // namespace qx
