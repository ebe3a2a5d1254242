// Arbitrary bytes as an archive: listed, then expanded twice (without and with a key, the second
// time through a selection) into a scratch folder that is emptied before every input. Every
// target is confined to the scratch folder, flat, so no stored name can reach anything else.
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "archive/archiver.h"
#include "archive/memory_stream.h"

namespace {

namespace stdfs = std::filesystem;

const stdfs::path& Scratch() {
  static const stdfs::path dir = [] {
    stdfs::path d = stdfs::temp_directory_path() / ("qx_archive_fuzz_" + std::to_string(::getpid()));
    stdfs::create_directories(d);
    return d;
  }();
  return dir;
}

void EmptyScratch() {
  std::error_code ec;
  for (const auto& e : stdfs::directory_iterator(Scratch(), ec)) stdfs::remove_all(e.path(), ec);
}

bool FlatName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find_first_of("\\/:") == std::string::npos &&
         name.size() < 200;
}

// One made-up id stands for custom archives. The listing must accept it too: otherwise the size
// limit below never sees such an archive's members.
void Recognize(const std::string& id, bool& ok) { ok = id == "ZZZ"; }

void Expand(const uint8_t* data, size_t size, int32_t key, qx::TStringList* selection) {
  qx::TArchiver archiver;
  const std::string base = archiver.FileSystem->FromHostPath(Scratch().string()) + "\\";
  archiver.SetTargetPath(base);
  archiver.Key = key;
  archiver.MakeDirectories = false;
  archiver.CheckSpaceBeforeExpand = key != 0;
  int renamed = 0;
  archiver.OnCheckFile = [&](std::string& target, qx::TCProcessMode) {
    const std::string name = target.compare(0, base.size(), base) == 0 ? target.substr(base.size()) : "";
    if (!FlatName(name)) target = base + "m" + std::to_string(renamed++);
  };
  archiver.OnRecognize = Recognize;
  qx::TMemoryStream in(data, size);
  try {
    archiver.ExpandFiles(in, selection);
  } catch (const qx::Exception&) {
  }
}

}  // namespace

// A few bytes of LZ data may rightly stand for up to 2 GB (blocks whose codes take no bits), so
// members that claim more than this are listed but not expanded: the decoders' own targets cover
// them with bounded counts.
constexpr int32_t kLargestExpandedMember = 1 << 20;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  EmptyScratch();
  qx::TStringList listing;
  {
    qx::TArchiver archiver;
    archiver.OnRecognize = Recognize;
    qx::TMemoryStream in(data, size);
    try {
      archiver.ScanArchive(in, listing);
    } catch (const qx::Exception&) {
    }
  }
  for (int i = 0; i < listing.Count(); ++i) {
    const auto* info = static_cast<const qx::TArchiveEntryInfo*>(listing.Objects(i));
    if (info->UncompressedSize > kLargestExpandedMember) {
      qx::TArchiver::FreeFileList(&listing);
      return 0;
    }
  }
  Expand(data, size, 0, nullptr);
  EmptyScratch();
  qx::TStringList selection;
  for (int i = 0; i < listing.Count(); i += 2) selection.Add(listing.Strings(i));
  qx::TArchiver::FreeFileList(&listing);
  Expand(data, size, 0x13579BDF, &selection);
  EmptyScratch();
  return 0;
}
