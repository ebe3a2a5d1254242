// Fuzzes the "LH5" decoder: the first three bytes give the number of bytes to produce (capped
// so that one run stays fast), the rest is the member data. Any input must either decode or
// raise the decoder's own exception, never touch memory outside the tables.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "archive/codec_state.h"

namespace {

class MemoryStream : public qx::TStream {
public:
  MemoryStream(const uint8_t* data, size_t size) : Data(data), Length(size) {}
  int32_t Read(void* buffer, int32_t count) override {
    size_t n = Length - Offset;
    if (n > size_t(count)) n = size_t(count);
    if (n) std::memcpy(buffer, Data + Offset, n);
    Offset += n;
    return int32_t(n);
  }
  int32_t Write(const void*, int32_t count) override {
    Written += size_t(count);
    return count;
  }
  int64_t Seek(int64_t offset, qx::TSeekOrigin) override { return offset; }
  size_t Written = 0;

private:
  const uint8_t* Data;
  size_t Length;
  size_t Offset = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const uint32_t count = (uint32_t(data[0]) | uint32_t(data[1]) << 8 | uint32_t(data[2]) << 16) % 300000;
  MemoryStream source(data + 3, size - 3), sink(nullptr, 0);
  qx::TCodecState state;
  try {
    const uint32_t produced =
        state
            .RunCodec(qx::TCodecJob{sink, source, uint32_t(size - 3), qx::TCodecDirection::cdExpand,
                                    qx::cmLH5, count, false, 0, nullptr})
            .OutputCount;
    // All of the last match is written, never more than one match past the count.
    if (produced < count || produced >= count + 256 || sink.Written != produced) __builtin_trap();
  } catch (const qx::ELZHBadDecodeTable&) {
  } catch (const qx::EBadChecksum&) {
    // the data ran out before count bytes were made
  }
  if (state.Lh5Tables) __builtin_trap();
  return 0;
}
