#pragma once
// A fresh folder under the system's temporary folder, removed again at the end of the test.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace qx::rwlib {

class TScratchDir {
public:
  explicit TScratchDir(const std::string& name)
      : Path_(std::filesystem::temp_directory_path() /
              ("qx_rwlib_" + name + "_" + std::to_string(::getpid()))) {
    std::filesystem::remove_all(Path_);
    std::filesystem::create_directories(Path_);
  }
  ~TScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(Path_, ec);
  }
  const std::filesystem::path& Path() const { return Path_; }

private:
  std::filesystem::path Path_;
};

// A file of `size` bytes whose contents depend on `seed`, so swapped or shifted data shows.
inline void MakeFile(const std::filesystem::path& path, std::size_t size, unsigned seed) {
  std::string data(size, '\0');
  for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<char>((i * 131 + seed * 7 + (i >> 9)) & 0xFF);
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << data;
}

}  // namespace qx::rwlib
