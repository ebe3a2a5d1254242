#include "iso_image.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <vector>

namespace qx::rwlib {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kMaxJolietName = 108;  // UTF-16 units; the longest that still fits one record
constexpr uint64_t kMaxFileSize = 0xFFFFFFFFull;
constexpr uint32_t kFirstPathTableSector = 19;  // after 16 system sectors, two descriptors, terminator

struct TNode {
  bool IsDir = false;
  fs::path Source;
  uint64_t Size = 0;
  std::u16string JolietName;
  std::string IsoName;
  TNode* Parent = nullptr;
  std::vector<std::unique_ptr<TNode>> Children;
  // Layout.
  uint32_t DataSector = 0;                                                // files
  uint32_t IsoSector = 0, IsoSize = 0, JolietSector = 0, JolietSize = 0;  // directories
  uint16_t IsoNumber = 0, JolietNumber = 0;
};

void Put16Both(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 8);
  p[3] = static_cast<uint8_t>(v);
}

void Put32Le(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

void Put32Be(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * (3 - i)));
}

void Put32Both(uint8_t* p, uint32_t v) {
  Put32Le(p, v);
  Put32Be(p + 4, v);
}

uint32_t SectorsFor(uint64_t bytes) { return static_cast<uint32_t>((bytes + kSectorSize - 1) / kSectorSize); }

// The identifier bytes of a node in one of the two trees.
std::string Identifier(const TNode& node, bool joliet) {
  if (!joliet) return node.IsoName;
  std::string out;
  for (char16_t c : node.JolietName) {
    out.push_back(static_cast<char>(c >> 8));
    out.push_back(static_cast<char>(c & 0xFF));
  }
  return out;
}

std::size_t RecordLength(std::size_t identifierLength) {
  return 33 + identifierLength + (identifierLength % 2 == 0 ? 1 : 0);
}

// d-characters for the primary tree's names.
std::string DChars(const std::u16string& name, std::size_t limit) {
  std::string out;
  for (char16_t c : name) {
    if (out.size() == limit) break;
    if (c >= 'a' && c <= 'z')
      out.push_back(static_cast<char>(c - 'a' + 'A'));
    else if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_')
      out.push_back(static_cast<char>(c));
    else
      out.push_back('_');
  }
  return out;
}

// 8.3 names, unique within their folder: a clash becomes NAME~N.
void AssignIsoNames(TNode& dir) {
  std::set<std::string> taken;
  for (auto& child : dir.Children) {
    std::u16string base = child->JolietName, ext;
    if (!child->IsDir) {
      const std::size_t dot = base.rfind(u'.');
      if (dot != std::u16string::npos && dot > 0) {
        ext = base.substr(dot + 1);
        base = base.substr(0, dot);
      }
    }
    std::string b = DChars(base, 8), e = DChars(ext, 3);
    if (b.empty()) b = "_";
    auto compose = [&](const std::string& stem) { return child->IsDir ? stem : stem + "." + e + ";1"; };
    std::string name = compose(b);
    for (int n = 1; taken.count(name); ++n) {
      const std::string suffix = "~" + std::to_string(n);
      name = compose(b.substr(0, 8 - suffix.size()) + suffix);
    }
    taken.insert(name);
    child->IsoName = name;
    if (child->IsDir) AssignIsoNames(*child);
  }
}

void Date7(uint8_t* p, const std::tm& t) {
  p[0] = static_cast<uint8_t>(t.tm_year);
  p[1] = static_cast<uint8_t>(t.tm_mon + 1);
  p[2] = static_cast<uint8_t>(t.tm_mday);
  p[3] = static_cast<uint8_t>(t.tm_hour);
  p[4] = static_cast<uint8_t>(t.tm_min);
  p[5] = static_cast<uint8_t>(t.tm_sec);
  p[6] = 0;  // UTC
}

void Date17(uint8_t* p, const std::tm* t) {
  char text[64];
  if (t == nullptr) {
    std::memset(p, '0', 16);
  } else {
    std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d00", t->tm_year + 1900, t->tm_mon + 1,
                  t->tm_mday, t->tm_hour, t->tm_min, t->tm_sec);
    std::memcpy(p, text, 16);
  }
  p[16] = 0;
}

