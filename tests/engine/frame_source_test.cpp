#include "engine/frame_source.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "formats/result_codes.h"
#include "fake_source_host.h"
#include "support/frames.h"
#include "support/para.h"
#include "support/temp_dir.h"

namespace corvane {
namespace {

using testsupport::Para;
using testsupport::TempDir;

// Frames whose first four bytes hold their 1-based number, the rest its low byte.
std::vector<uint8_t> Frames(uint32_t frameSize, uint32_t count, uint32_t first = 1) {
  std::vector<uint8_t> bytes(size_t(frameSize) * count);
  for (uint32_t i = 0; i < count; ++i) {
    uint8_t* f = bytes.data() + size_t(i) * frameSize;
    const uint32_t n = first + i;
    std::fill(f, f + frameSize, uint8_t(n));
    testsupport::StampFrameNumber(f, frameSize, n);
  }
  return bytes;
}

std::vector<uint32_t> Range(uint32_t from, uint32_t to) {
  std::vector<uint32_t> v;
  if (from <= to)
    for (uint32_t n = from; n <= to; ++n) v.push_back(n);
  else
    for (uint32_t n = from; n >= to; --n) v.push_back(n);
  return v;
}

constexpr uint32_t kQcifI420 = 176 * 144 * 3 / 2;  // 38016

// A 16x16 I420 file of `count` frames opened and playing through a fake graph.
struct Player {
  Player(const std::string& path, YUVPara para, uint32_t frameSize) : host(frameSize), source(&host) {
    EXPECT_EQ(CodeOf(source.Open(path)), kOk);
    (void)source.ReadTrailer({}, false);
    EXPECT_EQ(CodeOf(source.SetPara(&para)), kOk);
    (void)source.GetFileInfo();
    source.SetQueue(&host.queue);
  }
  ~Player() { source.Close(); }
  FakeSourceHost host;
  FrameSource source;
};

TEST(SourceTest, PlaysForwardsAndBackwardsWithAndWithoutRepeat) {
  TempDir dir;
  const std::string path = dir.File("a.yuv");
  const uint32_t fs = 384;  // 16x16 I420
  testsupport::WriteBytes(path, Frames(fs, 100));
  {
    Player p(path, Para(fmt::YV12, 16, 16), fs);
    EXPECT_EQ(p.host.frameCount, 100u);
    ASSERT_EQ(CodeOf(p.source.StartThread()), kOk);
    EXPECT_EQ(p.host.PresentMany(100), Range(1, 100));
    // Repeat off: nothing follows the last frame, which stays current.
    EXPECT_FALSE(p.host.PresentNext(nullptr, std::chrono::milliseconds(100)));
    EXPECT_EQ(p.host.last, 100u);
    EXPECT_EQ(p.host.queue.GetCurrent()->nFrameNo, 100u);
    // Turning repeat on at the end starts over at frame 1.
    p.source.SetRepeat(true);
    EXPECT_EQ(p.host.PresentMany(3), Range(1, 3));
  }
  {
    Player p(path, Para(fmt::YV12, 16, 16), fs);
    p.source.SetRepeat(true);
    ASSERT_EQ(CodeOf(p.source.StartThread()), kOk);
    auto seq = p.host.PresentMany(205);
    std::vector<uint32_t> expect = Range(1, 100);
    auto again = Range(1, 100);
    expect.insert(expect.end(), again.begin(), again.end());
    again = Range(1, 5);
    expect.insert(expect.end(), again.begin(), again.end());
    EXPECT_EQ(seq, expect);
  }
  {
    Player p(path, Para(fmt::YV12, 16, 16), fs);
    ASSERT_EQ(CodeOf(p.source.StartThread()), kOk);
    p.source.SetReverse(true);
    ASSERT_EQ(CodeOf(p.source.Seek(100)), kOk);
    EXPECT_EQ(p.host.PresentMany(100), Range(100, 1));
    EXPECT_FALSE(p.host.PresentNext(nullptr, std::chrono::milliseconds(100)));
    EXPECT_EQ(p.host.last, 1u);
    p.source.SetRepeat(true);
    EXPECT_EQ(p.host.PresentMany(2), Range(100, 99));
  }
  {
    Player p(path, Para(fmt::YV12, 16, 16), fs);
    p.source.SetRepeat(true);
    ASSERT_EQ(CodeOf(p.source.StartThread()), kOk);
    p.source.SetReverse(true);
    ASSERT_EQ(CodeOf(p.source.Seek(3)), kOk);
    EXPECT_EQ(p.host.PresentMany(5), (std::vector<uint32_t>{3, 2, 1, 100, 99}));
  }
}

TEST(SourceTest, DirectionChangeReplaysTheFrameOnScreen) {
  TempDir dir;
  const std::string path = dir.File("a.yuv");
  testsupport::WriteBytes(path, Frames(384, 100));
  for (bool toReverse : {true, false}) {
    Player p(path, Para(fmt::YV12, 16, 16), 384);
    ASSERT_EQ(CodeOf(p.source.StartThread()), kOk);
    if (!toReverse) {
      p.source.SetReverse(true);
      ASSERT_EQ(CodeOf(p.source.Seek(60)), kOk);
      EXPECT_EQ(p.host.PresentMany(24), Range(60, 37));
    } else {
      EXPECT_EQ(p.host.PresentMany(37), Range(1, 37));
    }
    // The reader is ten frames ahead; the change discards them.
    p.source.SetReverse(toReverse);
    EXPECT_EQ(p.source.GetReverse(), toReverse);
    EXPECT_EQ(p.host.PresentMany(4), toReverse ? Range(37, 34) : Range(37, 40));
  }
}

TEST(SourceTest, SeeksDiscardQueuedFramesAndRefuseBadNumbers) {
  TempDir dir;
  const std::string path = dir.File("a.yuv");
  testsupport::WriteBytes(path, Frames(384, 50));
  Player p(path, Para(fmt::YV12, 16, 16), 384);
  // Not running yet: refused.
  EXPECT_EQ(CodeOf(p.source.Seek(5)), kNotReady);
  ASSERT_EQ(CodeOf(p.source.StartThread()), kOk);
  EXPECT_EQ(CodeOf(p.source.Seek(0)), kNotReady);
  EXPECT_EQ(CodeOf(p.source.Seek(51)), kNotReady);
  EXPECT_EQ(p.host.PresentMany(2), Range(1, 2));
  // Seeks while the reader runs ahead: the next frame is always the one sought.
  for (uint32_t target : {40u, 7u, 50u, 1u, 25u}) {
    ASSERT_EQ(CodeOf(p.source.Seek(target)), kOk);
    EXPECT_EQ(p.host.PresentMany(1), std::vector<uint32_t>{target});
  }
  EXPECT_EQ(p.host.PresentMany(3), Range(26, 28));
  // Stop rewinds to frame 1.
  (void)p.source.StopThread();
  p.host.queue.Flush();
  EXPECT_FALSE(p.source.IsThreadRunning());
  ASSERT_EQ(CodeOf(p.source.StartThread()), kOk);
  EXPECT_EQ(p.host.PresentMany(1), Range(1, 1));
}

TEST(SourceTest, HalfFramesAndTinyFilesAreNeverShown) {
  TempDir dir;
  const std::string path = dir.File("a.yuv");
  auto bytes = Frames(kQcifI420, 10);
  bytes.resize(bytes.size() + kQcifI420 / 2, 0xEE);  // 10.5 frames
  testsupport::WriteBytes(path, bytes);
  {
    Player p(path, Para(fmt::YV12, 176, 144), kQcifI420);
    EXPECT_EQ(p.host.frameCount, 10u);
    ASSERT_EQ(CodeOf(p.source.StartThread()), kOk);
    EXPECT_EQ(p.host.PresentMany(10), Range(1, 10));
    EXPECT_FALSE(p.host.PresentNext(nullptr, std::chrono::milliseconds(100)));
  }
  // Smaller than one frame: no frames, the reader idles, nothing is shown.
  testsupport::WriteBytes(dir.File("tiny.yuv"), std::vector<uint8_t>(100, 1));
  Player p(dir.File("tiny.yuv"), Para(fmt::YV12, 176, 144), kQcifI420);
  EXPECT_EQ(p.host.frameCount, 0u);
  p.source.SetRepeat(true);
  ASSERT_EQ(CodeOf(p.source.StartThread()), kOk);
  EXPECT_FALSE(p.host.PresentNext(nullptr, std::chrono::milliseconds(100)));
  EXPECT_EQ(CodeOf(p.source.Seek(1)), kNotReady);
}

TEST(SourceTest, OpenRefusesWhatCannotBePlayed) {
  TempDir dir;
  FakeSourceHost host(16);
  FrameSource source(&host);
  EXPECT_EQ(CodeOf(source.Open("")), kNotReady);
  EXPECT_EQ(CodeOf(source.Open(dir.File("missing.yuv"))), kFail);
  testsupport::WriteBytes(dir.File("empty.yuv"), {});
  EXPECT_EQ(CodeOf(source.Open(dir.File("empty.yuv"))), kFail);
  EXPECT_EQ(source.GetFile(), nullptr);
  EXPECT_EQ(CodeOf(source.Open(dir.Path().string())), kFail);
  testsupport::WriteBytes(dir.File("ok.yuv"), std::vector<uint8_t>(100));
  auto opened = source.Open(dir.File("ok.yuv"));
  EXPECT_EQ(CodeOf(opened), kOk);
  EXPECT_TRUE(opened && !opened->readOnly);
  // An unknown format cannot be set; playback cannot start.
  YUVPara bad = Para(0x41424344u, 16, 16);
  EXPECT_EQ(CodeOf(source.SetPara(&bad)), kFail);
  source.SetQueue(&host.queue);
  EXPECT_EQ(CodeOf(source.StartThread()), kNotReady);
  std::filesystem::permissions(dir.File("ok.yuv"), std::filesystem::perms::owner_read);
  opened = source.Open(dir.File("ok.yuv"));
  EXPECT_EQ(CodeOf(opened), kOk);
  EXPECT_TRUE(opened && opened->readOnly);
}

TEST(SourceTest, SavingParametersTwiceReplacesTheTrailer) {
  TempDir dir;
  const std::string path = dir.File("a.yuv");
  // 4x4 I420 frames are 24 bytes, smaller than the 40-byte trailer: its bytes
  // must never count as a frame.
  const auto frames = Frames(24, 5);
  testsupport::WriteBytes(path, frames);
  Player p(path, Para(fmt::YV12, 4, 4), 24);
  YUVPara first = Para(fmt::YV12, 4, 4, 0, 33);
  ASSERT_EQ(CodeOf(p.source.SavePara(&first)), kOk);
  auto bytes = testsupport::ReadBytes(path);
  ASSERT_EQ(bytes.size(), frames.size() + 40);
  EXPECT_TRUE(std::equal(frames.begin(), frames.end(), bytes.begin()));
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 120, bytes.end()), EncodeTrailer(std::span(&first, 1)));

