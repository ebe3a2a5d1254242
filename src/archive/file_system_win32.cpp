// The Win32 adapter of the archive component's file-system interface. Archive paths already are
// Windows paths; the ANSI entry points take them as they are.
#include <windows.h>

#include "archive/file_system.h"
#include "base/text.h"

namespace qx {
namespace {

class Win32FileStream : public TFileStream {
public:
  explicit Win32FileStream(HANDLE handle) : Handle(handle) {}
  ~Win32FileStream() override { ::CloseHandle(Handle); }

  int32_t Read(void* buffer, int32_t count) override {
    if (count <= 0) return 0;
    DWORD got = 0;
    if (!::ReadFile(Handle, buffer, static_cast<DWORD>(count), &got, nullptr)) throw EReadError();
    return static_cast<int32_t>(got);
  }
  int32_t Write(const void* buffer, int32_t count) override {
    if (count <= 0) return 0;
    DWORD done = 0;
    if (!::WriteFile(Handle, buffer, static_cast<DWORD>(count), &done, nullptr)) return 0;
    return static_cast<int32_t>(done);
  }
  int64_t Seek(int64_t offset, TSeekOrigin origin) override {
    const DWORD method = origin == TSeekOrigin::soBeginning ? FILE_BEGIN
                         : origin == TSeekOrigin::soCurrent ? FILE_CURRENT
                                                            : FILE_END;
    LARGE_INTEGER distance, at;
    distance.QuadPart = offset;
    if (!::SetFilePointerEx(Handle, distance, &at, method)) throw EStreamError("Stream seek out of range");
    return at.QuadPart;
  }
  int64_t Size() override {
    LARGE_INTEGER size;
    if (!::GetFileSizeEx(Handle, &size)) return TStream::Size();
    return size.QuadPart;
  }
  // Not FileTimeToDosDateTime: it fails outside 1980-2107, where the shared rule pins the date.
  uint32_t GetDosDateTime() override {
    FILETIME written, local;
    SYSTEMTIME t;
    if (!::GetFileTime(Handle, nullptr, nullptr, &written) || !::FileTimeToLocalFileTime(&written, &local) ||
        !::FileTimeToSystemTime(&local, &t))
      return 0;
    return PackDosDateTime({t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond});
  }
  bool SetDosDateTime(uint32_t dosDateTime) override {
    FILETIME local, written;
    return ::DosDateTimeToFileTime(static_cast<WORD>(dosDateTime >> 16),
                                   static_cast<WORD>(dosDateTime & 0xFFFF), &local) &&
           ::LocalFileTimeToFileTime(&local, &written) && ::SetFileTime(Handle, nullptr, nullptr, &written);
  }

private:
  HANDLE Handle;
};

class Win32FileSystem : public TFileSystem {
public:
  std::unique_ptr<TFileStream> OpenRead(const std::string& path) override {
    const HANDLE h = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) throw EFOpenError(path);
    return std::make_unique<Win32FileStream>(h);
  }
  std::unique_ptr<TFileStream> OpenReadWrite(const std::string& path) override {
    const HANDLE h =
        ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) throw EFOpenError(path);
    return std::make_unique<Win32FileStream>(h);
  }
  std::unique_ptr<TFileStream> Create(const std::string& path) override {
    const HANDLE h = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) throw EFCreateError(path);
    return std::make_unique<Win32FileStream>(h);
  }
  int32_t GetAttributes(const std::string& path) override {
    const DWORD a = ::GetFileAttributesA(path.c_str());
    return a == INVALID_FILE_ATTRIBUTES ? -1 : static_cast<int32_t>(a);
  }
  bool SetAttributes(const std::string& path, int32_t attributes) override {
    return ::SetFileAttributesA(path.c_str(), static_cast<DWORD>(attributes)) != 0;
  }
  bool FileExists(const std::string& path) override {
    const DWORD a = ::GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
  }
  bool FolderExists(const std::string& path) override {
    const DWORD a = ::GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
  }
  bool CreateFolder(const std::string& path) override {
    return ::CreateDirectoryA(path.c_str(), nullptr) != 0;
  }
  bool RemoveFile(const std::string& path) override { return ::DeleteFileA(path.c_str()) != 0; }
  int64_t FileSize(const std::string& path) override {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
      return -1;
    return static_cast<int64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
  }
  double FreeSpace(const std::string& root) override {
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
    if (!::GetDiskFreeSpaceA(root.empty() ? nullptr : root.c_str(), &sectorsPerCluster, &bytesPerSector,
                             &freeClusters, &clusters))
      return -1;
    return static_cast<double>(bytesPerSector) * sectorsPerCluster * freeClusters;
  }
  std::string ToHostPath(const std::string& path) override { return path; }
  std::string FromHostPath(const std::string& hostPath) override { return ReplaceChar(hostPath, '/', '\\'); }
};

}  // namespace

TFileSystem& HostFileSystem() {
  static Win32FileSystem fileSystem;
  return fileSystem;
}

}  // namespace qx