void FillText(uint8_t* p, std::size_t size, const std::string& text) {
  std::memset(p, ' ', size);
  std::memcpy(p, text.data(), std::min(size, text.size()));
}

void FillUcs2(uint8_t* p, std::size_t size, const std::u16string& text) {
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    const char16_t c = i / 2 < text.size() ? text[i / 2] : u' ';
    p[i] = static_cast<uint8_t>(c >> 8);
    p[i + 1] = static_cast<uint8_t>(c & 0xFF);
  }
}

}  // namespace

struct TIsoImage::TLayout {
  std::unique_ptr<TNode> Root;
  std::vector<TNode*> IsoDirs, JolietDirs;  // path table order
  std::vector<TNode*> Files;                // data order
  std::u16string VolumeJoliet;
  std::string VolumeIso;
  std::tm Recorded{};
  uint32_t PathTableSize[2] = {0, 0};  // primary, Joliet
  uint32_t PathTableSectors[2] = {0, 0};
  uint32_t PathTableSector[2][2] = {};  // [tree][L, M]
  uint32_t TotalSectors = 0;
};

TIsoImage::TIsoImage() = default;
TIsoImage::~TIsoImage() = default;

namespace {

int32_t Scan(TNode& dir) {
  std::error_code ec;
  fs::directory_iterator it(dir.Source, ec), end;
  if (ec) return 148;
  for (; it != end; it.increment(ec)) {
    if (ec) return 148;
    const fs::directory_entry& entry = *it;
    auto node = std::make_unique<TNode>();
    node->Source = entry.path();
    node->Parent = &dir;
    node->JolietName = entry.path().filename().u16string();
    if (node->JolietName.size() > kMaxJolietName) return 149;
    // The Joliet tree forbids these few; they cannot come from a Windows folder but may from others.
    for (char16_t& c : node->JolietName)
      if (c < 0x20 || c == u'*' || c == u'/' || c == u':' || c == u';' || c == u'?' || c == u'\\') c = u'_';
    if (entry.is_directory(ec)) {
      node->IsDir = true;
      const int32_t result = Scan(*node);
      if (result != 1) return result;
    } else if (entry.is_regular_file(ec)) {
      node->Size = entry.file_size(ec);
      if (ec) return 148;
      if (node->Size > kMaxFileSize) return 22;
    } else {
      continue;  // sockets, devices and broken links have no contents to record
    }
    dir.Children.push_back(std::move(node));
  }
  // Folder listings come in no fixed order; sorting makes the short names and the layout repeatable.
  std::sort(dir.Children.begin(), dir.Children.end(),
            [](const std::unique_ptr<TNode>& a, const std::unique_ptr<TNode>& b) {
              return a->JolietName < b->JolietName;
            });
  return 1;
}

// Path table order: by level, then by parent, then by name; a breadth-first walk over name-sorted
// children gives exactly that.
std::vector<TNode*> DirectoryOrder(TNode& root, bool joliet) {
  // Numbers wrap past 65535 folders; Plan refuses such a tree before using them.
  std::vector<TNode*> order{&root};
  for (std::size_t i = 0; i < order.size(); ++i) {
    std::vector<TNode*> subdirs;
    for (auto& child : order[i]->Children)
      if (child->IsDir) subdirs.push_back(child.get());
    std::sort(subdirs.begin(), subdirs.end(),
              [&](TNode* a, TNode* b) { return Identifier(*a, joliet) < Identifier(*b, joliet); });
    order.insert(order.end(), subdirs.begin(), subdirs.end());
  }
  for (std::size_t i = 0; i < order.size(); ++i) {
    if (joliet)
      order[i]->JolietNumber = static_cast<uint16_t>(i + 1);
    else
      order[i]->IsoNumber = static_cast<uint16_t>(i + 1);
  }
  return order;
}

std::vector<TNode*> SortedChildren(const TNode& dir, bool joliet) {
  std::vector<TNode*> children;
  for (auto& child : dir.Children) children.push_back(child.get());
  std::sort(children.begin(), children.end(),
            [&](TNode* a, TNode* b) { return Identifier(*a, joliet) < Identifier(*b, joliet); });
  return children;
}

// Bytes of a directory's extent: records never cross a sector boundary.
uint32_t DirectoryBytes(const TNode& dir, bool joliet) {
  uint32_t used = 34 + 34;
  uint32_t sectors = 1;
  for (TNode* child : SortedChildren(dir, joliet)) {
    const uint32_t length = static_cast<uint32_t>(RecordLength(Identifier(*child, joliet).size()));
    if (used + length > kSectorSize) {
      ++sectors;
      used = 0;
    }
    used += length;
  }
  return sectors * kSectorSize;
}

uint32_t PathTableBytes(const std::vector<TNode*>& dirs, bool joliet) {
  uint32_t bytes = 0;
  for (TNode* d : dirs) {
    const std::size_t n = d->Parent ? Identifier(*d, joliet).size() : 1;
    bytes += static_cast<uint32_t>(8 + n + (n % 2));
  }
  return bytes;
}

void PutRecord(uint8_t* p, const std::string& identifier, uint32_t sector, uint32_t size, bool isDir,
               const std::tm& recorded) {
  const std::size_t length = RecordLength(identifier.size());
  std::memset(p, 0, length);
  p[0] = static_cast<uint8_t>(length);
  Put32Both(p + 2, sector);
  Put32Both(p + 10, size);
  Date7(p + 18, recorded);
  p[25] = isDir ? 2 : 0;
  Put16Both(p + 28, 1);
  p[32] = static_cast<uint8_t>(identifier.size());
  std::memcpy(p + 33, identifier.data(), identifier.size());
}

std::vector<uint8_t> DirectoryExtent(const TNode& dir, bool joliet, const std::tm& recorded) {
  const uint32_t size = joliet ? dir.JolietSize : dir.IsoSize;
  std::vector<uint8_t> out(size, 0);
  auto sectorOf = [&](const TNode& d) { return joliet ? d.JolietSector : d.IsoSector; };
  auto sizeOf = [&](const TNode& d) { return joliet ? d.JolietSize : d.IsoSize; };
  const TNode& parent = dir.Parent ? *dir.Parent : dir;
  PutRecord(out.data(), std::string(1, '\0'), sectorOf(dir), sizeOf(dir), true, recorded);
  PutRecord(out.data() + 34, std::string(1, '\1'), sectorOf(parent), sizeOf(parent), true, recorded);
  std::size_t pos = 68;
  for (TNode* child : SortedChildren(dir, joliet)) {
    const std::string id = Identifier(*child, joliet);
    const std::size_t length = RecordLength(id.size());
    if (pos % kSectorSize + length > kSectorSize) pos = (pos / kSectorSize + 1) * kSectorSize;
    if (child->IsDir)
      PutRecord(out.data() + pos, id, sectorOf(*child), sizeOf(*child), true, recorded);
    else
      PutRecord(out.data() + pos, id, child->DataSector, static_cast<uint32_t>(child->Size), false, recorded);
    pos += length;
  }
  return out;
}

std::vector<uint8_t> PathTable(const std::vector<TNode*>& dirs, bool joliet, bool bigEndian) {
  std::vector<uint8_t> out;
  for (TNode* d : dirs) {
    const std::string id = d->Parent ? Identifier(*d, joliet) : std::string(1, '\0');
    const uint16_t parent = d->Parent ? (joliet ? d->Parent->JolietNumber : d->Parent->IsoNumber) : 1;
    const uint32_t sector = joliet ? d->JolietSector : d->IsoSector;
    uint8_t head[8] = {};
    head[0] = static_cast<uint8_t>(id.size());
    if (bigEndian) {
      Put32Be(head + 2, sector);
      head[6] = static_cast<uint8_t>(parent >> 8);
      head[7] = static_cast<uint8_t>(parent);
    } else {
      Put32Le(head + 2, sector);
      head[6] = static_cast<uint8_t>(parent);
      head[7] = static_cast<uint8_t>(parent >> 8);
    }
    out.insert(out.end(), head, head + 8);
    out.insert(out.end(), id.begin(), id.end());
    if (id.size() % 2) out.push_back(0);
  }
  out.resize(static_cast<std::size_t>(SectorsFor(out.size())) * kSectorSize, 0);
  return out;
}

}  // namespace

