#include "archive/codec_state.h"

#include <thread>

namespace qx {

int32_t Percent(int64_t part, int64_t whole) {
  if (whole <= 0) return 100;
  if (whole <= 100000) return static_cast<int32_t>(part * 100 / whole);
  return static_cast<int32_t>(part / (whole / 100));
}

TCodecState::TCodecState() = default;
TCodecState::~TCodecState() = default;

uint32_t TCodecState::RunCodec(TStream& dest, TStream& source, uint32_t sourceBytes,
                               TCodecDirection direction, int method, uint32_t produce, bool unscramble,
                               int32_t key, const TShowProgressEvent& onProgress, uint32_t& checksum) {
  checksum = 0;
  progress_ = onProgress;
  if (progress_) {
    int percent = 0;
    progress_(percent);
    if (percent == -1) return 0;
  }

  source_ = &source;
  dest_ = &dest;
  inBuf_.reset(new uint8_t[kBufferSize]);
  outBuf_.reset(new uint8_t[kBufferSize]);
  inCur_ = inEnd_ = inBuf_.get();
  outCur_ = outBuf_.get();
  outEnd_ = outBuf_.get() + kBufferSize;
  endOfInput_ = false;
  remaining_ = sourceBytes;
  chunk_ = kBufferSize;
  consumed_ = inSum_ = outSum_ = outCount_ = 0;

  const bool compress = direction == TCodecDirection::cdCompress;
  budget_ = compress ? static_cast<int64_t>(sourceBytes) : INT32_MAX;
  scrambleOnWrite_ = compress && key != 0;
  unscrambleOnRead_ = !compress && key != 0 && unscramble;
  const uint32_t k = static_cast<uint32_t>(key);
  for (int i = 0; i < 4; ++i) keyBytes_[i] = static_cast<uint8_t>(k >> (8 * i));
  keyIndex_ = 0;

  struct BufferRelease {
    TCodecState& s;
    ~BufferRelease() {
      s.inBuf_.reset();
      s.outBuf_.reset();
      s.inCur_ = s.inEnd_ = nullptr;
      s.outCur_ = s.outEnd_ = nullptr;
      s.source_ = s.dest_ = nullptr;
      s.progress_ = nullptr;  // the handler may capture what does not outlive the run
    }
  } release{*this};

  RunMethod(direction, method, produce);
  const int32_t pending = static_cast<int32_t>(outCur_ - outBuf_.get());
  if (pending > 0) dest_->WriteBuffer(outBuf_.get(), pending);
  outCur_ = outBuf_.get();

  checksum = compress ? inSum_ : outSum_;
  const uint32_t produced = outCount_;
  if (progress_) {
    int percent = 100;
    progress_(percent);
  }
  return produced;
}

void TCodecState::RunMethod(TCodecDirection direction, int method, uint32_t produce) {
  const bool compress = direction == TCodecDirection::cdCompress;
  switch (method) {
    case cmNone: NonCopy(*this); break;
    case cmRLE: compress ? RleEncode(*this) : RleDecode(*this); break;
    case cmLZH: compress ? LzhCompress(*this) : LzhExpand(*this, produce); break;
    case cmLH5: compress ? Lh5Compress(*this) : Lh5Expand(*this, produce); break;
    default: break;  // a custom member never reaches the driver's coders
  }
}

uint8_t TCodecState::Refill() {
  endOfInput_ = true;
  if (remaining_ == 0) return 0;
  if (chunk_ > remaining_) chunk_ = remaining_;
  const int32_t got = source_->Read(inBuf_.get(), static_cast<int32_t>(chunk_));
  if (got <= 0) {
    // The stream ended before the member did: asking again would only repeat the empty read.
    remaining_ = 0;
    return 0;
  }
  remaining_ -= static_cast<uint32_t>(got);
  inCur_ = inBuf_.get();
  inEnd_ = inBuf_.get() + got;
  if (progress_) {
    consumed_ += static_cast<uint32_t>(got);
    int percent = Percent(consumed_, static_cast<int64_t>(consumed_) + remaining_);
    progress_(percent);
    if (percent == -1) {
      // A cancel: the input counts as ended for the rest of the run.
      remaining_ = 0;
      inCur_ = inEnd_;
      return 0;
    }
  }
  std::this_thread::yield();
  endOfInput_ = false;
  return TakeByte();
}

void TCodecState::Flush() {
  std::this_thread::yield();
  dest_->WriteBuffer(outBuf_.get(), kBufferSize);
  outCur_ = outBuf_.get();
}

void NonCopy(TCodecState& state) {
  for (;;) {
    const uint8_t b = state.ReadByte();
    if (state.EndOfInput()) return;
    state.WriteByte(b);
  }
}

// A run's first byte always goes out as a literal; the marker and a count n then stand for
// n - 1 further copies. The marker itself is escaped as marker, 0 and never joins a run.
void RleEncode(TCodecState& state) {
  constexpr uint8_t M = TCodecState::kRleMarker;
  uint8_t p = 0;
  uint32_t n = 0;
  bool inRun = false;
  bool first = true;
  auto closeRun = [&] {
    if (n >= 3) {
      state.WriteByte(M);
      state.WriteByte(static_cast<uint8_t>(n));
    } else if (n == 2) {
      state.WriteByte(p);
    }
  };
  for (;;) {
    const uint8_t b = state.ReadByte();
    if (state.EndOfInput()) break;
    if (inRun) {
      if (b == p && n < 255) {
        ++n;
      } else {
        closeRun();
        p = b;
        if (b == M) {
          state.WriteByte(M);
          state.WriteByte(0);
        } else {
          state.WriteByte(b);
        }
        inRun = false;
      }
    } else {
      if (b == M) {
        state.WriteByte(M);
        state.WriteByte(0);
      } else if (b == p && !first) {
        inRun = true;
        n = 2;
      } else {
        state.WriteByte(b);
      }
      p = b;
    }
    first = false;
  }
  if (inRun) closeRun();
}

void RleDecode(TCodecState& state) {
  constexpr uint8_t M = TCodecState::kRleMarker;
  uint8_t p = 0;
  for (;;) {
    const uint8_t b = state.ReadByte();
    if (state.EndOfInput()) return;
    if (b != M) {
      state.WriteByte(b);
    } else {
      const uint8_t n = state.ReadByte();  // 0 when the input has ended
      if (n == 0) {
        state.WriteByte(M);
      } else {
        for (unsigned i = 1; i < n; ++i) state.WriteByte(p);
      }
    }
    p = b;
  }
}

}  // namespace qx
