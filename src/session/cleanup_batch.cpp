#include "session/cleanup_batch.h"

#include "payload/payload_rules.h"
#include "base/support_files.h"

namespace qx {

std::string CleanupBatchText(const TCleanupBatchInputs& in) {
  std::string text;
  auto line = [&text](const std::string& s) { text += s + "\r\n"; };
  line("@echo off");
  line("cd " + BatchQuoted(in.AppletFolder));
  if (in.DeleteApplet) {
    line(":try");
    line("del " + BatchQuoted(in.AppletFileName));
    line("if exist " + BatchQuoted(in.AppletFileName) + " goto try");
  }
  if (in.DeleteAspi) {
    line(":try2");
    line("del " + BatchQuoted(kAspiLayer));
    line("if exist " + BatchQuoted(kAspiLayer) + " goto try2");
  }
  line("del " + BatchQuoted(in.BatchPath));
  line("exit");
  return text;
}

bool IsOwnAspiVersion(const std::string& versionText) {
  return !versionText.empty() && static_cast<unsigned char>(versionText[0]) >= '5';
}

}  // namespace qx
