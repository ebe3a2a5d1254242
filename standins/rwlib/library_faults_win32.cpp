#include "library_faults_win32.h"

#include <windows.h>

// The handled fault is raised and taken the way a library built with structured exception handling
// does it: by a frame handler of the library's own code, so that a caller's handler only sees what
// the library leaves unhandled. MinGW has no __try, so the faulting site is a few instructions of our
// own and its handler is attached by hand: on x86_64 through the site's unwind data (.seh_handler), on
// i686 through a registration record pushed onto the thread's handler chain (fs:[0]) around the call.
// The handler resumes the thread just past the faulting load.
extern "C" {
void FaultSite() __asm__("qx_rw_fault_site");
void FaultAt() __asm__("qx_rw_fault_at");
void FaultResume() __asm__("qx_rw_fault_resume");
__attribute__((used)) static EXCEPTION_DISPOSITION SkipFault(EXCEPTION_RECORD* record, void* frame,
                                                             CONTEXT* context,
                                                             void* dispatch) __asm__("qx_rw_skip_fault");
}

#if defined(__x86_64__)
__asm__(R"(
	.text
	.p2align 4
qx_rw_fault_site:
	.seh_proc qx_rw_fault_site
	.seh_handler qx_rw_skip_fault, @except
	.seh_endprologue
qx_rw_fault_at:
	movl 0, %eax
qx_rw_fault_resume:
	ret
	.seh_endproc
)");
#else
__asm__(R"(
	.text
	.p2align 4
qx_rw_fault_site:
qx_rw_fault_at:
	movl 0, %eax
qx_rw_fault_resume:
	ret
)");
#endif

static EXCEPTION_DISPOSITION SkipFault(EXCEPTION_RECORD* record, void*, CONTEXT* context, void*) {
  if ((record->ExceptionFlags & EXCEPTION_UNWIND) != 0 ||
      record->ExceptionCode != EXCEPTION_ACCESS_VIOLATION ||
      record->ExceptionAddress != reinterpret_cast<void*>(&FaultAt))
    return ExceptionContinueSearch;
#if defined(__x86_64__)
  context->Rip = reinterpret_cast<DWORD64>(&FaultResume);
#else
  context->Eip = reinterpret_cast<DWORD>(&FaultResume);
#endif
  return ExceptionContinueExecution;
}

namespace qx::rwlib {

namespace {

#if defined(__i386__)
// A record of the i686 handler chain: the next (older) record, then the handler.
struct TChainRecord {
  TChainRecord* Next;
  void* Handler;
};

TChainRecord* ChainHead() {
  TChainRecord* head;
  __asm__ volatile("movl %%fs:0, %0" : "=r"(head) : : "memory");
  return head;
}

void SetChainHead(TChainRecord* head) { __asm__ volatile("movl %0, %%fs:0" : : "r"(head) : "memory"); }
#endif

}  // namespace

void RaiseAccessViolation() {
  volatile int* volatile nowhere = nullptr;
  *nowhere = 0;
  __builtin_unreachable();
}

void RaiseAndHandleAccessViolation() {
#if defined(__i386__)
  TChainRecord record{ChainHead(), reinterpret_cast<void*>(&SkipFault)};
  SetChainHead(&record);
  FaultSite();
  SetChainHead(record.Next);
#else
  FaultSite();
#endif
}

void RaiseLibraryException() {
  RaiseException(kLibraryExceptionCode, EXCEPTION_NONCONTINUABLE, 0, nullptr);
  __builtin_unreachable();
}

}  // namespace qx::rwlib
