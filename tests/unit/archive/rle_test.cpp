#include <gtest/gtest.h>

#include <vector>

#include "archive/codec_state.h"
#include "memory_stream_fixture.h"

using namespace qx;

namespace {

std::vector<uint8_t> RunRle(TCodecDirection direction, const std::vector<uint8_t>& input) {
  TestStream src(input), dst;
  TCodecState state;
  state.RunCodec(
      TCodecJob{dst, src, static_cast<uint32_t>(input.size()), direction, cmRLE, 0, false, 0, nullptr});
  return dst.Bytes;
}

struct RleCase {
  const char* name;
  std::vector<uint8_t> plain;
  std::vector<uint8_t> packed;
};

std::vector<uint8_t> Repeat(uint8_t b, size_t n) { return std::vector<uint8_t>(n, b); }

std::vector<RleCase> Cases() {
  std::vector<uint8_t> three_hundred = Repeat(0x41, 300);
  return {
      {"run of three", {0x41, 0x41, 0x41, 0x42}, {0x41, 0x94, 0x03, 0x42}},
      {"pair stays literal", {0x41, 0x41}, {0x41, 0x41}},
      {"run of 300 splits at 255", three_hundred, {0x41, 0x94, 0xFF, 0x41, 0x94, 0x2D}},
      {"leading zero is a literal", {0x00, 0x00, 0x00}, {0x00, 0x94, 0x03}},
      {"leading zero pair", {0x00, 0x00}, {0x00, 0x00}},
      {"marker escaped after a run",
       {0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x94},
       {0x41, 0x94, 0x0A, 0x94, 0x00}},
      {"marker never joins a run",
       {0x94, 0x94, 0x94, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41},
       {0x94, 0x00, 0x94, 0x00, 0x94, 0x00, 0x41, 0x94, 0x08}},
  };
}

}  // namespace

TEST(Rle, EncodesAndDecodesTheKnownVectors) {
  for (const RleCase& c : Cases()) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(RunRle(TCodecDirection::cdCompress, c.plain), c.packed);
    EXPECT_EQ(RunRle(TCodecDirection::cdExpand, c.packed), c.plain);
  }
}

// An escaped marker doubles in size, so the encoder's output exceeds its budget and the member
// falls back to storing; the escape itself is still what a decoder reads.
TEST(Rle, LoneMarkerIsEscapedAndOverrunsTheBudget) {
  EXPECT_THROW(RunRle(TCodecDirection::cdCompress, {0x94}), EUnableToCompress);
  EXPECT_EQ(RunRle(TCodecDirection::cdExpand, {0x94, 0x00}), std::vector<uint8_t>{0x94});
}

TEST(Rle, DecodesMarkerAtStartAsCopiesOfZero) {
  EXPECT_EQ(RunRle(TCodecDirection::cdExpand, {0x94, 0x05}), Repeat(0x00, 4));
}

TEST(Rle, DecodesFinalLoneMarkerAsMarker) {
  EXPECT_EQ(RunRle(TCodecDirection::cdExpand, {0x41, 0x94}), (std::vector<uint8_t>{0x41, 0x94}));
}