int32_t TIsoImage::Plan(const fs::path& folder, const std::string& volumeName, std::time_t recorded) {
  Layout_.reset();
  for (unsigned char c : volumeName)
    if (c < 0x20 || c == 0x7F) return 146;
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) return 126;

  auto layout = std::make_unique<TLayout>();
  layout->Root = std::make_unique<TNode>();
  layout->Root->IsDir = true;
  layout->Root->Source = folder;
  const int32_t scanned = Scan(*layout->Root);
  if (scanned != 1) return scanned;
  AssignIsoNames(*layout->Root);

  // The volume name as the caller gave it (ANSI, read as Latin-1) for Joliet; d-characters for the
  // primary descriptor.
  for (unsigned char c : volumeName) layout->VolumeJoliet.push_back(static_cast<char16_t>(c));
  layout->VolumeJoliet = layout->VolumeJoliet.substr(0, 16);
  layout->VolumeIso = DChars(std::u16string(volumeName.begin(), volumeName.end()), 32);
  const std::tm* utc = std::gmtime(&recorded);
  if (utc) layout->Recorded = *utc;

  TNode& root = *layout->Root;
  layout->IsoDirs = DirectoryOrder(root, false);
  if (layout->IsoDirs.size() > 0xFFFF) return 125;  // path tables number folders in 16 bits
  layout->JolietDirs = DirectoryOrder(root, true);
  uint32_t sector = kFirstPathTableSector;
  for (int tree = 0; tree < 2; ++tree) {
    const auto& dirs = tree ? layout->JolietDirs : layout->IsoDirs;
    layout->PathTableSize[tree] = PathTableBytes(dirs, tree == 1);
    layout->PathTableSectors[tree] = SectorsFor(layout->PathTableSize[tree]);
    layout->PathTableSector[tree][0] = sector;
    sector += layout->PathTableSectors[tree];
    layout->PathTableSector[tree][1] = sector;
    sector += layout->PathTableSectors[tree];
  }
  for (TNode* d : layout->IsoDirs) {
    d->IsoSize = DirectoryBytes(*d, false);
    d->IsoSector = sector;
    sector += d->IsoSize / kSectorSize;
  }
  for (TNode* d : layout->JolietDirs) {
    d->JolietSize = DirectoryBytes(*d, true);
    d->JolietSector = sector;
    sector += d->JolietSize / kSectorSize;
  }
  // File data in primary-tree order, folder by folder.
  for (TNode* d : layout->IsoDirs) {
    for (TNode* child : SortedChildren(*d, false)) {
      if (child->IsDir) continue;
      child->DataSector = sector;
      sector += SectorsFor(child->Size);
      layout->Files.push_back(child);
    }
  }
  layout->TotalSectors = sector;
  Layout_ = std::move(layout);
  return 1;
}

