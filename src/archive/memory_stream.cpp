#include "archive/memory_stream.h"

#include <cstring>

namespace qx {

int32_t TMemoryStream::Read(void* buffer, int32_t count) {
  const int64_t size = Size();
  if (count <= 0 || Offset >= size) return 0;
  const int64_t n = count < size - Offset ? count : size - Offset;
  std::memcpy(buffer, Bytes.data() + Offset, static_cast<size_t>(n));
  Offset += n;
  return static_cast<int32_t>(n);
}

int32_t TMemoryStream::Write(const void* buffer, int32_t count) {
  if (count <= 0) return 0;
  const int64_t end = Offset + count;
  if (end > Size()) Bytes.resize(static_cast<size_t>(end));
  std::memcpy(Bytes.data() + Offset, buffer, static_cast<size_t>(count));
  Offset = end;
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
  Offset = Resolve(offset, origin, Offset, Size());
  return Offset;
}

int64_t TNullStream::Seek(int64_t offset, TSeekOrigin origin) {
  Offset = Resolve(offset, origin, Offset, Offset);
  return Offset;
}

}  // namespace qx
