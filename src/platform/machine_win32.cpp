// The machine as the session measures it: physical memory, the processor's cycle counter and the
// priorities that the clock measurement and the recording change.
#include <windows.h>

#if defined(__i386__) || defined(__x86_64__)
#include <x86intrin.h>
#endif

#include "platform/session_host_win32.h"
#include "base/exception.h"

namespace qx {

TMemoryStatus TWin32SessionHost::MemoryStatus() {
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof status;
  if (!GlobalMemoryStatusEx(&status)) return TMemoryStatus{};
  return TMemoryStatus{status.ullAvailPhys, status.ullTotalPhys};
}

uint64_t TWin32SessionHost::CycleCounter() {
#if defined(__i386__) || defined(__x86_64__)
  return __rdtsc();
#else
  throw Exception("This processor has no cycle counter");
#endif
}

TPriorities TWin32SessionHost::Priorities() {
  return TPriorities{GetPriorityClass(GetCurrentProcess()), GetThreadPriority(GetCurrentThread())};
}

void TWin32SessionHost::SetPriorities(const TPriorities& priorities) {
  SetThreadPriority(GetCurrentThread(), priorities.Thread);
  SetPriorityClass(GetCurrentProcess(), priorities.ProcessClass);
}

void TWin32SessionHost::RaiseToRealTime() {
  SetPriorityClass(GetCurrentProcess(), REALTIME_PRIORITY_CLASS);
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
}

void TWin32SessionHost::LowerThreadBelowNormal() {
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
}

}  // namespace qx
