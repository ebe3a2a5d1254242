#include "session/results_address.h"

#include "base/result_code.h"

namespace qx {

namespace {

std::string Replaced(std::string text, const std::string& chars, char by) {
  for (char& c : text)
    if (chars.find(c) != std::string::npos) c = by;
  return text;
}

// Every byte that could end the value, start a new key or split the browser's command line (quotes,
// blanks, tabs, line ends, "&", "%", "#", bytes above 127) is sent as %XX; letters, digits and the
// marks that plain version and recorder texts use pass unchanged, so plain values read as before.
std::string UrlValue(const std::string& text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    const auto b = static_cast<unsigned char>(c);
    const bool safe = (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') ||
                      b == '-' || b == '.' || b == '_' || b == '~' || b == '(' || b == ')';
    if (safe) {
      out += c;
    } else {
      out += '%';
      out += kHex[b >> 4];
      out += kHex[b & 15];
    }
  }
  return out;
}

// How much of each outside text the address carries: plain values (a project's source line, version
// texts, a recorder's 8-character vendor and 16-character product with its revision) fit whole, and
// however long the texts a device or a file hands over, the encoded address stays within 1,024
// characters, which the shell and every browser take.
constexpr std::size_t kMaxSource = 64;
constexpr std::size_t kMaxVersion = 32;
constexpr std::size_t kMaxRecorder = 64;
constexpr std::size_t kMaxShort = 16;  // the progress hint and the speed text

std::string Cut(const std::string& text, std::size_t size) { return text.substr(0, size); }

// An outside text as a query value: the blanks replaced as the report's readers expect, then
// encoded so that it stays one value.
std::string SourceValue(const std::string& text) { return UrlValue(Replaced(text, " ", '_')); }

}  // namespace

std::string SourceLineOf(const std::string& content) {
  if (content.empty()) return "Missing";
  return content.substr(0, content.find_first_of("\r\n"));
}

std::string ResultsAddress(const TResultsReport& r) {
  // The blank replacement covers the source and the three version texts only. Every value that comes
  // from outside the session (the project file, version resources, the device, the history) is
  // encoded; the counters' fragments are the session's own keys and go as they are.
  const std::string versions = SourceValue(Cut(r.SourceLine, kMaxSource)) +
                               "&av=" + SourceValue(Cut(r.AppletVersion, kMaxVersion)) +
                               "&ASPI=" + SourceValue(Cut(r.AspiVersion, kMaxVersion)) +
                               "&DirectCDvxd=" + SourceValue(Cut(r.DirectCdVersion, kMaxVersion));
  std::string tail;
  if (r.ResultCode != rsCompleted) tail += "&p=100." + UrlValue(Cut(r.ProgressHint, kMaxShort));
  const std::string recorder = Cut(r.RecorderVendor + r.RecorderProduct, kMaxRecorder);
  tail += "&cdr=" + (recorder.empty() ? std::string("None") : UrlValue(Replaced(recorder, "& ", '_')));
  tail += r.SuccText + r.FailText;
  tail += "&t=" + UrlValue(Cut(r.SpeedText, kMaxShort));
  tail += "&size=" + std::to_string(r.SizeMB);
  return std::string(kResultsServer) + "vkrp6.asp?r=" + std::to_string(r.ResultCode) + "&source=" + versions +
         tail;
}

}  // namespace qx
