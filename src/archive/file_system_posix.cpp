// The POSIX adapter of the archive component's file-system interface. Archive paths use "\";
// here they become "/" paths, in the messages of its errors too, so a user reads a path the way
// it was typed. Attributes map to what a POSIX file can keep: read-only is the
// absence of the owner's write permission, folders are folders, every plain file carries the
// archive bit as a new file does on Windows.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

#include "archive/file_system.h"
#include "base/text.h"

namespace qx {
namespace {

constexpr int32_t kReadOnly = 0x01, kDirectory = 0x10, kArchive = 0x20;

class PosixFileStream : public TFileStream {
public:
  explicit PosixFileStream(int fd) : Fd(fd) {}
  ~PosixFileStream() override { ::close(Fd); }

  int32_t Read(void* buffer, int32_t count) override {
    if (count <= 0) return 0;
    int32_t done = 0;
    while (done < count) {
      const ssize_t n = ::read(Fd, static_cast<char*>(buffer) + done, static_cast<size_t>(count - done));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) throw EReadError();
      if (n == 0) break;
      done += static_cast<int32_t>(n);
    }
    return done;
  }
  int32_t Write(const void* buffer, int32_t count) override {
    if (count <= 0) return 0;
    int32_t done = 0;
    while (done < count) {
      const ssize_t n =
          ::write(Fd, static_cast<const char*>(buffer) + done, static_cast<size_t>(count - done));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      done += static_cast<int32_t>(n);
    }
    return done;
  }
  int64_t Seek(int64_t offset, TSeekOrigin origin) override {
    const int whence = origin == TSeekOrigin::soBeginning ? SEEK_SET
                       : origin == TSeekOrigin::soCurrent ? SEEK_CUR
                                                          : SEEK_END;
    const off_t at = ::lseek(Fd, static_cast<off_t>(offset), whence);
    if (at < 0) throw EStreamError("Stream seek out of range");
    return at;
  }
  int64_t Size() override {
    struct stat st;
    if (::fstat(Fd, &st) != 0) return TStream::Size();
    return st.st_size;
  }
  uint32_t GetDosDateTime() override {
    struct stat st;
    if (::fstat(Fd, &st) != 0) return 0;
    std::tm local{};
    const time_t when = st.st_mtime;
    if (!::localtime_r(&when, &local)) return 0;
    return PackDosDateTime(
        {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec});
  }
  bool SetDosDateTime(uint32_t dosDateTime) override {
    const TDosDateTime t = UnpackDosDateTime(dosDateTime);
    std::tm local{};
    local.tm_year = t.Year - 1900;
    local.tm_mon = t.Month - 1;
    local.tm_mday = t.Day;
    local.tm_hour = t.Hour;
    local.tm_min = t.Minute;
    local.tm_sec = t.Second;
    local.tm_isdst = -1;
    const time_t when = std::mktime(&local);
    if (when == static_cast<time_t>(-1)) return false;
    struct timespec times[2];
    times[0].tv_sec = times[1].tv_sec = when;
    times[0].tv_nsec = times[1].tv_nsec = 0;
    return ::futimens(Fd, times) == 0;
  }

private:
  int Fd;
};

class PosixFileSystem : public TFileSystem {
public:
  std::unique_ptr<TFileStream> OpenRead(const std::string& path) override {
    const int fd = ::open(ToHostPath(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw EFOpenError(ToHostPath(path));
    struct stat st;
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
      ::close(fd);
      throw EFOpenError(ToHostPath(path));
    }
    return std::make_unique<PosixFileStream>(fd);
  }
  std::unique_ptr<TFileStream> OpenReadWrite(const std::string& path) override {
    const int fd = ::open(ToHostPath(path).c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) throw EFOpenError(ToHostPath(path));
    return std::make_unique<PosixFileStream>(fd);
  }
  std::unique_ptr<TFileStream> Create(const std::string& path) override {
    const int fd = ::open(ToHostPath(path).c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) throw EFCreateError(ToHostPath(path));
    return std::make_unique<PosixFileStream>(fd);
  }
  int32_t GetAttributes(const std::string& path) override {
    struct stat st;
    if (::stat(ToHostPath(path).c_str(), &st) != 0) return -1;
    int32_t attributes = S_ISDIR(st.st_mode) ? kDirectory : kArchive;
    if (!(st.st_mode & S_IWUSR)) attributes |= kReadOnly;
    return attributes;
  }
  bool SetAttributes(const std::string& path, int32_t attributes) override {
    const std::string host = ToHostPath(path);
    struct stat st;
    if (::stat(host.c_str(), &st) != 0) return false;
    mode_t mode = st.st_mode & 07777;
    if (attributes & kReadOnly) {
      mode &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
    } else if (!(mode & S_IWUSR)) {
      // Give back what a new file would have had.
      const mode_t mask = ::umask(0);
      ::umask(mask);
      mode |= (S_IWUSR | S_IWGRP | S_IWOTH) & ~mask;
      mode |= S_IWUSR;
    }
    return ::chmod(host.c_str(), mode) == 0;
  }
  bool FileExists(const std::string& path) override {
    struct stat st;
    return ::stat(ToHostPath(path).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
  }
  bool FolderExists(const std::string& path) override {
    struct stat st;
    return ::stat(ToHostPath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
  }
  bool CreateFolder(const std::string& path) override { return ::mkdir(ToHostPath(path).c_str(), 0777) == 0; }
  bool RemoveFile(const std::string& path) override { return ::unlink(ToHostPath(path).c_str()) == 0; }
  int64_t FileSize(const std::string& path) override {
    struct stat st;
    if (::stat(ToHostPath(path).c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return -1;
    return st.st_size;
  }
  // There are no drive letters here: every root means the file system of the current folder.
  double FreeSpace(const std::string&) override {
    struct statvfs vfs;
    if (::statvfs(".", &vfs) != 0) return -1;
    return static_cast<double>(vfs.f_frsize) * static_cast<double>(vfs.f_bavail);
  }
  std::string ToHostPath(const std::string& path) override { return ReplaceChar(path, '\\', '/'); }
  std::string FromHostPath(const std::string& hostPath) override { return ReplaceChar(hostPath, '/', '\\'); }
};

}  // namespace

TFileSystem& HostFileSystem() {
  static PosixFileSystem fileSystem;
  return fileSystem;
}

}  // namespace qx
