#pragma once
// The two window messages by which the burn worker reports to the session window. Both are sent
// synchronously to the window's handle, so the window handles them on its own thread while the
// worker waits; the worker owns no window and calls no view method.
namespace qx {

// WParam: the new position of ProgressBar; LParam: its new maximum. The window sets the position
// first and then the maximum, so the position is clamped to the previous maximum.
inline constexpr unsigned WM_BURNPROGRESS = 0x0400 + 100;  // 1124
// WParam: 0; LParam: a zero-terminated text, appended as one memo item. The text stays the
// sender's; it may release it once the send has returned.
inline constexpr unsigned WM_BURNTEXT = 0x0400 + 101;  // 1125

}  // namespace qx
