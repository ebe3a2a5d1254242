#pragma once
// Helpers for the "LH5" tests: running the coder through the driver, and writing bit streams
// by hand, most significant bit first, so that a test can state exactly what a block holds.
#include <cstdint>
#include <string>
#include <vector>

#include "archive/codec_state.h"
#include "memory_stream_fixture.h"

namespace lh5test {

inline std::vector<uint8_t> Encode(const std::vector<uint8_t>& input) {
  TestStream src(input), dst;
  qx::TCodecState state;
  state.RunCodec(qx::TCodecJob{dst, src, uint32_t(input.size()), qx::TCodecDirection::cdCompress, qx::cmLH5,
                               0, false, 0, nullptr});
  return dst.Bytes;
}

inline std::vector<uint8_t> Decode(const std::vector<uint8_t>& stream, uint32_t count) {
  TestStream src(stream), dst;
  qx::TCodecState state;
  state.RunCodec(qx::TCodecJob{dst, src, uint32_t(stream.size()), qx::TCodecDirection::cdExpand, qx::cmLH5,
                               count, false, 0, nullptr});
  return dst.Bytes;
}

inline std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

class TBitWriter {
public:
  TBitWriter& Put(unsigned n, uint32_t v) {
    for (unsigned i = n; i-- > 0;) PutBit((v >> i) & 1);
    return *this;
  }
  // A bit string such as "1101"; spaces are ignored.
  TBitWriter& Put(const std::string& bits) {
    for (char c : bits)
      if (c == '0' || c == '1') PutBit(c == '1');
    return *this;
  }
  // One entry of a T or P length list: 3 bits, or for 7 and up that many minus 4 one bits
  // after three ones, then a zero.
  TBitWriter& PutListLength(unsigned k) {
    if (k <= 6) return Put(3, k);
    Put("111");
    for (unsigned i = 7; i < k; ++i) PutBit(true);
    PutBit(false);
    return *this;
  }
  std::vector<uint8_t> Finish() const {
    std::vector<uint8_t> out = Full;
    if (Held) out.push_back(uint8_t(Current << (8 - Held)));
    return out;
  }

private:
  void PutBit(bool b) {
    Current = uint8_t(Current << 1 | (b ? 1 : 0));
    if (++Held == 8) {
      Full.push_back(Current);
      Current = 0;
      Held = 0;
    }
  }
  std::vector<uint8_t> Full;
  uint8_t Current = 0;
  unsigned Held = 0;
};

// Canonical codes from lengths, written out here independently of the coder.
inline std::vector<uint32_t> CanonicalCodes(const std::vector<unsigned>& len) {
  std::vector<uint32_t> code(len.size(), 0);
  uint32_t next = 0;
  for (unsigned l = 1; l <= 16; ++l) {
    for (size_t s = 0; s < len.size(); ++s)
      if (len[s] == l) code[s] = next++;
    next <<= 1;
  }
  return code;
}

}  // namespace lh5test
