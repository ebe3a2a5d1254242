// The administrator test: is the local Administrators group in the caller's token?
#include <windows.h>

#include <vector>

#include "platform/common_utils.h"
#include "platform/handles_win32.h"

namespace qx {

bool IsAdmin() {
  TKernelHandle token;
  if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, token.Address())) {
    if (GetLastError() != ERROR_NO_TOKEN) return false;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Address())) return false;
  }
  // The group list is read at whatever size it has: a member of many groups is still found.
  DWORD needed = 0;
  GetTokenInformation(token.Get(), TokenGroups, nullptr, 0, &needed);
  if (needed == 0) return false;
  std::vector<unsigned char> buffer(needed);
  if (!GetTokenInformation(token.Get(), TokenGroups, buffer.data(), needed, &needed)) return false;
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  TSid administrators;
  if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0,
                                0, administrators.Receive()))
    return false;
  const TOKEN_GROUPS& groups = *reinterpret_cast<const TOKEN_GROUPS*>(buffer.data());
  for (DWORD i = 0; i < groups.GroupCount; ++i)
    if (EqualSid(groups.Groups[i].Sid, administrators.Get())) return true;
  return false;
}

}  // namespace qx
