#pragma once
// Owners of the platform's handles: each closes or frees its handle when it goes.
#include <windows.h>

namespace qx {

// A kernel object (file, token, process, thread); INVALID_HANDLE_VALUE counts as none.
class TKernelHandle {
public:
  TKernelHandle() = default;
  explicit TKernelHandle(HANDLE handle) : Handle(handle) {}
  ~TKernelHandle() {
    if (Valid()) CloseHandle(Handle);
  }
  TKernelHandle(const TKernelHandle&) = delete;
  TKernelHandle& operator=(const TKernelHandle&) = delete;
  bool Valid() const { return Handle != nullptr && Handle != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return Handle; }
  // Closes the handle held and keeps the new one.
  void Reset(HANDLE handle = nullptr) {
    if (Valid()) CloseHandle(Handle);
    Handle = handle;
  }
  // Where the handle is kept, for calls that are given its address.
  HANDLE* Address() { return &Handle; }

private:
  HANDLE Handle = nullptr;
};

// An open registry key.
class TRegistryHandle {
public:
  TRegistryHandle() = default;
  ~TRegistryHandle() {
    if (Key) RegCloseKey(Key);
  }
  TRegistryHandle(const TRegistryHandle&) = delete;
  TRegistryHandle& operator=(const TRegistryHandle&) = delete;
  HKEY* Receive() { return &Key; }
  HKEY Get() const { return Key; }

private:
  HKEY Key = nullptr;
};

}  // namespace qx
