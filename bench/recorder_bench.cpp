// Records a folder with the image recorder's own write, unpaced, and prints the seconds it took.
// bench/recorder_bench.sh runs it beside genisoimage and xorriso on the same folder.
//   recorder_bench FOLDER IMAGE
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>

#include "core/recorder.h"

namespace {

class TNoPacing : public qx::rwlib::IWriteHost {
public:
  void Signal() override {}
  void Pause(int) override {}
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: recorder_bench FOLDER IMAGE\n");
    return 64;
  }
  namespace fs = std::filesystem;
  const fs::path image = fs::absolute(argv[2]);
  fs::remove(image);
  qx::rwlib::TRecorderConfig config;
  config.SectorsPerSecond = 0;  // as fast as the machine goes
  config.MediaType = qx::rwlib::mtDvdR;
  config.Image = image.string();
  qx::rwlib::TVirtualRecorder recorder(config, image.parent_path());
  if (recorder.Start(config.Adapter, config.Target, 0, 4, 8192) != 1) return 1;

  qx::rwlib::TWriteRequest request;
  request.PathCount = 1;
  request.Paths = {fs::absolute(argv[1])};
  request.VolumeName = "BENCH";
  request.Interval = 110;
  request.Now = std::time(nullptr);
  TNoPacing host;
  const auto start = std::chrono::steady_clock::now();
  const int32_t result = recorder.WriteTrackList(request, host);
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  if (result != 1) {
    std::fprintf(stderr, "recorder_bench: the write answered %d\n", static_cast<int>(result));
    return 1;
  }
  std::printf("%.3f\n", took.count());
  return 0;
}
