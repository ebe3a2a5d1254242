#include "payload/payload_writer.h"

#include <memory>

namespace qx {

void WriteStub(TStream& stub, TStream& out) {
  if (stub.Size() < kPayloadOffset) throw EStubTooShort();
  stub.SetPosition(0);
  out.SetPosition(0);
  constexpr int32_t kChunk = 65536;
  std::unique_ptr<uint8_t[]> buffer(new uint8_t[kChunk]);
  int64_t left = kPayloadOffset;
  while (left > 0) {
    const int32_t n = left < kChunk ? static_cast<int32_t>(left) : kChunk;
    stub.ReadBuffer(buffer.get(), n);
    out.WriteBuffer(buffer.get(), n);
    left -= n;
  }
}

int64_t AppendPayload(TArchiver& archiver, TStream& out, TStringList& files, TCompressMethod method) {
  const int64_t start = out.Seek(0, TSeekOrigin::soEnd);
  archiver.CompressFiles(out, files, method);
  return start;
}

}  // namespace qx
