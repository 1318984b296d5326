// The quality track on real files, held against `corvane-tool compare` on
// the same files: every frame's figures as its --json prints them (through
// the CSV export), the stats files byte for byte; a run stopped midway; a
// pair of different sizes refused.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <sstream>
#include <thread>

#include "session/quality_track.h"
#include "support/quality_pair.h"
#include "support/run_tool.h"

namespace {

using corvane::analysis::CompareCode;
using corvane::analysis::FrameMetrics;
using session::QualityTrack;
using testsupport::QualityPair;

void WaitDone(const QualityTrack& track) {
  while (!track.Done()) std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

std::string ReadText(const std::string& path) {
  const auto bytes = testsupport::ReadBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

// The value of "key" in a frame line of compare's JSON; an array's items
// joined by commas.
std::string JsonField(const std::string& line, const std::string& key) {
  size_t at = line.find("\"" + key + "\": ");
  if (at == std::string::npos) return "(no " + key + ")";
  at += key.size() + 4;
  if (line[at] != '[') return line.substr(at, line.find_first_of(",}", at) - at);
  std::string items = line.substr(at + 1, line.find(']', at) - at - 1);
  std::erase(items, ' ');
  return items;
}

class QualityTrackTest : public testing::Test {
 protected:
  void SetUp() override { m_pair = testsupport::WriteQualityPair(m_dir); }

  testsupport::RunResult Compare(std::vector<std::string> flags) const {
    std::vector<std::string> argv = {CORVANE_TOOL, "compare", m_pair.a.path, m_pair.b.path,
                                     "--format",   "I420",    "--size",      "176x144"};
    argv.insert(argv.end(), flags.begin(), flags.end());
    return testsupport::Run(argv);
  }
  void Measure(QualityTrack& track, bool ssim) const {
    ASSERT_TRUE(track.Start(m_pair.a, m_pair.b, ssim).Ok());
    EXPECT_EQ(track.Planned(), QualityPair::kFrames);
    WaitDone(track);
    ASSERT_TRUE(track.Status().Ok());
    ASSERT_EQ(track.Count(), QualityPair::kFrames);
  }

  testsupport::TempDir m_dir;
  QualityPair m_pair;
};

TEST_F(QualityTrackTest, CsvRowsHoldTheFiguresOfCompareJson) {
  QualityTrack track;
  ASSERT_NO_FATAL_FAILURE(Measure(track, true));
  const std::string csv = m_dir.File("quality.csv");
  ASSERT_TRUE(session::WriteQualityCsv(csv, track.Results(), true));
  const testsupport::RunResult json = Compare({"--json"});
  ASSERT_EQ(json.status, 0) << json.err;

  std::istringstream rows(ReadText(csv)), lines(json.out);
  std::string row;
  std::getline(rows, row);
  EXPECT_EQ(row, "frame,psnr_y,psnr_u,psnr_v,psnr_avg,mse_y,mse_u,mse_v,mse_avg,ssim_y,ssim_u,ssim_v,ssim_all");
  uint32_t frames = 0;
  for (std::string line; std::getline(lines, line);) {
    if (line.find("{\"n\": ") == std::string::npos) continue;
    std::string expected;
    for (const char* key : {"frame", "psnr", "psnr_avg", "mse", "mse_avg", "ssim", "ssim_all"}) {
      if (!expected.empty()) expected += ',';
      expected += JsonField(line, key);
    }
    for (size_t at; (at = expected.find("null")) != std::string::npos;) expected.replace(at, 4, "inf");
    ASSERT_TRUE(std::getline(rows, row));
    EXPECT_EQ(row, expected);
    ++frames;
  }
  EXPECT_EQ(frames, QualityPair::kFrames);
  EXPECT_EQ(row.substr(0, 20), "6,inf,inf,inf,inf,0.");  // the untouched last frame
  EXPECT_FALSE(std::getline(rows, row));
}

TEST_F(QualityTrackTest, StatsFilesEqualCompareStatsFiles) {
  QualityTrack track;
  ASSERT_NO_FATAL_FAILURE(Measure(track, true));
  const std::vector<FrameMetrics> frames = track.Results();
  for (bool ssim : {false, true}) {
    const std::string ours = m_dir.File("ours.txt"), theirs = m_dir.File("theirs.txt");
    ASSERT_TRUE(session::WriteQualityStats(ours, frames, ssim));
    const testsupport::RunResult tool = Compare({ssim ? "--ssim" : "--psnr", "--stats-file", theirs});
    ASSERT_EQ(tool.status, 0) << tool.err;
    EXPECT_EQ(testsupport::ReadBytes(ours), testsupport::ReadBytes(theirs)) << "ssim " << ssim;
  }
  errno = 0;
  EXPECT_FALSE(session::WriteQualityStats(m_dir.File("no-such-folder/stats.txt"), frames, false));
  EXPECT_EQ(errno, ENOENT);
}

TEST_F(QualityTrackTest, ARefusedStartLeavesAnEmptyTrack) {
  QualityTrack track;
  ASSERT_NO_FATAL_FAILURE(Measure(track, false));
  corvane::analysis::CompareInput b = m_pair.b;
  b.para = corvane::MakePara(corvane::fmt::YV12, 88, 72);
  EXPECT_EQ(track.Start(m_pair.a, b, false).code, CompareCode::kSizeMismatch);
  EXPECT_TRUE(track.Done());
  EXPECT_EQ(track.Status().code, CompareCode::kSizeMismatch);
  EXPECT_EQ(track.Planned(), 0u);
  EXPECT_EQ(track.Count(), 0u);
}

// 4000 frames of 1280x720 in sparse files (zeros, no disk blocks): seconds
// of measuring, stopped after the first result.
TEST(QualityTrackStop, StopEndsTheRunAndKeepsTheFramesSoFar) {
  testsupport::TempDir dir;
  const corvane::YUVPara para = corvane::MakePara(corvane::fmt::YV12, 1280, 720);
  constexpr uint32_t kFrames = 4000;
  corvane::analysis::CompareInput inputs[2];
  for (int s = 0; s < 2; ++s) {
    const std::string path = dir.File(s ? "b.yuv" : "a.yuv");
    testsupport::WriteBytes(path, {});
    std::filesystem::resize_file(path, uint64_t(1280 * 720 * 3 / 2) * kFrames);
    inputs[s] = testsupport::PlainInput(path, para);
  }
  QualityTrack track;
  ASSERT_TRUE(track.Start(inputs[0], inputs[1], true).Ok());
  ASSERT_EQ(track.Planned(), kFrames);
  while (track.Count() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  track.Stop();
  EXPECT_TRUE(track.Done());
  EXPECT_TRUE(track.Status().Ok());
  const std::vector<FrameMetrics> results = track.Results();
  EXPECT_LT(results.size(), kFrames);
  for (size_t i = 0; i < results.size(); ++i) EXPECT_EQ(results[i].frame, i + 1);
  EXPECT_EQ(track.Count(), results.size());  // nothing arrives after Stop
}

}  // namespace
