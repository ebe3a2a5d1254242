// The Win32 face of the image recorder: the exported entry points, the caller's event, and the
// hand-over between a write and an abort on another thread. Everything else is in core/.
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <ctime>
#include <fstream>
#include <memory>
#include <sstream>

#include "core/call_log.h"
#include "core/config.h"
#include "core/recorder.h"
#include "library_faults_win32.h"
#include "recording/track_list.h"

namespace fs = std::filesystem;
using namespace qx::rwlib;

namespace {

HMODULE g_module = nullptr;

// The write in progress, as the abort sees it. g_writeActive is cleared by the write as its very last
// step, after every object of the call is gone, so an abort that has seen it cleared and the writing
// thread outside this module knows that nothing of the write runs any more.
volatile LONG g_writeActive = 0;
HANDLE g_writeDone = nullptr;  // manual-reset, set when the write has finished its work
HANDLE g_writerThread = nullptr;

struct TLibrary {
  TLibrary(TRecorderConfig config, const fs::path& home, fs::path logPath)
      : Recorder(std::move(config), home), Log(std::move(logPath)) {}
  TVirtualRecorder Recorder;
  TCallLog Log;
};

fs::path HomeFolder() {
  wchar_t path[MAX_PATH * 4];
  const DWORD n = GetModuleFileNameW(g_module, path, sizeof path / sizeof path[0]);
  return fs::path(std::wstring(path, n)).parent_path();
}

TLibrary& Library() {
  static TLibrary library = [] {
    const fs::path home = HomeFolder();
    std::ifstream in(home / "DEVICES.DEF", std::ios::binary);
    std::stringstream text;
    if (in) text << in.rdbuf();
    TRecorderConfig config = ParseDevicesDef(text.str());
    fs::path log;
    if (!config.LogPath.empty()) {
      log = fs::u8path(config.LogPath);
      if (!log.is_absolute()) log = home / log;
    }
    return TLibrary(std::move(config), home, log);
  }();
  return library;
}

void Log(const char* name, const TLogFields& arguments, const std::string& result,
         const TLogFields& outputs = {}) {
  Library().Log.Append(FormatCallLine(name, arguments, result, outputs));
}

int32_t Logged(const char* name, const TLogFields& arguments, int32_t result,
               const TLogFields& outputs = {}) {
  Log(name, arguments, std::to_string(result), outputs);
  return result;
}

// A configured forced answer: logs the call and gives the result, or fails inside the library. A
// handled fault leaves no trace in the log: the call goes on to do its work and logs that.
bool Forced(const char* name, const TLogFields& arguments, int32_t& result) {
  const TForced* forced = Library().Recorder.Config().ForcedFor(name);
  if (forced == nullptr) return false;
  switch (forced->Action) {
    case faFault: Log(name, arguments, "fault"); RaiseAccessViolation();
    case faException: Log(name, arguments, "exception"); RaiseLibraryException();
    case faHandledFault: RaiseAndHandleAccessViolation(); return false;
    case faAnswer: break;
  }
  result = Logged(name, arguments, forced->Result);
  return true;
}

std::string Bounded(const char* text, std::size_t size) {
  return text ? std::string(text, strnlen(text, size)) : std::string();
}

fs::path AnsiPath(const std::string& text) {
  if (text.empty()) return {};
  const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], n);
  return fs::path(wide);
}

void CopyText(char* buffer, const std::string& text) {
  if (buffer == nullptr) return;
  const std::size_t n = text.size() < 1023 ? text.size() : 1023;
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
}

bool InThisModule(uintptr_t address) {
  const auto base = reinterpret_cast<uintptr_t>(g_module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + static_cast<uintptr_t>(dos->e_lfanew));
  return address >= base && address < base + nt->OptionalHeader.SizeOfImage;
}

// Waits until the writing thread has cleared g_writeActive and runs outside this module.
void WaitUntilWriterLeft() {
  for (int round = 0; round < 5000 && g_writeActive; ++round) Sleep(1);
  HANDLE thread = g_writerThread;
  if (thread == nullptr || thread == GetCurrentThread()) return;
  for (int round = 0; round < 5000; ++round) {
    if (SuspendThread(thread) == static_cast<DWORD>(-1)) return;  // the thread has ended
    CONTEXT context;
    std::memset(&context, 0, sizeof context);
    context.ContextFlags = CONTEXT_CONTROL;
    bool inside = true;
    if (GetThreadContext(thread, &context)) {
#if defined(_WIN64)
      inside = InThisModule(static_cast<uintptr_t>(context.Rip));
#else
      inside = InThisModule(static_cast<uintptr_t>(context.Eip));
#endif
    }
    ResumeThread(thread);
    if (!inside && !g_writeActive) return;
    Sleep(1);
  }
}

