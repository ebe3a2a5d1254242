#pragma once
// The session's result code: the process exit code of a session.

namespace qx {

// The result code after a request to set `code`: the first code of 2 or more sticks; -1
// (undecided), 0 (completed) and 1 (cancelled) can still be replaced.
constexpr int NextResultCode(int current, int code) { return current < 2 ? code : current; }

}  // namespace qx
