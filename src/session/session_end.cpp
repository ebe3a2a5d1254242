#include "session/session_end.h"

#include "recording/rwlib_binding.h"
#include "session/cleanup_batch.h"
#include "session/form_main.h"
#include "session/results_address.h"
#include "session/support_files.h"

namespace qx {

namespace {

constexpr int32_t kHiddenAttribute = 0x02;
constexpr char kCoverSheet[] = "CoverSheet.htm";
constexpr char kBatchName[] = "qx1e.bat";

// The folder part of a full path, with its trailing "\", and the name after it.
std::string FolderOf(const std::string& path) { return path.substr(0, path.find_last_of('\\') + 1); }
std::string NameOf(const std::string& path) { return path.substr(path.find_last_of('\\') + 1); }

}  // namespace

TSessionCleanup::TSessionCleanup(TSessionHost& host, RwLibBinding& library, TStartHidden startHidden)
    : Host(host), Library(library), StartHidden(std::move(startHidden)) {}

void TSessionCleanup::Cleanup(bool cleanAspi, bool deleteApplet) {
  if (!Form) return;
  Library.ReleaseRecordingLibrary();
  // Deleting a file that is not there is no error; a file still in use is left to the next run.
  for (const char* name : {"qxc.qx", "RwLib.dll", "DEVICES.DEF", "W2kXP03.qx"})
    Host.DeleteFile(Host.AppPath(name));
  // The version rule tells the applet's own installed layer from an older one of the user's; only
  // the own copy is unhidden here and deleted by the batch.
  const bool ownAspi = cleanAspi && IsOwnAspiVersion(Form->FileVersionText(kAspiLayer, "Short"));
  if (ownAspi && Host.FileExists(kAspiLayer)) {
    const int32_t attributes = Host.GetAttributes(kAspiLayer);
    if (attributes >= 0 && (attributes & kHiddenAttribute))
      Host.SetAttributes(kAspiLayer, attributes & ~kHiddenAttribute);
  }
  Host.DeleteFile(Host.AppPath("qxi9cd.qx"));
  if (!Form->History.DeleteApplet) deleteApplet = false;

  const std::string applet = Host.AppletFileName();
  TCleanupBatchInputs batch;
  batch.AppletFolder = FolderOf(applet);
  batch.AppletFileName = NameOf(applet);
  batch.BatchPath = Host.AppPath(kBatchName);
  batch.DeleteApplet = deleteApplet;
  batch.DeleteAspi = ownAspi;
  // A batch that cannot be written or started is not reported: the session ends regardless.
  if (Host.WriteTextFile(batch.BatchPath, CleanupBatchText(batch)))
    StartHidden(BatchLaunch(batch.BatchPath, Host.IsNT()));
}

TSessionReports::TSessionReports(TSessionHost& host, TSessionView& view, TSocketLayer& sockets)
    : Host(host), View(view), Sockets(sockets) {}

bool TSessionReports::BuildResultsAddress(std::string& address) {
  if (!Form) return false;
  TResultsReport report;
  report.DirectCdVersion =
      Form->FileVersionText(Host.FileExists(kDirectCdDriver) ? kDirectCdDriver : kDirectCdProgram, "Short");
  std::string project;
  if (!Host.ReadTextFile(Host.AppPath("qxorig.qx"), project)) return false;
  report.SourceLine = SourceLineOf(project);
  report.AppletVersion = Form->FileVersionText(Host.AppletFileName(), "Full");
  report.AspiVersion = Form->FileVersionText(kAspiLayer, "Long");
  report.ResultCode = Form->ResultCode;
  report.ProgressHint = View.Hint(TGaugeId::ProgressBar);
  report.RecorderVendor = Form->RecorderVendor;
  report.RecorderProduct = Form->RecorderProduct;
  report.SuccText = Form->SuccText;
  report.FailText = Form->FailText;
  report.SpeedText = Form->SpeedText;
  report.SizeMB = Form->SizeMB;
  address = ResultsAddress(report);
  return true;
}

void TSessionReports::OpenResultsPage() {
  // No cover sheet means no report.
  if (!Host.FileExists(Host.AppPath(kCoverSheet))) return;
  if (!Sockets.Start()) return;
  std::string address;
  if (BuildResultsAddress(address)) Host.ShellOpen(address);
  Sockets.Stop();
}

void TSessionReports::OpenHelpPage() { Host.ShellOpen(std::string(kWebSite) + kHelpPagePath); }

void TSessionReports::OpenAspiHelpPage() { Host.ShellOpen(std::string(kWebSite) + kAspiHelpPagePath); }

void TSessionReports::OpenCoverSheet() { Host.ShellOpen(Host.AppPath(kCoverSheet)); }

}  // namespace qx