class TEventHost : public IWriteHost {
public:
  explicit TEventHost(HANDLE event) : Event_(event) {}
  void Signal() override { SetEvent(Event_); }
  void Pause(int milliseconds) override { Sleep(static_cast<DWORD>(milliseconds)); }

private:
  HANDLE Event_;
};

int32_t DoWrite(qx::TTrackList* list, const char* volumeName, int32_t interval, HANDLE* event,
                int32_t testFlag, bool& tracked) {
  TLogFields arguments;
  if (list != nullptr) {
    arguments.Add(list->PathCount)
        .Add(Bounded(list->Paths[0], qx::kTrackPathSize))
        .Add(list->TrackFlags[0])
        .Add(list->TrackCount)
        .Add(static_cast<int64_t>(list->TrackSizes[0]))
        .Add(Bounded(list->TrackTitles[0], qx::kTrackTitleSize))
        .Add(Bounded(list->DiscTitle, qx::kTrackTitleSize));
  } else {
    arguments.Add("(null)");
  }
  arguments.Add(volumeName ? volumeName : "(null)").Add(interval).Add(testFlag);
  const char* name = "WriteCdDataTaoPerList";
  int32_t result = 0;
  if (Forced(name, arguments, result)) return result;
  if (list == nullptr || volumeName == nullptr || event == nullptr || *event == nullptr)
    return Logged(name, arguments, 7);
  if (InterlockedCompareExchange(&g_writeActive, 1, 0) != 0) return Logged(name, arguments, 2);
  tracked = true;
  ResetEvent(g_writeDone);
  if (g_writerThread) CloseHandle(g_writerThread);
  g_writerThread = nullptr;
  DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &g_writerThread,
                  THREAD_SUSPEND_RESUME | THREAD_GET_CONTEXT | THREAD_QUERY_INFORMATION, FALSE, 0);

  TWriteRequest request;
  request.PathCount = list->PathCount;
  const int32_t count = list->PathCount < 0 ? 0 : (list->PathCount > 99 ? 99 : list->PathCount);
  for (int32_t i = 0; i < count; ++i)
    request.Paths.push_back(AnsiPath(Bounded(list->Paths[i], qx::kTrackPathSize)));
  request.VolumeName = volumeName;
  request.Interval = interval;
  request.TestWrite = testFlag != 0;
  request.Now = std::time(nullptr);
  TEventHost host(*event);
  return Logged(name, arguments, Library().Recorder.WriteTrackList(request, host));
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_module = instance;
    g_writeDone = CreateEventW(nullptr, TRUE, TRUE, nullptr);
  } else if (reason == DLL_PROCESS_DETACH) {
    if (g_writerThread) CloseHandle(g_writerThread);
    if (g_writeDone) CloseHandle(g_writeDone);
  }
  return TRUE;
}

int32_t WINAPI Start(int32_t adapter, int32_t target, uint8_t zero, uint8_t memoryFactor, int32_t value) {
  TLogFields arguments;
  arguments.Add(adapter).Add(target).Add(zero).Add(memoryFactor).Add(value);
  int32_t result = 0;
  if (Forced("Start", arguments, result)) return result;
  return Logged("Start", arguments, Library().Recorder.Start(adapter, target, zero, memoryFactor, value));
}

int32_t WINAPI BlankDisc(int32_t mode) {
  TLogFields arguments;
  arguments.Add(mode);
  int32_t result = 0;
  if (Forced("BlankDisc", arguments, result)) return result;
  return Logged("BlankDisc", arguments, Library().Recorder.BlankDisc(mode));
}

int32_t WINAPI GetDiscInfo(int32_t* blank, int32_t* second, int32_t* erasable, int32_t* ready,
                           int32_t* mediaType) {
  int32_t result = 0;
  if (Forced("GetDiscInfo", {}, result)) return result;
  if (!blank || !second || !erasable || !ready || !mediaType) return Logged("GetDiscInfo", {}, 7);
  TDiscInfo info;
  result = Library().Recorder.GetDiscInfo(info);
  TLogFields outputs;
  if (result == 1) {
    *blank = info.Blank;
    *second = info.Sessions;
    *erasable = info.Erasable;
    *ready = info.Ready;
    *mediaType = info.MediaType;
    outputs.Add(info.Blank).Add(info.Sessions).Add(info.Erasable).Add(info.Ready).Add(info.MediaType);
  }
  return Logged("GetDiscInfo", {}, result, outputs);
}

int32_t WINAPI SetCdSpeeds(uint16_t first, uint16_t writeSpeed) {
  TLogFields arguments;
  arguments.Add(first).Add(writeSpeed);
  int32_t result = 0;
  if (Forced("SetCdSpeeds", arguments, result)) return result;
  return Logged("SetCdSpeeds", arguments, Library().Recorder.SetCdSpeeds(first, writeSpeed));
}

