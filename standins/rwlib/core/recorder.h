#pragma once
// The virtual recorder behind the library's entry points: one drive whose disc is an image file.
//
// States of the drive, and what moves it on:
//   engine stopped   --Start at the configured adapter/target-->  engine started
//   tray closed      --Unload-->  tray open  --Load-->  tray closed
//   disc blank       (no image file)  --successful write / failed or aborted write with sectors written-->
//   disc written     (image file)     --BlankDisc on an erasable disc-->  disc blank, not ready for
//                                        the configured number of GetDiscInfo polls
//   idle  --WriteTrackList-->  writing  --done, failed or AbortWrite-->  idle
// Everything but Start answers 11 while the engine is stopped.
#include <atomic>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "config.h"

namespace qx::rwlib {

// What the platform does for a write in progress.
class IWriteHost {
public:
  virtual ~IWriteHost() = default;
  // Sets the caller's event: a further interval of sectors has been written.
  virtual void Signal() = 0;
  // Sleeps; the recorder never asks for more than a few tens of milliseconds at a time.
  virtual void Pause(int milliseconds) = 0;
};

struct TWriteRequest {
  int32_t PathCount = 0;
  std::vector<std::filesystem::path> Paths;  // the first PathCount entries
  std::string VolumeName;
  int32_t Interval = 0;
  bool TestWrite = false;
  std::time_t Now = 0;
};

struct TDiscInfo {
  int32_t Blank = 0, Sessions = 0, Erasable = 0, Ready = 0, MediaType = -1;
};

class TVirtualRecorder {
public:
  // `home` is the folder that relative image paths are taken from (the library's own).
  TVirtualRecorder(TRecorderConfig config, std::filesystem::path home);

  const TRecorderConfig& Config() const { return Config_; }
  std::filesystem::path ImagePath() const;

  int32_t Start(int32_t adapter, int32_t target, uint8_t zero, uint8_t memoryFactor, int32_t value);
  int32_t BlankDisc(int32_t mode);
  int32_t GetDiscInfo(TDiscInfo& info);
  int32_t SetCdSpeeds(uint16_t first, uint16_t writeSpeed);
  int32_t GetCdSpeeds(uint16_t speeds[4]);
  int32_t Unload();
  int32_t Load();
  int32_t IsDeviceReadyEx();
  int32_t BurnProofControl(int32_t mode);
  int32_t GetVendorProductStrings(std::string& vendor, std::string& product);
  int32_t GetSupportedWriteModes(int32_t modes[3]);
  // Asks a write in progress to stop; the write then answers 19. True when a write was running.
  bool RequestAbort();
  bool Writing() const { return Writing_; }
  // Blocks until the write is done, failed or aborted.
  int32_t WriteTrackList(const TWriteRequest& request, IWriteHost& host);

private:
  int32_t RunProgress(int64_t stopAt, int32_t interval, IWriteHost& host, int64_t& written);

  TRecorderConfig Config_;
  std::filesystem::path Home_;
  std::mutex Lock_;
  bool Started_ = false;
  bool TrayOpen_ = false;
  int32_t NotReadyLeft_ = 0;  // -1: never ready again
  std::size_t ReadyCalls_ = 0;
  uint16_t Speeds_[4] = {0, 0, 0, 0};
  std::atomic<bool> Writing_{false};
  std::atomic<bool> AbortRequested_{false};
};

}  // namespace qx::rwlib
