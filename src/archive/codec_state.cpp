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

namespace {

// Unwinds a method whose input was cancelled; it never leaves RunCodec.
struct TCodecCancel {};

}  // namespace

void TCodecState::InputRanOut() const {
  if (Cancelled) throw TCodecCancel();
  throw EBadChecksum();
}

TCodecResult TCodecState::RunCodec(const TCodecJob& job) {
  TCodecResult result;
  Progress = job.OnProgress;
  if (Progress) {
    int percent = 0;
    Progress(percent);
    if (percent == -1) {
      Progress = nullptr;
      result.Outcome = TCodecOutcome::coCancelled;
      return result;
    }
  }

  Source = &job.Source;
  Dest = &job.Dest;
  InBuf.reset(new uint8_t[kBufferSize]);
  OutBuf.reset(new uint8_t[kBufferSize]);
  InCur = InEnd = InBuf.get();
  OutCur = OutBuf.get();
  OutEnd = OutBuf.get() + kBufferSize;
  InputEnded = false;
  Cancelled = false;
  Remaining = job.SourceBytes;
  Chunk = kBufferSize;
  Consumed = InSum = OutSum = OutCount = 0;

  const bool compress = job.Direction == TCodecDirection::cdCompress;
  Budget = compress ? static_cast<int64_t>(job.SourceBytes) : INT32_MAX;
  ScrambleOnWrite = compress && job.Key != 0;
  UnscrambleOnRead = !compress && job.Key != 0 && job.Unscramble;
  const uint32_t k = static_cast<uint32_t>(job.Key);
  for (int i = 0; i < 4; ++i) KeyBytes[i] = static_cast<uint8_t>(k >> (8 * i));
  KeyIndex = 0;

  struct TBufferRelease {
    TCodecState& S;
    ~TBufferRelease() {
      S.InBuf.reset();
      S.OutBuf.reset();
      S.InCur = S.InEnd = nullptr;
      S.OutCur = S.OutEnd = nullptr;
      S.Source = S.Dest = nullptr;
      S.Progress = nullptr;  // the handler may capture what does not outlive the run
    }
  } release{*this};

  try {
    RunMethod(job.Direction, job.Method, job.Produce);
  } catch (const TCodecCancel&) {
    // A decoder stopped at the cancelled input; what it made so far is the run's output.
  }
  const int32_t pending = static_cast<int32_t>(OutCur - OutBuf.get());
  if (pending > 0) Dest->WriteBuffer(OutBuf.get(), pending);
  OutCur = OutBuf.get();

  result.Checksum = compress ? InSum : OutSum;
  result.OutputCount = OutCount;
  result.Outcome = Cancelled ? TCodecOutcome::coCancelled : TCodecOutcome::coDone;
  if (Progress) {
    int percent = 100;
    Progress(percent);
  }
  return result;
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
  InputEnded = true;
  if (Remaining == 0) return 0;
  if (Chunk > Remaining) Chunk = Remaining;
  const int32_t got = Source->Read(InBuf.get(), static_cast<int32_t>(Chunk));
  if (got <= 0) {
    // The stream ended before the member did: asking again would only repeat the empty read.
    Remaining = 0;
    return 0;
  }
  Remaining -= static_cast<uint32_t>(got);
  InCur = InBuf.get();
  InEnd = InBuf.get() + got;
  if (Progress) {
    Consumed += static_cast<uint32_t>(got);
    int percent = Percent(Consumed, static_cast<int64_t>(Consumed) + Remaining);
    Progress(percent);
    if (percent == -1) {
      // A cancel: the input counts as ended for the rest of the run.
      Cancelled = true;
      Remaining = 0;
      InCur = InEnd;
      return 0;
    }
  }
  std::this_thread::yield();
  InputEnded = false;
  return TakeByte();
}

void TCodecState::Flush() {
  std::this_thread::yield();
  Dest->WriteBuffer(OutBuf.get(), kBufferSize);
  OutCur = OutBuf.get();
}

// Stored members make up most of an archive of already-compressed files, so the copy moves
// whole buffers: the same bytes, sums, key bytes and budget as a loop of ReadByte and WriteByte.
void NonCopy(TCodecState& state) { state.CopyThrough(); }

size_t TCodecState::ReadBytes(uint8_t* to, size_t max) {
  size_t n = 0;
  while (n < max) {
    if (InCur == InEnd) {
      const uint8_t b = Refill();
      if (InputEnded) break;
      to[n++] = b;
      continue;
    }
    size_t k = static_cast<size_t>(InEnd - InCur);
    if (k > max - n) k = max - n;
    if (UnscrambleOnRead) {
      for (size_t i = 0; i < k; ++i) to[n++] = TakeByte();
      continue;
    }
    uint32_t sum = 0;
    for (size_t i = 0; i < k; ++i) sum += to[n + i] = InCur[i];
    InSum += sum;
    InCur += k;
    n += k;
  }
  return n;
}

void TCodecState::CopyThrough() {
  for (;;) {
    if (InCur == InEnd) {
      const uint8_t b = Refill();
      if (InputEnded) return;
      WriteByte(b);
      continue;
    }
    const size_t n = static_cast<size_t>(InEnd - InCur);
    if (UnscrambleOnRead) {
      for (size_t i = 0; i < n; ++i) WriteByte(TakeByte());
      continue;
    }
    uint32_t sum = 0;
    for (size_t i = 0; i < n; ++i) sum += InCur[i];
    InSum += sum;
    const uint8_t* span = InCur;
    InCur = InEnd;
    WriteBytes(span, n);
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
