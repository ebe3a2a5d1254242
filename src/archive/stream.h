#pragma once
// Seekable byte streams: the only way the archive component reaches archive data and files.
#include <cstdint>

#include "base/exception.h"

namespace qx {

class EStreamError : public Exception {
public:
  using Exception::Exception;
};
class EReadError : public EStreamError {
public:
  EReadError() : EStreamError("Stream read error") {}
};
class EWriteError : public EStreamError {
public:
  EWriteError() : EStreamError("Stream write error") {}
};

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream {
public:
  virtual ~TStream() = default;
  // Reads up to count bytes; returns how many arrived (0 at the end of the stream).
  virtual int32_t Read(void* buffer, int32_t count) = 0;
  // Writes up to count bytes; returns how many were written.
  virtual int32_t Write(const void* buffer, int32_t count) = 0;
  // Moves the position and returns the new one.
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
  virtual int64_t Size();

  int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
  void SetPosition(int64_t position) { Seek(position, TSeekOrigin::soBeginning); }
  // Whole-buffer transfers: a short transfer raises EReadError / EWriteError.
  void ReadBuffer(void* buffer, int32_t count);
  void WriteBuffer(const void* buffer, int32_t count);
};

}  // namespace qx
