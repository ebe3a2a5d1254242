// qxarc: creates, lists, tests and extracts archives, and builds an applet from a bare stub.
//   qxarc c [-m none|rle|lzh|lh5] [-k KEY] [-C BASEDIR] ARCHIVE FILE...
//   qxarc l [--at OFFSET] [-k KEY] ARCHIVE
//   qxarc t [--at OFFSET] [-k KEY] ARCHIVE
//   qxarc x [--at OFFSET] [-d DIR] [-k KEY] ARCHIVE [NAME...]
//   qxarc applet STUB OUT FILE...
// Errors print the archive component's message and end with exit code 1 (2 for usage errors).
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "archive/archiver.h"
#include "archive/memory_stream.h"
#include "base/text.h"
#include "payload/payload_writer.h"

namespace fs = std::filesystem;
using namespace qx;

namespace {

class EUsageError : public std::exception {
public:
  explicit EUsageError(std::string text) : Text(std::move(text)) {}
  const char* what() const noexcept override { return Text.c_str(); }

private:
  std::string Text;
};

const char kUsage[] =
    "usage: qxarc c [-m none|rle|lzh|lh5] [-k KEY] [-C BASEDIR] ARCHIVE FILE...\n"
    "       qxarc l [--at OFFSET] ARCHIVE\n"
    "       qxarc t [--at OFFSET] [-k KEY] ARCHIVE\n"
    "       qxarc x [--at OFFSET] [-d DIR] [-k KEY] ARCHIVE [NAME...]\n"
    "       qxarc applet STUB OUT FILE...\n";

struct TOptions {
  std::string Command;
  TCompressMethod Method = cmLH5;
  int32_t Key = 0;
  std::string BaseDir;
  std::string TargetDir;
  int64_t Offset = 0;
  std::vector<std::string> Operands;
};

int64_t ParseInteger(const std::string& text, int64_t low, int64_t high, const char* what) {
  errno = 0;
  char* end = nullptr;
  const long long value = std::strtoll(text.c_str(), &end, 0);
  if (text.empty() || *end != '\0' || errno != 0 || value < low || value > high)
    throw EUsageError(std::string("invalid ") + what + ": " + text);
  return value;
}

TCompressMethod ParseMethod(const std::string& name) {
  if (name == "none") return cmNone;
  if (name == "rle") return cmRLE;
  if (name == "lzh") return cmLZH;
  if (name == "lh5") return cmLH5;
  throw EUsageError("unknown method: " + name);
}

TOptions ParseOptions(int argc, char** argv) {
  if (argc < 2) throw EUsageError("");
  TOptions o;
  o.Command = argv[1];
  for (int i = 2; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) throw EUsageError("missing value after " + a);
      return argv[++i];
    };
    if (!o.Operands.empty() || a.size() < 2 || a[0] != '-') {
      o.Operands.push_back(a);
    } else if (a == "-m" && o.Command == "c") {
      o.Method = ParseMethod(value());
    } else if (a == "-k" && o.Command != "applet" && o.Command != "l") {
      // Keys are 32-bit; written as unsigned they wrap to the same bits.
      o.Key =
          static_cast<int32_t>(static_cast<uint32_t>(ParseInteger(value(), INT32_MIN, UINT32_MAX, "key")));
    } else if (a == "-C" && o.Command == "c") {
      o.BaseDir = value();
    } else if (a == "-d" && o.Command == "x") {
      o.TargetDir = value();
    } else if (a == "--at" && (o.Command == "l" || o.Command == "t" || o.Command == "x")) {
      o.Offset = ParseInteger(value(), 0, INT64_MAX, "offset");
    } else if (a == "--") {
      for (++i; i < argc; ++i) o.Operands.push_back(argv[i]);
    } else {
      throw EUsageError("unknown option " + a);
    }
  }
  return o;
}

