// Coded files against ffmpeg: each stream is made by ffmpeg here, and every
// frame Corvane reads, however it is reached (forward, backward, seeks both
// ways, steps), must be the frame `ffmpeg -fps_mode passthrough -f framemd5`
// lists at that place, byte for byte.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <algorithm>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <thread>

extern "C" {
#include <libavutil/md5.h>
}

#include "formats/coded_file.h"
#include "formats/result_codes.h"
#include "formats/video_file.h"
#include "support/run_tool.h"
#include "support/temp_dir.h"

using namespace corvane;

namespace {

struct Material {
  const char* name;  // file name: its extension picks the container
  std::vector<std::string> encode;
  // The pixel format Corvane converts the decoder's frames to (ffmpeg's
  // sums are taken in it too); empty when they are taken as they are.
  std::string convertedTo = {};
};
void PrintTo(const Material& m, std::ostream* out) { *out << m.name; }

// 320x180, 60 frames of a moving pattern; groups of 24 with B-frames where
// the codec has them, open groups for HEVC, hidden alt-ref frames for VP9.
const std::vector<Material>& Materials() {
  static const std::vector<Material> list = {
      {"h264_bframes.mp4", {"-c:v", "libx264", "-bf", "3", "-g", "24", "-pix_fmt", "yuv420p"}},
      {"hevc_open_gop.mkv",
       {"-c:v", "libx265", "-x265-params", "keyint=24:min-keyint=24:open-gop=1:log-level=error", "-pix_fmt", "yuv420p"}},
      {"av1.ivf", {"-c:v", "libaom-av1", "-cpu-used", "8", "-g", "24", "-row-mt", "1", "-pix_fmt", "yuv420p"}},
      {"vp9_altref.webm",
       {"-c:v", "libvpx-vp9", "-deadline", "good", "-cpu-used", "8", "-g", "24", "-lag-in-frames", "16",
        "-auto-alt-ref", "1", "-pix_fmt", "yuv420p"}},
      {"mpeg2.ts", {"-c:v", "mpeg2video", "-bf", "2", "-g", "12", "-pix_fmt", "yuv420p"}},
      {"raw_bframes.264", {"-c:v", "libx264", "-bf", "3", "-g", "24", "-pix_fmt", "yuv420p"}},
      {"hevc_10bit.mp4", {"-c:v", "libx265", "-x265-params", "keyint=24:log-level=error", "-pix_fmt", "yuv420p10le"}},
      {"rgb_planar.mkv", {"-c:v", "libx264rgb", "-g", "24", "-pix_fmt", "bgr24"}, "bgr24"},
      {"raw_open_gop.265",
       {"-c:v", "libx265", "-x265-params", "keyint=24:min-keyint=24:open-gop=1:log-level=error", "-pix_fmt", "yuv420p"}},
  };
  return list;
}

std::string Md5(const uint8_t* data, size_t size) {
  uint8_t sum[16];
  av_md5_sum(sum, data, size);
  char hex[33];
  for (int i = 0; i < 16; ++i) std::snprintf(hex + 2 * i, 3, "%02x", sum[i]);
  return std::string(hex, 32);
}

// ffmpeg's MD5 of each frame, in its order.
std::vector<std::string> FrameMd5s(const std::string& path, const std::string& pixelFormat = {}) {
  std::vector<std::string> argv = {"ffmpeg", "-v", "error", "-i", path, "-map", "0:v:0", "-fps_mode", "passthrough"};
  if (!pixelFormat.empty()) argv.insert(argv.end(), {"-pix_fmt", pixelFormat});
  argv.insert(argv.end(), {"-f", "framemd5", "-"});
  const auto r = testsupport::Run(argv);
  std::vector<std::string> sums;
  std::istringstream lines(r.out);
  for (std::string line; std::getline(lines, line);) {
    if (line.empty() || line[0] == '#') continue;
    const size_t comma = line.find_last_of(',');
    std::string sum = line.substr(comma + 1);
    sum.erase(0, sum.find_first_not_of(' '));
    sums.push_back(sum);
  }
  return sums;
}

// ffprobe's picture type of each frame, in its order ("IBBP...").
std::string FrameTypes(const std::string& path) {
  const auto r = testsupport::Run(
      {"ffprobe", "-v", "error", "-select_streams", "v:0", "-show_entries", "frame=pict_type", "-of", "csv=p=0", path});
  std::string types;
  for (const char c : r.out)
    if (c == 'I' || c == 'P' || c == 'B') types += c;
  return types;
}

bool Encode(const std::string& path, const std::vector<std::string>& codec, const char* source = "testsrc2") {
  std::vector<std::string> argv = {"ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i",
                                   std::string(source) + "=size=320x180:rate=25", "-frames:v", "60"};
  argv.insert(argv.end(), codec.begin(), codec.end());
  argv.push_back(path);
  return testsupport::Run(argv).status == 0;
}

// The positions a file of `count` frames is read at, in this order: seeks
// both ways, then steps forward and back around a group's end.
std::vector<uint32_t> SeeksAndSteps(uint32_t count) {
  std::vector<uint32_t> at;
  for (const double share : {0.62, 0.08, 0.85, 0.2, 0.98, 0.4, 0.41, 0.39, 0.0, 0.8, 0.5, 0.03})
    at.push_back(1 + uint32_t(share * (count - 1)));
  for (const uint32_t n : {24u, 25u, 26u, 25u, 24u, 23u, 22u, 23u, 24u, 25u})
    if (n <= count) at.push_back(n);
  return at;
}

testsupport::TempDir& Folder() {
  static testsupport::TempDir dir;
  return dir;
}

// A stream made once for all tests of this process: its path and ffmpeg's
// sums (none when ffmpeg could not make it).
struct Made {
  std::string path;
  std::vector<std::string> sums;
};
const Made& Make(const Material& m) {
  static std::map<std::string, Made> made;
  if (!made.count(m.name)) {
    const std::string path = Folder().File(m.name);
    made[m.name] = Made{path, Encode(path, m.encode) ? FrameMd5s(path, m.convertedTo) : std::vector<std::string>{}};
  }
  return made[m.name];
}
const Material& H264() { return Materials()[0]; }

class CodedFiles : public ::testing::TestWithParam<Material> {};

TEST_P(CodedFiles, EveryWayToAFrameGivesFfmpegsFrame) {
  const Material& m = GetParam();
  const std::vector<std::string>& sums = Make(m).sums;
  ASSERT_GE(sums.size(), 50u) << "ffmpeg could not make " << m.name;
  const std::string& path = Make(m).path;

  // Forward play, backward play, then seeks and steps: each on a file of
  // its own, so each starts with an empty cache and a fresh decoder.
  std::vector<std::vector<uint32_t>> orders(3);
  for (uint32_t n = 1; n <= sums.size(); ++n) orders[0].push_back(n);
  for (uint32_t n = uint32_t(sums.size()); n >= 1; --n) orders[1].push_back(n);
  orders[2] = SeeksAndSteps(uint32_t(sums.size()));
  for (size_t o = 0; o < orders.size(); ++o) {
    auto opened = OpenVideoFile(path);
    ASSERT_TRUE(opened) << opened.error().reason;
    const VideoFile& file = **opened;
    ASSERT_NE(file.Facts(), nullptr);
    EXPECT_FALSE(file.Facts()->codec.empty());
    EXPECT_EQ(file.Facts()->converted, !m.convertedTo.empty());
    ASSERT_EQ(file.FrameCount(), sums.size());
    std::vector<uint8_t> frame(file.Segments()[0].frameSize);
    for (const uint32_t n : orders[o]) {
      auto read = file.Read(n, frame);
      ASSERT_TRUE(read) << m.name << " order " << o << " frame " << n << " status " << int(read.error().status);
      EXPECT_EQ(Md5(frame.data(), read->size), sums[n - 1]) << m.name << " order " << o << " frame " << n;
    }
    const std::optional<CodedFrame> first = file.Coded(1);
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->key);
    EXPECT_GT(first->bytes, 0u);
  }
  // Each frame's type (from the codec's parser, or from the decoded
  // pictures of a scanned stream) is the decoder's, as ffprobe shows it.
  auto opened = OpenVideoFile(path);
  ASSERT_TRUE(opened);
  std::string types;
  for (uint32_t n = 1; n <= (*opened)->FrameCount(); ++n) types += PictureTypeName((*opened)->Coded(n)->type);
  EXPECT_EQ(types, FrameTypes(path));
}

