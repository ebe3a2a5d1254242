#pragma once
// The session's window and host as a recording needs them on the window thread: TBurnHost over
// TSessionView and TSessionHost. The start-up code makes one and hands it to the burn data module,
// which so never sees the session itself.
#include <string>

#include "burn/burn_platform.h"
#include "session/session_host.h"
#include "session/session_view.h"

namespace qx {

class TSessionBurnHost : public TBurnHost {
public:
  TSessionBurnHost(TSessionView& view, TSessionHost& host) : View(view), Host(host) {}
  std::string Text(unsigned id) override;
  bool ReadAppFile(const std::string& name, const TFilePiece& piece) override;
  void ProcessMessages() override;
  void Beep() override;
  int BarPercentDone() override;
  void SetBarHint(const std::string& hint) override;
  void FillBar() override;
  void DisableHelpButton() override;

private:
  TSessionView& View;
  TSessionHost& Host;
};

}  // namespace qx
