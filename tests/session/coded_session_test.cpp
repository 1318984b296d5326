// The session with a coded file: a stand-in at the VideoFile interface whose
// stream names its colour, its frames' types and sizes (real coded files
// are opened in the window's tests).
#include "session/player_session.h"

#include <gtest/gtest.h>

#include <functional>

#include "engine/offscreen_window.h"
#include "support/clip.h"
#include "support/coded_stand_in.h"
#include "support/para.h"
#include "support/temp_dir.h"

namespace {

using corvane::fmt::YV12;
using session::Command;
using session::OpenOutcome;
using session::PlayerSession;
using testsupport::Para;
using testsupport::WriteClip;

struct SizeListener : platform::FrameSizeListener {
  void OnFrameSizeChanged(uint32_t, uint32_t) override {}
};

// A coded file opened by the caller plays with its stream's parameters; its
// stream's matrix and range are read with while it is open, each until the
// user picks one; its frames' facts are the stream's.
TEST(CodedSessionTest, ACodedStreamsMatrixAndRangeHoldUntilTheUserPicksThem) {
  testsupport::TempDir dir;
  corvane::OffscreenWindow window{64, 48};
  SizeListener sizes;
  PlayerSession session{&window, &sizes};
  const std::string clip = dir.File("clip.yuv");
  WriteClip(clip, Para(YV12, 64, 48), 8, true);
  using corvane::YuvMatrix;
  using corvane::YuvRange;
  const std::string raw = dir.File("frames.yuv");
  WriteClip(raw, Para(YV12, 64, 48), 4, false);
  auto coded = [&] {
    testsupport::CodedStandIn::Options options;
    options.facts.codec = "hevc";
    options.facts.matrix = YuvMatrix::kBt2020;
    options.facts.range = YuvRange::kFull;
    options.facts.transfer = "PQ";
    options.frames = {{0, corvane::PictureType::kI, true, 9000}, {1, corvane::PictureType::kB, false, 700},
                      {2, corvane::PictureType::kB, false, 650}, {3, corvane::PictureType::kP, false, 2100}};
    return testsupport::CodedStandIn::Open(raw, Para(YV12, 64, 48), options);
  };
  auto open = [&] { ASSERT_EQ(session.Open(raw, {}, coded()).outcome, OpenOutcome::kPlaying); };
  struct Step {
    const char* what;
    std::function<void()> act;
    corvane::ColourSpace shown, chosen;
  };
  const Step steps[] = {
      {"the coded file opens", open, {YuvMatrix::kBt2020, YuvRange::kFull}, {}},
      {"the user picks 709", [&] { session.Execute(Command::Matrix709); }, {YuvMatrix::kBt709, YuvRange::kFull},
       {YuvMatrix::kBt709, YuvRange::kLimited}},
      {"the user picks limited", [&] { session.Execute(Command::RangeLimited); },
       {YuvMatrix::kBt709, YuvRange::kLimited}, {YuvMatrix::kBt709, YuvRange::kLimited}},
      {"it opens again", open, {YuvMatrix::kBt2020, YuvRange::kFull}, {YuvMatrix::kBt709, YuvRange::kLimited}},
      {"a raw file opens", [&] { ASSERT_EQ(session.Open(clip, {}).outcome, OpenOutcome::kPlaying); },
       {YuvMatrix::kBt709, YuvRange::kLimited}, {YuvMatrix::kBt709, YuvRange::kLimited}},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    step.act();
    EXPECT_EQ(session.View().colour, step.shown);
    EXPECT_EQ(session.Graph()->Render()->GetColourSpace(), step.shown);
    EXPECT_EQ(session.View().chosenColour, step.chosen);
  }
  open();
  EXPECT_TRUE(session.ParametersFixed());
  EXPECT_EQ(session.View().total, 4u);
  const std::optional<session::FrameFacts> facts = session.FactsOf(4);
  ASSERT_TRUE(facts);
  EXPECT_EQ(facts->codec, "hevc");
  EXPECT_EQ(facts->type, corvane::PictureType::kP);
  EXPECT_FALSE(facts->key);
  EXPECT_EQ(facts->bytes, 2100u);
  EXPECT_EQ(facts->transfer, "PQ");
  // The pair's bits track: A's frames.
  const PlayerSession::CodedFrames pair = session.CodedFramesOfPair();
  EXPECT_EQ(pair.side, 'A');
  ASSERT_EQ(pair.frames.size(), 4u);
  EXPECT_EQ(pair.frames[0].bytes, 9000u);
}

}  // namespace