INSTANTIATE_TEST_SUITE_P(Streams, CodedFiles, ::testing::ValuesIn(Materials()),
                         [](const auto& info) {
                           std::string name = info.param.name;
                           for (char& c : name)
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           return name;
                         });

// Damaged and foreign files: each opens with a reason, opens as raw, or
// opens and reads every frame either exactly or as "decode failed"; none
// crashes or hangs.
struct Damage {
  const char* name;
  // Makes the file from the H.264 MP4 (its path and bytes); returns its path.
  std::string (*make)(const std::string& mp4);
  enum Outcome { kRefused, kRaw, kFramesOrFailures } outcome;
  uint32_t exactFrames;  // frames from 1 on that must still be ffmpeg's
};

std::vector<uint8_t> Bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::string WriteAs(const std::string& name, std::vector<uint8_t> bytes) {
  const std::string path = Folder().File(name);
  testsupport::WriteBytes(path, bytes);
  return path;
}

const Damage kDamages[] = {
    {"truncated_mp4_index_at_end",
     [](const std::string& mp4) {
       auto bytes = Bytes(mp4);
       bytes.resize(bytes.size() / 2);  // the index (moov) is lost with the end
       return WriteAs("cut.mp4", bytes);
     },
     Damage::kRefused, 0},
    {"truncated_mp4_index_first",
     [](const std::string&) {
       const std::string whole = Folder().File("faststart.mp4");
       Encode(whole, {"-c:v", "libx264", "-bf", "3", "-g", "24", "-pix_fmt", "yuv420p", "-movflags", "+faststart"});
       auto bytes = Bytes(whole);
       bytes.resize(bytes.size() * 6 / 10);  // the index promises frames the file lost
       return WriteAs("cut_faststart.mp4", bytes);
     },
     Damage::kFramesOrFailures, 20},
    {"corrupted_bytes_mid_file",
     [](const std::string&) {
       const std::string whole = Folder().File("for_damage.ts");
       Encode(whole, {"-c:v", "mpeg2video", "-bf", "2", "-g", "12", "-pix_fmt", "yuv420p"});
       auto bytes = Bytes(whole);
       std::mt19937 random(7);
       for (size_t i = bytes.size() / 2; i < bytes.size() / 2 + 6000 && i < bytes.size(); ++i)
         bytes[i] = uint8_t(random());
       return WriteAs("damaged.ts", bytes);
     },
     Damage::kFramesOrFailures, 11},  // frame 12's packet is the first the damage hits
    {"audio_only",
     [](const std::string&) {
       const std::string path = Folder().File("sine.m4a");
       testsupport::Run({"ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", "sine=frequency=440:duration=1", path});
       return path;
     },
     Damage::kRefused, 0},
    {"random_bytes_named_mp4",
     [](const std::string&) {
       std::vector<uint8_t> bytes(200000);
       std::mt19937 random(11);
       for (uint8_t& b : bytes) b = uint8_t(random());
       return WriteAs("noise.mp4", bytes);
     },
     Damage::kRaw, 0},
    {"h264_stream_named_yuv",
     [](const std::string& mp4) { return WriteAs("frames.yuv", Bytes(mp4)); }, Damage::kRaw, 0},
};