  YUVPara second = Para(fmt::YUYV, 4, 3, 0, 20);
  ASSERT_EQ(CodeOf(p.source.SavePara(&second)), kOk);
  bytes = testsupport::ReadBytes(path);
  ASSERT_EQ(bytes.size(), frames.size() + 40);  // replaced, not appended
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 120, bytes.end()), EncodeTrailer(std::span(&second, 1)));

  // Reopened, the file says what was saved and still has exactly 5 frames.
  Player q(path, Para(fmt::YV12, 4, 4), 24);
  YUVPara read{};
  const auto found = q.source.ReadTrailer(std::span(&read, 1), false);
  ASSERT_EQ(CodeOf(found), kOk);
  EXPECT_TRUE(found->hasTrailer);
  EXPECT_EQ(read, second);
  const auto info = q.source.GetFileInfo();
  EXPECT_EQ(info.value_or(FileInfo{}).frameCount, 5u);
  ASSERT_EQ(CodeOf(q.source.StartThread()), kOk);
  EXPECT_EQ(q.host.PresentMany(5), Range(1, 5));
  EXPECT_FALSE(q.host.PresentNext(nullptr, std::chrono::milliseconds(100)));
}

TEST(SourceTest, SavingIntoAReadOnlyFileIsReportedAndChangesNothing) {
  TempDir dir;
  const std::string path = dir.File("ro.yuv");
  testsupport::WriteBytes(path, Frames(24, 3));
  std::filesystem::permissions(path, std::filesystem::perms::owner_read);
  Player p(path, Para(fmt::YV12, 4, 4), 24);
  YUVPara para = Para(fmt::YV12, 4, 4);
  EXPECT_EQ(CodeOf(p.source.SavePara(&para)), kFail);
  EXPECT_EQ(testsupport::ReadBytes(path), Frames(24, 3));
}

