#include "platform/payload_host_win32.h"

#include <windows.h>

#include <vector>

#include "platform/application_win32.h"
#include "platform/common_utils.h"
#include "platform/handles_win32.h"

namespace qx {

std::string TWin32PayloadHost::AppletPath() { return AppletFileName(); }

bool TWin32PayloadHost::IsSwitch(const std::string& text) { return qx::IsSwitch(text); }

bool TWin32PayloadHost::IsNT() { return Facts.IsNT; }

bool TWin32PayloadHost::CopyOneFile(const std::string& source, const std::string& target, bool failIfExists) {
  return qx::CopyOneFile(source, target, failIfExists);
}

void TWin32PayloadHost::StartHidden(const TBatchLaunch& launch) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION process = {};
  // CreateProcess may write into the command line, so it gets a copy of its own.
  std::vector<char> commandLine(launch.CommandLine.begin(), launch.CommandLine.end());
  commandLine.push_back('\0');
  if (CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, launch.CreationFlags, nullptr,
                     nullptr, &startup, &process)) {
    // Nothing waits for the batch: its handles go at once.
    TKernelHandle thread(process.hThread);
    TKernelHandle started(process.hProcess);
  }
}

void TWin32PayloadHost::RequestEnd() { Application.Terminate(); }

bool TWin32PayloadHost::HasMainWindow() { return View != nullptr; }

void TWin32PayloadHost::ProcessMessages() { Application.ProcessMessages(); }

void TWin32PayloadHost::SetPreparationProgress(int percent) {
  if (View) View->SetProgress(TGaugeId::ProgressBarLeft, percent);
}

}  // namespace qx
