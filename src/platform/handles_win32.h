#pragma once
// Owners of the platform's handles and GDI objects: each closes, frees or releases what it holds
// when it goes. Every handle of the applet is held by one of these.
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

// A file search, closed with FindClose.
class TFindHandle {
public:
  explicit TFindHandle(HANDLE handle) : Handle(handle) {}
  ~TFindHandle() {
    if (Valid()) FindClose(Handle);
  }
  TFindHandle(const TFindHandle&) = delete;
  TFindHandle& operator=(const TFindHandle&) = delete;
  bool Valid() const { return Handle != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return Handle; }

private:
  HANDLE Handle;
};

// A security identifier the system allocated, freed with FreeSid.
class TSid {
public:
  TSid() = default;
  ~TSid() {
    if (Sid) FreeSid(Sid);
  }
  TSid(const TSid&) = delete;
  TSid& operator=(const TSid&) = delete;
  PSID* Receive() { return &Sid; }
  PSID Get() const { return Sid; }

private:
  PSID Sid = nullptr;
};

// A pen, brush, font or bitmap, deleted with its owner.
template <class THandle>
class TGdiObject {
public:
  explicit TGdiObject(THandle handle = nullptr) : Handle(handle) {}
  ~TGdiObject() { Reset(); }
  TGdiObject(const TGdiObject&) = delete;
  TGdiObject& operator=(const TGdiObject&) = delete;
  THandle Get() const { return Handle; }
  void Reset(THandle handle = nullptr) {
    if (Handle) DeleteObject(Handle);
    Handle = handle;
  }

private:
  THandle Handle;
};

using TBrush = TGdiObject<HBRUSH>;
using TFont = TGdiObject<HFONT>;
using TBitmap = TGdiObject<HBITMAP>;

// Selects an object into a device context for the owner's lifetime.
class TSelection {
public:
  TSelection(HDC dc, HGDIOBJ object) : Dc(dc), Previous(SelectObject(dc, object)) {}
  ~TSelection() { SelectObject(Dc, Previous); }
  TSelection(const TSelection&) = delete;
  TSelection& operator=(const TSelection&) = delete;

private:
  HDC Dc;
  HGDIOBJ Previous;
};

// A window's device context (of its client area, or of the whole window with its frame),
// released with its owner.
class TWindowDc {
public:
  explicit TWindowDc(HWND window, bool wholeWindow = false)
      : Window(window), Dc(wholeWindow ? GetWindowDC(window) : GetDC(window)) {}
  ~TWindowDc() {
    if (Dc) ReleaseDC(Window, Dc);
  }
  TWindowDc(const TWindowDc&) = delete;
  TWindowDc& operator=(const TWindowDc&) = delete;
  HDC Get() const { return Dc; }

private:
  HWND Window;
  HDC Dc;
};

}  // namespace qx