// A progress bar on stderr, only when stderr is a terminal.
class TProgressBar {
public:
  TProgressBar() : Enabled(isatty(fileno(stderr)) != 0) {}
  ~TProgressBar() { Clear(); }
  void Attach(TArchiver& archiver) {
    if (!Enabled) return;
    archiver.OnShowProgress = [this](int& percent) { Show(percent); };
  }
  void SetLabel(const std::string& label) { Label = label, Last = -1; }
  void Show(int percent) {
    if (percent == Last) return;
    Last = percent;
    const int width = 30, filled = std::clamp(percent, 0, 100) * width / 100;
    std::string name = Label.size() > 40 ? "..." + Label.substr(Label.size() - 37) : Label;
    std::fprintf(stderr, "\r%-40s [%s%s] %3d%%", name.c_str(), std::string(filled, '#').c_str(),
                 std::string(width - filled, '.').c_str(), percent);
    std::fflush(stderr);
    Shown = true;
  }
  void Clear() {
    if (!Shown) return;
    std::fprintf(stderr, "\r%78s\r", "");
    std::fflush(stderr);
    Shown = false;
  }

private:
  bool Enabled;
  bool Shown = false;
  int Last = -1;
  std::string Label;
};

std::unique_ptr<TFileStream> OpenArchive(const std::string& hostPath, int64_t offset) {
  TFileSystem& host = HostFileSystem();
  auto archive = host.OpenRead(host.FromHostPath(hostPath));
  archive->SetPosition(offset);
  return archive;
}

std::string Joined(const std::string& folder, const std::string& name) {
  if (folder.empty() || fs::path(name).is_absolute()) return name;
  return (fs::path(folder) / name).string();
}

// The regular files below a folder, in a stable order.
void AddFiles(const fs::path& path, std::vector<std::string>& out) {
  if (fs::is_directory(path)) {
    std::vector<std::string> found;
    for (const auto& e : fs::recursive_directory_iterator(path))
      if (e.is_regular_file()) found.push_back(e.path().lexically_normal().string());
    std::sort(found.begin(), found.end());
    out.insert(out.end(), found.begin(), found.end());
  } else {
    out.push_back(path.lexically_normal().string());
  }
}

// Removes a half-written output when the work fails.
class TOutputGuard {
public:
  explicit TOutputGuard(std::string path) : Path(std::move(path)) {}
  ~TOutputGuard() {
    if (!Kept) HostFileSystem().RemoveFile(Path);
  }
  void Keep() { Kept = true; }

private:
  std::string Path;
  bool Kept = false;
};

int Compress(const TOptions& o) {
  if (o.Operands.size() < 2) throw EUsageError("c needs ARCHIVE and at least one FILE");
  TFileSystem& host = HostFileSystem();
  const std::string archivePath = o.Operands[0];
  std::vector<std::string> hostFiles;
  for (size_t i = 1; i < o.Operands.size(); ++i) {
    const fs::path p = Joined(o.BaseDir, o.Operands[i]);
    if (!fs::exists(p)) throw EFOpenError(p.string());
    AddFiles(p, hostFiles);
  }

  const std::string archiveName = host.FromHostPath(archivePath);
  auto archive = host.Create(archiveName);
  TOutputGuard guard(archiveName);
  std::error_code ec;
  const fs::path self = fs::weakly_canonical(archivePath, ec);
  TStringList files;
  for (const std::string& f : hostFiles) {
    std::error_code ec2;
    if (fs::weakly_canonical(f, ec2) == self) continue;  // never the archive being written
    files.Add(host.FromHostPath(f));
  }

  TArchiver archiver;
  archiver.Key = o.Key;
  archiver.ExceptionOnFileError = true;
  if (!o.BaseDir.empty())
    archiver.SetTargetPath(host.FromHostPath(fs::path(o.BaseDir).lexically_normal().string()));
  TProgressBar bar;
  bar.Attach(archiver);
  archiver.OnCheckFile = [&bar](std::string& name, TCProcessMode) { bar.SetLabel(name); };
  archiver.CompressFiles(*archive, files, o.Method);
  bar.Clear();
  archive.reset();
  guard.Keep();
  std::printf("%d files\n", files.Count());
  return 0;
}

std::string FormatDate(uint32_t packed) {
  const TDosDateTime t = UnpackDosDateTime(packed);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.Year, t.Month, t.Day, t.Hour, t.Minute,
                t.Second);
  return text;
}

