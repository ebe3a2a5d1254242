#pragma once
// What the payload module decides, kept apart from the calls that carry it out: which support
// files a build packs and deletes, in which order the maintenance works run, and the text and
// start-up of the batch that replaces a running applet.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qx {

// The support files a build packs, in packing order. "qxi9cd.qx" is left out with "/Now#13/#10".
std::vector<std::string> SupportFilesToPack(bool withoutQxi9cd);

// After packing, every packed name but the last two is deleted with its read-only and hidden
// attributes cleared first (in list order).
std::vector<std::string> PackedFilesToForceDelete(const std::vector<std::string>& packedNames);

// Then the support files are deleted in this order, packed or not.
std::vector<std::string> SupportFilesToDelete(bool withoutQxi9cd);

// The maintenance works and how a run of them reaches the platform.
struct TMaintenanceWork {
  std::function<bool(const std::string& text)> IsSwitch;
  std::function<void()> BuildApplet;
  std::function<void()> ExtractAll;
  std::function<void()> MakeEmptyApplet;
  std::function<void()> RequestEnd;
};

// Runs the first maintenance work whose switch is present; a work that fails hands over to the
// next switch's work. Returns whether any maintenance switch is present.
bool RunMaintenanceSteps(const TMaintenanceWork& work);

// Text of "qx1e.bat": it waits until the running applet can be deleted, then moves "qx1e.qx" into
// its place as "Applet.exe" and deletes itself. Lines end in CR LF.
std::string ReplaceBatchText(const std::string& appletPath, const std::string& appletFolder);

// A path as a batch line must carry it: quoted, with every "%" doubled, because the command
// interpreter expands "%" even inside quotes and the line would otherwise name another file.
std::string BatchQuoted(const std::string& path);

// How a batch file is started: on NT-family Windows directly in a new console, on the 9x family
// through "command.com /c" as a detached process; always at normal priority.
struct TBatchLaunch {
  std::string CommandLine;
  uint32_t CreationFlags;
};
constexpr uint32_t kDetachedProcess = 0x00000008;
constexpr uint32_t kCreateNewConsole = 0x00000010;
constexpr uint32_t kNormalPriorityClass = 0x00000020;
TBatchLaunch BatchLaunch(const std::string& batchPath, bool isNT);

}  // namespace qx
