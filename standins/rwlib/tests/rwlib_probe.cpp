// Drives the built RwLib.dll through the applet's own binding, one scenario per run, in the current
// folder: copies the library there, writes its DEVICES.DEF, and checks what the library answers,
// what it leaves on its disc image and what it writes to its call log. Exit code 0 = all checks held.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "core/iso_image.h"
#include "library_faults_win32.h"
#include "recording/library_loader_win32.h"
#include "recording/rwlib_binding.h"
#include "recording/track_list.h"

namespace fs = std::filesystem;
using qx::TRwLibBinding;

namespace {

int g_failures = 0;

#define CHECK(cond)                                                                 \
  do {                                                                              \
    if (!(cond)) {                                                                  \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
      ++g_failures;                                                                 \
    }                                                                               \
  } while (0)

#define CHECK_EQ(a, b)                                                                                     \
  do {                                                                                                     \
    const auto va = (a);                                                                                   \
    const auto vb = (b);                                                                                   \
    if (!(va == vb)) {                                                                                     \
      std::ostringstream msg;                                                                              \
      msg << va << " != " << vb;                                                                           \
      std::fprintf(stderr, "%s:%d: %s == %s failed: %s\n", __FILE__, __LINE__, #a, #b, msg.str().c_str()); \
      ++g_failures;                                                                                        \
    }                                                                                                      \
  } while (0)

fs::path Here() { return fs::current_path(); }

fs::path ExeFolder() {
  wchar_t path[MAX_PATH * 4];
  const DWORD n = GetModuleFileNameW(nullptr, path, sizeof path / sizeof path[0]);
  return fs::path(std::wstring(path, n)).parent_path();
}

// A fresh copy of the library with the given DEVICES.DEF, no disc image and no log.
std::string Prepare(const std::string& devicesDef) {
  std::error_code ec;
  if (!CopyFileW((ExeFolder() / "RwLib.dll").c_str(), (Here() / "RwLib.dll").c_str(), FALSE)) {
    std::fprintf(stderr, "cannot copy RwLib.dll: error %lu\n", GetLastError());
    std::exit(2);
  }
  std::ofstream(Here() / "DEVICES.DEF", std::ios::binary) << devicesDef;
  fs::remove(Here() / "disc.iso", ec);
  fs::remove(Here() / "calls.log", ec);
  return (Here() / "RwLib.dll").string();
}

std::vector<std::string> LogLines() {
  std::ifstream in(Here() / "calls.log", std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

bool DiscWritten() { return fs::exists(Here() / "disc.iso"); }

void WriteFile(const fs::path& path, std::size_t size, unsigned seed) {
  std::string data(size, '\0');
  for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<char>((i * 131 + seed * 7 + (i >> 9)) & 0xFF);
  std::ofstream(path, std::ios::binary) << data;
}

// Nested folders, long and non-ASCII names, empty and odd-sized files, a folder whose records need
// more than one sector.
uint64_t MakeProject(const fs::path& root) {
  std::error_code ec;
  fs::remove_all(root, ec);
  const fs::path deep =
      root / "Level one folder with a long name" / "level 2" / L"Dossier \u00e9t\u00e9 3" / "4" / "five";
  fs::create_directories(deep);
  fs::create_directories(root / "empty folder");
  fs::create_directories(root / "many");
  WriteFile(root / "readme.txt", 1234, 1);
  WriteFile(root / "empty.bin", 0, 2);
  WriteFile(root / "exactly one sector.dat", 2048, 3);
  WriteFile(root / "one sector and a byte.dat", 2049, 4);
  WriteFile(root / (std::string(100, 'L') + ".longext"), 777, 5);  // 108 characters in all
  WriteFile(root / L"Gr\u00fc\u00dfe aus K\u00f6ln.txt", 4321, 6);
  WriteFile(deep / "bottom of the tree with a rather long file name.data", 150000, 7);
  WriteFile(root / "Level one folder with a long name" / "level 2" / "Same Name.txt", 10, 8);
  WriteFile(root / "Level one folder with a long name" / "level 2" / "same name.TXT.bak", 11, 9);
  for (int i = 0; i < 60; ++i)
    WriteFile(root / "many" / ("member file number " + std::to_string(i) + " of the many folder.bin"),
              static_cast<std::size_t>(i * 37), 10u + static_cast<unsigned>(i));
  uint64_t total = 0;
  for (auto& e : fs::recursive_directory_iterator(root))
    if (e.is_regular_file()) total += e.file_size();
  return total;
}

struct TBinding {
  explicit TBinding(const std::string& library) : Binding(Loader, Texts, library) {}
  qx::TWin32LibraryLoader Loader;
  qx::TWin32StringTable Texts;
  TRwLibBinding Binding;
};

// Counts the library's progress signals the way the burn's progress worker does: wait, count, reset.
class TProgressCounter {
public:
  TProgressCounter() : Event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    Thread_ = CreateThread(nullptr, 0, &TProgressCounter::Run, this, 0, nullptr);
  }
  ~TProgressCounter() {
    Stop_ = true;
    SetEvent(Event_);
    WaitForSingleObject(Thread_, 10000);
    CloseHandle(Thread_);
    CloseHandle(Event_);
  }
  HANDLE* Event() { return &Event_; }
  long Count() const { return Count_; }
  bool WaitFirst(DWORD ms) {
    for (DWORD waited = 0; waited < ms; waited += 5) {
      if (Count_ > 0) return true;
      Sleep(5);
    }
    return Count_ > 0;
  }

private:
  static DWORD WINAPI Run(void* self) {
    auto* me = static_cast<TProgressCounter*>(self);
    for (;;) {
      WaitForSingleObject(me->Event_, INFINITE);
      if (me->Stop_) return 0;
      InterlockedIncrement(&me->Count_);
      ResetEvent(me->Event_);
    }
  }
  HANDLE Event_;
  HANDLE Thread_;
  volatile LONG Count_ = 0;
  volatile bool Stop_ = false;
};

// Sectors the library's image of `folder` takes, the same way the library plans it.
int64_t ImageSectors(const fs::path& folder) {
  qx::rwlib::TIsoImage image;
  return image.Plan(folder, "X", 0) == 1 ? image.Sectors() : -1;
}

void StartHealthy(TRwLibBinding& b) {
  CHECK(b.BindRecordingLibrary());
  int32_t adapter = -1, target = -1;
  CHECK_EQ(b.StartRecordingEngine(4, 8192, &adapter, &target), 1);
  CHECK_EQ(adapter, 0);
  CHECK_EQ(target, 0);
}

// ---------------------------------------------------------------------------------------------

int Burn() {
  const std::string library = Prepare(
      "[Recorder]\nVendor=ACME\nProduct=Virtual Burner "
      "52x\n[Write]\nSectorsPerSecond=0\n[Log]\nPath=calls.log\n");
  const uint64_t size = MakeProject(Here() / "project");
  TBinding t(library);
  TRwLibBinding& b = t.Binding;
  StartHealthy(b);
  std::string vendor, product;
  CHECK_EQ(b.GetVendorProductStrings(vendor, product), 1);
  CHECK_EQ(vendor, std::string("ACME"));
  CHECK_EQ(product, std::string("Virtual Burner 52x"));
  int32_t tao = 0, f2 = -1, f3 = -1;
  CHECK_EQ(b.GetSupportedWriteModes(&tao, &f2, &f3), 1);
  CHECK_EQ(tao, 1);
  int32_t blank = 0, second = -1, erasable = -1, ready = 0, media = -1;
  CHECK_EQ(b.GetDiscInfo(&blank, &second, &erasable, &ready, &media), 1);
  CHECK_EQ(blank, 1);
  CHECK_EQ(ready, 1);
  CHECK_EQ(media, 1);
  CHECK_EQ(b.IsDeviceReadyEx(), 1);
  CHECK_EQ(b.BurnProofControl(-1), 1);
  uint16_t s[4] = {0, 0, 0, 0};
  CHECK_EQ(b.GetCdSpeeds(&s[0], &s[1], &s[2], &s[3]), 1);
  CHECK_EQ(b.SetCdSpeeds(s[0], 1764), 1);

  auto list = std::make_unique<qx::TTrackList>();
  qx::FillSingleTrack(*list, (Here() / "project").string(), size, "Track one", "My Project       12/08/2026");
  TProgressCounter progress;
  const int64_t sectors = ImageSectors(Here() / "project");
  const int32_t interval = 20;
  CHECK_EQ(b.WriteCdDataTaoPerList(list.get(), "MY PROJECT", interval,
                                   reinterpret_cast<void**>(progress.Event()), 0),
           1);
  Sleep(100);
  CHECK(progress.Count() >= 1 && progress.Count() <= sectors / interval);
  CHECK(DiscWritten());
  CHECK_EQ(b.GetDiscInfo(&blank, &second, &erasable, &ready, &media), 1);
  CHECK_EQ(blank, 0);
  CHECK(b.ReleaseRecordingLibrary());
  return g_failures;
}

int LogScenario() {
  // A recorder at adapter 2, target 5: the scan makes 22 calls; then one call of each kind.
  std::string library = Prepare(
      "[Recorder]\nAdapter=2\nTarget=5\nVendor=V\nProduct=P Q\nSpeeds=7056,1764,5292,8448\n"
      "ReadyAnswers=76,1\nWriteModeFlag3=1\n[Disc]\nMediaType=2\nErasable=1\n"
      "[Write]\nSectorsPerSecond=0\n[Log]\nPath=calls.log\n");
  fs::create_directories(Here() / "small");
  WriteFile(Here() / "small" / "a.txt", 5000, 1);
  {
    TBinding t(library);
    TRwLibBinding& b = t.Binding;
    CHECK(b.BindRecordingLibrary());
    int32_t adapter = -1, target = -1;
    CHECK_EQ(b.StartRecordingEngine(2, 8192, &adapter, &target), 1);
    CHECK_EQ(adapter, 2);
    CHECK_EQ(target, 5);
    std::string v, p;
    b.GetVendorProductStrings(v, p);
    int32_t m[3];
    b.GetSupportedWriteModes(&m[0], &m[1], &m[2]);
    int32_t d[5];
    b.GetDiscInfo(&d[0], &d[1], &d[2], &d[3], &d[4]);
    b.IsDeviceReadyEx();
    b.IsDeviceReadyEx();
    b.BurnProofControl(-1);
    uint16_t s[4];
    b.GetCdSpeeds(&s[0], &s[1], &s[2], &s[3]);
    b.SetCdSpeeds(7056, 2816);
    b.GetCdSpeeds(&s[0], &s[1], &s[2], &s[3]);
    auto list = std::make_unique<qx::TTrackList>();
    qx::FillSingleTrack(*list, "small", 5000, "Title of track 1", "Disc       01/02/2026");
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    b.WriteCdDataTaoPerList(list.get(), "VOLUME", 110, reinterpret_cast<void**>(&event), -1);
    CloseHandle(event);
    b.Load();
    b.BlankDisc(1);
    b.Unload();
    b.AbortWrite();
    CHECK(b.ReleaseRecordingLibrary());
  }
  std::vector<std::string> expected;
  for (int a = 0; a <= 2; ++a)
    for (int t = 0; t < 8 && !(a == 2 && t > 5); ++t)
      expected.push_back("Start\t" + std::to_string(a) + "\t" + std::to_string(t) + "\t0\t2\t8192\t->\t" +
                         (a == 2 && t == 5 ? "1" : "23"));
  const std::vector<std::string> rest = {
      "GetVendorProductStrings\t->\t1\tV\tP Q",
      "GetSupportedWriteModes\t->\t1\t1\t0\t1",
      "GetDiscInfo\t->\t1\t1\t0\t1\t1\t2",
      "IsDeviceReadyEx\t->\t76",
      "IsDeviceReadyEx\t->\t1",
      "BurnProofControl\t-1\t->\t1",
      "GetCdSpeeds\t->\t1\t7056\t1764\t5292\t8448",
      "SetCdSpeeds\t7056\t2816\t->\t1",
      "GetCdSpeeds\t->\t1\t7056\t2816\t5292\t8448",
      "WriteCdDataTaoPerList\t1\tsmall\t0\t1\t5000\tTitle of track 1\tDisc       "
      "01/02/2026\tVOLUME\t110\t-1\t->\t1",
      "Load\t->\t1",
      "BlankDisc\t1\t->\t1",
      "Unload\t->\t1",
      "AbortWrite\t->\t1",
  };
  expected.insert(expected.end(), rest.begin(), rest.end());
  const std::vector<std::string> lines = LogLines();
  CHECK_EQ(lines.size(), expected.size());
  for (std::size_t i = 0; i < lines.size() && i < expected.size(); ++i) CHECK_EQ(lines[i], expected[i]);
  CHECK(!DiscWritten());  // the test write left the disc blank

  // No recorder at all: 64 calls, 23, the last at adapter 7, target 7.
  library = Prepare("[Recorder]\nPresent=0\n[Log]\nPath=calls.log\n");
  {
    TBinding t(library);
    CHECK(t.Binding.BindRecordingLibrary());
    CHECK_EQ(t.Binding.StartRecordingEngine(4, 8192), 23);
    CHECK(t.Binding.ReleaseRecordingLibrary());
  }
  const std::vector<std::string> scan = LogLines();
  CHECK_EQ(scan.size(), static_cast<std::size_t>(64));
  if (!scan.empty()) {
    CHECK_EQ(scan.front(), std::string("Start\t0\t0\t0\t4\t8192\t->\t23"));
    CHECK_EQ(scan.back(), std::string("Start\t7\t7\t0\t4\t8192\t->\t23"));
  }
  return g_failures;
}

int Fault() {
  const std::string library = Prepare("[Force]\nStart=fault\nAbortWrite=fault\n[Log]\nPath=calls.log\n");
  TBinding t(library);
  TRwLibBinding& b = t.Binding;
  CHECK(b.BindRecordingLibrary());
  CHECK_EQ(b.StartRecordingEngine(4, 8192), 23);
  // The scan stopped at the fault: one call.
  const std::vector<std::string> lines = LogLines();
  CHECK_EQ(lines.size(), static_cast<std::size_t>(1));
  if (!lines.empty()) CHECK_EQ(lines[0], std::string("Start\t0\t0\t0\t4\t8192\t->\tfault"));
  // A fault inside AbortWrite is caught too, and the library keeps answering afterwards.
  bool faulted = false;
  b.AbortWrite(&faulted);
  CHECK(faulted);
  CHECK_EQ(b.StartRecordingEngine(4, 8192), 23);
  CHECK_EQ(b.IsDeviceReadyEx(), 11);  // the engine never started
  // The message table as the program's string resources.
  CHECK_EQ(b.ErrorText(23), std::string("Device not present"));
  CHECK_EQ(b.ErrorText(1), std::string());
  CHECK_EQ(b.ErrorText(8), std::string("\r\n(code ACF)\r\n\r\n\r\n"));
  CHECK_EQ(b.ErrorText(-1), std::string("Code 4294967295"));
  CHECK(b.ReleaseRecordingLibrary());
  CHECK(!b.ReleaseRecordingLibrary());
  // Without the library file the bind fails and the engine start answers 23 without calling anything.
  TBinding missing((Here() / "no such library.dll").string());
  CHECK(!missing.Binding.BindRecordingLibrary());
  CHECK_EQ(missing.Binding.StartRecordingEngine(4, 8192), 23);
  CHECK_EQ(missing.Binding.GetDiscInfo(nullptr, nullptr, nullptr, nullptr, nullptr), 3);
  return g_failures;
}

// Sees every exception raised on any thread before any handler does (a first-chance observer that
// handles nothing), so a scenario can tell that a fault really happened even when it was handled.
class TExceptionWitness {
public:
  TExceptionWitness() : Handler_(AddVectoredExceptionHandler(1, &TExceptionWitness::Observe)) {
    AccessViolations = 0;
    LibraryExceptions = 0;
  }
  ~TExceptionWitness() { RemoveVectoredExceptionHandler(Handler_); }
  static inline volatile LONG AccessViolations = 0;
  static inline volatile LONG LibraryExceptions = 0;

private:
  static LONG CALLBACK Observe(EXCEPTION_POINTERS* info) {
    const DWORD code = info->ExceptionRecord->ExceptionCode;
    if (code == EXCEPTION_ACCESS_VIOLATION) InterlockedIncrement(&AccessViolations);
    if (code == qx::rwlib::kLibraryExceptionCode) InterlockedIncrement(&LibraryExceptions);
    return EXCEPTION_CONTINUE_SEARCH;
  }
  void* Handler_;
};

// The head of the thread's frame handler chain (i686); a guarded call must leave it as it found it.
uintptr_t HandlerChainHead() {
#if defined(__i386__)
  uintptr_t head;
  __asm__ volatile("movl %%fs:0, %0" : "=r"(head) : : "memory");
  return head;
#else
  return 0;
#endif
}

// A fault that the library handles itself inside the call is none of the caller's business: the
// call answers as usual and the guard reports nothing.
int HandledFault() {
  const std::string library =
      Prepare("[Force]\nStart=handledfault\nAbortWrite=HandledFault\n[Log]\nPath=calls.log\n");
  TBinding t(library);
  TRwLibBinding& b = t.Binding;
  TExceptionWitness witness;
  const uintptr_t chain = HandlerChainHead();
  StartHealthy(b);
  CHECK_EQ(static_cast<long>(witness.AccessViolations), 1L);
  bool faulted = true;
  CHECK_EQ(b.AbortWrite(&faulted), 1);
  CHECK(!faulted);
  CHECK_EQ(static_cast<long>(witness.AccessViolations), 2L);
  CHECK_EQ(HandlerChainHead(), chain);
  // The entry points did their usual work afterwards.
  CHECK_EQ(b.IsDeviceReadyEx(), 1);
  int32_t d[5] = {-1, -1, -1, -1, -1};
  CHECK_EQ(b.GetDiscInfo(&d[0], &d[1], &d[2], &d[3], &d[4]), 1);
  CHECK_EQ(d[0], 1);
  const std::vector<std::string> lines = LogLines();
  const std::vector<std::string> expected = {"Start\t0\t0\t0\t4\t8192\t->\t1", "AbortWrite\t->\t1",
                                             "IsDeviceReadyEx\t->\t1", "GetDiscInfo\t->\t1\t1\t0\t0\t1\t1"};
  CHECK_EQ(lines.size(), expected.size());
  for (std::size_t i = 0; i < lines.size() && i < expected.size(); ++i) CHECK_EQ(lines[i], expected[i]);
  CHECK(b.ReleaseRecordingLibrary());
  return g_failures;
}

// A software exception of the library's own that escapes the call is caught like a fault: the scan
// ends with 23, the abort reports it and goes on, and the library keeps answering.
int Exception() {
  const std::string library =
      Prepare("[Force]\nStart=exception\nAbortWrite=exception\n[Log]\nPath=calls.log\n");
  TBinding t(library);
  TRwLibBinding& b = t.Binding;
  TExceptionWitness witness;
  const uintptr_t chain = HandlerChainHead();
  CHECK(b.BindRecordingLibrary());
  int32_t adapter = -1, target = -1;
  CHECK_EQ(b.StartRecordingEngine(4, 8192, &adapter, &target), 23);
  CHECK_EQ(adapter, -1);
  CHECK_EQ(HandlerChainHead(), chain);
  bool faulted = false;
  b.AbortWrite(&faulted);
  CHECK(faulted);
  CHECK_EQ(HandlerChainHead(), chain);
  CHECK_EQ(static_cast<long>(witness.LibraryExceptions), 2L);
  CHECK_EQ(static_cast<long>(witness.AccessViolations), 0L);
  CHECK_EQ(b.IsDeviceReadyEx(), 11);  // the engine never started
  const std::vector<std::string> lines = LogLines();
  const std::vector<std::string> expected = {"Start\t0\t0\t0\t4\t8192\t->\texception",
                                             "AbortWrite\t->\texception", "IsDeviceReadyEx\t->\t11"};
  CHECK_EQ(lines.size(), expected.size());
  for (std::size_t i = 0; i < lines.size() && i < expected.size(); ++i) CHECK_EQ(lines[i], expected[i]);
  CHECK(b.ReleaseRecordingLibrary());
  return g_failures;
}

// Ends the process when a fault outside any guarded call reaches the process's last handler: with
// exit code 0 when it is the access violation expected and every check so far held.
LONG WINAPI LastHandler(EXCEPTION_POINTERS* info) {
  const DWORD code = info->ExceptionRecord->ExceptionCode;
  std::printf("unguarded: exception %08lx reached the last handler, %d failed check(s)\n", code, g_failures);
  std::fflush(stdout);
  TerminateProcess(GetCurrentProcess(), code == EXCEPTION_ACCESS_VIOLATION && g_failures == 0 ? 0 : 1);
  return EXCEPTION_EXECUTE_HANDLER;
}

// Guarded calls leave nothing behind that would take a later fault raised outside them.
int Unguarded() {
  const std::string library = Prepare("[Force]\nStart=fault\nAbortWrite=exception\nIsDeviceReadyEx=fault\n");
  TBinding t(library);
  TRwLibBinding& b = t.Binding;
  CHECK(b.BindRecordingLibrary());
  CHECK_EQ(b.StartRecordingEngine(4, 8192), 23);
  bool faulted = false;
  b.AbortWrite(&faulted);
  CHECK(faulted);
  SetUnhandledExceptionFilter(&LastHandler);
  b.IsDeviceReadyEx();  // not guarded: the fault must end the process
  std::fprintf(stderr, "unguarded: the fault inside IsDeviceReadyEx was swallowed\n");
  return g_failures + 1;
}

// The burn thread's side of an abort: one write call, its answer kept.
struct TWriter {
  TRwLibBinding* Binding;
  qx::TTrackList* List;
  HANDLE* Event;
  volatile LONG Result = -1000;
  static DWORD WINAPI Run(void* self) {
    auto* w = static_cast<TWriter*>(self);
    const int32_t r =
        w->Binding->WriteCdDataTaoPerList(w->List, "BIG", 20, reinterpret_cast<void**>(w->Event), 0);
    InterlockedExchange(&w->Result, r);
    return 0;
  }
};

int Abort() {
  const std::string library =
      Prepare("[Disc]\nMediaType=2\nErasable=1\n[Write]\nSectorsPerSecond=400\n[Log]\nPath=calls.log\n");
  fs::create_directories(Here() / "big");
  WriteFile(Here() / "big" / "payload.bin", 2 * 1024 * 1024, 3);  // about 1,000 sectors: 2.5 s at this pace
  auto t = std::make_unique<TBinding>(library);
  TRwLibBinding& b = t->Binding;
  StartHealthy(b);
  auto list = std::make_unique<qx::TTrackList>();
  qx::FillSingleTrack(*list, (Here() / "big").string(), 2 * 1024 * 1024, "T", "D");
  TProgressCounter progress;
  TWriter writer{&b, list.get(), progress.Event()};
  HANDLE thread = CreateThread(nullptr, 0, &TWriter::Run, &writer, 0, nullptr);
  CHECK(progress.WaitFirst(20000));
  bool faulted = true;
  CHECK_EQ(b.AbortWrite(&faulted), 1);
  CHECK(!faulted);
  // The caller ejects and frees the library right away: the write must be out of it by now.
  CHECK_EQ(b.Unload(), 1);
  CHECK(b.ReleaseRecordingLibrary());
  CHECK_EQ(WaitForSingleObject(thread, 20000), WAIT_OBJECT_0);
  CloseHandle(thread);
  CHECK_EQ(static_cast<long>(writer.Result), 19L);
  const std::vector<std::string> lines = LogLines();
  CHECK(lines.size() >= 3);
  if (lines.size() >= 3) {
    // The write's own line comes before the abort's: it had answered before AbortWrite returned.
    CHECK_EQ(lines[lines.size() - 3].substr(0, 22), std::string("WriteCdDataTaoPerList\t"));
    CHECK_EQ(lines[lines.size() - 3].substr(lines[lines.size() - 3].size() - 5), std::string("->\t19"));
    CHECK_EQ(lines[lines.size() - 2], std::string("AbortWrite\t->\t1"));
    CHECK_EQ(lines[lines.size() - 1], std::string("Unload\t->\t1"));
  }
  // The burn stopped part way: the disc is spoilt, no longer blank, until it is erased. The next bind
  // loads the library anew.
  CHECK(DiscWritten());
  CHECK(b.BindRecordingLibrary());
  CHECK_EQ(b.StartRecordingEngine(4, 8192), 1);
  int32_t d[5] = {-1, -1, -1, -1, -1};
  CHECK_EQ(b.GetDiscInfo(&d[0], &d[1], &d[2], &d[3], &d[4]), 1);
  CHECK_EQ(d[0], 0);
  CHECK_EQ(b.BlankDisc(1), 1);
  CHECK(!DiscWritten());
  CHECK(b.ReleaseRecordingLibrary());
  return g_failures;
}

int Disc() {
  fs::create_directories(Here() / "folder");
  WriteFile(Here() / "folder" / "data.bin", 200000, 4);  // about 100 sectors
  auto list = std::make_unique<qx::TTrackList>();
  qx::FillSingleTrack(*list, (Here() / "folder").string(), 200000, "T", "D");
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  void** ev = reinterpret_cast<void**>(&event);
  {
    // Too small a disc.
    TBinding t(Prepare("[Disc]\nCapacity=50\n[Write]\nSectorsPerSecond=0\n"));
    StartHealthy(t.Binding);
    CHECK_EQ(t.Binding.WriteCdDataTaoPerList(list.get(), "V", 110, ev, 0), 128);
    CHECK(!DiscWritten());
    CHECK(t.Binding.ReleaseRecordingLibrary());
  }
  {
    // A write that fails half way on an erasable disc, which then needs two polls to become ready.
    TBinding t(
        Prepare("[Disc]\nMediaType=2\nErasable=1\nNotReadyPolls=2\n[Write]\nResult=14\nFailAtPercent=50\n"
                "SectorsPerSecond=0\n"));
    TRwLibBinding& b = t.Binding;
    StartHealthy(b);
    CHECK_EQ(b.WriteCdDataTaoPerList(list.get(), "V", 10, ev, 0), 14);
    CHECK(DiscWritten());
    const auto half = static_cast<uintmax_t>(ImageSectors(Here() / "folder") / 2 * 2048);
    CHECK_EQ(fs::file_size(Here() / "disc.iso"), half);
    int32_t d[5];
    CHECK_EQ(b.GetDiscInfo(&d[0], &d[1], &d[2], &d[3], &d[4]), 1);
    CHECK_EQ(d[0], 0);
    CHECK_EQ(d[2], 1);
    CHECK_EQ(b.WriteCdDataTaoPerList(list.get(), "V", 10, ev, 0), 12);  // not blank any more
    CHECK_EQ(b.BlankDisc(1), 1);
    for (int poll = 0; poll < 3; ++poll) {
      CHECK_EQ(b.GetDiscInfo(&d[0], &d[1], &d[2], &d[3], &d[4]), 1);
      CHECK_EQ(d[0], 1);
      CHECK_EQ(d[3], poll < 2 ? 0 : 1);
    }
    // Ejected, the drive reports no disc until it is loaded again.
    CHECK_EQ(b.Unload(), 1);
    CHECK_EQ(b.GetDiscInfo(&d[0], &d[1], &d[2], &d[3], &d[4]), 12);
    CHECK_EQ(b.Load(), 1);
    CHECK_EQ(b.GetDiscInfo(&d[0], &d[1], &d[2], &d[3], &d[4]), 1);
    CHECK(b.ReleaseRecordingLibrary());
  }
  {
    // A CD-R cannot be erased; forced answers replace an entry point's work; failing speed calls.
    TBinding t(
        Prepare("[Recorder]\nSpeedResult=20\nBurnProof=20\nTrackAtOnce=0\n[Force]\nIsDeviceReadyEx=76\n"));
    TRwLibBinding& b = t.Binding;
    StartHealthy(b);
    CHECK_EQ(b.BlankDisc(1), 20);
    CHECK_EQ(b.IsDeviceReadyEx(), 76);
    CHECK_EQ(b.BurnProofControl(-1), 20);
    uint16_t s[4] = {0, 0, 0, 0};
    CHECK_EQ(b.GetCdSpeeds(&s[0], &s[1], &s[2], &s[3]), 20);
    CHECK_EQ(s[3], 0);
    CHECK_EQ(b.SetCdSpeeds(0, 0), 20);
    CHECK_EQ(b.WriteCdDataTaoPerList(list.get(), "V", 110, ev, 0), 13);
    CHECK(b.ReleaseRecordingLibrary());
  }
  CloseHandle(event);
  return g_failures;
}

int TestWrite() {
  const std::string library = Prepare("[Write]\nSectorsPerSecond=2000\n");
  fs::create_directories(Here() / "folder");
  WriteFile(Here() / "folder" / "data.bin", 400000, 4);
  auto list = std::make_unique<qx::TTrackList>();
  qx::FillSingleTrack(*list, (Here() / "folder").string(), 400000, "T", "D");
  TBinding t(library);
  StartHealthy(t.Binding);
  TProgressCounter progress;
  const int64_t sectors = ImageSectors(Here() / "folder");
  CHECK_EQ(
      t.Binding.WriteCdDataTaoPerList(list.get(), "V", 25, reinterpret_cast<void**>(progress.Event()), -1),
      1);
  Sleep(100);
  CHECK(progress.Count() >= 1 && progress.Count() <= sectors / 25);
  CHECK(!DiscWritten());
  CHECK(t.Binding.ReleaseRecordingLibrary());
  return g_failures;
}

#if defined(QX_ASPI_MAJOR)
// The ASPI layer stand-in as the payload carries it: both entry points and its version resource.
int Aspi() {
  const fs::path file = ExeFolder() / "W2kXP03.qx";
  HMODULE aspi = LoadLibraryW(file.c_str());
  CHECK(aspi != nullptr);
  if (aspi == nullptr) return g_failures;
  using TSupportInfo = DWORD(__cdecl*)();
  using TSend = DWORD(__cdecl*)(void*);
  auto support = reinterpret_cast<TSupportInfo>(
      reinterpret_cast<void (*)()>(GetProcAddress(aspi, "GetASPI32SupportInfo")));
  auto send =
      reinterpret_cast<TSend>(reinterpret_cast<void (*)()>(GetProcAddress(aspi, "SendASPI32Command")));
  CHECK(support != nullptr && send != nullptr);
  if (support && send) {
    CHECK_EQ(support(), static_cast<DWORD>(0x0101));  // complete, one adapter
    unsigned char inquiry[60] = {};                   // host adapter inquiry of adapter 0
    CHECK_EQ(send(inquiry), static_cast<DWORD>(1));
    CHECK_EQ(inquiry[1], 1);
    CHECK_EQ(inquiry[8], 1);
    unsigned char deviceType[12] = {1, 0, 0, 0};
    CHECK_EQ(send(deviceType), static_cast<DWORD>(1));
    CHECK_EQ(deviceType[10], 5);  // CD-ROM class
    unsigned char unknown[64] = {0x7F};
    CHECK_EQ(send(unknown), static_cast<DWORD>(0x80));
    CHECK_EQ(send(nullptr), static_cast<DWORD>(0xE0));
  }
  FreeLibrary(aspi);
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(file.c_str(), &ignored);
  CHECK(size > 0);
  std::vector<char> data(size);
  VS_FIXEDFILEINFO* info = nullptr;
  UINT length = 0;
  if (size > 0 && GetFileVersionInfoW(file.c_str(), 0, size, data.data()) &&
      VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &length) && info != nullptr) {
    std::printf("ASPI layer file version %lu.%lu.%lu.%lu\n", info->dwFileVersionMS >> 16,
                info->dwFileVersionMS & 0xFFFF, info->dwFileVersionLS >> 16, info->dwFileVersionLS & 0xFFFF);
    CHECK_EQ(info->dwFileVersionMS, (static_cast<DWORD>(QX_ASPI_MAJOR) << 16) | QX_ASPI_MINOR);
    CHECK_EQ(info->dwFileVersionLS, (static_cast<DWORD>(QX_ASPI_RELEASE) << 16) | QX_ASPI_BUILD);
  } else {
    CHECK(!"no version resource");
  }
  return g_failures;
}
#endif

}  // namespace

int main(int argc, char** argv) {
  const std::map<std::string, std::function<int()>> scenarios = {
    {"burn", Burn},
    {"log", LogScenario},
    {"fault", Fault},
    {"handledfault", HandledFault},
    {"exception", Exception},
    {"unguarded", Unguarded},
    {"abort", Abort},
    {"disc", Disc},
    {"testwrite", TestWrite},
#if defined(QX_ASPI_MAJOR)
    {"aspi", Aspi},
#endif
  };
  if (argc != 2 || !scenarios.count(argv[1])) {
    std::fprintf(
        stderr,
        "usage: rwlib_probe burn|log|fault|handledfault|exception|unguarded|abort|disc|testwrite|aspi"
        "  (in a scratch folder)\n");
    return 2;
  }
  const int failures = scenarios.at(argv[1])();
  std::printf("%s: %d failed check(s)\n", argv[1], failures);
  return failures == 0 ? 0 : 1;
}
