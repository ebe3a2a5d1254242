#pragma once
// What the archive component needs of the host's file system, behind one small interface.
// Paths crossing this interface are in the archive's own form, with "\" between folders; each
// host adapter maps them to its native form (file_system_posix.cpp, file_system_win32.cpp), so
// the portable code never sees a host separator and archives come out the same on every host.
#include <cstdint>
#include <memory>
#include <string>

#include "archive/stream.h"

namespace qx {

// A source file that cannot be opened or a target file that cannot be created.
class EFOpenError : public EStreamError {
public:
  explicit EFOpenError(const std::string& path) : EStreamError("Cannot open file \"" + path + "\"") {}
};
class EFCreateError : public EStreamError {
public:
  explicit EFCreateError(const std::string& path) : EStreamError("Cannot create file \"" + path + "\"") {}
};
// A folder that cannot be created.
class EInOutError : public Exception {
public:
  explicit EInOutError(const std::string& path)
      : Exception("I/O error: cannot create folder \"" + path + "\"") {}
};

// An open file: a seekable stream that also reads and sets its last-write time as a packed
// DOS date-time in local time (date in the high 16 bits, time in the low 16 bits).
class TFileStream : public TStream {
public:
  virtual uint32_t GetDosDateTime() = 0;
  virtual bool SetDosDateTime(uint32_t dosDateTime) = 0;
};

class TFileSystem {
public:
  virtual ~TFileSystem() = default;
  // Opens an existing file read-only, others may read and write it too. Raises EFOpenError.
  virtual std::unique_ptr<TFileStream> OpenRead(const std::string& path) = 0;
  // Opens an existing file for reading and writing, others may read and write it too. Raises
  // EFOpenError.
  virtual std::unique_ptr<TFileStream> OpenReadWrite(const std::string& path) = 0;
  // Creates a file for reading and writing, replacing an existing one. Raises EFCreateError.
  virtual std::unique_ptr<TFileStream> Create(const std::string& path) = 0;
  // Attribute bits in the Windows layout (read-only 0x01, hidden 0x02, system 0x04,
  // folder 0x10, archive 0x20); -1 when the file is not there.
  virtual int32_t GetAttributes(const std::string& path) = 0;
  virtual bool SetAttributes(const std::string& path, int32_t attributes) = 0;
  virtual bool FileExists(const std::string& path) = 0;
  virtual bool FolderExists(const std::string& path) = 0;
  virtual bool CreateFolder(const std::string& path) = 0;
  virtual bool RemoveFile(const std::string& path) = 0;
  // Size of an existing file, -1 when it is not there.
  virtual int64_t FileSize(const std::string& path) = 0;
  // Free bytes of the drive whose root is given ("C:\"), or of the current drive for an empty
  // root; -1 when the query fails.
  virtual double FreeSpace(const std::string& root) = 0;
  // The host's own spelling of a path and back ("/" and "\" on POSIX hosts). Messages that name a
  // path use the host's spelling, the adapters' errors among them.
  virtual std::string ToHostPath(const std::string& path) = 0;
  virtual std::string FromHostPath(const std::string& hostPath) = 0;
};

// The adapter for the host this program was built for.
TFileSystem& HostFileSystem();

// Packed DOS date-time <-> broken-down local time; shared by the adapters and the tools.
struct TDosDateTime {
  int Year, Month, Day, Hour, Minute, Second;
};
uint32_t PackDosDateTime(const TDosDateTime& t);
TDosDateTime UnpackDosDateTime(uint32_t packed);

}  // namespace qx