int32_t WINAPI GetCdSpeeds(uint16_t* first, uint16_t* current, uint16_t* third, uint16_t* highest) {
  int32_t result = 0;
  if (Forced("GetCdSpeeds", {}, result)) return result;
  if (!first || !current || !third || !highest) return Logged("GetCdSpeeds", {}, 7);
  uint16_t speeds[4] = {0, 0, 0, 0};
  result = Library().Recorder.GetCdSpeeds(speeds);
  TLogFields outputs;
  if (result == 1) {
    *first = speeds[0];
    *current = speeds[1];
    *third = speeds[2];
    *highest = speeds[3];
    for (uint16_t s : speeds) outputs.Add(s);
  }
  return Logged("GetCdSpeeds", {}, result, outputs);
}

int32_t WINAPI Unload() {
  int32_t result = 0;
  if (Forced("Unload", {}, result)) return result;
  return Logged("Unload", {}, Library().Recorder.Unload());
}

int32_t WINAPI Load() {
  int32_t result = 0;
  if (Forced("Load", {}, result)) return result;
  return Logged("Load", {}, Library().Recorder.Load());
}

int32_t WINAPI IsDeviceReadyEx() {
  int32_t result = 0;
  if (Forced("IsDeviceReadyEx", {}, result)) return result;
  return Logged("IsDeviceReadyEx", {}, Library().Recorder.IsDeviceReadyEx());
}

int32_t WINAPI BurnProofControl(int32_t mode) {
  TLogFields arguments;
  arguments.Add(mode);
  int32_t result = 0;
  if (Forced("BurnProofControl", arguments, result)) return result;
  return Logged("BurnProofControl", arguments, Library().Recorder.BurnProofControl(mode));
}

int32_t WINAPI GetVendorProductStrings(char* vendor, char* product) {
  int32_t result = 0;
  if (Forced("GetVendorProductStrings", {}, result)) return result;
  if (!vendor || !product) return Logged("GetVendorProductStrings", {}, 7);
  std::string v, p;
  result = Library().Recorder.GetVendorProductStrings(v, p);
  TLogFields outputs;
  if (result == 1) {
    CopyText(vendor, v);
    CopyText(product, p);
    outputs.Add(v.substr(0, 1023)).Add(p.substr(0, 1023));
  }
  return Logged("GetVendorProductStrings", {}, result, outputs);
}

int32_t WINAPI GetSupportedWriteModes(int32_t* trackAtOnce, int32_t* flag2, int32_t* flag3) {
  int32_t result = 0;
  if (Forced("GetSupportedWriteModes", {}, result)) return result;
  if (!trackAtOnce || !flag2 || !flag3) return Logged("GetSupportedWriteModes", {}, 7);
  int32_t modes[3] = {0, 0, 0};
  result = Library().Recorder.GetSupportedWriteModes(modes);
  TLogFields outputs;
  if (result == 1) {
    *trackAtOnce = modes[0];
    *flag2 = modes[1];
    *flag3 = modes[2];
    outputs.Add(modes[0]).Add(modes[1]).Add(modes[2]);
  }
  return Logged("GetSupportedWriteModes", {}, result, outputs);
}

int32_t WINAPI AbortWrite() {
  int32_t result = 0;
  if (Forced("AbortWrite", {}, result)) return result;
  // The write may be between its start and the point where it can be asked to stop: keep asking
  // until it has either taken the request or finished.
  while (g_writeActive && !Library().Recorder.RequestAbort()) Sleep(1);
  if (g_writeActive) {
    WaitForSingleObject(g_writeDone, 60000);
    WaitUntilWriterLeft();
  }
  return Logged("AbortWrite", {}, 1);
}

// Entry points the applet binds by name but never calls: they answer "not supported".
int32_t WINAPI IsDiscBlank() { return Logged("IsDiscBlank", {}, 20); }
int32_t WINAPI SendOpc() { return Logged("SendOpc", {}, 20); }
int32_t WINAPI WriteCdAudioTao() { return Logged("WriteCdAudioTao", {}, 20); }
int32_t WINAPI WriteCdAudioSao() { return Logged("WriteCdAudioSao", {}, 20); }
int32_t WINAPI WriteCdAudioDao() { return Logged("WriteCdAudioDao", {}, 20); }
int32_t WINAPI WriteCdDataTao() { return Logged("WriteCdDataTao", {}, 20); }

int32_t WINAPI WriteCdDataTaoPerList(qx::TTrackList* list, const char* volumeName, int32_t interval,
                                     HANDLE* event, int32_t testFlag) {
  bool tracked = false;
  const int32_t result = DoWrite(list, volumeName, interval, event, testFlag, tracked);
  if (tracked) {
    SetEvent(g_writeDone);
    InterlockedExchange(&g_writeActive, 0);
  }
  return result;
}

}  // extern "C"