// Three segments: CIF I420, QCIF YUYV with stray bytes, 8x8 RGB24.
struct SplicedFile {
  explicit SplicedFile(const std::string& path) {
    records = {Para(fmt::YV12, 352, 288, 0, 40), Para(fmt::YUYV, 176, 144, 152064ull * 3, 20),
               Para(fmt::RGB3, 8, 8, 152064ull * 3 + 50688ull * 2 + 10, 100)};
    auto a = Frames(152064, 3, 1), b = Frames(50688, 2, 4), c = Frames(192, 4, 6);
    b.resize(b.size() + 10, 0xAA);
    std::vector<uint8_t> all;
    for (auto* part : {&a, &b, &c}) all.insert(all.end(), part->begin(), part->end());
    auto t = EncodeTrailer(records);
    all.insert(all.end(), t.begin(), t.end());
    testsupport::WriteBytes(path, all);
  }
  std::vector<YUVPara> records;
};

TEST(SourceTest, SplicedFilePlaysEachSegmentWithItsOwnFormat) {
  TempDir dir;
  const std::string path = dir.File("s.yuv");
  SplicedFile file(path);
  Player p(path, file.records[0], 152064);
  EXPECT_EQ(p.source.GetSegmentCount(), 3u);
  EXPECT_EQ(p.host.frameCount, 9u);
  EXPECT_EQ(p.source.FramePositionOf(3), 2 * 152064ull);
  EXPECT_EQ(p.source.FramePositionOf(4), 3 * 152064ull);
  EXPECT_EQ(p.source.FramePositionOf(5), 3 * 152064ull + 50688);
  EXPECT_EQ(p.source.FramePositionOf(6), 3 * 152064ull + 2 * 50688 + 10);
  EXPECT_EQ(p.source.FramePositionOf(9), 3 * 152064ull + 2 * 50688 + 10 + 3 * 192);

  ASSERT_EQ(CodeOf(p.source.StartThread()), kOk);
  std::vector<PresentedFrame> shown;
  PresentedFrame f;
  while (shown.size() < 9 && p.host.PresentNext(&f)) shown.push_back(f);
  ASSERT_EQ(shown.size(), 9u);
  for (uint32_t i = 0; i < 9; ++i) {
    EXPECT_EQ(shown[i].number, i + 1);
    EXPECT_EQ(shown[i].stampedNumber, i + 1);
    const YUVPara& r = file.records[i < 3 ? 0 : i < 5 ? 1 : 2];
    EXPECT_EQ(shown[i].width, r.width);
    EXPECT_EQ(shown[i].height, r.height);
    EXPECT_EQ(shown[i].type, *TypeOfCode(r.format));
  }
  // Each segment change is reported once: entering segments 2 and 3.
  auto paras = p.host.SegmentParas();
  ASSERT_EQ(paras.size(), 2u);
  EXPECT_EQ(paras[0], file.records[1]);
  EXPECT_EQ(paras[1], file.records[2]);

  // Backwards across both boundaries, then forwards again from a seek.
  p.source.SetReverse(true);
  EXPECT_EQ(p.host.PresentMany(9), Range(9, 1));
  p.source.SetReverse(false);
  ASSERT_EQ(CodeOf(p.source.Seek(5)), kOk);
  EXPECT_EQ(p.host.PresentMany(3), Range(5, 7));
}

