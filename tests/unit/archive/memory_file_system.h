#pragma once
// An in-memory file system for the archive component's tests: files with dates and attributes,
// folders, a free-space answer, and paths that refuse to open or be created. It refuses what
// Win32 refuses: writing to or deleting a read-only file, and creating a file over an existing one
// that is read-only, hidden or a system file.
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "archive/file_system.h"
#include "archive/memory_stream.h"

class MemoryFileSystem : public qx::TFileSystem {
public:
  static constexpr int32_t kReadOnly = 0x01, kHidden = 0x02, kSystem = 0x04;

  struct File {
    std::vector<uint8_t> Bytes;
    uint32_t DosDate = 0;
    int32_t Attributes = 0x20;
  };

  // A stream over a file of this file system; closing it stores what was written.
  class Handle : public qx::TFileStream {
  public:
    Handle(File& file, bool keep) : Target(file), Stream(keep ? file.Bytes : std::vector<uint8_t>()) {}
    ~Handle() override { Target.Bytes = Stream.Bytes; }
    int32_t Read(void* b, int32_t c) override { return Stream.Read(b, c); }
    int32_t Write(const void* b, int32_t c) override { return Stream.Write(b, c); }
    int64_t Seek(int64_t o, qx::TSeekOrigin origin) override { return Stream.Seek(o, origin); }
    uint32_t GetDosDateTime() override { return Target.DosDate; }
    bool SetDosDateTime(uint32_t d) override {
      Target.DosDate = d;
      return true;
    }

  private:
    File& Target;
    qx::TMemoryStream Stream;
  };

  void AddFile(const std::string& path, std::vector<uint8_t> bytes, uint32_t dosDate = 0x5A2B6C3D,
               int32_t attributes = 0x20) {
    Files[path] = File{std::move(bytes), dosDate, attributes};
  }

  std::unique_ptr<qx::TFileStream> OpenRead(const std::string& path) override {
    auto it = Files.find(path);
    if (it == Files.end() || RefuseOpen.count(path)) throw qx::EFOpenError(path);
    return std::make_unique<Handle>(it->second, true);
  }
  std::unique_ptr<qx::TFileStream> OpenReadWrite(const std::string& path) override {
    auto it = Files.find(path);
    if (it == Files.end() || RefuseOpen.count(path) || (it->second.Attributes & kReadOnly))
      throw qx::EFOpenError(path);
    return std::make_unique<Handle>(it->second, true);
  }
  std::unique_ptr<qx::TFileStream> Create(const std::string& path) override {
    if (RefuseCreate.count(path)) throw qx::EFCreateError(path);
    // A create that replaces a file asks for plain attributes, which such a file refuses.
    auto it = Files.find(path);
    if (it != Files.end() && (it->second.Attributes & (kReadOnly | kHidden | kSystem)))
      throw qx::EFCreateError(path);
    Created.push_back(path);
    File& f = Files[path];
    f = File{};
    return std::make_unique<Handle>(f, false);
  }
  int32_t GetAttributes(const std::string& path) override {
    auto it = Files.find(path);
    return it == Files.end() ? -1 : it->second.Attributes;
  }
  bool SetAttributes(const std::string& path, int32_t attributes) override {
    auto it = Files.find(path);
    if (it == Files.end()) return false;
    it->second.Attributes = attributes;
    return true;
  }
  bool FileExists(const std::string& path) override { return Files.count(path) > 0; }
  bool FolderExists(const std::string& path) override { return Folders.count(path) > 0; }
  bool CreateFolder(const std::string& path) override {
    if (RefuseCreate.count(path)) return false;
    Folders.insert(path);
    CreatedFolders.push_back(path);
    return true;
  }
  bool RemoveFile(const std::string& path) override {
    auto it = Files.find(path);
    if (it == Files.end() || (it->second.Attributes & kReadOnly)) return false;
    Files.erase(it);
    return true;
  }
  int64_t FileSize(const std::string& path) override {
    auto it = Files.find(path);
    return it == Files.end() ? -1 : static_cast<int64_t>(it->second.Bytes.size());
  }
  double FreeSpace(const std::string& root) override {
    SpaceRoots.push_back(root);
    return Space;
  }
  std::string ToHostPath(const std::string& path) override { return path; }
  std::string FromHostPath(const std::string& path) override { return path; }

  std::map<std::string, File> Files;
  std::set<std::string> Folders;
  std::set<std::string> RefuseOpen, RefuseCreate;
  std::vector<std::string> Created, CreatedFolders, SpaceRoots;
  double Space = 1e12;
};
