#pragma once
// Shared pieces of the "LH5" coder: the constants of the bit stream, the per-member working
// tables and the Huffman construction both directions rely on.
#include <cstdint>
#include <memory>

#include "archive/codec_state.h"

namespace qx {
namespace lh5 {

constexpr unsigned kDicBits = 13;
constexpr unsigned kDicSize = 1u << kDicBits;  // 8192-byte window
constexpr unsigned kDicMask = kDicSize - 1;
constexpr unsigned kMaxMatch = 256;
constexpr unsigned kThreshold = 3;                     // shorter matches go out as literals
constexpr int kNC = 256 + kMaxMatch - kThreshold + 1;  // 510 literal/length symbols
constexpr int kNP = kDicBits + 1;                      // 14 position symbols
constexpr int kNT = 16 + 3;                            // 19 code-length symbols
constexpr int kNPT = kNT;                              // larger of kNT and kNP
constexpr int kCBits = 9, kTBits = 5, kPBits = 4;
constexpr int kMaxCodeBits = 16;

struct TDecoder;
struct TEncoder;
// Each direction's tables are defined (and released) next to its coder.
struct TDecoderRelease {
  void operator()(TDecoder* d) const;
};
struct TEncoderRelease {
  void operator()(TEncoder* e) const;
};

// Builds a Huffman code for symbols 0..n-1 with the given frequencies: lengths (at most 16
// bits) and canonical codes. Returns the root: a symbol below n when fewer than two symbols
// occur (all lengths 0 then), otherwise an internal node numbered n or above.
int MakeTree(int n, const uint16_t* freq, uint8_t* len, uint16_t* code);

// Canonical codes from a length list: shorter codes first, then by symbol number.
void MakeCanonicalCodes(int n, const uint8_t* len, uint16_t* code);

}  // namespace lh5

// The working tables of one member. Only one direction is in use at a time.
struct TLh5Work {
  std::unique_ptr<lh5::TDecoder, lh5::TDecoderRelease> Decode;
  std::unique_ptr<lh5::TEncoder, lh5::TEncoderRelease> Encode;
};

}  // namespace qx