int64_t TIsoImage::Sectors() const { return Layout_ ? Layout_->TotalSectors : 0; }

namespace {

// Writes whole sectors, stopping quietly at the limit.
class TSectorWriter {
public:
  TSectorWriter(std::ofstream& out, int64_t limit) : Out_(out), Limit_(limit) {}
  bool Full() const { return Limit_ >= 0 && Written_ >= Limit_ * kSectorSize; }
  void Put(const uint8_t* data, std::size_t size) {
    if (Limit_ >= 0)
      size = static_cast<std::size_t>(std::min<int64_t>(size, Limit_ * kSectorSize - Written_));
    Out_.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    Written_ += static_cast<int64_t>(size);
  }
  void Put(const std::vector<uint8_t>& data) { Put(data.data(), data.size()); }

private:
  std::ofstream& Out_;
  int64_t Limit_;
  int64_t Written_ = 0;
};

}  // namespace

bool TIsoImage::Write(const fs::path& image, int64_t sectorLimit, std::string* error) const {
  auto fail = [&](const std::string& why) {
    if (error) *error = why;
    return false;
  };
  if (!Layout_) return fail("no image planned");
  const TLayout& l = *Layout_;
  std::ofstream out(image, std::ios::binary | std::ios::trunc);
  if (!out) return fail("cannot create " + image.string());
  TSectorWriter w(out, sectorLimit);

  std::vector<uint8_t> sector(kSectorSize, 0);
  for (int i = 0; i < 16; ++i) w.Put(sector);

  for (int tree = 0; tree < 2; ++tree) {
    const bool joliet = tree == 1;
    std::fill(sector.begin(), sector.end(), 0);
    uint8_t* d = sector.data();
    d[0] = joliet ? 2 : 1;
    std::memcpy(d + 1, "CD001", 5);
    d[6] = 1;
    if (joliet) {
      FillUcs2(d + 8, 32, u"");
      FillUcs2(d + 40, 32, l.VolumeJoliet);
      std::memcpy(d + 88, "%/E", 3);
    } else {
      FillText(d + 8, 32, "");
      FillText(d + 40, 32, l.VolumeIso);
    }
    Put32Both(d + 80, l.TotalSectors);
    Put16Both(d + 120, 1);
    Put16Both(d + 124, 1);
    Put16Both(d + 128, kSectorSize);
    Put32Both(d + 132, l.PathTableSize[tree]);
    Put32Le(d + 140, l.PathTableSector[tree][0]);
    Put32Be(d + 148, l.PathTableSector[tree][1]);
    const TNode& root = *l.Root;
    PutRecord(d + 156, std::string(1, '\0'), joliet ? root.JolietSector : root.IsoSector,
              joliet ? root.JolietSize : root.IsoSize, true, l.Recorded);
    if (joliet) {
      for (std::size_t off : {190u, 318u, 446u, 574u}) FillUcs2(d + off, 128, u"");
      FillUcs2(d + 702, 36, u"");
      FillUcs2(d + 739, 36, u"");
      FillUcs2(d + 776, 36, u"");
    } else {
      for (std::size_t off : {190u, 318u, 446u}) FillText(d + off, 128, "");
      FillText(d + 574, 128, "QX IMAGE RECORDER");
      FillText(d + 702, 37, "");
      FillText(d + 739, 37, "");
      FillText(d + 776, 37, "");
    }
    Date17(d + 813, &l.Recorded);
    Date17(d + 830, &l.Recorded);
    Date17(d + 847, nullptr);
    Date17(d + 864, nullptr);
    d[881] = 1;
    w.Put(sector);
  }
  std::fill(sector.begin(), sector.end(), 0);
  sector[0] = 255;
  std::memcpy(sector.data() + 1, "CD001", 5);
  sector[6] = 1;
  w.Put(sector);

  for (int tree = 0; tree < 2; ++tree) {
    const auto& dirs = tree ? l.JolietDirs : l.IsoDirs;
    w.Put(PathTable(dirs, tree == 1, false));
    w.Put(PathTable(dirs, tree == 1, true));
  }
  for (TNode* d : l.IsoDirs) w.Put(DirectoryExtent(*d, false, l.Recorded));
  for (TNode* d : l.JolietDirs) w.Put(DirectoryExtent(*d, true, l.Recorded));

  std::vector<char> buffer(64 * 1024);
  for (TNode* f : l.Files) {
    if (w.Full()) break;
    std::ifstream in(f->Source, std::ios::binary);
    if (!in) return fail("cannot read " + f->Source.string());
    uint64_t left = f->Size;
    while (left > 0 && !w.Full()) {
      const std::size_t want = static_cast<std::size_t>(std::min<uint64_t>(left, buffer.size()));
      in.read(buffer.data(), static_cast<std::streamsize>(want));
      const std::size_t got = static_cast<std::size_t>(in.gcount());
      // A file that shrank since the plan is padded, one that grew is cut: the extents are fixed.
      std::fill(buffer.begin() + static_cast<std::ptrdiff_t>(got),
                buffer.begin() + static_cast<std::ptrdiff_t>(want), 0);
      w.Put(reinterpret_cast<const uint8_t*>(buffer.data()), want);
      left -= want;
    }
    const std::size_t tail = static_cast<std::size_t>(SectorsFor(f->Size) * kSectorSize - f->Size);
    std::vector<uint8_t> pad(tail, 0);
    w.Put(pad);
  }
  out.flush();
  if (!out) return fail("cannot write " + image.string());
  return true;
}

}  // namespace qx::rwlib
