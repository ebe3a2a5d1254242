#include "session/burn_seam.h"

namespace qx {

std::string TSessionBurnHost::Text(unsigned id) { return Host.Text(id); }

bool TSessionBurnHost::ReadAppFile(const std::string& name, const TFilePiece& piece) {
  return Host.ReadFilePieces(Host.AppPath(name), piece);
}

void TSessionBurnHost::ProcessMessages() { Host.ProcessMessages(); }

void TSessionBurnHost::Beep() { Host.Beep(); }

int TSessionBurnHost::BarPercentDone() { return View.PercentDone(TGaugeId::ProgressBar); }

void TSessionBurnHost::SetBarHint(const std::string& hint) { View.SetHint(TGaugeId::ProgressBar, hint); }

void TSessionBurnHost::FillBar() {
  View.SetProgress(TGaugeId::ProgressBar, View.MaxValue(TGaugeId::ProgressBar));
}

void TSessionBurnHost::DisableHelpButton() { View.SetEnabled(TButtonId::ButtonLeft, false); }

}  // namespace qx
