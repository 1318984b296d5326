// libFuzzer target for coded files: the input is a whole file, written
// where libavformat can open it (its first byte picks the name's extension,
// so the probe sees names too). Opening (probe, index, first frame) must
// give a file or a reason; a coded file's frames must each read whole or
// fail as "decode failed", its index must number every frame once, and no
// read may hang (every decoding loop is bounded).
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "formats/coded_file.h"
#include "formats/video_file.h"

namespace {

[[noreturn]] void Broken(const char* what) {
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

const std::string& Folder() {
  static const std::string folder = [] {
    const char* shm = "/dev/shm";
    std::string base = std::filesystem::is_directory(shm) ? shm : std::filesystem::temp_directory_path().string();
    return base + "/corvane-coded-fuzz-" + std::to_string(::getpid());
  }();
  return folder;
}

void CheckReads(const corvane::VideoFile& file) {
  const uint32_t count = file.FrameCount();
  if (count == 0) Broken("a coded file opened with no frame");
  std::vector<uint8_t> frame(file.Segments()[0].frameSize);
  for (const uint32_t n : {1u, 2u, count, count / 2 + 1, 3u, 1u}) {
    if (n > count) continue;
    auto read = file.Read(n, frame);
    if (!read && read.error().status != corvane::ReadStatus::kDecodeFailed) Broken("a read failed otherwise than decoding");
    if (read && read->size != frame.size()) Broken("a frame of another size");
    if (!file.Coded(n)) Broken("a frame the index does not describe");
  }
  if (file.Read(count + 1, frame)) Broken("a frame past the end");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const char* const kNames[] = {"f.mp4", "f.mkv", "f.ivf", "f.ts", "f.264", "f.265", "f.webm", "f"};
  if (size < 1) return 0;
  std::filesystem::create_directories(Folder());
  const std::string path = Folder() + "/" + kNames[data[0] % 8];
  if (FILE* out = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data + 1, 1, size - 1, out);
    std::fclose(out);
  } else {
    return 0;
  }
  corvane::DecodeOptions options;
  options.threads = 1;
  options.cacheBytes = 4u << 20;
  if (corvane::LooksCoded(path)) {
    auto coded = corvane::CodedVideoFile::Open(path, options);
    if (!coded && coded.error().reason.empty() && coded.error().error == 0) Broken("a refusal without a reason");
    if (coded) {
      const corvane::CodedIndex& index = (*coded)->Index();
      std::vector<bool> seen(index.Packets().size(), false);
      for (uint32_t n = 1; n <= index.FrameCount(); ++n) {
        const uint32_t d = index.DecodeIndexOf(n);
        if (d >= seen.size() || seen[d]) Broken("a packet numbered twice");
        seen[d] = true;
        if (index.FrameOf(d) != n) Broken("frame and packet disagree");
        if (index.StartFor(n) > d) Broken("decoding starts after the frame's own packet");
      }
      CheckReads(**coded);
    }
  }
  std::filesystem::remove(path);
  return 0;
}
