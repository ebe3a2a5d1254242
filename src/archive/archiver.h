#pragma once
// TArchiver packs a list of files into one archive stream and expands them again. The layout
// of an archive is described in doc/archive-format.md.
#include <cstdint>
#include <functional>
#include <string>

#include "archive/codec_state.h"
#include "archive/file_system.h"
#include "archive/stream.h"
#include "archive/string_list.h"

namespace qx {

enum TCProcessMode { pmCompress = 0, pmExpand = 1 };

using TFilenameCheckEvent = std::function<void(std::string& filepath, TCProcessMode mode)>;
using TCompressEvent = std::function<void(TStream& dest, TStream& source, std::string& CompressID,
                                          int32_t& Outputsize, int32_t& checksum)>;
using TExpandEvent = std::function<void(TStream& dest, TStream& source, int32_t Sourcesize, int32_t Destsize,
                                        const std::string& CompressID, int32_t& checksum)>;
using TRecognizeEvent = std::function<void(const std::string& CompressID, bool& recognized)>;

constexpr uint8_t caMulti = 1;
constexpr int kArchiveHeaderSize = 21;
constexpr int kMemberHeaderSize = 25;
constexpr int32_t kLockFlag = 2;

struct TArchiveHeader {
  char Magic[5] = {'K', 'E', 'L', 'V', 0x1A};
  char MethodId[3] = {0, 0, 0};
  int32_t TotalSize = 0;
  uint8_t ArchiveType = caMulti;
  int32_t Reserved = 0;
  int32_t LockFlag = 0;
};

struct TMemberHeader {
  int16_t NameLength = 0;
  uint32_t FileDate = 0;
  uint16_t Attributes = 0;
  int32_t UncompressedSize = 0;
  int32_t CompressedSize = 0;
  uint8_t MethodIndex = 0;
  uint32_t Checksum = 0;
  int32_t LockFlag = 0;
  std::string Name;
};

// Byte images of the two headers, little-endian whatever the host.
void EncodeArchiveHeader(const TArchiveHeader& header, uint8_t out[kArchiveHeaderSize]);
TArchiveHeader DecodeArchiveHeader(const uint8_t in[kArchiveHeaderSize]);
void EncodeMemberHeader(const TMemberHeader& header, uint8_t out[kMemberHeaderSize]);
TMemberHeader DecodeMemberHeader(const uint8_t in[kMemberHeaderSize]);

// The three-letter id of a method index, "" outside 0-4.
std::string MethodId(int methodIndex);

// One member of a listing, attached to the list entry that holds its stored name.
class TArchiveEntryInfo : public TObject {
public:
  uint32_t FileDate = 0;
  uint16_t Attributes = 0;
  int32_t UncompressedSize = 0;
  int32_t CompressedSize = 0;
  uint8_t MethodIndex = 0;
  uint32_t Checksum = 0;
  uint32_t HeaderOffset = 0;
  bool Locked = false;
};

// What an archive operation reports about the members it coded.
struct TArchiveRun {
  // The last member written: its compressed size as a percentage of its size (writing only).
  int32_t LastPercentage = 0;
  // Milliseconds spent in the last member's coding step.
  uint32_t LastTicks = 0;
  // The progress handler cancelled a member's coding: written, it holds only the bytes read
  // before; expanded, it failed its checksum.
  bool Cancelled = false;
};

class TArchiver {
public:
  TArchiver();
  ~TArchiver();
  TArchiver(const TArchiver&) = delete;
  TArchiver& operator=(const TArchiver&) = delete;

  TCompressEvent OnCompress;
  TExpandEvent OnExpand;
  TFilenameCheckEvent OnCheckFile;
  TRecognizeEvent OnRecognize;
  TShowProgressEvent OnShowProgress;
  bool MakeDirectories = false;
  bool ExceptionOnFileError = false;
  int32_t Key = 0;
  bool CheckSpaceBeforeExpand = false;
  // Where files are opened and created; the host's file system unless a caller (a test) says
  // otherwise. Not owned.
  TFileSystem* FileSystem;

  const std::string& TargetPath() const { return TargetFolder; }
  // Stores the folder, with "\" appended when a non-empty value lacks it.
  void SetTargetPath(const std::string& folder);

  // Writes an archive of the files at the stream's position. The list ends holding the stored
  // names of the members written, in archive order.
  TArchiveRun CompressFiles(TStream& archive, TStringList& files, TCompressMethod method);
  // Appends one entry per member: text = stored name, object = a new TArchiveEntryInfo.
  void ScanArchive(TStream& archive, TStringList& list);
  // Frees every entry's object and clears the list; a missing list is ignored.
  static void FreeFileList(TStringList* list);
  // Expands all members, or those whose stored names the selection names (any letter case);
  // a given selection is replaced by the full target paths of the files written.
  TArchiveRun ExpandFiles(TStream& archive, TStringList* selection = nullptr);

  static std::string StripDrive(const std::string& name);

private:
  bool ReadArchiveHeader(TStream& archive, TArchiveHeader& header);
  int MethodFromId(const std::string& id);
  bool ReadMemberHeader(TStream& archive, TMemberHeader& header);
  void WriteMemberHeader(TStream& archive, TMemberHeader& header);
  void CompressMember(TStream& archive, TFileStream& source, TMemberHeader& header, TCompressMethod method,
                      std::string& id, TArchiveRun& run);
  TCodecResult CompressStream(TStream& archive, TStream& source, TCompressMethod method, std::string& id,
                              TArchiveRun& run);
  void ExpandMember(TStream& archive, TStream& target, const TMemberHeader& header, const std::string& id,
                    TArchiveRun& run);
  int32_t FreeSpaceFor(const std::string& targetPath);
  void ForceDirs(const std::string& folder);

  std::string TargetFolder;
  TCodecState Codec;
  int64_t StreamEnd = 0;
};

}  // namespace qx
