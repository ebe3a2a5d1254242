#include "archive/archiver.h"

#include <chrono>
#include <cstring>
#include <vector>

#include "base/text.h"

namespace qx {
namespace {

const char kMagic[5] = {'K', 'E', 'L', 'V', 0x1A};
const char* const kMethodIds[5] = {"NON", "RLE", "LZH", "CUS", "LH5"};
// Names longer than the member header's signed 16-bit length field can say.
constexpr size_t kMaxNameLength = 32767;

void Put16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t Get32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// A member whose data cannot be what its header says. A locked member fails the way a wrong key
// does, so that its partly written target is deleted like that of every locked member that fails.
[[noreturn]] void RaiseDamaged(const TMemberHeader& header) {
  if (header.LockFlag > 0) throw EInvalidKey();
  throw EBadChecksum();
}

void SetHeaderId(TArchiveHeader& header, const std::string& id) {
  for (size_t i = 0; i < 3; ++i) header.MethodId[i] = i < id.size() ? id[i] : '\0';
}

// Milliseconds on a steady clock, for TArchiveRun::LastTicks.
class TTickClock {
public:
  uint32_t Elapsed() const {
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - Start)
            .count());
  }

private:
  std::chrono::steady_clock::time_point Start = std::chrono::steady_clock::now();
};

}  // namespace

// A file that the format cannot hold: a name longer than 32,767 bytes, or sizes past
// 2,147,483,647 bytes for one file or the whole archive.
class EArchiveLimit : public Exception {
public:
  explicit EArchiveLimit(const std::string& path)
      : Exception("File cannot be stored in an archive (name or size too large): " + path) {}
};

void EncodeArchiveHeader(const TArchiveHeader& header, uint8_t out[kArchiveHeaderSize]) {
  std::memcpy(out, header.Magic, 5);
  std::memcpy(out + 5, header.MethodId, 3);
  Put32(out + 8, static_cast<uint32_t>(header.TotalSize));
  out[12] = header.ArchiveType;
  Put32(out + 13, static_cast<uint32_t>(header.Reserved));
  Put32(out + 17, static_cast<uint32_t>(header.LockFlag));
}

TArchiveHeader DecodeArchiveHeader(const uint8_t in[kArchiveHeaderSize]) {
  TArchiveHeader header;
  std::memcpy(header.Magic, in, 5);
  std::memcpy(header.MethodId, in + 5, 3);
  header.TotalSize = static_cast<int32_t>(Get32(in + 8));
  header.ArchiveType = in[12];
  header.Reserved = static_cast<int32_t>(Get32(in + 13));
  header.LockFlag = static_cast<int32_t>(Get32(in + 17));
  return header;
}

void EncodeMemberHeader(const TMemberHeader& header, uint8_t out[kMemberHeaderSize]) {
  Put16(out, static_cast<uint16_t>(header.NameLength));
  Put32(out + 2, header.FileDate);
  Put16(out + 6, header.Attributes);
  Put32(out + 8, static_cast<uint32_t>(header.UncompressedSize));
  Put32(out + 12, static_cast<uint32_t>(header.CompressedSize));
  out[16] = header.MethodIndex;
  Put32(out + 17, header.Checksum);
  Put32(out + 21, static_cast<uint32_t>(header.LockFlag));
}

TMemberHeader DecodeMemberHeader(const uint8_t in[kMemberHeaderSize]) {
  TMemberHeader header;
  header.NameLength = static_cast<int16_t>(Get16(in));
  header.FileDate = Get32(in + 2);
  header.Attributes = Get16(in + 6);
  header.UncompressedSize = static_cast<int32_t>(Get32(in + 8));
  header.CompressedSize = static_cast<int32_t>(Get32(in + 12));
  header.MethodIndex = in[16];
  header.Checksum = Get32(in + 17);
  header.LockFlag = static_cast<int32_t>(Get32(in + 21));
  return header;
}

std::string MethodId(int methodIndex) {
  return methodIndex >= 0 && methodIndex < 5 ? kMethodIds[methodIndex] : "";
}

