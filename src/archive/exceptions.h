#pragma once
// The archive component's exceptions, each with its fixed message.
#include <string>

#include "base/exception.h"

namespace qx {

class EInvalidHeader : public Exception {
public:
  EInvalidHeader() : Exception("Can't recognize compressed file header") {}
};
class EInvalidHeaderArchiveType : public Exception {
public:
  EInvalidHeaderArchiveType() : Exception("Archive type must be caMulti") {}
};
class EUnrecognizedCompressionMethod : public Exception {
public:
  explicit EUnrecognizedCompressionMethod(const std::string& id)
      : Exception("Unrecognized compression method: \"" + id + "\" in header") {}
};
class EInsufficientDiskSpace : public Exception {
public:
  explicit EInsufficientDiskSpace(const std::string& target)
      : Exception("Not enough disk space to expand " + target) {}
};
class EBadChecksum : public Exception {
public:
  EBadChecksum() : Exception("Bad checksum during expansion -- data may be invalid") {}
};
class EInvalidKey : public Exception {
public:
  EInvalidKey() : Exception("File locked -- valid key required") {}
};
class EUnableToCompress : public Exception {
public:
  EUnableToCompress() : Exception("Could not compress data, will store instead") {}
};
class ELZHBadDecodeTable : public Exception {
public:
  ELZHBadDecodeTable() : Exception("Bad decode table in archive!") {}
};
// Raised when a build lacks a method's coder: never by a complete build.
class EMethodUnavailable : public Exception {
public:
  explicit EMethodUnavailable(const std::string& id)
      : Exception("Compression method \"" + id + "\" is not available in this build") {}
};

}  // namespace qx
