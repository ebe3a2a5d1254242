#include "recording/library_loader_win32.h"

#include <windows.h>

// Guarding a call into the library.
//
// The guard must take exactly what the library leaves unhandled, hardware fault or software exception
// of any code, and nothing else. A vectored handler cannot tell that: it runs before any frame
// handler, so it would take a fault that the library raises and handles itself. So the guard is a
// frame handler of its own, registered around the call, below every frame of the library: the system
// asks the library's frame handlers first and reaches ours only when none of them took the
// exception. Exceptions raised outside a guarded call never pass our frame and stay untouched.
//
// MinGW has no __try/__except, so the frame is made by hand, one way per architecture:
// - x86_64: frame handlers are found through each function's unwind data. A small assembly thunk
//   (qx_guarded_call) makes the call, and its unwind data names qx_guard_escape as handler. That
//   handler lets RtlUnwindEx unwind every frame between (running their clean-ups) and resume the
//   thunk at qx_guard_landing with a result of 0, exactly as a compiler's __except does.
// - i686: the handlers form a chain whose head is at fs:[0]. RunGuarded pushes a record with its
//   handler onto the chain around the call. The handler has RtlUnwind call and drop the records
//   pushed after ours (the library's and the system's dispatch record), then jumps back into
//   RunGuarded, which takes its own record off the chain.
// A stack overflow is left alone: our handler runs on the exhausted stack itself, and a thread that
// survives one has no guard page left to catch the next.
namespace qx {

namespace {

bool TakesException(const EXCEPTION_RECORD* record) {
  return (record->ExceptionFlags & EXCEPTION_UNWIND) == 0 &&
         record->ExceptionCode != EXCEPTION_STACK_OVERFLOW;
}

}  // namespace

}  // namespace qx

#if defined(__x86_64__)

// The thunk's symbols are named by their assembler labels, so no C linkage is needed.
// Calls call(argument); 1 when it returned, 0 when an exception escaped it.
int GuardedCall(void (*call)(const void*), const void* argument) __asm__("qx_guarded_call");
void GuardLanding() __asm__("qx_guard_landing");
__attribute__((used)) static EXCEPTION_DISPOSITION GuardEscape(
    EXCEPTION_RECORD* record, void* frame, CONTEXT* context,
    DISPATCHER_CONTEXT* dispatch) __asm__("qx_guard_escape");

__asm__(R"(
	.text
	.p2align 4
qx_guarded_call:
	.seh_proc qx_guarded_call
	.seh_handler qx_guard_escape, @except
	subq $40, %rsp
	.seh_stackalloc 40
	.seh_endprologue
	movq %rcx, %rax
	movq %rdx, %rcx
	call *%rax
	movl $1, %eax
qx_guard_landing:
	addq $40, %rsp
	ret
	.seh_endproc
)");

static EXCEPTION_DISPOSITION GuardEscape(EXCEPTION_RECORD* record, void* frame, CONTEXT*,
                                         DISPATCHER_CONTEXT* dispatch) {
  if (!qx::TakesException(record)) return ExceptionContinueSearch;
  RtlUnwindEx(frame, reinterpret_cast<void*>(&GuardLanding), record, nullptr, dispatch->ContextRecord,
              dispatch->HistoryTable);
  return ExceptionContinueSearch;  // not reached: the unwind resumes at the landing
}

namespace qx {

namespace {

void InvokeCall(const void* call) { (*static_cast<const std::function<void()>*>(call))(); }

}  // namespace

bool TWin32LibraryLoader::RunGuarded(const std::function<void()>& call) {
  return GuardedCall(&InvokeCall, &call) != 0;
}

}  // namespace qx

#else

namespace qx {

namespace {

// Our record of the i686 handler chain: the chain's own two fields first, then where to land.
struct TGuardRecord {
  TGuardRecord* Next;
  void* Handler;
  void* Landing[5];  // __builtin_setjmp buffer
};

TGuardRecord* ChainHead() {
  TGuardRecord* head;
  __asm__ volatile("movl %%fs:0, %0" : "=r"(head) : : "memory");
  return head;
}

void SetChainHead(TGuardRecord* head) { __asm__ volatile("movl %0, %%fs:0" : : "r"(head) : "memory"); }

EXCEPTION_DISPOSITION __cdecl GuardEscape(EXCEPTION_RECORD* record, void* frame, CONTEXT*, void*) {
  if (!TakesException(record)) return ExceptionContinueSearch;
  RtlUnwind(frame, nullptr, record, nullptr);
  __builtin_longjmp(static_cast<TGuardRecord*>(frame)->Landing, 1);
}

// C++ exceptions unwind by tables on i686, not through the chain: one thrown by `call` must not leave
// our record behind on the chain.
void CallOnChain(const std::function<void()>& call, TGuardRecord& record) {
  SetChainHead(&record);
  try {
    call();
  } catch (...) {
    SetChainHead(record.Next);
    throw;
  }
  SetChainHead(record.Next);
}

}  // namespace

// Kept out of line so that the landing buffer's frame is this function's own.
__attribute__((noinline)) bool TWin32LibraryLoader::RunGuarded(const std::function<void()>& call) {
  TGuardRecord record{ChainHead(), reinterpret_cast<void*>(&GuardEscape), {}};
  if (__builtin_setjmp(record.Landing) != 0) {
    SetChainHead(record.Next);  // the unwind left ours at the head
    return false;
  }
  CallOnChain(call, record);
  return true;
}

}  // namespace qx

#endif

namespace qx {

void* TWin32LibraryLoader::Load(const std::string& name) { return LoadLibraryA(name.c_str()); }

TLibraryProc TWin32LibraryLoader::Lookup(void* handle, const char* name) {
  return reinterpret_cast<TLibraryProc>(GetProcAddress(static_cast<HMODULE>(handle), name));
}

bool TWin32LibraryLoader::Free(void* handle) { return FreeLibrary(static_cast<HMODULE>(handle)) != FALSE; }

TWin32StringTable::TWin32StringTable(void* module) : Module(module ? module : GetModuleHandleA(nullptr)) {}

std::string TWin32StringTable::Text(unsigned id) {
  char buffer[4096];
  const int length = LoadStringA(static_cast<HINSTANCE>(Module), id, buffer, sizeof buffer);
  return length > 0 ? std::string(buffer, static_cast<std::size_t>(length)) : std::string();
}

}  // namespace qx