TArchiver::TArchiver() : FileSystem(&HostFileSystem()) {}
TArchiver::~TArchiver() = default;

void TArchiver::SetTargetPath(const std::string& folder) {
  TargetFolder = folder;
  if (!TargetFolder.empty() && TargetFolder.back() != '\\') TargetFolder += '\\';
}

std::string TArchiver::StripDrive(const std::string& name) {
  return name.size() > 2 && name[1] == ':' ? name.substr(2) : name;
}

void TArchiver::FreeFileList(TStringList* list) {
  if (!list) return;
  for (int i = 0; i < list->Count(); ++i) list->FreeObject(i);
  list->Clear();
}

// ---- writing ----------------------------------------------------------------------------------

TArchiveRun TArchiver::CompressFiles(TStream& archive, TStringList& files, TCompressMethod method) {
  std::string id = MethodId(method);
  if (id.empty()) throw EUnrecognizedCompressionMethod(std::to_string(static_cast<int>(method)));
  const int64_t start = archive.Position();
  TArchiveHeader header;
  SetHeaderId(header, id);
  // Any non-zero key scrambles the data, so any non-zero key must mark it locked.
  header.LockFlag = Key != 0 ? kLockFlag : 0;
  uint8_t raw[kArchiveHeaderSize];
  EncodeArchiveHeader(header, raw);
  archive.WriteBuffer(raw, kArchiveHeaderSize);

  TArchiveRun run;
  int64_t total = 0;
  int i = 0;
  while (i < files.Count()) {
    const std::string fullPath = files.Strings(i);
    std::string stored = fullPath;
    if (!TargetFolder.empty() && StartsWithAscii(stored, TargetFolder))
      stored = stored.substr(TargetFolder.size(), 9999);
    if (OnCheckFile) {
      OnCheckFile(stored, pmCompress);
      if (stored.empty()) {
        files.Delete(i);
        continue;
      }
      if (stored == "*") {
        files.Delete(i);
        break;
      }
    }
    stored = StripDrive(stored);

    std::unique_ptr<TFileStream> source;
    try {
      source = FileSystem->OpenRead(fullPath);
      const int64_t size = source->Size();
      if (stored.size() > kMaxNameLength || size > INT32_MAX || total + size > INT32_MAX)
        throw EArchiveLimit(fullPath);
    } catch (const EFOpenError&) {
      if (ExceptionOnFileError) throw;
      files.Delete(i);
      continue;
    } catch (const EArchiveLimit&) {
      if (ExceptionOnFileError) throw;
      files.Delete(i);
      continue;
    }
    files.SetString(i, stored);

    TMemberHeader member;
    member.Name = stored;
    member.FileDate = source->GetDosDateTime();
    const int32_t attributes = FileSystem->GetAttributes(fullPath);
    member.Attributes = attributes < 0 ? 0 : static_cast<uint16_t>(attributes);
    const int64_t size = source->Size() - source->Position();
    total += size;
    header.TotalSize = static_cast<int32_t>(total);
    CompressMember(archive, *source, member, method, id, run);
    ++i;
  }

  SetHeaderId(header, id);
  EncodeArchiveHeader(header, raw);
  archive.SetPosition(start);
  archive.WriteBuffer(raw, kArchiveHeaderSize);
  return run;
}

void TArchiver::WriteMemberHeader(TStream& archive, TMemberHeader& header) {
  header.NameLength = static_cast<int16_t>(header.Name.size());
  uint8_t raw[kMemberHeaderSize];
  EncodeMemberHeader(header, raw);
  archive.WriteBuffer(raw, kMemberHeaderSize);
  archive.WriteBuffer(header.Name.data(), static_cast<int32_t>(header.Name.size()));
}

