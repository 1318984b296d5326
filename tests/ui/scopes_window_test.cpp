// The scopes in the player window on the offscreen platform: shown and
// hidden through 视图 › 示波器, beside or below a picture that keeps its size,
// following a step with the scopes of the new frame, and counting only the
// visible part of a zoomed view when asked to.
#include <gtest/gtest.h>

#include <QAction>

#include "analysis/scopes.h"
#include "formats/test_pattern.h"
#include "paused_window_fixture.h"
#include "ui/histogram_panel.h"
#include "ui/scopes_flow.h"
#include "ui/vectorscope_panel.h"
#include "ui/video_widget.h"
#include "ui/waveform_panel.h"

namespace {

using testsupport::Para;
namespace fmt = corvane::fmt;
namespace an = corvane::analysis;

class ScopesWindowTest : public PausedWindowTest {};

TEST_F(ScopesWindowTest, PanelsShowThroughTheMenuAndFollowAStep) {
  const corvane::YUVPara para = Para(fmt::YV12, 176, 144);
  auto w = OpenPaused(para);
  ui::ScopesFlow& scopes = w->Scopes();
  const QSize picture = w->Video()->size();
  const int clientWidth = w->centralWidget()->width(), clientHeight = w->centralWidget()->height();
  ASSERT_EQ(picture, QSize(176, 144));

  // Waveform and vectorscope beside the picture: the client grows by the
  // column, the picture keeps its size.
  w->Action(ids::kViewScopeWaveform)->trigger();
  w->Action(ids::kViewScopeVectorscope)->trigger();
  EXPECT_TRUE(w->Action(ids::kViewScopeWaveform)->isChecked());
  EXPECT_FALSE(w->Action(ids::kViewScopeHistogram)->isChecked());
  EXPECT_TRUE(scopes.Waveform()->isVisible());
  EXPECT_TRUE(scopes.Vectorscope()->isVisible());
  EXPECT_FALSE(scopes.Histogram()->isVisible());
  EXPECT_EQ(w->centralWidget()->width(), std::max(clientWidth, 176 + ui::ScopesFlow::kBesideWidth));
  EXPECT_EQ(w->Video()->size(), picture);

  // A step: the panels show the scopes of frame 2 as read from the file.
  auto frameShown = [&](uint32_t n) {
    const session::ScopeResult* r = scopes.Waveform()->Result();
    const session::ScopeResult* v = scopes.Vectorscope()->Result();
    return r && v && r->frame == n && v->frame == n;
  };
  ASSERT_TRUE(uitest::WaitFor([&] { return frameShown(1); }));
  w->OnButton(ids::kBtnStepForward);
  ASSERT_TRUE(uitest::WaitFor([&] { return frameShown(2); }));
  const std::vector<uint8_t> frame2 = corvane::MakePatternFrame(para, 1);
  std::vector<uint8_t> scratch;
  an::ScopeOptions options;
  options.histogram = false;
  const an::Scopes expected = an::ComputeScopes(an::ToPlanar(corvane::YUV_YV12, 176, 144, frame2.data(), &scratch),
                                                options);
  EXPECT_EQ(scopes.Waveform()->Result()->scopes.waveform.counts, expected.waveform.counts);
  EXPECT_EQ(scopes.Vectorscope()->Result()->scopes.vectorscope.counts, expected.vectorscope.counts);
  EXPECT_FALSE(scopes.Waveform()->Trace().isNull());

  // Zoomed in to 3x with 只统计可见部分: only the third of the frame on screen
  // counts; the whole frame again without it.
  auto measured = [&] {
    const session::ScopeResult* r = scopes.Waveform()->Result();
    return r ? QSize(int(r->scopes.width), int(r->scopes.height)) : QSize();
  };
  w->Action(ids::kViewScopeVisibleOnly)->trigger();
  w->Run(session::Command::ZoomIn);
  w->Run(session::Command::ZoomIn);
  ASSERT_TRUE(uitest::WaitFor([&] { return measured().width() < 176; }));
  EXPECT_NEAR(measured().width(), 176 / 3.0, 1.5);
  EXPECT_NEAR(measured().height(), 144 / 3.0, 1.5);
  w->Action(ids::kViewScopeVisibleOnly)->trigger();
  ASSERT_TRUE(uitest::WaitFor([&] { return measured() == QSize(176, 144); }));

  // Below the picture: the row under it, the picture still its size.
  w->Action(ids::kViewScopeBelow)->trigger();
  EXPECT_EQ(w->Video()->size(), picture);
  EXPECT_EQ(scopes.Waveform()->geometry().top(), w->Video()->parentWidget()->geometry().bottom() + 2);
  EXPECT_EQ(w->centralWidget()->height(), clientHeight + ui::ScopesFlow::kBelowHeight);

  // Hidden again through the menu: the window gives the room back.
  w->Action(ids::kViewScopeWaveform)->trigger();
  w->Action(ids::kViewScopeVectorscope)->trigger();
  EXPECT_FALSE(scopes.Waveform()->isVisible());
  EXPECT_FALSE(scopes.Vectorscope()->isVisible());
  EXPECT_FALSE(w->Action(ids::kViewScopeWaveform)->isChecked());
  EXPECT_EQ(w->centralWidget()->size(), QSize(clientWidth, clientHeight));
  EXPECT_EQ(w->Video()->size(), picture);
}

}  // namespace