std::string FormatAttributes(uint16_t a) {
  std::string s = "-----";
  if (a & 0x01) s[0] = 'r';
  if (a & 0x02) s[1] = 'h';
  if (a & 0x04) s[2] = 's';
  if (a & 0x10) s[3] = 'd';
  if (a & 0x20) s[4] = 'a';
  return s;
}

int List(const TOptions& o) {
  if (o.Operands.size() != 1) throw EUsageError("l needs exactly one ARCHIVE");
  auto archive = OpenArchive(o.Operands[0], o.Offset);
  TArchiver archiver;
  TStringList list;
  archiver.ScanArchive(*archive, list);
  std::printf("%10s %10s %-6s %-19s %-5s %-6s %s\n", "Size", "Packed", "Method", "Date", "Attr", "Locked",
              "Name");
  for (int i = 0; i < list.Count(); ++i) {
    const auto* info = static_cast<const TArchiveEntryInfo*>(list.Objects(i));
    std::string method = MethodId(info->MethodIndex);
    if (method.empty()) method = "#" + std::to_string(info->MethodIndex);
    std::printf("%10d %10d %-6s %-19s %-5s %-6s %s\n", info->UncompressedSize, info->CompressedSize,
                method.c_str(), FormatDate(info->FileDate).c_str(),
                FormatAttributes(info->Attributes).c_str(), info->Locked ? "yes" : "no",
                list.Strings(i).c_str());
  }
  TArchiver::FreeFileList(&list);
  return 0;
}

// Expands into nothing: every member is decoded and checked, no file is touched.
class TDiscardFileSystem : public TFileSystem {
public:
  class TDiscardFile : public TFileStream {
  public:
    int32_t Read(void* b, int32_t c) override { return Sink.Read(b, c); }
    int32_t Write(const void* b, int32_t c) override { return Sink.Write(b, c); }
    int64_t Seek(int64_t o, TSeekOrigin origin) override { return Sink.Seek(o, origin); }
    uint32_t GetDosDateTime() override { return 0; }
    bool SetDosDateTime(uint32_t) override { return true; }

  private:
    TNullStream Sink;
  };
  std::unique_ptr<TFileStream> OpenRead(const std::string& path) override { throw EFOpenError(path); }
  std::unique_ptr<TFileStream> OpenReadWrite(const std::string& path) override { throw EFOpenError(path); }
  std::unique_ptr<TFileStream> Create(const std::string&) override {
    ++Created;
    return std::make_unique<TDiscardFile>();
  }
  int32_t GetAttributes(const std::string&) override { return -1; }
  bool SetAttributes(const std::string&, int32_t) override { return true; }
  bool FileExists(const std::string&) override { return false; }
  bool FolderExists(const std::string&) override { return true; }
  bool CreateFolder(const std::string&) override { return true; }
  bool RemoveFile(const std::string&) override { return true; }
  int64_t FileSize(const std::string&) override { return -1; }
  double FreeSpace(const std::string&) override { return -1; }
  std::string ToHostPath(const std::string& path) override { return path; }
  std::string FromHostPath(const std::string& path) override { return path; }
  int Created = 0;
};

int Test(const TOptions& o) {
  if (o.Operands.size() != 1) throw EUsageError("t needs exactly one ARCHIVE");
  auto archive = OpenArchive(o.Operands[0], o.Offset);
  TDiscardFileSystem discard;
  TArchiver archiver;
  archiver.FileSystem = &discard;
  archiver.Key = o.Key;
  archiver.ExceptionOnFileError = true;
  TProgressBar bar;
  bar.Attach(archiver);
  archiver.OnCheckFile = [&bar](std::string& name, TCProcessMode) { bar.SetLabel(name); };
  archiver.ExpandFiles(*archive);
  bar.Clear();
  std::printf("%d members OK\n", discard.Created);
  return 0;
}

// Keeps every written file inside the target folder: rooted names are re-rooted there, and
// names with ".." or a drive are refused.
bool ConfinedName(const std::string& name) {
  if (name.empty()) return false;
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = name.find_first_of("\\/", start);
    if (end == std::string::npos) end = name.size();
    const std::string part = name.substr(start, end - start);
    if (part == ".." || part.find(':') != std::string::npos) return false;
    start = end + 1;
  }
  return true;
}