class DamagedFiles : public ::testing::TestWithParam<Damage> {};
void PrintTo(const Damage& d, std::ostream* out) { *out << d.name; }

TEST_P(DamagedFiles, OpenWithAReasonOrReadFramesOrFailures) {
  const Damage& damage = GetParam();
  const Made& mp4 = Make(H264());
  ASSERT_FALSE(mp4.sums.empty());
  const std::string path = damage.make(mp4.path);
  auto opened = OpenVideoFile(path);
  if (damage.outcome == Damage::kRefused) {
    ASSERT_FALSE(opened);
    EXPECT_EQ(opened.error().step, VideoFileError::Step::kHeader);
    EXPECT_FALSE(opened.error().reason.empty());
    if (std::string(damage.name) == "audio_only") {
      EXPECT_EQ(opened.error().reason, "no video stream");
    }
    return;
  }
  ASSERT_TRUE(opened) << opened.error().reason;
  if (damage.outcome == Damage::kRaw) {
    EXPECT_EQ((*opened)->Facts(), nullptr);
    return;
  }
  const VideoFile& file = **opened;
  ASSERT_NE(file.Facts(), nullptr);
  ASSERT_GE(file.FrameCount(), damage.exactFrames);
  // The frames are the packets the file holds, not what its container claims.
  EXPECT_LT(file.FrameCount(), mp4.sums.size());
  std::vector<uint8_t> frame(file.Segments()[0].frameSize);
  const std::vector<std::string> sums =
      std::string(damage.name) == "corrupted_bytes_mid_file" ? FrameMd5s(Folder().File("for_damage.ts")) : mp4.sums;
  uint32_t failed = 0;
  // Backward, so every frame is reached by a seek and a decode from its keyframe.
  for (uint32_t n = file.FrameCount(); n >= 1; --n) {
    auto read = file.Read(n, frame);
    if (!read) {
      EXPECT_EQ(read.error().status, ReadStatus::kDecodeFailed) << n;
      ++failed;
      continue;
    }
    if (n <= damage.exactFrames) {
      EXPECT_EQ(Md5(frame.data(), read->size), sums[n - 1]) << n;
    }
  }
  EXPECT_LT(failed, file.FrameCount());
}

