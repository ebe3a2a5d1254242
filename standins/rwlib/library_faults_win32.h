#pragma once
// The ways a forced entry point fails inside the library (see [Force] in README.md).
#include <cstdint>

namespace qx::rwlib {

// The code of the library's own software exception.
constexpr uint32_t kLibraryExceptionCode = 0xE0525701;

// An access violation that nothing inside the library handles.
[[noreturn]] void RaiseAccessViolation();
// An access violation that a handler of the library itself takes; returns normally afterwards.
void RaiseAndHandleAccessViolation();
// The library's own exception (non-continuable), left to whoever called the library.
[[noreturn]] void RaiseLibraryException();

}  // namespace qx::rwlib