void TArchiver::CompressMember(TStream& archive, TFileStream& source, TMemberHeader& header,
                               TCompressMethod method, std::string& id, TArchiveRun& run) {
  const int64_t sourceStart = source.Position();
  const int64_t size = source.Size() - sourceStart;
  const int64_t headerAt = archive.Position();
  WriteMemberHeader(archive, header);
  const int64_t dataAt = archive.Position();

  TCodecResult coded;
  uint8_t index = static_cast<uint8_t>(method);
  try {
    coded = CompressStream(archive, source, method, id, run);
  } catch (const EUnableToCompress&) {
    // The attempt wrote no more than the input's size, which storing now overwrites.
    archive.SetPosition(dataAt);
    source.SetPosition(sourceStart);
    coded = CompressStream(archive, source, cmNone, id, run);
    index = cmNone;
  }
  const int32_t packed = static_cast<int32_t>(coded.OutputCount);

  const int64_t end = archive.Position();
  header.CompressedSize = packed;
  header.UncompressedSize = static_cast<int32_t>(size);
  header.MethodIndex = index;
  header.Checksum = coded.Checksum;
  header.LockFlag = Key != 0 ? kLockFlag : 0;
  uint8_t raw[kMemberHeaderSize];
  EncodeMemberHeader(header, raw);
  archive.SetPosition(headerAt);
  archive.WriteBuffer(raw, kMemberHeaderSize);
  archive.SetPosition(end);
  run.LastPercentage = Percent(packed, size);
  if (coded.Outcome == TCodecOutcome::coCancelled) run.Cancelled = true;
}

TCodecResult TArchiver::CompressStream(TStream& archive, TStream& source, TCompressMethod method,
                                       std::string& id, TArchiveRun& run) {
  const TTickClock clock;
  TCodecResult coded;
  if (method == cmCustom) {
    int32_t packed = 0, sum = 0;
    if (OnCompress) OnCompress(archive, source, id, packed, sum);
    coded.OutputCount = static_cast<uint32_t>(packed);
    coded.Checksum = static_cast<uint32_t>(sum);
  } else {
    coded = Codec.RunCodec(TCodecJob{archive, source, static_cast<uint32_t>(source.Size()),
                                     TCodecDirection::cdCompress, method, 0, false, Key, OnShowProgress});
  }
  coded.Checksum += static_cast<uint32_t>(Key);
  run.LastTicks = clock.Elapsed();
  return coded;
}

// ---- reading ----------------------------------------------------------------------------------

bool TArchiver::ReadArchiveHeader(TStream& archive, TArchiveHeader& header) {
  header = TArchiveHeader();
  header.TotalSize = 0;
  if (archive.Size() - archive.Position() < kArchiveHeaderSize) return false;
  uint8_t raw[kArchiveHeaderSize];
  archive.ReadBuffer(raw, kArchiveHeaderSize);
  header = DecodeArchiveHeader(raw);
  if (std::memcmp(header.Magic, kMagic, 5) != 0) throw EInvalidHeader();
  if (header.ArchiveType != caMulti) throw EInvalidHeaderArchiveType();
  MethodFromId(std::string(header.MethodId, 3));
  return true;
}

int TArchiver::MethodFromId(const std::string& id) {
  for (int i = 0; i < 5; ++i)
    if (id == kMethodIds[i]) return i;
  if (OnRecognize) {
    bool recognized = false;
    OnRecognize(id, recognized);
    if (recognized) return cmCustom;
  }
  throw EUnrecognizedCompressionMethod(id);
}

bool TArchiver::ReadMemberHeader(TStream& archive, TMemberHeader& header) {
  uint8_t raw[kMemberHeaderSize];
  if (archive.Read(raw, kMemberHeaderSize) != kMemberHeaderSize) return false;
  header = DecodeMemberHeader(raw);
  // No writer produces a negative name length: such bytes are not a member.
  if (header.NameLength < 0) return false;
  header.Name.assign(static_cast<size_t>(header.NameLength), '\0');
  if (header.NameLength > 0 && archive.Read(&header.Name[0], header.NameLength) != header.NameLength)
    return false;
  return true;
}

