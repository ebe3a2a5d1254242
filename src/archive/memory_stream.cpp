#include "archive/memory_stream.h"

#include <cstring>

namespace qx {

int32_t TMemoryStream::Read(void* buffer, int32_t count) {
  const int64_t size = Size();
  if (count <= 0 || position_ >= size) return 0;
  const int64_t n = count < size - position_ ? count : size - position_;
  std::memcpy(buffer, Bytes.data() + position_, static_cast<size_t>(n));
  position_ += n;
  return static_cast<int32_t>(n);
}

int32_t TMemoryStream::Write(const void* buffer, int32_t count) {
  if (count <= 0) return 0;
  const int64_t end = position_ + count;
  if (end > Size()) Bytes.resize(static_cast<size_t>(end));
  std::memcpy(Bytes.data() + position_, buffer, static_cast<size_t>(count));
  position_ = end;
  return count;
}

static int64_t Resolve(int64_t offset, TSeekOrigin origin, int64_t position, int64_t size) {
  switch (origin) {
    case TSeekOrigin::soBeginning: break;
    case TSeekOrigin::soCurrent: offset += position; break;
    case TSeekOrigin::soEnd: offset += size; break;
  }
  if (offset < 0) throw EStreamError("Stream seek before its start");
  return offset;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  position_ = Resolve(offset, origin, position_, Size());
  return position_;
}

int64_t TNullStream::Seek(int64_t offset, TSeekOrigin origin) {
  position_ = Resolve(offset, origin, position_, position_);
  return position_;
}

}  // namespace qx