// The queue is bounded in bytes as well as in buffers: a pool made for small
// frames (ten of them) whose reader reaches a segment of huge frames keeps
// no more than three of those in memory (on screen, waiting, being read).
TEST(SourceTest, HugeFramesHoldAtMostThreeBuffersOfAPoolOfTen) {
  TempDir dir;
  const std::string path = dir.File("huge.yuv");
  constexpr uint32_t kSmall = 384;                          // 16x16 I420
  constexpr uint32_t kHuge = 5120 * 5120 * 4;               // RGB32, 100 MiB
  constexpr uint32_t kMaxBytes = 256u << 20;                // room for two and a half
  const std::vector<YUVPara> records = {Para(fmt::YV12, 16, 16, 0), Para(fmt::RGB4, 5120, 5120, 2 * kSmall)};
  {
    // Two small frames, then six huge ones left as a hole (sparse, no disk).
    std::vector<uint8_t> head = Frames(kSmall, 2);
    testsupport::WriteBytes(path, head);
    const uint64_t dataEnd = 2ull * kSmall + 6ull * kHuge;
    std::filesystem::resize_file(path, dataEnd);
    const auto t = EncodeTrailer(records);
    std::fstream f(path, std::ios::binary | std::ios::in | std::ios::out);
    f.seekp(std::streamoff(dataEnd));
    f.write(reinterpret_cast<const char*>(t.data()), std::streamsize(t.size()));
  }
  FakeSourceHost host(kSmall, 10, kMaxBytes);
  FrameSource source(&host);
  ASSERT_EQ(CodeOf(source.Open(path)), kOk);
  (void)source.ReadTrailer({}, false);
  ASSERT_EQ(CodeOf(source.SetPara(&records[0])), kOk);
  (void)source.GetFileInfo();
  source.SetQueue(&host.queue);
  ASSERT_EQ(CodeOf(source.StartThread()), kOk);
  // The huge frames are a hole of zeros: their numbers come from the reader.
  const auto present = [&](size_t k) {
    std::vector<uint32_t> numbers;
    PresentedFrame f;
    while (numbers.size() < k && host.PresentNext(&f)) numbers.push_back(f.number);
    return numbers;
  };
  EXPECT_EQ(present(3), Range(1, 3));  // the small ones and the first huge one
  // The reader fills what the bound allows: two behind the one on screen.
  const auto waitFor = [&](uint32_t full, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (host.queue.FullCount() < full && std::chrono::steady_clock::now() < end)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return host.queue.FullCount() >= full;
  };
  ASSERT_TRUE(waitFor(2, std::chrono::seconds(20)));
  // Without the bound the reader would go on to nine within milliseconds.
  EXPECT_FALSE(waitFor(3, std::chrono::milliseconds(500)));
  EXPECT_EQ(host.queue.PoolSize() - host.queue.FreeCount(), 3u);
  // Playback goes on to the last frame within the bound.
  EXPECT_EQ(present(3), Range(4, 6));
  EXPECT_LE(host.queue.PoolSize() - host.queue.FreeCount(), 3u);
  source.Close();
}

