// A file's version resource: the fixed file information at its root (version.dll).
#include <windows.h>

#include <vector>

#include "platform/session_host_win32.h"

namespace qx {

bool TWin32SessionHost::FileVersion(const std::string& file, TFileVersion& version) {
  // A bare name is looked for as the library loader would look for it.
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(file.c_str(), &ignored);
  if (size == 0) return false;
  std::vector<unsigned char> block(size);
  if (!GetFileVersionInfoA(file.c_str(), 0, size, block.data())) return false;
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length) || !fixed ||
      length < sizeof(VS_FIXEDFILEINFO))
    return false;
  version.Major = HIWORD(fixed->dwFileVersionMS);
  version.Minor = LOWORD(fixed->dwFileVersionMS);
  version.Release = HIWORD(fixed->dwFileVersionLS);
  version.Build = LOWORD(fixed->dwFileVersionLS);
  return true;
}

}  // namespace qx
