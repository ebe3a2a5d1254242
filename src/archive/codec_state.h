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
struct TLh5Work;
struct TLzhWork;
struct TCodecWorkDeleter {
  void operator()(TLh5Work* work) const;
  void operator()(TLzhWork* work) const;
};

// One member's run through the driver.
struct TCodecJob {
  TStream& Dest;
  TStream& Source;
  uint32_t SourceBytes = 0;  // what the member may consume
  TCodecDirection Direction = TCodecDirection::cdCompress;
  int Method = cmNone;
  uint32_t Produce = 0;     // bytes the LZ decoders make
  bool Unscramble = false;  // expanding a member locked with the key
  int32_t Key = 0;
  TShowProgressEvent OnProgress;
};

// A run ends when the method has consumed its input (coDone) or when the progress handler
// cancelled it (coCancelled): the output then holds what was made from the bytes read before.
enum class TCodecOutcome { coDone, coCancelled };

struct TCodecResult {
  uint32_t OutputCount = 0;
  uint32_t Checksum = 0;  // the input sum when compressing, the output sum when expanding
  TCodecOutcome Outcome = TCodecOutcome::coDone;
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

  // Runs one member through a method. Raises EUnableToCompress when a compressed member would
  // grow past its input.
  TCodecResult RunCodec(const TCodecJob& job);

  // The next input byte, or 0 with EndOfInput() set when there is none.
  uint8_t ReadByte() {
    if (InCur == InEnd) return Refill();
    return TakeByte();
  }
  bool EndOfInput() const { return InputEnded; }
  // Reads up to max bytes into to: the same as that many calls of ReadByte, stopping where
  // EndOfInput() would be set. Returns the number read.
  size_t ReadBytes(uint8_t* to, size_t max);
  // A decoder that needs bits past the input's end: for a cancelled run that ends the run,
  // otherwise the data is short of what its size says.
  [[noreturn]] void InputRanOut() const;

  // Appends one byte to the output.
  void WriteByte(uint8_t b) {
    if (Budget <= 0) throw EUnableToCompress();
    --Budget;
    if (OutCur == OutEnd) Flush();
    if (ScrambleOnWrite) b = Scramble(b);
    *OutCur++ = b;
    OutSum += b;
    ++OutCount;
  }

  // Appends n bytes: the same as n calls of WriteByte, for coders that produce spans.
  void WriteBytes(const uint8_t* p, size_t n) {
    while (n > 0) {
      if (Budget <= 0) throw EUnableToCompress();
      if (OutCur == OutEnd) Flush();
      size_t k = static_cast<size_t>(OutEnd - OutCur);
      if (k > n) k = n;
      if (static_cast<int64_t>(k) > Budget) k = static_cast<size_t>(Budget);
      Budget -= static_cast<int64_t>(k);
      OutCount += static_cast<uint32_t>(k);
      n -= k;
      if (ScrambleOnWrite) {
        for (; k > 0; --k) {
          const uint8_t b = Scramble(*p++);
          *OutCur++ = b;
          OutSum += b;
        }
        continue;
      }
      std::memcpy(OutCur, p, k);
      uint32_t sum = 0;
      for (size_t i = 0; i < k; ++i) sum += p[i];
      OutSum += sum;
      OutCur += k;
      p += k;
    }
  }

  uint32_t OutputCount() const { return OutCount; }

  // Moves the rest of the input to the output unchanged (the method "NON").
  void CopyThrough();

  // Per-member working tables of the LZ coders (they allocate and release them).
  std::unique_ptr<TLh5Work, TCodecWorkDeleter> Lh5Tables;
  std::unique_ptr<TLzhWork, TCodecWorkDeleter> LzhTables;

private:
  uint8_t TakeByte() {
    uint8_t b = *InCur++;
    InSum += b;
    if (UnscrambleOnRead) b = Scramble(b);
    return b;
  }
  uint8_t Scramble(uint8_t b) {
    b ^= KeyBytes[KeyIndex];
    KeyIndex = (KeyIndex + 1) & 3;
    return b;
  }
  uint8_t Refill();
  void Flush();
  void RunMethod(TCodecDirection direction, int method, uint32_t produce);

  std::unique_ptr<uint8_t[]> InBuf, OutBuf;
  const uint8_t* InCur = nullptr;
  const uint8_t* InEnd = nullptr;
  uint8_t* OutCur = nullptr;
  uint8_t* OutEnd = nullptr;
  TStream* Source = nullptr;
  TStream* Dest = nullptr;
  uint32_t Remaining = 0;
  uint32_t Chunk = kBufferSize;
  uint32_t Consumed = 0;
  bool InputEnded = false;
  bool Cancelled = false;
  uint32_t InSum = 0;
  uint32_t OutSum = 0;
  uint32_t OutCount = 0;
  int64_t Budget = 0;
  bool UnscrambleOnRead = false;
  bool ScrambleOnWrite = false;
  uint8_t KeyBytes[4] = {0, 0, 0, 0};
  unsigned KeyIndex = 0;
  TShowProgressEvent Progress;
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
