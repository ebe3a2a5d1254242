// Fuzzes the "LH5" encoder through a round trip: whatever it writes must decode to the input.
// The input is stretched (repeated, each copy slightly changed) so that runs, long matches,
// window slides and several blocks occur. Byte 0 gives the number of copies, byte 1 the change.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "archive/codec_state.h"

namespace {

// Four windows: enough for the window to slide three times and for every distance to occur.
// The cost of an input grows with this length, and 120,000 bytes held the target to a few dozen
// inputs a second.
constexpr size_t kMaxPlain = 4 * 8192;

class VectorStream : public qx::TStream {
public:
  std::vector<uint8_t> Bytes;
  size_t Pos = 0;
  int32_t Read(void* buffer, int32_t count) override {
    size_t n = Bytes.size() - Pos;
    if (n > size_t(count)) n = size_t(count);
    if (n) std::memcpy(buffer, Bytes.data() + Pos, n);
    Pos += n;
    return int32_t(n);
  }
  int32_t Write(const void* buffer, int32_t count) override {
    const uint8_t* p = static_cast<const uint8_t*>(buffer);
    Bytes.insert(Bytes.end(), p, p + count);
    return count;
  }
  int64_t Seek(int64_t offset, qx::TSeekOrigin) override { return offset; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const unsigned copies = data[0] % 40 + 1;
  const uint8_t change = data[1];
  VectorStream plain;
  for (unsigned c = 0; c < copies && plain.Bytes.size() < kMaxPlain; ++c) {
    for (size_t i = 2; i < size; ++i) plain.Bytes.push_back(data[i]);
    if (change) plain.Bytes[plain.Bytes.size() - 1 - (c * change) % (size - 2)] ^= change;
  }
  VectorStream packed, unpacked;
  qx::TCodecState state;
  // No output budget: reading still ends with the data.
  state.RunCodec(qx::TCodecJob{packed, plain, UINT32_MAX, qx::TCodecDirection::cdCompress, qx::cmLH5, 0,
                               false, 0, nullptr});
  state.RunCodec(qx::TCodecJob{unpacked, packed, uint32_t(packed.Bytes.size()), qx::TCodecDirection::cdExpand,
                               qx::cmLH5, uint32_t(plain.Bytes.size()), false, 0, nullptr});
  if (unpacked.Bytes != plain.Bytes) __builtin_trap();
  return 0;
}
