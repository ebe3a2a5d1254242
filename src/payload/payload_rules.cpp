#include "payload/payload_rules.h"

#include "base/applet_layout.h"
#include "base/support_files.h"

namespace qx {

std::vector<std::string> SupportFilesToPack(bool withoutQxi9cd) {
  std::vector<std::string> names{kOwnAspiCopy, kProjectFile, kRecordingLibrary, kDeviceList};
  if (!withoutQxi9cd) names.push_back(kHiddenSupportFile);
  return names;
}

std::vector<std::string> PackedFilesToForceDelete(const std::vector<std::string>& packedNames) {
  if (packedNames.size() <= 2) return {};
  return {packedNames.begin(), packedNames.end() - 2};
}

std::vector<std::string> SupportFilesToDelete(bool withoutQxi9cd) {
  std::vector<std::string> names;
  if (!withoutQxi9cd) names.push_back(kHiddenSupportFile);
  for (const char* name : {kOwnAspiCopy, kProjectFile, kRecordingLibrary, kDeviceList}) names.push_back(name);
  return names;
}

bool RunMaintenanceSteps(const TMaintenanceWork& work) {
  const bool build = work.IsSwitch(kSwitchRle) || work.IsSwitch(kSwitchMax) || work.IsSwitch(kSwitchNow);
  const bool spawn = work.IsSwitch(kSwitchSpawn);
  const bool empty = work.IsSwitch(kSwitchEmpty);
  const bool result = build || spawn || empty;
  // Each work's failure is swallowed on purpose: the next requested work still gets its turn.
  if (build) {
    try {
      work.BuildApplet();
      work.RequestEnd();
      return result;
    } catch (...) {
    }
  }
  if (spawn) {
    try {
      work.ExtractAll();
      work.RequestEnd();
      return result;
    } catch (...) {
    }
  }
  if (empty) {
    try {
      work.MakeEmptyApplet();
      work.RequestEnd();
    } catch (...) {
    }
  }
  return result;
}

std::string BatchQuoted(const std::string& path) {
  std::string quoted = "\"";
  for (char c : path) {
    if (c == '%') quoted += '%';
    quoted += c;
  }
  return quoted + "\"";
}

std::string ReplaceBatchText(const std::string& appletPath, const std::string& appletFolder) {
  const std::string newApplet = BatchQuoted(appletFolder + "qx1e.qx");
  const std::string batch = BatchQuoted(appletFolder + "qx1e.bat");
  const std::string applet = BatchQuoted(appletPath);
  const std::string lines[] = {
      "@echo off",
      "cd " + BatchQuoted(appletFolder),
      ":try1",
      "del " + applet,
      "if exist " + applet + " goto try1",
      ":try2",
      "move " + newApplet + " " + BatchQuoted("Applet.exe"),
      "if exist " + newApplet + " goto try2",
      ":try3",
      "del " + batch,
      "if exist " + batch + " goto try3",
      "exit",
  };
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

TBatchLaunch BatchLaunch(const std::string& batchPath, bool isNT) {
  const std::string quoted = "\"" + batchPath + "\"";
  if (isNT) return {quoted, kCreateNewConsole | kNormalPriorityClass};
  return {"command.com /c " + quoted, kDetachedProcess | kNormalPriorityClass};
}

}  // namespace qx
