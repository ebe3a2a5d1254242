#include "recording/library_loader_win32.h"

#include <windows.h>
#if defined(__i386__)
#include <intrin.h>
#endif

namespace qx {

namespace {

// A fault inside the library is answered by resuming the faulting thread in LandFromFault, on its own
// stack a little below the fault, from where it jumps back into RunGuarded. Resuming through the
// system (instead of jumping out of the handler) lets it finish its exception dispatch cleanly.
struct TGuardFrame {
  void* Jump[5];  // __builtin_setjmp buffer
  TGuardFrame* Outer;
#if defined(__i386__)
  unsigned long SehChain;  // the thread's frame handler chain when the guard was entered
#endif
};

DWORD GuardSlot() {
  static const DWORD slot = TlsAlloc();
  return slot;
}

TGuardFrame* CurrentGuard() { return static_cast<TGuardFrame*>(TlsGetValue(GuardSlot())); }

bool IsHardwareFault(DWORD code) {
  switch (code) {
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
    case EXCEPTION_DATATYPE_MISALIGNMENT:
    case EXCEPTION_FLT_DENORMAL_OPERAND:
    case EXCEPTION_FLT_DIVIDE_BY_ZERO:
    case EXCEPTION_FLT_INEXACT_RESULT:
    case EXCEPTION_FLT_INVALID_OPERATION:
    case EXCEPTION_FLT_OVERFLOW:
    case EXCEPTION_FLT_STACK_CHECK:
    case EXCEPTION_FLT_UNDERFLOW:
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_IN_PAGE_ERROR:
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_INT_OVERFLOW:
    case EXCEPTION_PRIV_INSTRUCTION:
      return true;
    default:
      // Stack overflow is left alone: there is no room to land on.
      return false;
  }
}

__attribute__((noreturn, noinline)) void LandFromFault() {
  TGuardFrame* guard = CurrentGuard();
#if defined(__i386__)
  // Frame handlers the library registered below the guard are gone with their frames.
  __writefsdword(0, guard->SehChain);
#endif
  __builtin_longjmp(guard->Jump, 1);
}

LONG CALLBACK OnFault(EXCEPTION_POINTERS* info) {
  if (CurrentGuard() == nullptr || !IsHardwareFault(info->ExceptionRecord->ExceptionCode))
    return EXCEPTION_CONTINUE_SEARCH;
  CONTEXT* context = info->ContextRecord;
  // Land below the faulting frame's red zone, aligned as a fresh call would be.
#if defined(_WIN64)
  context->Rsp = ((context->Rsp - 512) & ~static_cast<DWORD64>(15)) - 8;
  context->Rip = reinterpret_cast<DWORD64>(&LandFromFault);
#else
  context->Esp = ((context->Esp - 512) & ~static_cast<DWORD>(15)) - 4;
  context->Eip = reinterpret_cast<DWORD>(&LandFromFault);
#endif
  return EXCEPTION_CONTINUE_EXECUTION;
}

void InstallFaultHandler() {
  static const void* handler = AddVectoredExceptionHandler(1, OnFault);
  (void)handler;
}

}  // namespace

void* Win32LibraryLoader::Load(const std::string& name) { return LoadLibraryA(name.c_str()); }

TLibraryProc Win32LibraryLoader::Lookup(void* handle, const char* name) {
  return reinterpret_cast<TLibraryProc>(GetProcAddress(static_cast<HMODULE>(handle), name));
}

bool Win32LibraryLoader::Free(void* handle) { return FreeLibrary(static_cast<HMODULE>(handle)) != FALSE; }

// Kept out of line so that the jump buffer's frame is this function's own.
__attribute__((noinline)) bool Win32LibraryLoader::RunGuarded(const std::function<void()>& call) {
  InstallFaultHandler();
  TGuardFrame frame;
  frame.Outer = CurrentGuard();
#if defined(__i386__)
  frame.SehChain = __readfsdword(0);
#endif
  TlsSetValue(GuardSlot(), &frame);
  if (__builtin_setjmp(frame.Jump) == 0) {
    call();
    TlsSetValue(GuardSlot(), frame.Outer);
    return true;
  }
  TlsSetValue(GuardSlot(), frame.Outer);
  return false;
}

Win32StringTable::Win32StringTable(void* module) : Module_(module ? module : GetModuleHandleA(nullptr)) {}

std::string Win32StringTable::Text(unsigned id) {
  char buffer[4096];
  const int length = LoadStringA(static_cast<HINSTANCE>(Module_), id, buffer, sizeof buffer);
  return length > 0 ? std::string(buffer, static_cast<std::size_t>(length)) : std::string();
}

RwLibBinding& ProcessRecordingLibrary() {
  static Win32LibraryLoader loader;
  static Win32StringTable texts;
  static RwLibBinding binding(loader, texts);
  return binding;
}

}  // namespace qx
