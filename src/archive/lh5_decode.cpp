// "LH5" decoder: blocks of canonical Huffman codes over an 8192-byte window.
//
// Every length list is checked to form a complete prefix code before a table is built from
// it, and every count or single-symbol value is checked against its set, so no input can lead
// a lookup, a tree walk or a zero run outside its arrays. Past the end of the member data the
// buffer is topped up with zero bits, but a sound stream never reaches them: decoding that does
// raises EBadChecksum (a cancelled run just ends there). Zero bits decode into zero bytes,
// which add nothing to the checksum, so a size field claiming more than the data holds would
// otherwise expand into up to 2 GB of zeros that pass as valid.
#include <cstring>

#include "archive/lh5_internal.h"

namespace qx {
namespace lh5 {

namespace {

constexpr int kCTableBits = 12;
constexpr int kPtTableBits = 8;
// Table and tree entries: a leaf holds its symbol and code length; a link into the tree for
// codes longer than the table width has the top bit set and the node number below it.
constexpr uint16_t kNodeFlag = 0x8000;
constexpr uint16_t kUnset = 0xFFFF;
constexpr uint16_t Leaf(unsigned symbol, unsigned length) { return uint16_t(symbol | (length << 10)); }

}  // namespace

struct TDecoder {
  explicit TDecoder(TCodecState& s) : State(s) {}

  TCodecState& State;
  // The next bits of the stream, most significant first; BitCount of them are valid.
  uint64_t BitBuf = 0;
  unsigned BitCount = 0;
  // How many of the last bits in the buffer stand in for data past the member's end.
  unsigned PadBits = 0;

  uint8_t Window[kDicSize];
  uint16_t CTable[1u << kCTableBits];
  uint16_t PtTable[1u << kPtTableBits];
  uint16_t CLeft[kNC], CRight[kNC];
  uint16_t PtLeft[kNPT], PtRight[kNPT];
  uint8_t CLen[kNC];
  uint8_t PtLen[kNPT];

  // Tops the buffer up to at least 57 valid bits.
  void Refill() {
    CheckNotPastEnd();
    while (BitCount <= 56) {
      BitBuf |= uint64_t(State.ReadByte()) << (56 - BitCount);
      if (State.EndOfInput()) PadBits += 8;
      BitCount += 8;
    }
  }
  void CheckNotPastEnd() const {
    if (PadBits > BitCount) State.InputRanOut();
  }
  void Need(unsigned n) {
    if (BitCount < n) Refill();
  }
  unsigned Peek(unsigned n) const { return unsigned(BitBuf >> (64 - n)); }  // 1 <= n <= 32
  void Drop(unsigned n) {
    BitBuf <<= n;
    BitCount -= n;
  }
  unsigned GetBits(unsigned n) {  // 1 <= n <= 16
    Need(n);
    const unsigned v = Peek(n);
    Drop(n);
    return v;
  }

  // Decodes one symbol; needs 16 valid bits.
  template <int kTableBits>
  unsigned DecodeSymbol(const uint16_t* table, const uint16_t* left, const uint16_t* right) {
    uint16_t e = table[BitBuf >> (64 - kTableBits)];
    if (!(e & kNodeFlag)) {
      Drop(e >> 10);
      return e & 0x3FF;
    }
    uint64_t rest = BitBuf << kTableBits;
    do {
      e = (rest >> 63) ? right[e & 0x3FF] : left[e & 0x3FF];
      rest <<= 1;
    } while (e & kNodeFlag);
    Drop(e >> 10);
    return e & 0x3FF;
  }
  unsigned DecodeC() { return DecodeSymbol<kCTableBits>(CTable, CLeft, CRight); }
  unsigned DecodePt() { return DecodeSymbol<kPtTableBits>(PtTable, PtLeft, PtRight); }

