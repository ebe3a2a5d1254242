// File copy and file size tests.
#include <windows.h>

#include "platform/common_utils.h"
#include "platform/handles_win32.h"

namespace qx {

bool CopyOneFile(const std::string& source, const std::string& target, bool failIfExists) {
  return CopyFileA(source.c_str(), target.c_str(), failIfExists ? TRUE : FALSE) != FALSE;
}

int32_t FileSizeOf(const std::string& path) {
  TKernelHandle file(CreateFileA(path.c_str(), GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) throw EFileOpenError("Cannot open file \"" + path + "\"");
  const DWORD low = GetFileSize(file.Get(), nullptr);
  const int32_t size = static_cast<int32_t>(low);
  return size < 0 ? 0 : size;
}

bool FileSizeInRange(const std::string& path, int32_t low, int32_t high, int32_t& size) {
  size = FileSizeOf(path);
  return low <= size && size <= high;
}

}  // namespace qx
