#pragma once
// The codec driver: one run pumps one member's bytes between two streams through fixed
// 8192-byte buffers. On the way it sums the bytes for the checksum, scrambles or unscrambles
// with the key, enforces the output budget that makes compression give up, reports progress
// (which may cancel) and yields the processor after each buffer. Methods see single bytes only,
// through ReadByte and WriteByte, whose common case is inline.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>

#include "archive/exceptions.h"
#include "archive/stream.h"

namespace qx {

// The method index a member header stores.
enum TCompressMethod : uint8_t { cmNone = 0, cmRLE = 1, cmLZH = 2, cmCustom = 3, cmLH5 = 4 };

// Progress in percent; a handler that sets the value to -1 cancels.
using TShowProgressEvent = std::function<void(int& PercentageDone)>;

enum class TCodecDirection { cdCompress, cdExpand };

// Working tables of the LZ methods, allocated per member by their coders.
struct Lh5Work;
struct LzhWork;
struct CodecWorkDeleter {
  void operator()(Lh5Work* work) const;
  void operator()(LzhWork* work) const;
};

// Whole-number percentage: part * 100 / whole for wholes up to 100,000, part / (whole / 100)
// above that (both truncating), 100 for an empty whole.
int32_t Percent(int64_t part, int64_t whole);

class TCodecState {
public:
  static constexpr int kBufferSize = 8192;
  static constexpr uint8_t kRleMarker = 0x94;

  TCodecState();
  ~TCodecState();
  TCodecState(const TCodecState&) = delete;
  TCodecState& operator=(const TCodecState&) = delete;

  // Runs one member through a method. sourceBytes is what the member may consume; produce is
  // the number of bytes the LZ decoders make. Returns the output count; checksum receives the
  // input sum when compressing, the output sum when expanding. Raises EUnableToCompress when a
  // compressed member would grow past its input.
  uint32_t RunCodec(TStream& dest, TStream& source, uint32_t sourceBytes, TCodecDirection direction,
                    int method, uint32_t produce, bool unscramble, int32_t key,
                    const TShowProgressEvent& onProgress, uint32_t& checksum);

  // The next input byte, or 0 with EndOfInput() set when there is none.
  uint8_t ReadByte() {
    if (inCur_ == inEnd_) return Refill();
    return TakeByte();
  }
  bool EndOfInput() const { return endOfInput_; }

  // Appends one byte to the output.
  void WriteByte(uint8_t b) {
    if (budget_ <= 0) throw EUnableToCompress();
    --budget_;
    if (outCur_ == outEnd_) Flush();
    if (scrambleOnWrite_) b = Scramble(b);
    *outCur_++ = b;
    outSum_ += b;
    ++outCount_;
  }

  // Appends n bytes: the same as n calls of WriteByte, for coders that produce spans.
  void WriteBytes(const uint8_t* p, size_t n) {
    while (n > 0) {
      if (budget_ <= 0) throw EUnableToCompress();
      if (outCur_ == outEnd_) Flush();
      size_t k = static_cast<size_t>(outEnd_ - outCur_);
      if (k > n) k = n;
      if (static_cast<int64_t>(k) > budget_) k = static_cast<size_t>(budget_);
      budget_ -= static_cast<int64_t>(k);
      outCount_ += static_cast<uint32_t>(k);
      n -= k;
      if (scrambleOnWrite_) {
        for (; k > 0; --k) {
          const uint8_t b = Scramble(*p++);
          *outCur_++ = b;
          outSum_ += b;
        }
        continue;
      }
      std::memcpy(outCur_, p, k);
      uint32_t sum = 0;
      for (size_t i = 0; i < k; ++i) sum += p[i];
      outSum_ += sum;
      outCur_ += k;
      p += k;
    }
  }

  uint32_t OutputCount() const { return outCount_; }

  // Per-member working tables of the LZ coders (they allocate and release them).
  std::unique_ptr<Lh5Work, CodecWorkDeleter> Lh5Tables;
  std::unique_ptr<LzhWork, CodecWorkDeleter> LzhTables;

private:
  uint8_t TakeByte() {
    uint8_t b = *inCur_++;
    inSum_ += b;
    if (unscrambleOnRead_) b = Scramble(b);
    return b;
  }
  uint8_t Scramble(uint8_t b) {
    b ^= keyBytes_[keyIndex_];
    keyIndex_ = (keyIndex_ + 1) & 3;
    return b;
  }
  uint8_t Refill();
  void Flush();
  void RunMethod(TCodecDirection direction, int method, uint32_t produce);

  std::unique_ptr<uint8_t[]> inBuf_, outBuf_;
  const uint8_t* inCur_ = nullptr;
  const uint8_t* inEnd_ = nullptr;
  uint8_t* outCur_ = nullptr;
  uint8_t* outEnd_ = nullptr;
  TStream* source_ = nullptr;
  TStream* dest_ = nullptr;
  uint32_t remaining_ = 0;
  uint32_t chunk_ = kBufferSize;
  uint32_t consumed_ = 0;
  bool endOfInput_ = false;
  uint32_t inSum_ = 0;
  uint32_t outSum_ = 0;
  uint32_t outCount_ = 0;
  int64_t budget_ = 0;
  bool unscrambleOnRead_ = false;
  bool scrambleOnWrite_ = false;
  uint8_t keyBytes_[4] = {0, 0, 0, 0};
  unsigned keyIndex_ = 0;
  TShowProgressEvent progress_;
};

// The methods: each reads through ReadByte until the input ends (or until count bytes are made)
// and writes through WriteByte.
void NonCopy(TCodecState& state);
void RleEncode(TCodecState& state);
void RleDecode(TCodecState& state);
void LzhCompress(TCodecState& state);
void LzhExpand(TCodecState& state, uint32_t count);
void Lh5Compress(TCodecState& state);
void Lh5Expand(TCodecState& state, uint32_t count);

}  // namespace qx
