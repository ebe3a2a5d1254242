#pragma once
// What the recording library binding needs from the platform: loading a library by name, looking up
// an exported name, freeing it, and running a call into the library so that a hardware fault raised
// inside it comes back as a plain "it faulted" instead of ending the process. Texts come from the
// program's string resources. The Win32 implementations live in library_loader_win32.cpp; the native
// tests use fakes.
#include <functional>
#include <string>

namespace qx {

// Address of an exported entry point; cast to its real type before calling.
using TLibraryProc = void (*)();

class TLibraryLoader {
public:
  virtual ~TLibraryLoader() = default;
  // Handle of the loaded library, or nullptr when it cannot be loaded.
  virtual void* Load(const std::string& name) = 0;
  // Address of an exported name, or nullptr when the library does not export it.
  virtual TLibraryProc Lookup(void* handle, const char* name) = 0;
  // True when the platform freed the library.
  virtual bool Free(void* handle) = 0;
  // Runs `call`; false when a fault was raised while it ran (the call did not finish).
  virtual bool RunGuarded(const std::function<void()>& call) = 0;
};

class TTextSource {
public:
  virtual ~TTextSource() = default;
  // The text of a string resource; empty when there is none.
  virtual std::string Text(unsigned id) = 0;
};

}  // namespace qx
