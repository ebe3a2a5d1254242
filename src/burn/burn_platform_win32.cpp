#include "burn/burn_platform_win32.h"

#include <utility>

#include "platform/common_utils.h"
#include "burn/burn_messages.h"

namespace qx {

namespace {

const char kNotifyClass[] = "QxBurnNotify";
constexpr UINT kBurnThreadEnded = WM_APP + 1;
constexpr UINT kRunOnWindowThread = WM_APP + 2;

class TWin32Event : public TBurnEvent {
public:
  explicit TWin32Event(HANDLE handle) : Event(handle) {}
  void Set() override { SetEvent(Event.Get()); }
  void Reset() override { ResetEvent(Event.Get()); }
  void Wait() override { WaitForSingleObject(Event.Get(), INFINITE); }
  void** Handle() override { return reinterpret_cast<void**>(Event.Address()); }

private:
  TKernelHandle Event;
};

// A thread created suspended, at the given priority, then started.
HANDLE StartThread(LPTHREAD_START_ROUTINE procedure, void* parameter, int priority) {
  HANDLE thread = CreateThread(nullptr, 0, procedure, parameter, CREATE_SUSPENDED, nullptr);
  if (!thread) return nullptr;
  if (priority != THREAD_PRIORITY_NORMAL) SetThreadPriority(thread, priority);
  ResumeThread(thread);
  return thread;
}

}  // namespace

TWin32BurnPlatform::TWin32BurnPlatform(HWND mainWindow) : MainWindow(mainWindow) {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = NotifyProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = kNotifyClass;
  RegisterClassA(&windowClass);  // a second platform object finds the class registered
  NotifyWindow = CreateWindowExA(0, kNotifyClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 windowClass.hInstance, nullptr);
  if (NotifyWindow) SetWindowLongPtrA(NotifyWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

TWin32BurnPlatform::~TWin32BurnPlatform() {
  if (NotifyWindow) DestroyWindow(NotifyWindow);
}

LRESULT CALLBACK TWin32BurnPlatform::NotifyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* platform = reinterpret_cast<TWin32BurnPlatform*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  // Only this object's own threads ring here; what a message carries is never used.
  if (platform && message == kBurnThreadEnded) {
    if (platform->EndPosted.exchange(false)) platform->BurnThreadEnded();
    return 0;
  }
  if (platform && message == kRunOnWindowThread) {
    const std::function<void()>* call = nullptr;
    {
      std::lock_guard<std::mutex> guard(platform->CallLock);
      std::swap(call, platform->PendingCall);
    }
    if (call) (*call)();
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

bool TWin32BurnPlatform::StartBurnThread(std::function<void()> execute, std::function<void()> finished) {
  if (!NotifyWindow || BurnThread.Get()) return false;
  Execute = std::move(execute);
  Finished = std::move(finished);
  BurnThread.Reset(StartThread(BurnThreadProc, this, THREAD_PRIORITY_NORMAL));
  return BurnThread.Get() != nullptr;
}

DWORD WINAPI TWin32BurnPlatform::BurnThreadProc(void* parameter) {
  auto* platform = static_cast<TWin32BurnPlatform*>(parameter);
  platform->Execute();
  // Execute has set the done flag and the event: the worker wakes once more and ends.
  if (platform->ProgressWorker.Get()) WaitForSingleObject(platform->ProgressWorker.Get(), INFINITE);
  platform->EndPosted = true;
  PostMessageA(platform->NotifyWindow, kBurnThreadEnded, 0, 0);
  return 0;
}

void TWin32BurnPlatform::BurnThreadEnded() {
  // The thread has posted as its last act; the wait only covers its return.
  WaitForSingleObject(BurnThread.Get(), INFINITE);
  BurnThread.Reset();
  ProgressWorker.Reset();
  // The completion may start the next burn, which stores callbacks of its own.
  std::function<void()> finished = std::move(Finished);
  Execute = nullptr;
  ProgressBody = nullptr;
  if (finished) finished();
}

std::unique_ptr<TBurnEvent> TWin32BurnPlatform::CreateProgressEvent() {
  HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);  // manual reset, not signalled
  if (!event) return nullptr;
  return std::make_unique<TWin32Event>(event);
}

void TWin32BurnPlatform::RestoreNormalClass() {
  SetPriorityClass(GetCurrentProcess(), NORMAL_PRIORITY_CLASS);
}

void TWin32BurnPlatform::RaiseWritePriorities() {
  SetPriorityClass(GetCurrentProcess(), HIGH_PRIORITY_CLASS);
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_ABOVE_NORMAL);
}

bool TWin32BurnPlatform::StartProgressWorker(std::function<void()> body) {
  ProgressBody = std::move(body);
  ProgressWorker.Reset(StartThread(ProgressThreadProc, this, THREAD_PRIORITY_BELOW_NORMAL));
  return ProgressWorker.Get() != nullptr;
}

DWORD WINAPI TWin32BurnPlatform::ProgressThreadProc(void* parameter) {
  static_cast<TWin32BurnPlatform*>(parameter)->ProgressBody();
  return 0;
}

void TWin32BurnPlatform::Sleep(uint32_t milliseconds) { ::Sleep(milliseconds); }

void TWin32BurnPlatform::YieldTimeSlice() { ::Sleep(0); }

bool TWin32BurnPlatform::FolderExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string TWin32BurnPlatform::ShortDate() { return TodayShortDate(); }

void TWin32BurnPlatform::SendText(const std::string& text) {
  Reports.PutText(text);
  SendMessageA(MainWindow, WM_BURNTEXT, 0, 0);
}

void TWin32BurnPlatform::SendProgress(int position, int maximum) {
  Reports.PutProgress(position, maximum);
  SendMessageA(MainWindow, WM_BURNPROGRESS, 0, 0);
}

void TWin32BurnPlatform::Synchronize(const std::function<void()>& call) {
  {
    std::lock_guard<std::mutex> guard(CallLock);
    PendingCall = &call;
  }
  SendMessageA(NotifyWindow, kRunOnWindowThread, 0, 0);
  // A window that went away never took it.
  std::lock_guard<std::mutex> guard(CallLock);
  if (PendingCall == &call) PendingCall = nullptr;
}

bool TWin32BurnPlatform::WaitBurnThreadEnded(uint32_t milliseconds) {
  HANDLE thread = BurnThread.Get();
  if (!thread) return true;
  const DWORD start = GetTickCount();
  for (;;) {
    const DWORD waited = GetTickCount() - start;
    if (waited >= milliseconds) return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0;
    const DWORD answer = MsgWaitForMultipleObjects(1, &thread, FALSE, milliseconds - waited, QS_SENDMESSAGE);
    if (answer == WAIT_OBJECT_0) return true;
    if (answer != WAIT_OBJECT_0 + 1) return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0;
    // The workers' sends are handled here; posted messages (clicks, the end's own post) wait.
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

}  // namespace qx