void TArchiver::ScanArchive(TStream& archive, TStringList& list) {
  if (archive.Size() - archive.Position() < kArchiveHeaderSize + kMemberHeaderSize) return;
  TArchiveHeader header;
  ReadArchiveHeader(archive, header);
  TMemberHeader member;
  while (ReadMemberHeader(archive, member)) {
    auto info = std::make_unique<TArchiveEntryInfo>();
    info->FileDate = member.FileDate;
    info->Attributes = member.Attributes;
    info->UncompressedSize = member.UncompressedSize;
    info->CompressedSize = member.CompressedSize;
    info->MethodIndex = member.MethodIndex;
    info->Checksum = member.Checksum;
    info->HeaderOffset = static_cast<uint32_t>(archive.Position() - kMemberHeaderSize - member.NameLength);
    info->Locked = member.LockFlag > 0;
    list.Add(member.Name, std::move(info));
    // A negative size would step back onto this or an earlier header, possibly forever.
    if (member.CompressedSize < 0) break;
    archive.Seek(member.CompressedSize, TSeekOrigin::soCurrent);
  }
}

TArchiveRun TArchiver::ExpandFiles(TStream& archive, TStringList* selection) {
  TArchiveRun run;
  TStringList written;
  TArchiveHeader header;
  ReadArchiveHeader(archive, header);
  const std::string id(header.MethodId, 3);
  StreamEnd = archive.Size();
  int64_t total = 0;
  TMemberHeader member;
  for (;;) {
    const int64_t headerAt = archive.Position();
    if (!ReadMemberHeader(archive, member)) break;
    // The header's total says nothing about empty files, so empty members right after the
    // total is reached still belong to the archive. Only a header that is a whole empty member
    // (a name, no data) counts: bytes that merely follow an archive, zero padding among them,
    // must not turn into files.
    const bool emptyMember =
        member.UncompressedSize == 0 && member.CompressedSize == 0 && !member.Name.empty();
    if (total >= header.TotalSize && !emptyMember) {
      archive.SetPosition(headerAt);
      break;
    }
    // Sizes no writer produces: stepping back could loop forever, and a decoder asked for a
    // negative count would run on without end.
    if (member.CompressedSize < 0 || member.UncompressedSize < 0) RaiseDamaged(member);
    const int64_t next = archive.Position() + member.CompressedSize;

    if (selection) {
      bool chosen = false;
      for (int s = 0; s < selection->Count() && !chosen; ++s)
        chosen = SameTextAscii(selection->Strings(s), member.Name);
      if (!chosen) {
        archive.SetPosition(next);
        total += member.UncompressedSize;
        continue;
      }
    }

    std::string target = member.Name;
    if (target.empty() || target[0] != '\\') target = TargetFolder + target;
    if (OnCheckFile) {
      OnCheckFile(target, pmExpand);
      if (target.empty()) {
        archive.SetPosition(next);
        continue;
      }
      if (target == "*") break;
    }

    if (FreeSpaceFor(target) < member.UncompressedSize)
      throw EInsufficientDiskSpace(FileSystem->ToHostPath(target));
    if (MakeDirectories) ForceDirs(FolderPart(target));

    std::unique_ptr<TFileStream> out;
    try {
      out = FileSystem->Create(target);
    } catch (const EFCreateError&) {
      if (ExceptionOnFileError) throw;
      archive.SetPosition(next);
      continue;
    }
    const int32_t attributes = static_cast<int16_t>(member.Attributes);
    try {
      ExpandMember(archive, *out, member, id, run);
    } catch (const EInvalidKey&) {
      out.reset();
      FileSystem->RemoveFile(target);
      throw;
    } catch (...) {
      out.reset();
      FileSystem->SetAttributes(target, attributes);
      throw;
    }
    out->SetDosDateTime(member.FileDate);
    written.Add(target);
    out.reset();
    FileSystem->SetAttributes(target, attributes);
    total += member.UncompressedSize;
    // Every method consumes exactly its member's data; standing on the next header explicitly
    // keeps a custom handler's slip from shifting every member after it.
    archive.SetPosition(next);
  }

  if (selection) {
    selection->Clear();
    for (int w = 0; w < written.Count(); ++w) selection->Add(written.Strings(w));
  }
  return run;
}