INSTANTIATE_TEST_SUITE_P(Files, DamagedFiles, ::testing::ValuesIn(kDamages),
                         [](const auto& info) { return std::string(info.param.name); });

// The cache's bound: backward play with room for no frame, five frames or
// the default reads ffmpeg's frames, and the cache never holds more.
TEST(CodedFileCache, BackwardReadsAreExactWithinTheBound) {
  const Made& mp4 = Make(H264());
  ASSERT_FALSE(mp4.sums.empty());
  for (const uint64_t frames : {uint64_t(0), uint64_t(5), uint64_t(1) << 20}) {
    DecodeOptions options;
    const uint64_t frameSize = 320 * 180 * 3 / 2;
    options.cacheBytes = frames * frameSize;
    auto opened = CodedVideoFile::Open(mp4.path, options);
    ASSERT_TRUE(opened);
    const CodedVideoFile& file = **opened;
    ASSERT_EQ(file.Segments()[0].frameSize, frameSize);
    std::vector<uint8_t> frame(frameSize);
    for (uint32_t n = file.FrameCount(); n >= 1; --n) {
      auto read = file.Read(n, frame);
      ASSERT_TRUE(read) << n;
      EXPECT_EQ(Md5(frame.data(), frameSize), mp4.sums[n - 1]) << n;
      EXPECT_LE(file.CachedBytes(), options.cacheBytes) << n;
    }
  }
}

// A raw stream has no timestamps: its order comes from a decoding scan,
// which reports its progress and is abandoned when asked.
TEST(CodedFileScan, ReportsProgressAndStopsWhenAsked) {
  const Made& raw = Make(Materials()[5]);
  ASSERT_FALSE(raw.sums.empty());
  for (const bool abandon : {false, true}) {
    std::vector<double> shares;
    DecodeOptions options;
    options.progress = [&](double share) {
      shares.push_back(share);
      return !abandon;
    };
    auto opened = CodedVideoFile::Open(raw.path, options);
    ASSERT_FALSE(shares.empty());
    EXPECT_TRUE(std::is_sorted(shares.begin(), shares.end()));
    EXPECT_LE(shares.back(), 1.0);
    if (abandon) {
      ASSERT_FALSE(opened);
      EXPECT_EQ(opened.error().step, VideoFileError::Step::kRead);
    } else {
      ASSERT_TRUE(opened);
      EXPECT_FALSE((*opened)->OrderedByTimestamps());
      EXPECT_EQ((*opened)->FrameCount(), raw.sums.size());
    }
  }
}

