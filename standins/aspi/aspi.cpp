// A minimal ASPI layer: one host adapter with a CD/DVD drive at target 0, LUN 0. It answers the
// inquiries a recording library makes when it looks for drives; commands it does not know are
// refused the ASPI way, never by crashing.
#include <windows.h>

#include <cstring>

namespace {

// ASPI command codes and status values.
constexpr BYTE kHostAdapterInquiry = 0x00;
constexpr BYTE kGetDeviceType = 0x01;
constexpr BYTE kStatusComplete = 0x01;
constexpr BYTE kStatusInvalidCommand = 0x80;
constexpr BYTE kStatusInvalidHostAdapter = 0x81;
constexpr BYTE kStatusNoDevice = 0x82;
constexpr BYTE kStatusInvalidSrb = 0xE0;
constexpr BYTE kDeviceTypeCdRom = 0x05;
constexpr BYTE kAdapterCount = 1;

// The common head of every request block.
struct TSrbHeader {
  BYTE Command;
  BYTE Status;
  BYTE HostAdapter;
  BYTE Flags;
  DWORD Reserved;
};

struct TSrbInquiry {
  TSrbHeader Head;
  BYTE AdapterCount;
  BYTE ScsiId;
  char ManagerId[16];
  char Identifier[16];
  BYTE Unique[16];
  WORD Reserved;
};

struct TSrbDeviceType {
  TSrbHeader Head;
  BYTE Target;
  BYTE Lun;
  BYTE DeviceType;
  BYTE Reserved;
};

void CopyId(char (&field)[16], const char* text) {
  std::memset(field, ' ', sizeof field);
  std::memcpy(field, text, std::strlen(text) < sizeof field ? std::strlen(text) : sizeof field);
}

}  // namespace

extern "C" {

DWORD __cdecl GetASPI32SupportInfo() { return (static_cast<DWORD>(kStatusComplete) << 8) | kAdapterCount; }

DWORD __cdecl SendASPI32Command(void* request) {
  if (request == nullptr) return kStatusInvalidSrb;
  auto* head = static_cast<TSrbHeader*>(request);
  BYTE status = kStatusInvalidCommand;
  if (head->HostAdapter >= kAdapterCount) {
    status = kStatusInvalidHostAdapter;
  } else if (head->Command == kHostAdapterInquiry) {
    auto* srb = static_cast<TSrbInquiry*>(request);
    srb->AdapterCount = kAdapterCount;
    srb->ScsiId = 7;
    CopyId(srb->ManagerId, "ASPI for WIN32");
    CopyId(srb->Identifier, "QX VIRTUAL HA");
    std::memset(srb->Unique, 0, sizeof srb->Unique);
    status = kStatusComplete;
  } else if (head->Command == kGetDeviceType) {
    auto* srb = static_cast<TSrbDeviceType*>(request);
    if (srb->Target == 0 && srb->Lun == 0) {
      srb->DeviceType = kDeviceTypeCdRom;
      status = kStatusComplete;
    } else {
      status = kStatusNoDevice;
    }
  }
  head->Status = status;
  return status;
}

}  // extern "C"
