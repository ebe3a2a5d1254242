#pragma once
// The image recorder's configuration: what "DEVICES.DEF" beside the library says, with the defaults
// of a healthy recorder for everything it leaves out.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace qx::rwlib {

// Media type codes that GetDiscInfo reports. Codes up to 3 are CDs, the rest DVDs.
enum TMediaType : int32_t {
  mtCdRom = 0,
  mtCdR = 1,
  mtCdRw = 2,
  mtCdR650 = 3,
  mtDvdR = 4,
  mtDvdPlusR = 5,
  mtDvdRw = 6,
  mtDvdPlusRw = 7,
};

// Sectors of 2048 bytes the medium holds.
int64_t MediaCapacity(int32_t mediaType);

// What a forced entry point does instead of its work (or, for a handled fault, before it).
enum TForcedAction {
  faAnswer,        // answer Result at once
  faFault,         // raise an access violation inside the library and leave it to the caller
  faHandledFault,  // raise an access violation, handle it inside the library, then work as usual
  faException,     // raise the library's own software exception and leave it to the caller
};

struct TForced {
  TForcedAction Action = faAnswer;
  int32_t Result = 1;
};

struct TRecorderConfig {
  // [Recorder]
  bool Present = true;
  int32_t Adapter = 0;
  int32_t Target = 0;
  std::string Vendor = "QX";
  std::string Product = "Image Recorder";
  bool TrackAtOnce = true;
  bool WriteModeFlag2 = false;
  bool WriteModeFlag3 = false;
  int32_t BurnProof = 1;  // BurnProofControl's answer
  std::vector<uint16_t> Speeds = {7056, 1764, 7056, 8448};
  int32_t SpeedResult = 1;                  // GetCdSpeeds and SetCdSpeeds answer this when it is not 1
  std::vector<int32_t> ReadyAnswers = {1};  // IsDeviceReadyEx in sequence, the last one repeating
  // [Disc]
  bool DiscPresent = true;
  int32_t MediaType = mtCdR;
  bool Erasable = false;
  bool ReadyAfterErase = true;
  int32_t NotReadyPolls = 0;  // GetDiscInfo calls after an erase that still find the disc not ready
  int64_t Capacity = 0;       // sectors; 0 = the media type's own
  std::string Image = "disc.iso";
  // [Write]
  int32_t WriteResult = 1;
  int32_t FailAtPercent = 50;       // share of the sectors written before a failing write gives up
  int64_t SectorsPerSecond = 1800;  // 0 = as fast as possible
  // [Force]: entry point name -> what it does instead
  std::map<std::string, TForced> Forced;
  // [Log]
  std::string LogPath;  // empty = no call log

  int64_t CapacitySectors() const { return Capacity > 0 ? Capacity : MediaCapacity(MediaType); }
  const TForced* ForcedFor(const std::string& entryPoint) const;
};

// Parses the text of an ini file; keys it does not know are reported in `warnings` and ignored,
// as are values that do not read as what the key expects.
TRecorderConfig ParseDevicesDef(const std::string& text, std::vector<std::string>* warnings = nullptr);

}  // namespace qx::rwlib