int Extract(const TOptions& o) {
  if (o.Operands.empty()) throw EUsageError("x needs an ARCHIVE");
  TFileSystem& host = HostFileSystem();
  auto archive = OpenArchive(o.Operands[0], o.Offset);
  TArchiver archiver;
  archiver.Key = o.Key;
  archiver.MakeDirectories = true;
  archiver.ExceptionOnFileError = true;
  if (!o.TargetDir.empty()) archiver.SetTargetPath(host.FromHostPath(o.TargetDir));
  const std::string base = archiver.TargetPath();

  TStringList selection;
  for (size_t i = 1; i < o.Operands.size(); ++i) selection.Add(host.FromHostPath(o.Operands[i]));
  if (selection.Count() > 0) {
    TStringList listing;
    archiver.ScanArchive(*archive, listing);
    archive->SetPosition(o.Offset);
    for (int s = 0; s < selection.Count(); ++s) {
      bool found = false;
      for (int m = 0; m < listing.Count() && !found; ++m) {
        const std::string& a = listing.Strings(m);
        const std::string& b = selection.Strings(s);
        found = SameTextAscii(a, b);
      }
      if (!found) throw EUsageError("not in the archive: " + o.Operands[s + 1]);
    }
    TArchiver::FreeFileList(&listing);
  }

  TProgressBar bar;
  bar.Attach(archiver);
  int refused = 0, accepted = 0;
  archiver.OnCheckFile = [&](std::string& target, TCProcessMode) {
    std::string name = target.compare(0, base.size(), base) == 0 ? target.substr(base.size()) : target;
    while (!name.empty() && name[0] == '\\') name.erase(0, 1);
    if (!ConfinedName(name)) {
      bar.Clear();
      std::fprintf(stderr, "qxarc: skipped unsafe name: %s\n", host.ToHostPath(target).c_str());
      ++refused;
      target.clear();
      return;
    }
    target = base + name;
    bar.SetLabel(name);
    ++accepted;
  };
  // Every accepted name is written or raises: target errors are not absorbed here.
  archiver.ExpandFiles(*archive, selection.Count() > 0 ? &selection : nullptr);
  bar.Clear();
  std::printf("%d files\n", accepted);
  return refused ? 1 : 0;
}

int Applet(const TOptions& o) {
  if (o.Operands.size() < 3) throw EUsageError("applet needs STUB, OUT and at least one FILE");
  TFileSystem& host = HostFileSystem();
  auto stub = host.OpenRead(host.FromHostPath(o.Operands[0]));
  const std::string outName = host.FromHostPath(o.Operands[1]);
  auto out = host.Create(outName);
  TOutputGuard guard(outName);
  WriteStub(*stub, *out);

  TStringList files;
  for (size_t i = 2; i < o.Operands.size(); ++i)
    files.Add(host.FromHostPath(fs::path(o.Operands[i]).lexically_normal().string()));
  TArchiver archiver;
  archiver.ExceptionOnFileError = true;
  // Stored names are the names relative to the first file's folder.
  const std::string first = files.Strings(0);
  const size_t slash = first.find_last_of('\\');
  archiver.SetTargetPath(slash == std::string::npos ? "" : first.substr(0, slash + 1));
  TProgressBar bar;
  bar.Attach(archiver);
  archiver.OnCheckFile = [&bar](std::string& name, TCProcessMode) { bar.SetLabel(name); };
  AppendPayload(archiver, *out, files, cmLH5);
  bar.Clear();
  out.reset();
  guard.Keep();
  std::printf("%d files\n", files.Count());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const TOptions o = ParseOptions(argc, argv);
    if (o.Command == "c") return Compress(o);
    if (o.Command == "l") return List(o);
    if (o.Command == "t") return Test(o);
    if (o.Command == "x") return Extract(o);
    if (o.Command == "applet") return Applet(o);
    throw EUsageError(o.Command.empty() ? "" : "unknown command " + o.Command);
  } catch (const EUsageError& e) {
    if (*e.what()) std::fprintf(stderr, "qxarc: %s\n", e.what());
    std::fputs(kUsage, stderr);
    return 2;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "qxarc: %s\n", e.what());
    return 1;
  }
}
