// The burn history in the registry: read when the window is created, written when the session
// ends, and its two summaries for the results report.
#include "session/history.h"

#include <limits>

#include "recording/rwlib_api.h"
#include "session/form_main.h"
#include "session/session_rules.h"

namespace qx {

std::optional<int64_t> ParseDecimal64(const std::string& text) {
  std::size_t i = 0;
  const bool negative = !text.empty() && text[0] == '-';
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) i = 1;
  if (i == text.size()) return std::nullopt;
  // Accumulated as a negative number, so that the lowest value fits too.
  int64_t value = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return std::nullopt;
    const int digit = c - '0';
    if (value < (std::numeric_limits<int64_t>::min() + digit) / 10) return std::nullopt;
    value = value * 10 - digit;
  }
  if (!negative) {
    if (value == std::numeric_limits<int64_t>::min()) return std::nullopt;
    value = -value;
  }
  return value;
}

std::optional<int32_t> ParseDecimal32(const std::string& text) {
  const std::optional<int64_t> wide = ParseDecimal64(text);
  if (!wide || *wide < std::numeric_limits<int32_t>::min() || *wide > std::numeric_limits<int32_t>::max())
    return std::nullopt;
  return static_cast<int32_t>(*wide);
}

std::string SuccTextOf(int32_t sao, int32_t dao, int32_t tao) {
  return "&Succ=" + std::to_string(sao) + "." + std::to_string(dao) + "." + std::to_string(tao);
}

std::string FailTextOf(int32_t sao, int32_t dao, int32_t tao) {
  return "&Fail=" + std::to_string(sao) + "." + std::to_string(dao) + "." + std::to_string(tao);
}

namespace {

// Reads through a key that may be missing: then every value keeps its default.
class TReader {
public:
  explicit TReader(TRegistryKey* key) : key(key) {}

  void Text(const char* name, std::string& value) {
    std::string stored;
    if (key && key->Read(name, stored)) value = stored;
  }
  void Integer(const char* name, int32_t& value) {
    std::string stored;
    if (!key || !key->Read(name, stored)) return;
    if (const auto number = ParseDecimal32(stored)) value = *number;
  }
  void Boolean(const char* name, bool& value) {
    int32_t number = value ? 1 : 0;
    Integer(name, number);
    value = number != 0;
  }
  void Size(const char* name, int64_t& value) {
    std::string stored;
    if (!key || !key->Read(name, stored)) return;
    if (const auto number = ParseDecimal64(stored)) value = *number;
  }

private:
  TRegistryKey* key;
};

std::string BooleanText(bool value) { return value ? "1" : "0"; }

}  // namespace

void TFormMain::LoadHistory() {
  const std::unique_ptr<TRegistryKey> key = Host.OpenHistoryKey();
  TReader read(key.get());
  read.Text(history::kLastDiscNumber, History.LastDiscNumber);
  read.Text(history::kLastFolderPath, History.LastFolderPath);
  read.Size(history::kLastFolderSize, History.LastFolderSize);
  read.Text(history::kLastProjectDeleteIt, History.LastProjectDeleteIt);
  read.Text(history::kLastVolName, History.LastVolName);
  read.Boolean(history::kTesting, History.Testing);
  read.Integer(history::kCpuSpeed, CpuSpeed);
  read.Integer(history::kPriorX, History.PriorX);
  read.Boolean(history::kPriorBurnWasGood, History.PriorBurnWasGood);
  read.Boolean(history::kPriorSaidHoldThrottle, History.PriorSaidHoldThrottle);
  read.Boolean(history::kDeleteApplet, History.DeleteApplet);
  read.Integer(history::kTAOModeSuccess, TAOModeSuccess);
  read.Integer(history::kSAOModeSuccess, SAOModeSuccess);
  read.Integer(history::kDAOModeSuccess, DAOModeSuccess);
  read.Integer(history::kTAOModeFail, TAOModeFail);
  read.Integer(history::kSAOModeFail, SAOModeFail);
  read.Integer(history::kDAOModeFail, DAOModeFail);
  BuildHistoryTexts();
}

void TFormMain::SaveHistory() {
  // The outcome of this session: only a recording that was made or cancelled says anything about
  // the recorder's speed.
  const bool outcomeKnown =
      ResultCode == rsCompleted || ResultCode == rsCancelled || ResultCode == rsRecordingFailed;
  if (ResultCode == rsCompleted) History.PriorBurnWasGood = true;
  if (ResultCode == rsCancelled || ResultCode == rsRecordingFailed) History.PriorBurnWasGood = false;
  // SpeedText holds the speed factor once the estimate has run; before that it is not a number.
  const std::optional<int32_t> parsed = ParseDecimal32(SpeedText);
  const bool speedKnown = outcomeKnown && parsed.has_value();
  const int32_t speed = parsed.value_or(0);
  if (speedKnown) History.PriorX = speed;

  const std::unique_ptr<TRegistryKey> key = Host.OpenHistoryKey();
  if (!key) return;
  key->Write(history::kCpuSpeed, std::to_string(CpuSpeed));
  key->Write(history::kPriorBurnWasGood, BooleanText(History.PriorBurnWasGood));
  key->Write(history::kPriorSaidHoldThrottle, BooleanText(History.PriorSaidHoldThrottle));
  key->Write(history::kTAOModeSuccess, std::to_string(TAOModeSuccess));
  key->Write(history::kSAOModeSuccess, std::to_string(SAOModeSuccess));
  key->Write(history::kDAOModeSuccess, std::to_string(DAOModeSuccess));
  key->Write(history::kTAOModeFail, std::to_string(TAOModeFail));
  key->Write(history::kSAOModeFail, std::to_string(SAOModeFail));
  key->Write(history::kDAOModeFail, std::to_string(DAOModeFail));
  key->Write(history::kBBResult, std::to_string(ResultCode));
  // The speed choice of the next session steps down from, or holds, this recording's speed, so
  // it is stored whenever a recording got as far as choosing one.
  if (speedKnown) key->Write(history::kPriorX, std::to_string(speed));
}

void TFormMain::BuildHistoryTexts(int32_t lastWriteResult) {
  SuccText = SuccTextOf(SAOModeSuccess, DAOModeSuccess, TAOModeSuccess);
  FailText = FailTextOf(SAOModeFail, DAOModeFail, TAOModeFail);
  if (lastWriteResult != rwlib::rcSuccess) FailText += ":" + std::to_string(lastWriteResult);
}

TSpeedInputs TFormMain::SpeedInputs() {
  TSpeedInputs inputs;
  inputs.IsNT = Host.IsNT();
  inputs.CpuSpeed = CpuSpeed;
  inputs.MemoryFactor = MemoryFactor;
  inputs.PriorBurnWasGood = History.PriorBurnWasGood;
  inputs.PriorSaidHoldThrottle = History.PriorSaidHoldThrottle;
  inputs.PriorX = History.PriorX;
  inputs.TAOModeSuccess = TAOModeSuccess;
  inputs.SAOModeSuccess = SAOModeSuccess;
  inputs.DAOModeSuccess = DAOModeSuccess;
  return inputs;
}

}  // namespace qx
