// The quality graph on the offscreen platform, fed by a real track of the
// test pair: the worst frame is the lowest, a click picks the frame under
// it, the marker follows the current frame.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>

#include "session/quality_track.h"
#include "support/quality_pair.h"
#include "ui/quality_graph.h"
#include "ui_fixture.h"

namespace {

using testsupport::QualityPair;

TEST(QualityGraph, MarksTheWorstFramePicksClickedFramesAndFollowsTheFrame) {
  testsupport::TempDir dir;
  const QualityPair pair = testsupport::WriteQualityPair(dir);
  session::QualityTrack track;
  ASSERT_TRUE(track.Start(pair.a, pair.b, true).Ok());
  ui::QualityGraph graph;
  graph.resize(400, graph.sizeHint().height());
  graph.SetShowSsim(true);
  graph.SetTrack(&track);
  graph.show();
  ASSERT_TRUE(uitest::WaitFor([&] {
    const bool done = track.Done();  // before Poll: then every result is in
    graph.Poll();
    return done;
  }));
  EXPECT_EQ(graph.LowestFrame(), QualityPair::kWorstFrame);

  for (uint32_t f = 1; f <= QualityPair::kFrames; ++f) EXPECT_EQ(graph.FrameAt(graph.XOf(f)), f);
  EXPECT_EQ(graph.FrameAt(0), 0u);  // the axis labels, left of the plot
  QSignalSpy clicked(&graph, &ui::QualityGraph::frameClicked);
  QTest::mouseClick(&graph, Qt::LeftButton, {}, QPoint(graph.XOf(5), graph.height() / 2));
  ASSERT_EQ(clicked.count(), 1);
  EXPECT_EQ(clicked[0][0].value<uint32_t>(), 5u);

  // Rows of frame f's column that differ from the picture without a marker.
  const QImage plain = graph.grab().toImage();
  auto markerRows = [&](uint32_t f) {
    const QImage now = graph.grab().toImage();
    int rows = 0;
    for (int y = 0; y < now.height(); ++y) rows += now.pixel(graph.XOf(f), y) != plain.pixel(graph.XOf(f), y);
    return rows;
  };
  graph.SetCurrentFrame(4);
  EXPECT_GT(markerRows(4), graph.height() / 2);
  EXPECT_EQ(markerRows(2), 0);
  graph.SetCurrentFrame(2);
  EXPECT_GT(markerRows(2), graph.height() / 2);
  EXPECT_EQ(markerRows(4), 0);
}

}  // namespace