// Two readers at once (the player's and a comparison's, say) and a read
// stopped by its give-way: each frame read is still ffmpeg's, and the file
// reads on after the stop.
TEST(CodedFileThreads, ConcurrentReadsAndAStoppedReadLeaveTheDecoderSane) {
  const Made& mp4 = Make(H264());
  ASSERT_FALSE(mp4.sums.empty());
  auto opened = CodedVideoFile::Open(mp4.path);
  ASSERT_TRUE(opened);
  const CodedVideoFile& file = **opened;
  const uint32_t count = file.FrameCount();
  ASSERT_EQ(count, mp4.sums.size());

  std::vector<uint8_t> frame(file.Segments()[0].frameSize);
  int asked = 0;
  auto stopped = file.Read(40, frame, [&asked] { return ++asked > 3; });
  ASSERT_FALSE(stopped);
  EXPECT_EQ(stopped.error().status, ReadStatus::kStopped);
  ASSERT_TRUE(file.Read(41, frame));
  EXPECT_EQ(Md5(frame.data(), frame.size()), mp4.sums[40]);

  std::vector<std::string> mismatches[2];
  auto reader = [&](int which) {
    std::vector<uint8_t> own(frame.size());
    for (uint32_t i = 0; i < 2 * count; ++i) {
      const uint32_t n = which == 0 ? 1 + i % count : count - i % count;
      auto read = file.Read(n, own);
      if (!read || Md5(own.data(), own.size()) != mp4.sums[n - 1]) mismatches[which].push_back(std::to_string(n));
    }
  };
  std::thread forward(reader, 0), backward(reader, 1);
  forward.join();
  backward.join();
  EXPECT_TRUE(mismatches[0].empty()) << mismatches[0].size();
  EXPECT_TRUE(mismatches[1].empty()) << mismatches[1].size();
}

// A file that grew is indexed again by Refresh; one that did not is left as
// it is; the stream's parameters are fixed.
TEST(CodedFileRefresh, AGrownFileIsIndexedAgain) {
  const Made& mp4 = Make(Materials()[4]);  // MPEG-TS: a cut file still opens
  ASSERT_FALSE(mp4.sums.empty());
  const std::vector<uint8_t> whole = Bytes(mp4.path);
  const std::string path = WriteAs("growing.ts", std::vector<uint8_t>(whole.begin(), whole.begin() + whole.size() / 2));
  auto opened = OpenVideoFile(path);
  ASSERT_TRUE(opened) << opened.error().reason;
  VideoFile& file = **opened;
  const uint32_t before = file.FrameCount();
  ASSERT_GT(before, 0u);
  ASSERT_LT(before, mp4.sums.size());
  ASSERT_TRUE(file.Refresh());
  EXPECT_EQ(file.FrameCount(), before);
  testsupport::WriteBytes(path, whole);
  ASSERT_TRUE(file.Refresh());
  EXPECT_EQ(file.FrameCount(), mp4.sums.size());
  std::vector<uint8_t> frame(file.Segments()[0].frameSize);
  ASSERT_TRUE(file.Read(uint32_t(mp4.sums.size()), frame));
  EXPECT_EQ(Md5(frame.data(), frame.size()), mp4.sums.back());

  EXPECT_TRUE(file.ParametersFixed());
  EXPECT_TRUE(file.UseParameters(file.OwnParameters()[0], false));
  YUVPara other = file.OwnParameters()[0];
  other.width += 2;
  EXPECT_FALSE(file.UseParameters(other, false));
  EXPECT_EQ(file.WriteParameters(other).error().step, VideoFileError::Step::kWrite);
}

}  // namespace