  void MakeTable(int n, const uint8_t* len, int tableBits, uint16_t* table, uint16_t* left, uint16_t* right);
  void ReadPtLengths(int n, int countBits, int special);
  void ReadCLengths();
  uint32_t ReadBlockHeader();
  void Run(uint32_t count);
};

// Builds the lookup table (and the tree behind it for longer codes) of a length list, which
// must describe a complete prefix code of at most 16 bits.
void TDecoder::MakeTable(int n, const uint8_t* len, int tableBits, uint16_t* table, uint16_t* left,
                         uint16_t* right) {
  unsigned count[kMaxCodeBits + 1] = {};
  for (int i = 0; i < n; ++i) {
    if (len[i] > kMaxCodeBits) throw ELZHBadDecodeTable();
    ++count[len[i]];
  }
  uint32_t total = 0;
  for (int l = 1; l <= kMaxCodeBits; ++l) total += count[l] << (kMaxCodeBits - l);
  if (total != (1u << kMaxCodeBits)) throw ELZHBadDecodeTable();

  uint32_t next[kMaxCodeBits + 2];
  next[1] = 0;
  for (int l = 1; l <= kMaxCodeBits; ++l) next[l + 1] = (next[l] + count[l]) << 1;

  std::memset(table, 0, sizeof(uint16_t) << tableBits);
  int nodes = 0;
  auto newNode = [&]() -> uint16_t {
    if (nodes >= n) throw ELZHBadDecodeTable();  // cannot happen for a complete code
    left[nodes] = right[nodes] = kUnset;
    return uint16_t(kNodeFlag | nodes++);
  };
  for (int sym = 0; sym < n; ++sym) {
    const unsigned l = len[sym];
    if (l == 0) continue;
    const uint32_t code = next[l]++;
    if (int(l) <= tableBits) {
      const uint32_t first = code << (tableBits - l);
      const uint16_t e = Leaf(unsigned(sym), l);
      for (uint32_t j = 0; j < (1u << (tableBits - l)); ++j) table[first + j] = e;
      continue;
    }
    uint16_t* link = &table[code >> (l - tableBits)];
    if (!(*link & kNodeFlag)) *link = newNode();
    for (int b = int(l) - tableBits - 1; b >= 0; --b) {
      const unsigned node = *link & 0x3FF;
      link = ((code >> b) & 1) ? &right[node] : &left[node];
      if (b == 0) {
        if (*link != kUnset) throw ELZHBadDecodeTable();
        *link = Leaf(unsigned(sym), l);
      } else if (*link == kUnset) {
        *link = newNode();
      } else if (!(*link & kNodeFlag)) {
        throw ELZHBadDecodeTable();
      }
    }
  }
}

// The T and P length lists. A count of 0 names the single symbol every code decodes to.
void TDecoder::ReadPtLengths(int n, int countBits, int special) {
  const unsigned used = GetBits(countBits);
  if (used == 0) {
    const unsigned only = GetBits(countBits);
    if (only >= unsigned(n)) throw ELZHBadDecodeTable();
    std::memset(PtLen, 0, sizeof PtLen);
    for (uint16_t& e : PtTable) e = Leaf(only, 0);
    return;
  }
  if (used > unsigned(n)) throw ELZHBadDecodeTable();
  unsigned i = 0;
  while (i < used) {
    Need(24);
    unsigned c = Peek(3);
    Drop(3);
    if (c == 7) {
      for (;;) {
        Need(1);
        const unsigned bit = Peek(1);
        Drop(1);
        if (!bit) break;
        if (++c > kMaxCodeBits) throw ELZHBadDecodeTable();
      }
    }
    PtLen[i++] = uint8_t(c);
    if (int(i) == special) {
      for (unsigned z = GetBits(2); z > 0 && i < unsigned(n); --z) PtLen[i++] = 0;
    }
  }
  for (; i < unsigned(n); ++i) PtLen[i] = 0;
  MakeTable(n, PtLen, kPtTableBits, PtTable, PtLeft, PtRight);
}

void TDecoder::ReadCLengths() {
  const unsigned used = GetBits(kCBits);
  if (used == 0) {
    const unsigned only = GetBits(kCBits);
    if (only >= unsigned(kNC)) throw ELZHBadDecodeTable();
    std::memset(CLen, 0, sizeof CLen);
    for (uint16_t& e : CTable) e = Leaf(only, 0);
    return;
  }
  if (used > unsigned(kNC)) throw ELZHBadDecodeTable();
  unsigned i = 0;
  while (i < used) {
    Need(32);
    const unsigned t = DecodePt();
    if (t > 2) {
      CLen[i++] = uint8_t(t - 2);
      continue;
    }
    const unsigned run = t == 0 ? 1 : t == 1 ? GetBits(4) + 3 : GetBits(9) + 20;
    if (i + run > unsigned(kNC)) throw ELZHBadDecodeTable();
    std::memset(CLen + i, 0, run);
    i += run;
  }
  for (; i < unsigned(kNC); ++i) CLen[i] = 0;
  MakeTable(kNC, CLen, kCTableBits, CTable, CLeft, CRight);
}

// Returns the number of symbols in the block. The field is 16 bits wide and counts down
// after each symbol, so a stored 0 stands for 65536 symbols.
uint32_t TDecoder::ReadBlockHeader() {
  uint32_t size = GetBits(16);
  if (size == 0) size = 0x10000;
  ReadPtLengths(kNT, kTBits, 3);
  ReadCLengths();
  ReadPtLengths(kNP, kPBits, -1);
  return size;
}

// Bytes are produced into the Window and handed to the driver a span at a time: whenever the
// write position wraps, and at the end.
void TDecoder::Run(uint32_t count) {
  std::memset(Window, ' ', sizeof Window);
  unsigned r = 0;
  unsigned flushed = 0;  // Window[flushed, r) is not yet written out
  uint64_t produced = 0;
  uint32_t blockLeft = 0;
  auto wrap = [&] {
    State.WriteBytes(Window + flushed, kDicSize - flushed);
    flushed = 0;
    r = 0;
  };
  Refill();
  while (produced < count) {
    if (blockLeft == 0) blockLeft = ReadBlockHeader();
    --blockLeft;
    // One match needs at most 16 + 16 + 12 bits.
    if (BitCount < 44) Refill();
    const unsigned c = DecodeC();
    if (c < 256) {
      Window[r] = uint8_t(c);
      if (++r == kDicSize) wrap();
      ++produced;
      continue;
    }
    unsigned length = c - (256 - kThreshold);
    const unsigned p = DecodePt();
    unsigned distance = p;
    if (p > 1) {
      distance = (1u << (p - 1)) + Peek(p - 1);
      Drop(p - 1);
    }
    unsigned from = (r - distance - 1) & kDicMask;
    produced += length;
    while (length > 0) {
      // Copy up to the next wrap of either position.
      unsigned n = length;
      if (n > kDicSize - r) n = kDicSize - r;
      if (n > kDicSize - from) n = kDicSize - from;
      uint8_t* to = Window + r;
      const uint8_t* src = Window + from;
      if (from < r && r - from < n) {
        // The copy reads bytes it writes: repeat the pattern byte by byte.
        for (unsigned k = 0; k < n; ++k) to[k] = src[k];
      } else {
        std::memmove(to, src, n);
      }
      length -= n;
      from = (from + n) & kDicMask;
      r += n;
      if (r == kDicSize) wrap();
    }
  }
  CheckNotPastEnd();
  State.WriteBytes(Window + flushed, r - flushed);
}

void TDecoderRelease::operator()(TDecoder* d) const { delete d; }

}  // namespace lh5

void Lh5Expand(TCodecState& state, uint32_t count) {
  if (count == 0) return;
  // The tables live for this member only, also when decoding fails.
  struct Release {
    TCodecState& s;
    ~Release() { s.Lh5Tables.reset(); }
  } release{state};
  state.Lh5Tables.reset(new TLh5Work);
  state.Lh5Tables->Decode.reset(new lh5::TDecoder(state));
  state.Lh5Tables->Decode->Run(count);
}

}  // namespace qx
