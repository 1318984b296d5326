// Coded files (an H.264 stream with B-frames in MP4, made by ffmpeg) through
// corvane-tool's info, cut, splice, capture and setpara, checked against
// ffprobe's packets and ffmpeg's own decode.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>

#include "support/run_tool.h"
#include "support/temp_dir.h"

namespace {

using namespace testsupport;

constexpr uint32_t kFrames = 40;
constexpr size_t kFrameSize = 320 * 180 * 3 / 2;
const std::string kFfmpeg = "ffmpeg -nostdin -y -loglevel error ";

std::vector<uint8_t> Slice(const std::vector<uint8_t>& bytes, size_t from, size_t length) {
  if (from >= bytes.size()) return {};
  return {bytes.begin() + ptrdiff_t(from), bytes.begin() + ptrdiff_t(std::min(bytes.size(), from + length))};
}

// One clip for the suite: 40 frames of 320x180, libx264 with up to 3
// B-frames and a keyframe every 16 frames, BT.709 in its colour description;
// and ffmpeg's decode of all its frames.
class CodedCli : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!testsupport::HaveFfmpeg()) return;
    s_dir = new TempDir;
    const RunResult r =
        Shell(kFfmpeg + "-f lavfi -i testsrc2=size=320x180:rate=25 -frames:v " + std::to_string(kFrames) +
              " -c:v libx264 -bf 3 -g 16 -keyint_min 16 -pix_fmt yuv420p -colorspace bt709 -color_primaries bt709 "
              "-color_trc bt709 " + Mp4() + " && " + kFfmpeg + "-i " + Mp4() +
              " -fps_mode passthrough -f rawvideo -pix_fmt yuv420p " + Decoded());
    s_made = r.status == 0;
  }
  static void TearDownTestSuite() {
    delete s_dir;
    s_dir = nullptr;
  }
  void SetUp() override {
    if (!testsupport::HaveFfmpeg()) GTEST_SKIP() << "ffmpeg is not installed";
    ASSERT_TRUE(s_made);
  }
  static std::string Mp4() { return s_dir->File("clip.mp4"); }
  static std::string Decoded() { return s_dir->File("decoded.yuv"); }
  // ffmpeg's decode of frames first..last (1-based).
  static std::vector<uint8_t> DecodedFrames(uint32_t first, uint32_t last) {
    return Slice(ReadBytes(Decoded()), (first - 1) * kFrameSize, (last - first + 1) * kFrameSize);
  }

  TempDir m_dir;
  static inline TempDir* s_dir = nullptr;
  static inline bool s_made = false;
};

