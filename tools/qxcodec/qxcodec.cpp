// qxcodec: runs one method of the codec driver over a whole file, without any archive header.
// It produces and reads the bare bit streams that peer LHA tools are checked against.
//   qxcodec encode METHOD IN OUT [--no-budget]   METHOD: non | rle | lzh | lh5
//     --no-budget lets the stream grow past the input's size (an archive would store such a
//     member instead), so that peers can be checked on tiny or incompressible inputs too.
//   qxcodec decode METHOD SIZE IN OUT     SIZE: number of bytes the member expands to
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "archive/codec_state.h"

namespace {

class TStdioStream : public qx::TStream {
public:
  TStdioStream(const char* path, const char* mode) : Handle(std::fopen(path, mode)) {}
  ~TStdioStream() override {
    if (Handle) std::fclose(Handle);
  }
  bool Ok() const { return Handle != nullptr; }
  int32_t Read(void* buffer, int32_t count) override {
    return static_cast<int32_t>(std::fread(buffer, 1, static_cast<size_t>(count), Handle));
  }
  int32_t Write(const void* buffer, int32_t count) override {
    return static_cast<int32_t>(std::fwrite(buffer, 1, static_cast<size_t>(count), Handle));
  }
  int64_t Seek(int64_t offset, qx::TSeekOrigin origin) override {
    const int whence = origin == qx::TSeekOrigin::soBeginning ? SEEK_SET
                       : origin == qx::TSeekOrigin::soCurrent ? SEEK_CUR
                                                              : SEEK_END;
    std::fseek(Handle, static_cast<long>(offset), whence);
    return std::ftell(Handle);
  }

private:
  std::FILE* Handle;
};

int MethodIndex(const std::string& name) {
  if (name == "non") return qx::cmNone;
  if (name == "rle") return qx::cmRLE;
  if (name == "lzh") return qx::cmLZH;
  if (name == "lh5") return qx::cmLH5;
  return -1;
}

int Usage() {
  std::fprintf(stderr,
               "usage: qxcodec encode METHOD IN OUT [--no-budget]\n"
               "       qxcodec decode METHOD SIZE IN OUT\n"
               "METHOD: non | rle | lzh | lh5\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) return Usage();
  const std::string verb = argv[1];
  const int method = MethodIndex(argv[2]);
  if (method < 0 || (verb != "encode" && verb != "decode")) return Usage();
  const bool encode = verb == "encode";
  if (!encode && argc < 6) return Usage();
  const char* inPath = argv[encode ? 3 : 4];
  const char* outPath = argv[encode ? 4 : 5];
  TStdioStream in(inPath, "rb"), out(outPath, "wb");
  if (!in.Ok() || !out.Ok()) {
    std::fprintf(stderr, "qxcodec: cannot open %s\n", in.Ok() ? outPath : inPath);
    return 1;
  }
  const uint32_t inSize = static_cast<uint32_t>(in.Size());
  const uint32_t produce = encode ? 0 : static_cast<uint32_t>(std::strtoul(argv[3], nullptr, 10));
  // The driver's output budget is the number of source bytes it may read; reading still ends
  // at the end of the file.
  const bool noBudget = encode && argc > 5 && std::strcmp(argv[5], "--no-budget") == 0;
  const uint32_t sourceBytes = noBudget ? UINT32_MAX : inSize;
  try {
    qx::TCodecState state;
    const qx::TCodecResult result = state.RunCodec(qx::TCodecJob{
        out, in, sourceBytes, encode ? qx::TCodecDirection::cdCompress : qx::TCodecDirection::cdExpand,
        method, produce, false, 0, nullptr});
    std::printf("%u %u %u\n", inSize, result.OutputCount, result.Checksum);
  } catch (const qx::EUnableToCompress&) {
    // The stream would be larger than its input: an archive stores such a member instead.
    std::fprintf(stderr, "qxcodec: output exceeds input size\n");
    return 3;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "qxcodec: %s\n", e.what());
    return 1;
  }
  return 0;
}
