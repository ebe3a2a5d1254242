#include "session/results_address.h"

#include "base/result_code.h"

namespace qx {

namespace {

std::string Replaced(std::string text, const std::string& chars, char by) {
  for (char& c : text)
    if (chars.find(c) != std::string::npos) c = by;
  return text;
}

}  // namespace

std::string SourceLineOf(const std::string& content) {
  if (content.empty()) return "Missing";
  return content.substr(0, content.find_first_of("\r\n"));
}

std::string ResultsAddress(const TResultsReport& r) {
  // The blank replacement covers the source and the three version texts only; what follows is
  // sent as it stands.
  const std::string versions = Replaced(r.SourceLine + "&av=" + r.AppletVersion + "&ASPI=" + r.AspiVersion +
                                            "&DirectCDvxd=" + r.DirectCdVersion,
                                        " ", '_');
  std::string tail;
  if (r.ResultCode != rsCompleted) tail += "&p=100." + r.ProgressHint;
  const std::string recorder = r.RecorderVendor + r.RecorderProduct;
  tail += "&cdr=" + (recorder.empty() ? std::string("None") : Replaced(recorder, "& ", '_'));
  tail += r.SuccText + r.FailText;
  tail += "&t=" + r.SpeedText;
  tail += "&size=" + std::to_string(r.SizeMB);
  return std::string(kResultsServer) + "vkrp6.asp?r=" + std::to_string(r.ResultCode) + "&source=" + versions +
         tail;
}

}  // namespace qx
