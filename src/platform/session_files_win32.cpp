// Files as the session uses them: existence, deletion, renames, attributes, free space, whole
// files read and written, and values of ini files.
#include <windows.h>

#include <vector>

#include "platform/handles_win32.h"
#include "platform/session_host_win32.h"

namespace qx {

namespace {

// Ini reading looks for a bare name in the Windows folder, not the current one; every name
// relative to the current folder is made full first.
std::string FullPath(const std::string& path) {
  const DWORD needed = GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return path;
  std::string full(needed, '\0');
  const DWORD length = GetFullPathNameA(path.c_str(), needed, &full[0], nullptr);
  if (length == 0 || length >= needed) return path;
  full.resize(length);
  return full;
}

}  // namespace

bool TWin32SessionHost::FileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool TWin32SessionHost::FolderExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool TWin32SessionHost::DeleteFile(const std::string& path) { return DeleteFileA(path.c_str()) != FALSE; }

bool TWin32SessionHost::RenameFile(const std::string& from, const std::string& to) {
  // MoveFileA refuses an existing target, which leaves the older file in place.
  return MoveFileA(from.c_str(), to.c_str()) != FALSE;
}

int32_t TWin32SessionHost::GetAttributes(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes == INVALID_FILE_ATTRIBUTES ? -1 : static_cast<int32_t>(attributes);
}

bool TWin32SessionHost::SetAttributes(const std::string& path, int32_t attributes) {
  return SetFileAttributesA(path.c_str(), static_cast<DWORD>(attributes)) != FALSE;
}

uint64_t TWin32SessionHost::FreeBytes(const std::string& root) {
  ULARGE_INTEGER available{}, total{}, free{};
  if (!GetDiskFreeSpaceExA(root.c_str(), &available, &total, &free)) return 0;
  return available.QuadPart;
}

bool TWin32SessionHost::ReadTextFile(const std::string& path, std::string& content) {
  TKernelHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return false;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart > 0x7FFFFFFF) return false;
  std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
  DWORD read = 0;
  if (!bytes.empty() && !ReadFile(file.Get(), &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr))
    return false;
  bytes.resize(read);
  content = bytes;
  return true;
}

bool TWin32SessionHost::ReadFilePieces(const std::string& path,
                                       const std::function<bool(const char* data, std::size_t size)>& piece) {
  TKernelHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return false;
  std::vector<char> buffer(65536);
  for (;;) {
    DWORD read = 0;
    if (!ReadFile(file.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr)) return false;
    if (read == 0 || !piece(buffer.data(), read)) return true;
  }
}

bool TWin32SessionHost::WriteTextFile(const std::string& path, const std::string& content) {
  TKernelHandle file(
      CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return false;
  DWORD written = 0;
  return content.empty() ||
         (WriteFile(file.Get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr) &&
          written == content.size());
}

std::string TWin32SessionHost::ReadIniString(const std::string& file, const std::string& section,
                                             const std::string& key) {
  const std::string full = FullPath(file);
  // A value that fills the buffer may have been cut: read again with a larger one.
  for (DWORD size = 1024;; size *= 2) {
    std::string value(size, '\0');
    const DWORD length =
        GetPrivateProfileStringA(section.c_str(), key.c_str(), "", &value[0], size, full.c_str());
    if (length + 1 < size || size >= (1u << 20)) {
      value.resize(length < size ? length : 0);
      return value;
    }
  }
}

}  // namespace qx
