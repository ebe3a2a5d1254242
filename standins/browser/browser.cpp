// The default browser, as a stand-in: it shows nothing and appends the page it was asked to open
// (its command line after the program name) as one line to "browser.log" beside itself. The demo
// and the tests register it in the Wine prefix for web addresses and .htm files, so they can see
// exactly what the applet asked the browser to open, and no page is ever fetched.
#include <windows.h>

#include <string>

namespace {

// The command line after the program's own name, which may be quoted.
std::string Arguments(const char* line) {
  std::string text = line;
  std::size_t at = 0;
  if (!text.empty() && text[0] == '"') {
    at = text.find('"', 1);
    at = at == std::string::npos ? text.size() : at + 1;
  } else {
    at = text.find(' ');
    if (at == std::string::npos) at = text.size();
  }
  while (at < text.size() && text[at] == ' ') ++at;
  std::string argument = text.substr(at);
  // The shell's command line quotes its "%1": a lone quoted argument is logged without the quotes.
  if (argument.size() >= 2 && argument.front() == '"' && argument.back() == '"' &&
      argument.find('"', 1) == argument.size() - 1)
    argument = argument.substr(1, argument.size() - 2);
  return argument;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  char self[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, self, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return 1;
  std::string log(self, length);
  log = log.substr(0, log.find_last_of('\\') + 1) + "browser.log";
  const std::string line = Arguments(GetCommandLineA()) + "\r\n";
  HANDLE file = CreateFileA(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  const BOOL ok = WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == line.size() ? 0 : 1;
}
