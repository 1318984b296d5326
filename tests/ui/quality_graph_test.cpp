// The quality graph on the offscreen platform, fed by a real track of the
// test pair: the worst frame is the lowest, a click picks the frame under
// it, the marker follows the current frame.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <algorithm>

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

  // Rows of the plot in frame f's column that differ from the picture with
  // the marker on frame 6 (the header then holds that frame's figures, laid
  // out as any other frame's).
  graph.SetCurrentFrame(6);
  const QImage plain = graph.grab().toImage();
  const QRect plot = graph.LayOut().plot;
  auto markerRows = [&](uint32_t f) {
    const QImage now = graph.grab().toImage();
    int rows = 0;
    for (int y = plot.top(); y <= plot.bottom(); ++y)
      rows += now.pixel(graph.XOf(f), y) != plain.pixel(graph.XOf(f), y);
    return rows;
  };
  const int plotRows = plot.height();
  graph.SetCurrentFrame(4);
  EXPECT_GT(markerRows(4), plotRows / 2);
  EXPECT_EQ(markerRows(2), 0);
  graph.SetCurrentFrame(2);
  EXPECT_GT(markerRows(2), plotRows / 2);
  EXPECT_EQ(markerRows(4), 0);
}

// The header, the axis labels and the figures never overlap at any width the
// window allows (its narrowest client area is 274 pixels), with SSIM shown
// or not, and each line drawn has its own legend entry: each plane's PSNR
// and their average, then each plane's SSIM and All in their paler colours.
TEST(QualityGraph, LegendHeaderAndAxesKeepApartAtEveryWidth) {
  testsupport::TempDir dir;
  const QualityPair pair = testsupport::WriteQualityPair(dir);
  session::QualityTrack track;
  ASSERT_TRUE(track.Start(pair.a, pair.b, true).Ok());
  ui::QualityGraph graph;
  graph.SetTrack(&track);
  graph.show();
  ASSERT_TRUE(uitest::WaitFor([&] {
    const bool done = track.Done();
    graph.Poll();
    return done;
  }));
  for (const bool ssim : {false, true}) {
    for (const uint32_t current : {0u, 5u}) {
      for (const int width : {274, 300, 360, 420, 480, 640, 1280}) {
        SCOPED_TRACE(testing::Message() << "width " << width << ", ssim " << ssim << ", frame " << current);
        graph.SetShowSsim(ssim);
        graph.SetCurrentFrame(current);
        graph.resize(width, graph.sizeHint().height());
        const ui::QualityGraph::Layout l = graph.LayOut();
        std::vector<QRect> boxes;
        QStringList names;
        std::vector<QRgb> colours;
        for (const auto& e : l.legend) {
          boxes.push_back(e.box);
          names << e.text;
          if (e.colour.isValid()) colours.push_back(e.colour.rgb());
        }
        const QStringList want = ssim ? QStringList{"PSNR (dB)", "Y", "U", "V", "平均", "SSIM", "Y", "U", "V", "平均"}
                                      : QStringList{"PSNR (dB)", "Y", "U", "V", "平均"};
        EXPECT_EQ(names, want);
        std::sort(colours.begin(), colours.end());
        EXPECT_EQ(std::unique(colours.begin(), colours.end()), colours.end()) << "two lines share a colour";
        EXPECT_EQ(l.stateText.isEmpty(), current == 0);
        if (current != 0) boxes.push_back(l.state);
        boxes.insert(boxes.end(), l.axisLabels.begin(), l.axisLabels.end());
        for (size_t i = 0; i < boxes.size(); ++i) {
          EXPECT_TRUE(graph.rect().contains(boxes[i])) << i;
          for (size_t j = i + 1; j < boxes.size(); ++j) EXPECT_FALSE(boxes[i].intersects(boxes[j])) << i << " and " << j;
        }
        EXPECT_GE(l.plot.height(), 40);
      }
    }
  }
}

}  // namespace
