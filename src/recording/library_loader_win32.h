#pragma once
// The Win32 side of the recording library binding: LoadLibraryA/GetProcAddress/FreeLibrary, hardware
// faults and exceptions that escape the library turned into a failed call, and texts from the
// module's string table.
#include "recording/library_loader.h"

namespace qx {

class TWin32LibraryLoader : public TLibraryLoader {
public:
  void* Load(const std::string& name) override;
  TLibraryProc Lookup(void* handle, const char* name) override;
  bool Free(void* handle) override;
  bool RunGuarded(const std::function<void()>& call) override;
};

// Texts of a module's string table (the running program's by default).
class TWin32StringTable : public TTextSource {
public:
  explicit TWin32StringTable(void* module = nullptr);
  std::string Text(unsigned id) override;

private:
  void* Module;
};

}  // namespace qx
