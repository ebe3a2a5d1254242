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
  MemoryStream(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  int32_t Read(void* buffer, int32_t count) override {
    size_t n = size_ - pos_;
    if (n > size_t(count)) n = size_t(count);
    if (n) std::memcpy(buffer, data_ + pos_, n);
    pos_ += n;
    return int32_t(n);
  }
  int32_t Write(const void*, int32_t count) override {
    written_ += size_t(count);
    return count;
  }
  int64_t Seek(int64_t offset, qx::TSeekOrigin) override { return offset; }
  size_t written_ = 0;

private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const uint32_t count = (uint32_t(data[0]) | uint32_t(data[1]) << 8 | uint32_t(data[2]) << 16) % 300000;
  MemoryStream source(data + 3, size - 3), sink(nullptr, 0);
  qx::TCodecState state;
  uint32_t sum = 0;
  try {
    const uint32_t produced = state.RunCodec(sink, source, uint32_t(size - 3), qx::TCodecDirection::cdExpand,
                                             qx::cmLH5, count, false, 0, nullptr, sum);
    // All of the last match is written, never more than one match past the count.
    if (produced < count || produced >= count + 256 || sink.written_ != produced) __builtin_trap();
  } catch (const qx::ELZHBadDecodeTable&) {
  } catch (const qx::EBadChecksum&) {
    // the data ran out before count bytes were made
  }
  if (state.Lh5Tables) __builtin_trap();
  return 0;
}
