#include "config.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <functional>
#include <sstream>

namespace qx::rwlib {

namespace {

std::string Trim(const std::string& s) {
  std::size_t b = 0, e = s.size();
  while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
  return s.substr(b, e - b);
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool ReadInt(const std::string& text, int64_t& out) {
  if (text.empty()) return false;
  char* end = nullptr;
  const long long v = std::strtoll(text.c_str(), &end, 10);
  if (end == text.c_str() || *end != '\0') return false;
  out = v;
  return true;
}

template <typename T>
bool ReadNumber(const std::string& text, T& out) {
  int64_t v = 0;
  if (!ReadInt(text, v)) return false;
  out = static_cast<T>(v);
  return true;
}

bool ReadFlag(const std::string& text, bool& out) {
  const std::string v = Lower(text);
  if (v == "1" || v == "yes" || v == "true" || v == "on") return out = true, true;
  if (v == "0" || v == "no" || v == "false" || v == "off") return out = false, true;
  return false;
}

template <typename T>
bool ReadList(const std::string& text, std::vector<T>& out) {
  std::vector<T> values;
  std::stringstream in(text);
  std::string item;
  while (std::getline(in, item, ',')) {
    T v{};
    if (!ReadNumber(Trim(item), v)) return false;
    values.push_back(v);
  }
  if (values.empty()) return false;
  out = values;
  return true;
}

// A recorder text: a device may answer any bytes, which a line of the file cannot all hold, so
// "\t", "\r", "\n", "\\" and "\xHH" (two hex digits) stand for the byte they name; any other
// backslash is kept as it is.
std::string Unescaped(const std::string& text) {
  auto hex = [](char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char next = i + 1 < text.size() ? text[i + 1] : '\0';
    if (text[i] != '\\' || next == '\0') {
      out += text[i];
    } else if (next == 't' || next == 'r' || next == 'n' || next == '\\') {
      out += next == 't' ? '\t' : next == 'r' ? '\r' : next == 'n' ? '\n' : '\\';
      ++i;
    } else if (next == 'x' && i + 3 < text.size() && hex(text[i + 2]) >= 0 && hex(text[i + 3]) >= 0) {
      out += static_cast<char>(hex(text[i + 2]) * 16 + hex(text[i + 3]));
      i += 3;
    } else {
      out += text[i];
    }
  }
  return out;
}

// A [Force] value: a result code or one of the named ways of failing.
bool ReadForced(const std::string& text, TForced& out) {
  static const std::pair<const char*, TForcedAction> kNamed[] = {
      {"fault", faFault}, {"handledfault", faHandledFault}, {"exception", faException}};
  const std::string lower = Lower(text);
  for (const auto& [name, action] : kNamed) {
    if (lower == name) {
      out.Action = action;
      return true;
    }
  }
  out.Action = faAnswer;
  return ReadNumber(text, out.Result);
}

}  // namespace

int64_t MediaCapacity(int32_t mediaType) {
  switch (mediaType) {
    case mtCdRom:
    case mtCdR650: return 333000;  // 74 minutes
    case mtCdR:
    case mtCdRw: return 359849;  // 80 minutes
    case mtDvdR:
    case mtDvdRw: return 2298496;
    case mtDvdPlusR:
    case mtDvdPlusRw: return 2295104;
    default: return 359849;
  }
}

const TForced* TRecorderConfig::ForcedFor(const std::string& entryPoint) const {
  auto it = Forced.find(Lower(entryPoint));
  return it == Forced.end() ? nullptr : &it->second;
}

TRecorderConfig ParseDevicesDef(const std::string& text, std::vector<std::string>* warnings) {
  TRecorderConfig config;
  auto warn = [&](const std::string& w) {
    if (warnings) warnings->push_back(w);
  };
  using Setter = std::function<bool(const std::string&)>;
  const std::map<std::string, Setter> keys = {
      {"recorder.present", [&](const std::string& v) { return ReadFlag(v, config.Present); }},
      {"recorder.adapter", [&](const std::string& v) { return ReadNumber(v, config.Adapter); }},
      {"recorder.target", [&](const std::string& v) { return ReadNumber(v, config.Target); }},
      {"recorder.vendor", [&](const std::string& v) { return config.Vendor = Unescaped(v), true; }},
      {"recorder.product", [&](const std::string& v) { return config.Product = Unescaped(v), true; }},
      {"recorder.trackatonce", [&](const std::string& v) { return ReadFlag(v, config.TrackAtOnce); }},
      {"recorder.writemodeflag2", [&](const std::string& v) { return ReadFlag(v, config.WriteModeFlag2); }},
      {"recorder.writemodeflag3", [&](const std::string& v) { return ReadFlag(v, config.WriteModeFlag3); }},
      {"recorder.burnproof", [&](const std::string& v) { return ReadNumber(v, config.BurnProof); }},
      {"recorder.speeds",
       [&](const std::string& v) {
         std::vector<uint16_t> speeds;
         if (!ReadList(v, speeds) || speeds.size() != 4) return false;
         config.Speeds = speeds;
         return true;
       }},
      {"recorder.speedresult", [&](const std::string& v) { return ReadNumber(v, config.SpeedResult); }},
      {"recorder.readyanswers", [&](const std::string& v) { return ReadList(v, config.ReadyAnswers); }},
      {"disc.present", [&](const std::string& v) { return ReadFlag(v, config.DiscPresent); }},
      {"disc.mediatype", [&](const std::string& v) { return ReadNumber(v, config.MediaType); }},
      {"disc.erasable", [&](const std::string& v) { return ReadFlag(v, config.Erasable); }},
      {"disc.readyaftererase", [&](const std::string& v) { return ReadFlag(v, config.ReadyAfterErase); }},
      {"disc.notreadypolls", [&](const std::string& v) { return ReadNumber(v, config.NotReadyPolls); }},
      {"disc.capacity", [&](const std::string& v) { return ReadNumber(v, config.Capacity); }},
      {"disc.image", [&](const std::string& v) { return !v.empty() && (config.Image = v, true); }},
      {"write.result", [&](const std::string& v) { return ReadNumber(v, config.WriteResult); }},
      {"write.failatpercent",
       [&](const std::string& v) {
         int32_t percent = 0;
         if (!ReadNumber(v, percent) || percent < 0 || percent > 100) return false;
         config.FailAtPercent = percent;
         return true;
       }},
      {"write.sectorspersecond",
       [&](const std::string& v) {
         int64_t pace = 0;
         if (!ReadNumber(v, pace) || pace < 0) return false;
         config.SectorsPerSecond = pace;
         return true;
       }},
      {"log.path", [&](const std::string& v) { return config.LogPath = v, true; }},
  };

  std::stringstream in(text);
  std::string line, section;
  int lineNumber = 0;
  while (std::getline(in, line)) {
    ++lineNumber;
    const std::string where = "line " + std::to_string(lineNumber) + ": ";
    line = Trim(line);
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line.front() == '[') {
      const std::size_t close = line.find(']');
      section = Lower(Trim(line.substr(1, close == std::string::npos ? std::string::npos : close - 1)));
      continue;
    }
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) {
      warn(where + "no '=' in \"" + line + "\"");
      continue;
    }
    const std::string key = Lower(Trim(line.substr(0, eq)));
    const std::string value = Trim(line.substr(eq + 1));
    if (section == "force") {
      TForced forced;
      if (!ReadForced(value, forced)) {
        warn(where + "forced result of " + key +
             " is not a number, \"fault\", \"handledfault\" or \"exception\"");
        continue;
      }
      config.Forced[key] = forced;
      continue;
    }
    auto it = keys.find(section + "." + key);
    if (it == keys.end()) {
      warn(where + "unknown key [" + section + "] " + key);
      continue;
    }
    if (!it->second(value)) warn(where + "bad value for [" + section + "] " + key + ": \"" + value + "\"");
  }
  if (config.ReadyAnswers.empty()) config.ReadyAnswers = {1};
  return config;
}

}  // namespace qx::rwlib
