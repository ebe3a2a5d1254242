// The "LZH" coder's tree and its per-member tables; the two directions are in lzh_expand.cpp and
// lzh_compress.cpp.
#include <cstring>

#include "archive/lzh_match.h"
#include "archive/lzh_tables.h"

namespace qx {

LzhWork::~LzhWork() = default;
void CodecWorkDeleter::operator()(LzhWork* work) const { delete work; }

namespace lzh {

WorkScope::WorkScope(TCodecState& state) : state_(state) {
  state_.LzhTables.reset(new LzhWork());
}
WorkScope::~WorkScope() { state_.LzhTables.reset(); }

void LzhTree::Start() {
  for (unsigned i = 0; i < kSymbols; ++i) {
    count[i] = 1;
    child[i] = static_cast<uint16_t>(kNodes + i);
    parent[kNodes + i] = static_cast<uint16_t>(i);
  }
  for (unsigned i = 0, j = kSymbols; j < kNodes; i += 2, ++j) {
    count[j] = static_cast<uint16_t>(count[i] + count[i + 1]);
    child[j] = static_cast<uint16_t>(i);
    parent[i] = parent[i + 1] = static_cast<uint16_t>(j);
  }
  for (unsigned i = kNodes; i < sizeof count / sizeof count[0]; ++i) count[i] = 0xFFFF;
  parent[kRoot] = 0;
}

void LzhTree::Rebuild() {
  // The leaves, in their current order, with halved counts (never below 1).
  unsigned front = 0;
  for (unsigned i = 0; i < kNodes; ++i) {
    if (child[i] >= kNodes) {
      count[front] = static_cast<uint16_t>((count[i] + 1) / 2);
      child[front] = child[i];
      ++front;
    }
  }
  // Pair neighbours from the front and insert each sum where it keeps the order; a sum goes
  // after the nodes of equal count.
  for (unsigned i = 0, j = kSymbols; j < kNodes; i += 2, ++j) {
    const unsigned f = count[i] + count[i + 1];
    unsigned k = j;
    while (f < count[k - 1]) --k;
    std::memmove(&count[k + 1], &count[k], (j - k) * sizeof count[0]);
    std::memmove(&child[k + 1], &child[k], (j - k) * sizeof child[0]);
    count[k] = static_cast<uint16_t>(f);
    child[k] = static_cast<uint16_t>(i);
  }
  for (unsigned i = 0; i < kNodes; ++i) {
    const unsigned s = child[i];
    parent[s] = static_cast<uint16_t>(i);
    if (s < kNodes) parent[s + 1] = static_cast<uint16_t>(i);
  }
}

}  // namespace lzh

}  // namespace qx