// info --frames: one line per frame in presentation order, each the pts, key
// flag and size of ffprobe's packet of that frame and the picture type of
// ffprobe's decoded frame; --json gives the same in its "frames" array.
TEST_F(CodedCli, InfoFramesAreFfprobesPacketsInPresentationOrder) {
  const RunResult packets = Shell("ffprobe -v error -select_streams v:0 -show_entries packet=pts,size,flags -of csv=p=0 " + Mp4());
  const RunResult types = Shell("ffprobe -v error -select_streams v:0 -show_entries frame=pict_type -of csv=p=0 " + Mp4() +
                               " | grep -o '^[IPB]'");  // the first frame's side data adds lines of its own
  ASSERT_EQ(packets.status, 0) << packets.err;
  std::map<long long, std::pair<std::string, std::string>> byPts;  // pts -> (size, flags), sorted: presentation order
  std::istringstream in(packets.out);
  for (std::string line; std::getline(in, line);) {
    std::istringstream fields(line);
    std::string pts, size, flags;
    std::getline(fields, pts, ',');
    std::getline(fields, size, ',');
    std::getline(fields, flags, ',');
    byPts[std::stoll(pts)] = {size, flags};
  }
  std::istringstream typeLines(types.out);
  std::string expected, expectedJson;
  uint32_t n = 0;
  for (const auto& [pts, packet] : byPts) {
    std::string type;
    std::getline(typeLines, type);
    const bool key = packet.second.find('K') != std::string::npos;
    ++n;
    expected += "frame " + std::to_string(n) + ": pts " + std::to_string(pts) + ", type " + type + ", key " +
                (key ? "yes" : "no") + ", " + packet.first + " bytes\n";
    expectedJson += std::string(n > 1 ? ", " : "") + "{\"n\": " + std::to_string(n) + ", \"pts\": " +
                    std::to_string(pts) + ", \"type\": \"" + type + "\", \"key\": " + (key ? "true" : "false") +
                    ", \"bytes\": " + packet.first + "}";
  }
  ASSERT_EQ(n, kFrames);
  ASSERT_NE(expected.find("type B"), std::string::npos);  // the clip has B-frames: decode and presentation orders differ

  RunResult r = Tool({"info", Mp4(), "--frames"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("kind:     coded, in mov,mp4,m4a,3gp,3g2,mj2\ncodec:    h264\n"
                       "format:   I420 (YV12), as decoded (yuv420p)\nrate:     25:1 (25.000 fps)\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("matrix:   BT.709\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("segment 1: I420 (YV12) 320x180, interval 40 ms, 40 frames\nframes:   40\n" + expected),
            std::string::npos)
      << r.out;
  r = Tool({"info", Mp4(), "--frames", "--json"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("\"container\": \"mov,mp4,m4a,3gp,3g2,mj2\""), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"offset\": null, \"frames\": 40}]"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"coded\": {\"codec\": \"h264\", \"decoded_format\": \"yuv420p\", \"converted\": false, "
                       "\"rate\": [25, 1]"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("\"frames\": [" + expectedJson + "]}}\n"), std::string::npos) << r.out;
}

// cut: the decoded frames A..B are ffmpeg's decode of them byte for byte,
// as raw frames with a one-record trailer of their parameters, or as a Y4M
// file with --y4m (which ffmpeg reads back to the same bytes).
TEST_F(CodedCli, CutIsFfmpegsDecodeOfTheRange) {
  const std::string raw = m_dir.File("cut.yuv"), y4m = m_dir.File("cut.y4m"), back = m_dir.File("back.yuv");
  // Frames 3..21 start before the second keyframe (17) and end after it, on B-frames.
  RunResult r = Tool({"cut", Mp4(), "--from", "3", "--to", "21", "-o", raw});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<uint8_t> bytes = ReadBytes(raw);
  ASSERT_EQ(bytes.size(), 19 * kFrameSize + 40);
  EXPECT_EQ(Slice(bytes, 0, 19 * kFrameSize), DecodedFrames(3, 21));
  r = Tool({"info", raw});
  EXPECT_NE(r.out.find("trailer:  plain\nsegment 1: I420 (YV12) 320x180, interval 40 ms, offset 0, 19 frames\n"),
            std::string::npos)
      << r.out;

  r = Tool({"cut", Mp4(), "--from", "30", "--to", "40", "-o", y4m, "--y4m"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<uint8_t> y4mBytes = ReadBytes(y4m);
  const std::string header(y4mBytes.begin(), std::find(y4mBytes.begin(), y4mBytes.end(), '\n'));
  EXPECT_EQ(header.rfind("YUV4MPEG2 W320 H180 F25:1 Ip A1:1 C420jpeg", 0), 0u) << header;
  ASSERT_EQ(Shell(kFfmpeg + "-i " + y4m + " -f rawvideo -pix_fmt yuv420p " + back).status, 0);
  EXPECT_EQ(ReadBytes(back), DecodedFrames(30, 40));

  r = Tool({"cut", Mp4(), "--from", "1", "--to", "2", "-o", m_dir.File("x.yuv"), "--raw"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("--raw applies to a Y4M file"), std::string::npos) << r.err;
  r = Tool({"cut", raw, "--from", "1", "--to", "2", "-o", m_dir.File("x.y4m"), "--y4m"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("--y4m applies to a coded file"), std::string::npos) << r.err;
}

// splice: a coded input is one segment of its decoded frames, beside a raw
// input's own bytes.
TEST_F(CodedCli, SpliceOfACodedAndARawInput) {
  const std::string raw = m_dir.File("raw.yuv"), spliced = m_dir.File("spliced.yuv");
  ASSERT_EQ(Tool({"gen", raw, "--format", "NV12", "--size", "64x48", "--frames", "3", "--trailer"}).status, 0);
  RunResult r = Tool({"splice", "-o", spliced, raw, Mp4()});
  ASSERT_EQ(r.status, 0) << r.err;
  r = Tool({"info", spliced});
  const size_t rawData = 3 * 64 * 48 * 3 / 2;
  EXPECT_NE(r.out.find("segment 2: I420 (YV12) 320x180, interval 40 ms, offset " + std::to_string(rawData) +
                       ", 40 frames\nframes:   43\n"),
            std::string::npos)
      << r.out;
  const std::vector<uint8_t> bytes = ReadBytes(spliced);
  EXPECT_EQ(Slice(bytes, 0, rawData), Slice(ReadBytes(raw), 0, rawData));
  EXPECT_EQ(Slice(bytes, rawData, kFrames * kFrameSize), ReadBytes(Decoded()));
}

// capture and render read the decoded frame and converts it with the stream's matrix
// (BT.709 here): the PNG of frame 19 is the PNG of the same raw frame
// captured with --matrix 709 (a BMP of I420 keeps its fixed conversion).
// setpara and --format leave the file alone.
TEST_F(CodedCli, CaptureAndRenderUseTheStreamsMatrixAndSetparaIsRefused) {
  const std::string raw = m_dir.File("frame19.yuv");
  ASSERT_EQ(Tool({"cut", Mp4(), "--from", "19", "--to", "19", "-o", raw}).status, 0);
  const std::string coded = m_dir.File("coded.png"), as709 = m_dir.File("709.png"), as601 = m_dir.File("601.png");
  RunResult r = Tool({"capture", Mp4(), "--frame", "19", "--png", "-o", coded});
  ASSERT_EQ(r.status, 0) << r.err;
  ASSERT_EQ(Tool({"capture", raw, "--frame", "1", "--png", "-o", as709, "--matrix", "709"}).status, 0);
  ASSERT_EQ(Tool({"capture", raw, "--frame", "1", "--png", "-o", as601}).status, 0);
  EXPECT_EQ(ReadBytes(coded), ReadBytes(as709));
  EXPECT_NE(ReadBytes(coded), ReadBytes(as601));
  // render draws it as the window would, with the same matrix.
  ASSERT_EQ(Tool({"render", Mp4(), "--frame", "19", "--window", "160x90", "-o", coded}).status, 0);
  ASSERT_EQ(Tool({"render", raw, "--frame", "1", "--window", "160x90", "-o", as709, "--matrix", "709"}).status, 0);
  EXPECT_EQ(ReadBytes(coded), ReadBytes(as709));

  const std::vector<uint8_t> before = ReadBytes(Mp4());
  r = Tool({"setpara", Mp4(), "--format", "I420", "--size", "320x180"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "corvane-tool setpara: '" + Mp4() +
                       "' is a coded file (h264): its stream gives its format, size and rate, and no trailer is "
                       "written into it\n");
  r = Tool({"capture", Mp4(), "--frame", "1", "--png", "-o", coded, "--format", "I420", "--size", "320x180"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("is a coded file (h264): its stream gives its format, size and rate"), std::string::npos)
      << r.err;
  EXPECT_EQ(ReadBytes(Mp4()), before);
}

}  // namespace
