#pragma once
// A minimal in-memory stream for tests of the driver layer.
#include <algorithm>
#include <cstring>
#include <vector>

#include "archive/stream.h"

class TestStream : public qx::TStream {
public:
  TestStream() = default;
  explicit TestStream(std::vector<uint8_t> bytes) : Bytes(std::move(bytes)) {}
  int32_t Read(void* buffer, int32_t count) override {
    const int64_t n = std::max<int64_t>(0, std::min<int64_t>(count, (int64_t)Bytes.size() - pos_));
    if (n > 0) std::memcpy(buffer, Bytes.data() + pos_, (size_t)n);
    pos_ += n;
    return (int32_t)n;
  }
  int32_t Write(const void* buffer, int32_t count) override {
    if ((int64_t)Bytes.size() < pos_ + count) Bytes.resize((size_t)(pos_ + count));
    std::memcpy(Bytes.data() + pos_, buffer, (size_t)count);
    pos_ += count;
    return count;
  }
  int64_t Seek(int64_t offset, qx::TSeekOrigin origin) override {
    if (origin == qx::TSeekOrigin::soCurrent) offset += pos_;
    if (origin == qx::TSeekOrigin::soEnd) offset += (int64_t)Bytes.size();
    pos_ = offset;
    return pos_;
  }
  std::vector<uint8_t> Bytes;

private:
  int64_t pos_ = 0;
};