TEST(SourceTest, SplicedFilesRefuseSavedParameters) {
  TempDir dir;
  const std::string path = dir.File("s.yuv");
  SplicedFile file(path);
  const auto before = testsupport::ReadBytes(path);
  Player p(path, file.records[0], 152064);
  YUVPara para = Para(fmt::YV12, 352, 288);
  EXPECT_EQ(CodeOf(p.source.SavePara(&para)), kFail);
  ASSERT_EQ(p.host.notices.size(), 1u);
  EXPECT_EQ(p.host.notices[0], Notice::kSplicedParaRefused);
  EXPECT_EQ(testsupport::ReadBytes(path), before);
  std::vector<YUVPara> all(3);
  ASSERT_EQ(CodeOf(p.source.ReadTrailer(all, true)), kOk);
  EXPECT_EQ(all, file.records);
  std::vector<YUVPara> tooSmall(2);
  EXPECT_EQ(CodeOf(p.source.ReadTrailer(tooSmall, true)), kFail);
}

TEST(SourceTest, DamagedTrailerLeavesTheFilePlayableAsPlainData) {
  TempDir dir;
  const std::string path = dir.File("d.yuv");
  auto bytes = Frames(24, 4);
  // End record claims 2 records but a size of 40.
  const uint8_t end[12] = {2, 0, 0, 0, 40, 0, 0, 0, 'I', 'P', 'V', 'R'};
  bytes.insert(bytes.end(), end, end + 12);
  bytes.resize(24 * 5, 0);  // pad to 5 frames
  std::copy(end, end + 12, bytes.end() - 12);
  testsupport::WriteBytes(path, bytes);
  FakeSourceHost host(24);
  FrameSource source(&host);
  ASSERT_EQ(CodeOf(source.Open(path)), kOk);
  YUVPara out{};
  EXPECT_EQ(CodeOf(source.ReadTrailer(std::span(&out, 1), false)), kFail);
  EXPECT_TRUE(source.HasTrailer());
  EXPECT_EQ(source.GetSegmentCount(), 1u);
  YUVPara para = Para(fmt::YV12, 4, 4);
  ASSERT_EQ(CodeOf(source.SetPara(&para)), kOk);
  const auto info = source.GetFileInfo();
  EXPECT_EQ(info.value_or(FileInfo{}).frameCount, 5u);
}

TEST(SourceTest, FileCutShortWhilePlayingEndsPlayback) {
  TempDir dir;
  const std::string path = dir.File("t.yuv");
  testsupport::WriteBytes(path, Frames(kQcifI420, 60));
  for (bool repeat : {false, true}) {
    testsupport::WriteBytes(path, Frames(kQcifI420, 60));
    Player p(path, Para(fmt::YV12, 176, 144), kQcifI420);
    p.source.SetRepeat(repeat);
    ASSERT_EQ(CodeOf(p.source.StartThread()), kOk);
    EXPECT_EQ(p.host.PresentMany(5), Range(1, 5));
    // Another program cuts the file to 20 frames (and a half) while we play.
    std::filesystem::resize_file(path, kQcifI420 * 20 + 7);
    std::vector<uint32_t> rest = p.host.PresentMany(200);
    // Frames already queued may still come; none beyond the cut is read anew
    // except those read ahead before it, and nothing crashes.
    ASSERT_FALSE(rest.empty());
    for (uint32_t n : rest) EXPECT_LE(n, 20u + 10u);
    if (repeat) {
      // Playback wraps round within what is left.
      EXPECT_NE(std::find(rest.begin(), rest.end(), 1u), rest.end());
    } else {
      EXPECT_LT(rest.size(), 200u);
    }
  }
}

}  // namespace
}  // namespace corvane
