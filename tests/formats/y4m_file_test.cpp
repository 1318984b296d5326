// Y4M files behind the frame interface: files ffmpeg wrote, read frame by
// frame against ffmpeg's own decode; a file written by hand with frame tags
// of varying length, cut short and grown again; headers that are refused.
#include "formats/y4m_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "formats/result_codes.h"
#include "support/run_tool.h"
#include "support/temp_dir.h"

namespace corvane {
namespace {

using testsupport::ReadBytes;
using testsupport::TempDir;
using testsupport::WriteBytes;

std::vector<uint8_t> Bytes(std::string_view text) { return std::vector<uint8_t>(text.begin(), text.end()); }

std::vector<uint8_t> FrameBytes(const VideoFile& file, uint32_t n) {
  std::vector<uint8_t> out(file.Shape(n) ? file.Shape(n)->size : 0);
  EXPECT_TRUE(file.Read(n, out).has_value()) << "frame " << n;
  return out;
}

struct FfmpegClip {
  const char* pixFmt;
  const char* sampling;  // the C tag ffmpeg writes
  uint32_t code;
};

class Y4mFromFfmpeg : public ::testing::TestWithParam<FfmpegClip> {};

// ffmpeg writes the file and decodes it to raw frames; frame n read through
// the interface (forwards, backwards, lent) is ffmpeg's frame n.
TEST_P(Y4mFromFfmpeg, FramesEqualFfmpegsDecode) {
  if (!testsupport::HaveFfmpeg()) GTEST_SKIP() << "ffmpeg is not installed";
  const FfmpegClip& c = GetParam();
  TempDir dir;
  const std::string y4m = dir.File("a.y4m"), raw = dir.File("a.yuv");
  ASSERT_EQ(testsupport::Run({"sh", "-c",
                              "ffmpeg -nostdin -y -loglevel error -f lavfi -i testsrc2=size=96x54:rate=30000/1001 "
                              "-frames:v 6 -pix_fmt " + std::string(c.pixFmt) + " -strict -1 " + y4m +
                                  " && ffmpeg -nostdin -y -loglevel error -i " + y4m + " -f rawvideo -pix_fmt " +
                                  c.pixFmt + " " + raw})
                .status,
            0);
  auto opened = OpenVideoFile(y4m);
  ASSERT_TRUE(opened.has_value()) << opened.error().reason;
  const VideoFile& file = **opened;
  ASSERT_NE(file.Facts(), nullptr);
  EXPECT_TRUE(file.ParametersFixed());
  const StreamFacts& facts = *file.Facts();
  EXPECT_EQ(facts.container, "Y4M");
  EXPECT_EQ(facts.sampling, c.sampling);
  EXPECT_EQ(facts.frameRate, (Ratio{30000, 1001}));
  EXPECT_EQ(facts.pixelAspect, (Ratio{1, 1}));
  EXPECT_EQ(facts.interlacing, Interlacing::kProgressive);
  EXPECT_TRUE(facts.uniformFrameHeaders);
  EXPECT_EQ(facts.leftOverBytes, 0u);
  ASSERT_EQ(file.OwnParameters().size(), 1u);
  const YUVPara para = file.OwnParameters()[0];
  EXPECT_EQ(CodeName(para.format), CodeName(c.code));
  EXPECT_EQ(para.width, 96u);
  EXPECT_EQ(para.height, 54u);
  EXPECT_EQ(para.frameInterval, 33u);
  ASSERT_EQ(file.FrameCount(), 6u);

  const std::vector<uint8_t> decoded = ReadBytes(raw);
  const uint32_t size = file.Segments()[0].frameSize;
  ASSERT_EQ(decoded.size(), size_t(size) * 6);
  auto ffmpegFrame = [&](uint32_t n) {
    return std::vector<uint8_t>(decoded.begin() + ptrdiff_t(n - 1) * size, decoded.begin() + ptrdiff_t(n) * size);
  };
  for (const uint32_t n : {6u, 1u, 4u, 2u, 5u, 3u}) EXPECT_EQ(FrameBytes(file, n), ffmpegFrame(n)) << "frame " << n;
  const auto lent = file.Lend(2, 4);
  ASSERT_TRUE(lent.has_value());
  for (uint32_t i = 0; i < 4; ++i)
    EXPECT_EQ(std::vector<uint8_t>(lent->Data(i), lent->Data(i) + size), ffmpegFrame(2 + i)) << "lent frame " << 2 + i;
  for (const uint32_t n : {6u, 1u}) {
    const auto loan = file.LendFrame(n);
    ASSERT_TRUE(loan.has_value());
    EXPECT_EQ(std::vector<uint8_t>(loan->data, loan->data + size), ffmpegFrame(n)) << "frame lent alone " << n;
  }
}

INSTANTIATE_TEST_SUITE_P(Samplings, Y4mFromFfmpeg,
                         ::testing::Values(FfmpegClip{"yuv420p", "420jpeg", fmt::YV12},
                                           FfmpegClip{"yuv422p", "422", fmt::YV16},
                                           FfmpegClip{"yuv444p", "444", fmt::I444},
                                           FfmpegClip{"gray", "mono", fmt::GRAY},
                                           FfmpegClip{"yuv420p10le", "420p10", fmt::I010},
                                           FfmpegClip{"yuv422p10le", "422p10", fmt::I210},
                                           FfmpegClip{"yuv444p10le", "444p10", fmt::I410},
                                           FfmpegClip{"yuv420p12le", "420p12", fmt::I012}),
                         [](const auto& info) { return std::string(info.param.pixFmt); });

// Frames of 4x2 grey (8 bytes), frame k's bytes all k, behind headers of
// different lengths: each frame is found where its own header ends, also
// after the file is cut short mid-frame and grown again.
TEST(Y4mFile, FrameTagsOfVaryingLengthSeekExactlyAndAShortLastFrameIsLeftOver) {
  TempDir dir;
  const std::string path = dir.File("tags.y4m");
  const std::string header = "YUV4MPEG2 W4 H2 F25:1 Im A10:11 Cmono XCOLORRANGE=FULL XFOO=1\n";
  const char* frameHeaders[] = {"FRAME\n", "FRAME Ip\n", "FRAME It XNOTE=a-tag-long-enough-to-need-a-second-read-of-the-frame-header\n", "FRAME\n", "FRAME Ib\n"};
  std::vector<uint8_t> bytes = Bytes(header);
  std::vector<uint64_t> frameStarts;
  for (uint8_t k = 1; k <= 5; ++k) {
    const auto h = Bytes(frameHeaders[k - 1]);
    frameStarts.push_back(bytes.size());
    bytes.insert(bytes.end(), h.begin(), h.end());
    bytes.insert(bytes.end(), 8, k);
  }
  const std::vector<uint8_t> whole = bytes;
  const auto shortTail = Bytes("FRAME Ip\n");
  bytes.insert(bytes.end(), shortTail.begin(), shortTail.end());
  bytes.insert(bytes.end(), 3, 6);  // a sixth frame cut short
  WriteBytes(path, bytes);

  auto opened = Y4mVideoFile::Open(path);
  ASSERT_TRUE(opened.has_value()) << opened.error().reason;
  Y4mVideoFile& file = **opened;
  const StreamFacts& facts = *file.Facts();
  EXPECT_EQ(facts.frameRate, (Ratio{25, 1}));
  EXPECT_EQ(facts.pixelAspect, (Ratio{10, 11}));
  EXPECT_EQ(facts.interlacing, Interlacing::kMixed);
  EXPECT_EQ(facts.range, YuvRange::kFull);
  EXPECT_EQ(facts.otherTags, std::vector<std::string>{"XFOO=1"});
  EXPECT_EQ(facts.header, header.substr(0, header.size() - 1));
  EXPECT_FALSE(facts.uniformFrameHeaders);
  EXPECT_EQ(facts.leftOverBytes, 12u);
  EXPECT_EQ(file.OwnParameters()[0], MakePara(fmt::GRAY, 4, 2, 40));
  ASSERT_EQ(file.FrameCount(), 5u);
  for (const uint32_t n : {5u, 1u, 3u, 2u, 4u}) {
    EXPECT_EQ(FrameBytes(file, n), std::vector<uint8_t>(8, uint8_t(n))) << "frame " << n;
    EXPECT_EQ(file.HeaderOffsetOf(n), frameStarts[n - 1]);
  }
  const auto lent = file.Lend(1, 5);
  ASSERT_TRUE(lent.has_value());
  for (uint32_t i = 0; i < 5; ++i) EXPECT_EQ(*lent->Data(i), i + 1) << "lent frame " << i + 1;

  // The header is the truth: other parameters and writing are refused.
  EXPECT_TRUE(file.UseParameters(file.OwnParameters()[0], true).has_value());
  const auto other = file.UseParameters(MakePara(fmt::YV12, 4, 2, 40), true);
  ASSERT_FALSE(other.has_value());
  EXPECT_EQ(other.error().step, VideoFileError::Step::kParameters);
  EXPECT_FALSE(file.WriteParameters(file.OwnParameters()[0]).has_value());

  // Cut short inside frame 4: it is no longer held; a refresh drops it.
  std::filesystem::resize_file(path, frameStarts[3] + 9);
  EXPECT_TRUE(file.Holds(3));
  EXPECT_FALSE(file.Holds(4));
  std::vector<uint8_t> out(8);
  EXPECT_EQ(file.Read(4, out).error().status, ReadStatus::kShort);
  ASSERT_TRUE(file.Refresh().has_value());
  EXPECT_EQ(file.FrameCount(), 3u);
  EXPECT_EQ(file.Facts()->leftOverBytes, 9u);
  // Written whole again: the frames are indexed from where the count stopped.
  WriteBytes(path, whole);
  ASSERT_TRUE(file.Refresh().has_value());
  EXPECT_EQ(file.FrameCount(), 5u);
  EXPECT_EQ(file.Facts()->leftOverBytes, 0u);
  EXPECT_EQ(FrameBytes(file, 5), std::vector<uint8_t>(8, 5));
}

// The factory tells the kinds apart by their first bytes, whatever the name.
TEST(Y4mFile, OpenVideoFileSniffsTheMagic) {
  TempDir dir;
  const std::string y4m = dir.File("looks-raw.yuv"), raw = dir.File("raw.y4m");
  std::vector<uint8_t> bytes = Bytes("YUV4MPEG2 W2 H2 Cmono\nFRAME\n");
  bytes.insert(bytes.end(), 4, 7);
  WriteBytes(y4m, bytes);
  WriteBytes(raw, std::vector<uint8_t>(12, 1));
  auto a = OpenVideoFile(y4m);
  ASSERT_TRUE(a.has_value());
  EXPECT_NE((*a)->Facts(), nullptr);
  EXPECT_EQ((*a)->FrameCount(), 1u);
  auto b = OpenVideoFile(raw);
  ASSERT_TRUE(b.has_value());
  EXPECT_EQ((*b)->Facts(), nullptr);
  EXPECT_FALSE((*b)->ParametersFixed());
  EXPECT_NE(dynamic_cast<RawVideoFile*>(b->get()), nullptr);
}

struct Hostile {
  const char* name;
  std::string bytes;
  const char* reason;  // found in the refusal's reason
};

std::string Repeat(char c, size_t n) { return std::string(n, c); }

// Each refused with Step::kHeader and a reason that says what is wrong.
TEST(Y4mFile, HostileHeadersAreRefusedWithAReason) {
  const std::string frame16 = "FRAME\n" + Repeat('\x10', 16);  // one whole frame of 4x4 grey
  const std::vector<Hostile> cases = {
      {"no width", "YUV4MPEG2 H4 Cmono\n" + frame16, "no width W"},
      {"no height", "YUV4MPEG2 W4 Cmono\n" + frame16, "no height H"},
      {"zero width", "YUV4MPEG2 W0 H4 Cmono\n" + frame16, "width W is 0"},
      {"over 64 bits", "YUV4MPEG2 W99999999999999999999 H4 Cmono\n" + frame16, "width W 99999999999999999999 is too large"},
      {"over 32 bits", "YUV4MPEG2 W4 H4294967296 Cmono\n" + frame16, "height H 4294967296 is too large"},
      {"4 GiB frame", "YUV4MPEG2 W65536 H65536 Cmono\n" + frame16, "is 4 GiB or more"},
      {"huge frame in a small file", "YUV4MPEG2 W60000 H60000 Cmono\n" + frame16, "no whole frame"},
      {"not a number", "YUV4MPEG2 W4 H4 F30:x Cmono\n" + frame16, "frame rate F 'x' is not a number"},
      {"unknown sampling", "YUV4MPEG2 W4 H4 Cyuv9\n" + frame16, "unknown sampling Cyuv9"},
      {"411", "YUV4MPEG2 W4 H4 C411\n" + frame16, "sampling C411 (4:1:1) has no Corvane format"},
      {"444alpha", "YUV4MPEG2 W4 H4 C444alpha\n" + frame16, "C444alpha (4:4:4 with an alpha plane)"},
      {"mono16", "YUV4MPEG2 W4 H4 Cmono16\n" + frame16, "Cmono16 (16-bit grey)"},
      {"odd 4:2:0", "YUV4MPEG2 W3 H4 C420jpeg\n" + frame16, "at the odd size 3x4"},
      {"unknown interlacing", "YUV4MPEG2 W4 H4 Iz Cmono\n" + frame16, "unknown interlacing Iz"},
      {"no line end", "YUV4MPEG2 W4 H4 X" + Repeat('x', 5000), "no line end within its first 4096 bytes"},
      {"header cut short", "YUV4MPEG2 W4 H4", "the file ends within it"},
      {"header alone", "YUV4MPEG2 W4 H4 Cmono\n", "holds its stream header and no frame"},
      {"first frame short", "YUV4MPEG2 W4 H4 Cmono\nFRAME\n" + Repeat('\1', 15), "no whole frame (21 bytes"},
      {"not FRAME", "YUV4MPEG2 W4 H4 Cmono\n" + frame16 + "FRAMX\n" + Repeat('\2', 16),
       "frame 2's header at byte 44 does not start with FRAME"},
      {"FRAME glued to a tag", "YUV4MPEG2 W4 H4 Cmono\nFRAMEIp\n" + Repeat('\2', 16), "does not start with FRAME"},
      {"frame header too long", "YUV4MPEG2 W4 H4 Cmono\n" + frame16 + "FRAME X" + Repeat('x', 2000) + "\n" + Repeat('\2', 16),
       "frame 2's header at byte 44 is longer than 1024 bytes"},
      {"space after magic missing", "YUV4MPEG2W4 H4 Cmono\n" + frame16, "YUV4MPEG2 and a space"},
  };
  TempDir dir;
  for (const Hostile& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir.File("hostile.y4m");
    WriteBytes(path, Bytes(c.bytes));
    const auto opened = OpenVideoFile(path);
    ASSERT_FALSE(opened.has_value());
    EXPECT_EQ(opened.error().code, kFail);
    EXPECT_EQ(opened.error().step, VideoFileError::Step::kHeader);
    EXPECT_NE(opened.error().reason.find(c.reason), std::string::npos) << opened.error().reason;
  }
}

}  // namespace
}  // namespace corvane
