#pragma once
// A growable in-memory byte stream. Positions past the end are allowed: reading there yields
// nothing, writing there fills the gap with zero bytes.
#include <cstdint>
#include <vector>

#include "archive/stream.h"

namespace qx {

class TMemoryStream : public TStream {
public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::vector<uint8_t> bytes) : Bytes(std::move(bytes)) {}
  TMemoryStream(const uint8_t* data, size_t size) : Bytes(data, data + size) {}

  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  // A position before the start raises EStreamError.
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override { return static_cast<int64_t>(Bytes.size()); }

  std::vector<uint8_t> Bytes;

private:
  int64_t Offset = 0;
};

// Swallows every byte written and reads as empty: lets an expansion check its checksums
// without storing anything.
class TNullStream : public TStream {
public:
  int32_t Read(void*, int32_t) override { return 0; }
  int32_t Write(const void*, int32_t count) override {
    if (count > 0) Offset += count;
    return count;
  }
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;

private:
  int64_t Offset = 0;
};

}  // namespace qx
