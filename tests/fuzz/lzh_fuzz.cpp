// The "LZH" coder under arbitrary input.
// Byte 0, bit 0 picks the mode; bytes 0-2 give a size (capped so that runs stay fast).
//   expand:     the rest is a bit stream; it must give exactly size bytes, or raise
//               EBadChecksum when it runs out first.
//   round trip: the rest, repeated up to the size with one byte changed per copy (so matches,
//               the sliding window and the halving all come into play), must pack and unpack
//               to itself.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "archive/codec_state.h"

namespace {

constexpr uint32_t kMaxExpand = 1u << 16;
// Three windows for the round trip: the window slides over its start twice. The cost of an
// input grows with this length; 32,768 bytes held the target to a few inputs a second.
constexpr uint32_t kMaxPlain = 3 * 4096;

class MemStream : public qx::TStream {
public:
  MemStream(const uint8_t* data, size_t size) : Data(data, data + size) {}
  MemStream() = default;
  int32_t Read(void* buffer, int32_t count) override {
    const size_t n = std::min(static_cast<size_t>(count), Data.size() - Offset);
    if (n) std::memcpy(buffer, Data.data() + Offset, n);
    Offset += n;
    return static_cast<int32_t>(n);
  }
  int32_t Write(const void* buffer, int32_t count) override {
    const uint8_t* p = static_cast<const uint8_t*>(buffer);
    Data.insert(Data.end(), p, p + count);
    return count;
  }
  int64_t Seek(int64_t offset, qx::TSeekOrigin origin) override {
    if (origin == qx::TSeekOrigin::soBeginning) Offset = static_cast<size_t>(offset);
    return static_cast<int64_t>(Offset);
  }
  const std::vector<uint8_t>& Bytes() const { return Data; }

private:
  std::vector<uint8_t> Data;
  size_t Offset = 0;
};

std::vector<uint8_t> Run(qx::TCodecDirection direction, const uint8_t* data, size_t size, uint32_t produce) {
  MemStream src(data, size), dst;
  qx::TCodecState state;
  state.RunCodec(
      qx::TCodecJob{dst, src, static_cast<uint32_t>(size), direction, qx::cmLZH, produce, false, 0, nullptr});
  if (state.LzhTables) std::abort();  // tables must not outlive the member
  return dst.Bytes();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const uint32_t wanted = (static_cast<uint32_t>(data[0] >> 1) << 16) | (data[1] << 8) | data[2];
  const uint8_t* body = data + 3;
  const size_t bodySize = size - 3;
  if ((data[0] & 1) == 0) {
    const uint32_t count = wanted % (kMaxExpand + 1);
    std::vector<uint8_t> out;
    try {
      out = Run(qx::TCodecDirection::cdExpand, body, bodySize, count);
    } catch (const qx::EBadChecksum&) {
      return 0;
    }
    if (out.size() != count) std::abort();
    return 0;
  }
  if (bodySize == 0) return 0;
  std::vector<uint8_t> plain;
  const size_t target = std::max<size_t>(bodySize, wanted % (kMaxPlain + 1));
  for (unsigned copy = 0; plain.size() < target; ++copy) {
    const size_t start = plain.size();
    plain.insert(plain.end(), body, body + std::min(bodySize, target - start));
    if (copy > 0) plain[start + copy % (plain.size() - start)] ^= static_cast<uint8_t>(copy);
  }
  std::vector<uint8_t> packed;
  try {
    packed = Run(qx::TCodecDirection::cdCompress, plain.data(), plain.size(), 0);
  } catch (const qx::EUnableToCompress&) {
    return 0;
  }
  if (packed.size() > plain.size()) std::abort();
  const std::vector<uint8_t> back =
      Run(qx::TCodecDirection::cdExpand, packed.data(), packed.size(), static_cast<uint32_t>(plain.size()));
  if (back != plain) std::abort();
  return 0;
}
