// The string table of the running module, read as 8-bit ANSI text.
#include <windows.h>

#include "platform/resource_text.h"

namespace qx {

std::string ResourceText(unsigned id) {
  // With a zero buffer size LoadStringW hands out the read-only resource itself, so texts of any
  // length come through without a fixed buffer.
  const wchar_t* wide = nullptr;
  const int length = LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<LPWSTR>(&wide), 0);
  if (length <= 0 || !wide) return std::string();
  const int bytes = WideCharToMultiByte(CP_ACP, 0, wide, length, nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide, length, &text[0], bytes, nullptr, nullptr);
  return text;
}

}  // namespace qx
