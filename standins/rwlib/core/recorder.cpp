#include "recorder.h"

#include <algorithm>

#include "iso_image.h"

namespace qx::rwlib {

namespace fs = std::filesystem;

namespace {

constexpr int32_t kSuccess = 1;
constexpr int32_t kGeneralFailure = 2;
constexpr int32_t kBadParameter = 7;
constexpr int32_t kNotStarted = 11;
constexpr int32_t kNoBlankDisc = 12;
constexpr int32_t kUnsupportedWriteMode = 13;
constexpr int32_t kTerminated = 19;
constexpr int32_t kNoFeature = 20;
constexpr int32_t kAlreadyStarted = 21;
constexpr int32_t kNotPresent = 23;
constexpr int32_t kDoesNotFit = 128;
constexpr int kPauseSlice = 20;  // ms between looks at an abort request

}  // namespace

TVirtualRecorder::TVirtualRecorder(TRecorderConfig config, fs::path home)
    : Config_(std::move(config)), Home_(std::move(home)) {
  for (std::size_t i = 0; i < 4 && i < Config_.Speeds.size(); ++i) Speeds_[i] = Config_.Speeds[i];
}

fs::path TVirtualRecorder::ImagePath() const {
  const fs::path image = fs::u8path(Config_.Image);
  return image.is_absolute() ? image : Home_ / image;
}

int32_t TVirtualRecorder::Start(int32_t adapter, int32_t target, uint8_t, uint8_t, int32_t) {
  std::lock_guard<std::mutex> hold(Lock_);
  if (!Config_.Present || adapter != Config_.Adapter || target != Config_.Target) return kNotPresent;
  if (Started_) return kAlreadyStarted;
  Started_ = true;
  return kSuccess;
}

int32_t TVirtualRecorder::BlankDisc(int32_t) {
  std::lock_guard<std::mutex> hold(Lock_);
  if (!Started_) return kNotStarted;
  if (Writing_) return kGeneralFailure;
  if (!Config_.DiscPresent || TrayOpen_) return kNoBlankDisc;
  if (!Config_.Erasable) return kNoFeature;
  std::error_code ec;
  fs::remove(ImagePath(), ec);
  if (ec) return kGeneralFailure;
  NotReadyLeft_ = Config_.ReadyAfterErase ? Config_.NotReadyPolls : -1;
  return kSuccess;
}

int32_t TVirtualRecorder::GetDiscInfo(TDiscInfo& info) {
  std::lock_guard<std::mutex> hold(Lock_);
  if (!Started_) return kNotStarted;
  if (!Config_.DiscPresent || TrayOpen_) return kNoBlankDisc;
  std::error_code ec;
  const bool written = fs::exists(ImagePath(), ec);
  info.Blank = written ? 0 : 1;
  info.Sessions = written ? 1 : 0;
  info.Erasable = Config_.Erasable ? 1 : 0;
  info.Ready = NotReadyLeft_ == 0 ? 1 : 0;
  info.MediaType = Config_.MediaType;
  if (NotReadyLeft_ > 0) --NotReadyLeft_;
  return kSuccess;
}

int32_t TVirtualRecorder::SetCdSpeeds(uint16_t, uint16_t writeSpeed) {
  std::lock_guard<std::mutex> hold(Lock_);
  if (!Started_) return kNotStarted;
  if (Config_.SpeedResult != kSuccess) return Config_.SpeedResult;
  // Like a drive, take the nearest speed it can do: nothing above its highest, 0 meaning the highest.
  Speeds_[1] = writeSpeed == 0 ? Speeds_[3] : std::min(writeSpeed, Speeds_[3]);
  return kSuccess;
}

int32_t TVirtualRecorder::GetCdSpeeds(uint16_t speeds[4]) {
  std::lock_guard<std::mutex> hold(Lock_);
  if (!Started_) return kNotStarted;
  if (Config_.SpeedResult != kSuccess) return Config_.SpeedResult;
  std::copy(Speeds_, Speeds_ + 4, speeds);
  return kSuccess;
}

int32_t TVirtualRecorder::Unload() {
  std::lock_guard<std::mutex> hold(Lock_);
  if (!Started_) return kNotStarted;
  if (Writing_) return kGeneralFailure;
  TrayOpen_ = true;
  return kSuccess;
}

int32_t TVirtualRecorder::Load() {
  std::lock_guard<std::mutex> hold(Lock_);
  if (!Started_) return kNotStarted;
  TrayOpen_ = false;
  return kSuccess;
}

int32_t TVirtualRecorder::IsDeviceReadyEx() {
  std::lock_guard<std::mutex> hold(Lock_);
  if (!Started_) return kNotStarted;
  const auto& answers = Config_.ReadyAnswers;
  const int32_t answer = answers[std::min(ReadyCalls_, answers.size() - 1)];
  ++ReadyCalls_;
  return answer;
}

int32_t TVirtualRecorder::BurnProofControl(int32_t) {
  std::lock_guard<std::mutex> hold(Lock_);
  if (!Started_) return kNotStarted;
  return Config_.BurnProof;
}

int32_t TVirtualRecorder::GetVendorProductStrings(std::string& vendor, std::string& product) {
  std::lock_guard<std::mutex> hold(Lock_);
  if (!Started_) return kNotStarted;
  vendor = Config_.Vendor;
  product = Config_.Product;
  return kSuccess;
}

int32_t TVirtualRecorder::GetSupportedWriteModes(int32_t modes[3]) {
  std::lock_guard<std::mutex> hold(Lock_);
  if (!Started_) return kNotStarted;
  modes[0] = Config_.TrackAtOnce ? 1 : 0;
  modes[1] = Config_.WriteModeFlag2 ? 1 : 0;
  modes[2] = Config_.WriteModeFlag3 ? 1 : 0;
  return kSuccess;
}

bool TVirtualRecorder::RequestAbort() {
  if (!Writing_) return false;
  AbortRequested_ = true;
  return true;
}

int32_t TVirtualRecorder::RunProgress(int64_t stopAt, int32_t interval, IWriteHost& host, int64_t& written) {
  written = 0;
  int64_t pausedMs = 0;
  while (written < stopAt) {
    const int64_t chunk = std::min<int64_t>(interval, stopAt - written);
    // The pace is kept over the whole write, so short slices do not add up to drift.
    const int64_t dueMs =
        Config_.SectorsPerSecond > 0 ? (written + chunk) * 1000 / Config_.SectorsPerSecond : pausedMs;
    do {
      if (AbortRequested_) return kTerminated;
      const int64_t step = std::min<int64_t>(kPauseSlice, dueMs - pausedMs);
      if (step > 0) {
        host.Pause(static_cast<int>(step));
        pausedMs += step;
      }
    } while (pausedMs < dueMs);
    if (AbortRequested_) return kTerminated;
    written += chunk;
    if (chunk == interval) host.Signal();
  }
  return kSuccess;
}

int32_t TVirtualRecorder::WriteTrackList(const TWriteRequest& request, IWriteHost& host) {
  {
    std::lock_guard<std::mutex> hold(Lock_);
    if (!Started_) return kNotStarted;
    if (Writing_) return kGeneralFailure;
    if (request.Interval <= 0 || request.PathCount < 1 || request.PathCount > 99 ||
        request.Paths.size() < static_cast<std::size_t>(request.PathCount))
      return kBadParameter;
    if (!Config_.DiscPresent || TrayOpen_) return kNoBlankDisc;
    std::error_code ec;
    if (fs::exists(ImagePath(), ec)) return kNoBlankDisc;
    if (!Config_.TrackAtOnce) return kUnsupportedWriteMode;
    Writing_ = true;
    AbortRequested_ = false;
  }
  struct TWritingFlag {
    std::atomic<bool>& Flag;
    ~TWritingFlag() { Flag = false; }
  } writingFlag{Writing_};

  // The track's folder becomes the disc's root.
  TIsoImage image;
  int32_t result = image.Plan(request.Paths[0], request.VolumeName, request.Now);
  if (result != kSuccess) return result;
  const int64_t sectors = image.Sectors();
  if (sectors > Config_.CapacitySectors()) return kDoesNotFit;

  const bool fails = Config_.WriteResult != kSuccess;
  const int64_t stopAt = fails ? sectors * Config_.FailAtPercent / 100 : sectors;
  int64_t written = 0;
  result = RunProgress(stopAt, request.Interval, host, written);
  if (result == kSuccess && fails) result = Config_.WriteResult;

  // A test write leaves the disc as it was. A real one leaves what it burnt: the whole image, or the
  // first sectors of it when the write stopped early (a spoilt disc that is no longer blank).
  if (!request.TestWrite && written > 0) {
    std::string error;
    if (!image.Write(ImagePath(), result == kSuccess ? -1 : written, &error) && result == kSuccess)
      result = kGeneralFailure;
  }
  return result;
}

}  // namespace qx::rwlib
