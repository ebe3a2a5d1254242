// The history key under the current user: opened, or created when missing, with full access;
// every value a string value (REG_SZ).
#include <windows.h>

#include "platform/handles_win32.h"
#include "platform/session_host_win32.h"
#include "session/history.h"

namespace qx {

namespace {

class TWin32RegistryKey : public TRegistryKey {
public:
  bool Open() {
    return RegCreateKeyExA(HKEY_CURRENT_USER, kHistoryKeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                           KEY_ALL_ACCESS, nullptr, Key.Receive(), nullptr) == ERROR_SUCCESS;
  }

  bool Read(const char* name, std::string& value) override {
    DWORD type = 0, bytes = 0;
    if (RegQueryValueExA(Key.Get(), name, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
      return false;
    std::string text(bytes + 1, '\0');
    DWORD read = bytes;
    if (RegQueryValueExA(Key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&text[0]), &read) !=
        ERROR_SUCCESS)
      return false;
    // The stored bytes may or may not end in a NUL: the text ends at the first one.
    text.resize(read);
    const std::size_t end = text.find('\0');
    value = text.substr(0, end);
    return true;
  }

  bool Write(const char* name, const std::string& value) override {
    return RegSetValueExA(Key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
  }

private:
  TRegistryHandle Key;
};

}  // namespace

std::unique_ptr<TRegistryKey> TWin32SessionHost::OpenHistoryKey() {
  std::unique_ptr<TWin32RegistryKey> key(new TWin32RegistryKey);
  if (!key->Open()) return nullptr;
  return key;
}

}  // namespace qx
