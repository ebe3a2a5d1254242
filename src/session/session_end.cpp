#include "session/session_end.h"

#include "recording/rwlib_binding.h"
#include "session/cleanup_batch.h"
#include "session/results_address.h"
#include "session/session_rules.h"
#include "session/session_view.h"
#include "base/support_files.h"

namespace qx {

namespace {

constexpr int32_t kHiddenAttribute = 0x02;
constexpr char kCoverSheet[] = "CoverSheet.htm";
constexpr char kBatchName[] = "qx1e.bat";

// The folder part of a full path, with its trailing "\", and the name after it.
std::string FolderOf(const std::string& path) { return path.substr(0, path.find_last_of('\\') + 1); }
std::string NameOf(const std::string& path) { return path.substr(path.find_last_of('\\') + 1); }

}  // namespace

TSessionCleanup::TSessionCleanup(TSessionHost& host, TRwLibBinding& library, TStartHidden startHidden)
    : Host(host), Library(library), StartHidden(std::move(startHidden)) {}

void TSessionCleanup::Cleanup(bool cleanAspi, bool deleteApplet, bool appletDeletionAllowed) {
  Library.ReleaseRecordingLibrary();
  // Deleting a file that is not there is no error; a file still in use is left to the next run.
  for (const char* name : {kWriterCore, kRecordingLibrary, kDeviceList, kOwnAspiCopy})
    Host.DeleteFile(Host.AppPath(name));
  // The version rule tells the applet's own installed layer from an older one of the user's; only
  // the own copy is unhidden here and deleted by the batch.
  const bool ownAspi = cleanAspi && IsOwnAspiVersion(FileVersionText(Host, kAspiLayer, "Short"));
  if (ownAspi && Host.FileExists(kAspiLayer)) {
    const int32_t attributes = Host.GetAttributes(kAspiLayer);
    if (attributes >= 0 && (attributes & kHiddenAttribute))
      Host.SetAttributes(kAspiLayer, attributes & ~kHiddenAttribute);
  }
  Host.DeleteFile(Host.AppPath(kHiddenSupportFile));
  if (!appletDeletionAllowed) deleteApplet = false;

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

bool TSessionReports::BuildResultsAddress(const TResultsReport& session, std::string& address) {
  TResultsReport report = session;
  report.DirectCdVersion =
      FileVersionText(Host, Host.FileExists(kDirectCdDriver) ? kDirectCdDriver : kDirectCdProgram, "Short");
  std::string project;
  if (!Host.ReadTextFile(Host.AppPath(kProjectFile), project)) return false;
  report.SourceLine = SourceLineOf(project);
  report.AppletVersion = FileVersionText(Host, Host.AppletFileName(), "Full");
  report.AspiVersion = FileVersionText(Host, kAspiLayer, "Long");
  report.ProgressHint = View.Hint(TGaugeId::ProgressBar);
  address = ResultsAddress(report);
  return true;
}

void TSessionReports::OpenResultsPage(const TResultsReport& session) {
  // No cover sheet means no report.
  if (!Host.FileExists(Host.AppPath(kCoverSheet))) return;
  if (!Sockets.Start()) return;
  std::string address;
  if (BuildResultsAddress(session, address)) Host.ShellOpen(address);
  Sockets.Stop();
}

void TSessionReports::OpenHelpPage() { Host.ShellOpen(std::string(kWebSite) + kHelpPagePath); }

void TSessionReports::OpenAspiHelpPage() { Host.ShellOpen(std::string(kWebSite) + kAspiHelpPagePath); }

void TSessionReports::OpenCoverSheet() { Host.ShellOpen(Host.AppPath(kCoverSheet)); }

}  // namespace qx
