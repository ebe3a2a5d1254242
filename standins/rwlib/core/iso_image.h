#pragma once
// Builds an ISO 9660 image with Joliet names from a folder: every file and subfolder, contents copied
// byte for byte. The primary tree carries 8.3 names for old readers; the Joliet tree carries the
// real names (up to 108 UTF-16 units each). Both trees share the file extents.
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>

namespace qx::rwlib {

constexpr int64_t kSectorSize = 2048;

class TIsoImage {
public:
  TIsoImage();
  ~TIsoImage();
  TIsoImage(const TIsoImage&) = delete;
  TIsoImage& operator=(const TIsoImage&) = delete;

  // Scans `folder` and lays the image out. Answers 1, or the recorder's result code for what is
  // wrong: 126 no such folder, 149 a name longer than 108 characters, 22 a file of 4 GiB or more,
  // 148 the folder could not be read, 146 a volume name with control characters.
  int32_t Plan(const std::filesystem::path& folder, const std::string& volumeName, std::time_t recorded);

  // Sectors of the whole image (valid after a successful Plan).
  int64_t Sectors() const;

  // Writes the first `sectorLimit` sectors of the image (all when negative). False with `error`
  // set when a file cannot be read or the image cannot be written.
  bool Write(const std::filesystem::path& image, int64_t sectorLimit, std::string* error) const;

private:
  struct TLayout;
  std::unique_ptr<TLayout> Layout_;
};

}  // namespace qx::rwlib