void TArchiver::ExpandMember(TStream& archive, TStream& target, const TMemberHeader& header,
                             const std::string& id, TArchiveRun& run) {
  if (header.LockFlag > 0 && Key == 0) throw EInvalidKey();
  // A member cut off by the end of the stream cannot expand to what its checksum says.
  if (archive.Position() + header.CompressedSize > StreamEnd) RaiseDamaged(header);
  const TTickClock clock;
  uint32_t computed = 0;
  if (header.MethodIndex == cmCustom) {
    int32_t sum = 0;
    if (OnExpand) OnExpand(target, archive, header.CompressedSize, header.UncompressedSize, id, sum);
    computed = static_cast<uint32_t>(sum);
  } else {
    TCodecResult coded;
    try {
      coded = Codec.RunCodec(TCodecJob{target, archive, static_cast<uint32_t>(header.CompressedSize),
                                       TCodecDirection::cdExpand, header.MethodIndex,
                                       static_cast<uint32_t>(header.UncompressedSize),
                                       header.LockFlag == kLockFlag && Key != 0, Key, OnShowProgress});
    } catch (const ELZHBadDecodeTable&) {
      if (header.LockFlag > 0) throw EInvalidKey();
      throw;
    } catch (const EBadChecksum&) {
      // Data that runs out early fails like a wrong checksum, and for a locked member that is
      // a wrong key.
      if (header.LockFlag > 0) throw EInvalidKey();
      throw;
    }
    computed = coded.Checksum;
    if (coded.Outcome == TCodecOutcome::coCancelled) {
      run.Cancelled = true;
      // A cancelled member is short, whatever its bytes happen to add up to.
      if (coded.OutputCount < static_cast<uint32_t>(header.UncompressedSize)) RaiseDamaged(header);
    }
  }
  run.LastTicks = clock.Elapsed();
  if (computed == header.Checksum || (header.Checksum == 0 && header.MethodIndex == cmNone)) return;
  if (header.LockFlag > 0) {
    if (computed + static_cast<uint32_t>(Key) == header.Checksum) return;
    throw EInvalidKey();
  }
  throw EBadChecksum();
}

int32_t TArchiver::FreeSpaceFor(const std::string& targetPath) {
  if (!CheckSpaceBeforeExpand) return INT32_MAX;
  std::string upper = targetPath;
  for (char& c : upper) c = UpperAscii(c);
  const std::string root = upper.size() > 1 && upper[1] == ':' ? upper.substr(0, 1) + ":\\" : "";
  // Single precision, as the space has always been measured here.
  const float space = static_cast<float>(FileSystem->FreeSpace(root));
  int64_t result = space >= 2147483647.0f ? INT32_MAX : static_cast<int64_t>(space);
  if (result != INT32_MAX && FileSystem->FileExists(targetPath)) {
    const int64_t existing = FileSystem->FileSize(targetPath);
    if (existing > 0) result += existing;
    if (result > INT32_MAX) result = INT32_MAX;
  }
  return static_cast<int32_t>(result);
}

// Creates the folder and every missing folder above it. Each step shortens the path, so the
// walk ends; it runs as a loop so that a name of thousands of "\" cannot exhaust the stack.
void TArchiver::ForceDirs(const std::string& folder) {
  std::vector<std::string> missing;
  std::string path = folder;
  for (;;) {
    if (!path.empty() && path.back() == '\\') path.pop_back();
    if (path.size() <= 2 || FileSystem->FolderExists(path)) break;
    missing.push_back(path);
    path = FolderPart(path);
  }
  for (auto it = missing.rbegin(); it != missing.rend(); ++it)
    if (!FileSystem->CreateFolder(*it)) throw EInOutError(FileSystem->ToHostPath(*it));
}

}  // namespace qx
