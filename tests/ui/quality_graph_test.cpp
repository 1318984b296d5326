// The quality graph on the offscreen platform, fed by a real track of the
// test pair: the worst frame is the lowest, a click picks the frame under
// it, the marker follows the current frame.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>

#include "analysis/signal_stats.h"
#include "session/quality_track.h"
#include "support/quality_pair.h"
#include "ui/quality_graph.h"
#include "ui_fixture.h"

namespace {

using testsupport::QualityPair;

// Shows `graph` fed by `track` until the run (and A's statistics, with
// `statistics`) has every result in.
bool ShowUntilMeasured(ui::QualityGraph& graph, const session::QualityTrack& track, bool statistics = false) {
  graph.SetTrack(&track);
  graph.show();
  return uitest::WaitFor([&] {
    // Asked before Poll: a run seen done has every result in.
    const bool done = track.Done() && (!statistics || track.StatisticsDone());
    graph.Poll();
    return done;
  });
}

TEST(QualityGraph, MarksTheWorstFramePicksClickedFramesAndFollowsTheFrame) {
  testsupport::TempDir dir;
  const QualityPair pair = testsupport::WriteQualityPair(dir);
  session::QualityTrack track;
  ASSERT_TRUE(track.Start(pair.a, pair.b, true).Ok());
  ui::QualityGraph graph;
  graph.resize(400, graph.sizeHint().height());
  graph.SetShowSsim(true);
  ASSERT_TRUE(ShowUntilMeasured(graph, track));
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
  ASSERT_TRUE(ShowUntilMeasured(graph, track));
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

// The average's line is drawn at the average's figure. Against the reference,
// Y is one level off everywhere (48 dB) and U and V 64 levels (12 dB), so
// the average (of the squared errors, a 4:2:0 frame's chroma a third of its
// samples) lies at 17 dB: low on the axis, far from Y's line near the top.
// In a plot column the line in the average's colour must sit that share of
// the way from V's line up to Y's.
TEST(QualityGraph, DrawsTheAverageLineAtTheAverage) {
  testsupport::TempDir dir;
  using P = testsupport::QualityPair;
  const corvane::YUVPara para = corvane::MakePara(corvane::fmt::YV12, P::kWidth, P::kHeight);
  const size_t lumaSize = size_t(P::kWidth) * P::kHeight;
  std::vector<uint8_t> a, b;
  for (uint32_t n = 0; n < P::kFrames; ++n) {
    std::vector<uint8_t> frame = corvane::MakePatternFrame(para, n);
    a.insert(a.end(), frame.begin(), frame.end());
    for (size_t i = 0; i < frame.size(); ++i) {
      const int step = i < lumaSize ? 1 : 64;
      frame[i] = uint8_t(frame[i] < 128 ? frame[i] + step : frame[i] - step);
    }
    b.insert(b.end(), frame.begin(), frame.end());
  }
  testsupport::WriteBytes(dir.File("a.yuv"), a);
  testsupport::WriteBytes(dir.File("b.yuv"), b);
  session::QualityTrack track;
  ASSERT_TRUE(track.Start(testsupport::PlainInput(dir.File("a.yuv"), para),
                          testsupport::PlainInput(dir.File("b.yuv"), para), false)
                  .Ok());
  ui::QualityGraph graph;
  graph.resize(400, graph.sizeHint().height());
  ASSERT_TRUE(ShowUntilMeasured(graph, track));
  const std::vector<corvane::analysis::FrameMetrics> results = track.Results();
  ASSERT_EQ(results.size(), size_t(P::kFrames));
  const corvane::analysis::FrameMetrics& m = results[3];
  const double y = corvane::analysis::PsnrOf(m.mse[0], 1, m.peak);
  const double v = corvane::analysis::PsnrOf(m.mse[2], 1, m.peak);
  const double average = corvane::analysis::PsnrOf(m.mseAverage, 1, m.peak);
  ASSERT_NEAR(y, 48.1, 0.1);
  ASSERT_NEAR(v, 12.0, 0.1);
  ASSERT_NEAR(average, 16.8, 0.1);

  // The first plot row in frame 4's column painted in each line's colour.
  const QImage image = graph.grab().toImage();
  const QRect plot = graph.LayOut().plot;
  const int x = graph.XOf(4);
  auto rowOf = [&](QRgb colour) {
    for (int row = plot.top(); row <= plot.bottom(); ++row)
      if ((image.pixel(x, row) & 0xFFFFFF) == (colour & 0xFFFFFF)) return row;
    return -1;
  };
  const int yRow = rowOf(qRgb(64, 64, 64)), vRow = rowOf(qRgb(214, 39, 40)), averageRow = rowOf(qRgb(255, 127, 14));
  ASSERT_GE(yRow, 0);
  ASSERT_GE(vRow, 0);
  ASSERT_GE(averageRow, 0);
  ASSERT_GT(vRow - yRow, 40);  // the lines far apart: the share below means something
  const double expected = vRow - (average - v) / (y - v) * (vRow - yRow);
  EXPECT_LE(std::abs(averageRow - expected), 1.5) << "Y at " << yRow << ", V at " << vRow;
}

// A's statistics beside the comparison: the track measures every figure as
// the statistics core does (frame by frame, each against the one before),
// the graph draws the chosen one in a plot of its own under the PSNR plot
// or instead of it, and the CSV carries every figure after the metrics.
TEST(QualityGraph, DrawsAStatisticUnderOrInsteadOfPsnrAndExportsIt) {
  using corvane::analysis::StatId;
  testsupport::TempDir dir;
  const QualityPair pair = testsupport::WriteQualityPair(dir);
  session::QualityTrack track;
  ASSERT_TRUE(track.Start(pair.a, pair.b, false).Ok());
  ui::QualityGraph graph;
  graph.resize(400, graph.sizeHint().height());
  ASSERT_TRUE(ShowUntilMeasured(graph, track, true));

  const std::vector<uint8_t> a = testsupport::ReadBytes(pair.a.path);
  const size_t frameSize = size_t(QualityPair::kWidth) * QualityPair::kHeight * 3 / 2;
  const std::vector<corvane::analysis::SignalStats> measured = track.Statistics();
  ASSERT_EQ(measured.size(), QualityPair::kFrames);
  corvane::analysis::SignalStatsMeter meter;
  std::vector<uint8_t> scratch[2];
  for (uint32_t n = 0; n < QualityPair::kFrames; ++n) {
    auto planes = [&](uint32_t k) {
      return corvane::analysis::StatsPlanes(corvane::YUV_YV12, QualityPair::kWidth, QualityPair::kHeight,
                                            a.data() + k * frameSize, &scratch[k % 2]);
    };
    const auto frame = planes(n), before = n ? planes(n - 1) : frame;
    EXPECT_EQ(measured[n].values, meter.Measure(frame, n ? &before : nullptr, {true, true, true}).values) << n;
  }

  // The statistic's own colour, counted inside a rectangle of the picture.
  const QColor line(23, 150, 170);
  auto pixels = [&](const QRect& r) {
    const QImage image = graph.grab().toImage();
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
      for (int x = r.left(); x <= r.right(); ++x) n += image.pixelColor(x, y) == line;
    return n;
  };
  auto legend = [&] {
    QStringList texts;
    for (const auto& e : graph.LayOut().legend) texts << e.text;
    return texts.join(u' ');
  };
  graph.SetStatistic(StatId::kYAvg);
  ui::QualityGraph::Layout under = graph.LayOut();
  EXPECT_GT(under.statPlot.top(), under.plot.bottom());
  EXPECT_EQ(legend(), QStringLiteral("PSNR (dB) Y U V 平均 YAVG"));
  EXPECT_GE(pixels(under.statPlot), under.statPlot.width() / 2);
  EXPECT_EQ(pixels(under.plot), 0);
  for (uint32_t f = 1; f <= QualityPair::kFrames; ++f) EXPECT_EQ(graph.FrameAt(graph.XOf(f)), f);

  graph.SetStatistic(StatId::kSatAvg, ui::QualityGraph::StatisticPlace::kInstead);
  const ui::QualityGraph::Layout instead = graph.LayOut();
  EXPECT_TRUE(instead.plot.isEmpty());
  EXPECT_EQ(instead.statPlot.top(), under.plot.top());
  EXPECT_EQ(legend(), QStringLiteral("SATAVG"));
  EXPECT_GE(pixels(instead.statPlot), instead.statPlot.width() / 2);

  const std::string csv = dir.File("quality.csv");
  ASSERT_TRUE(session::WriteQualityCsv(csv, track.Results(), false, measured));
  std::ifstream in(csv);
  std::string header, first;
  std::getline(in, header);
  std::getline(in, first);
  std::string names, values;
  for (int i = 0; i < corvane::analysis::kStatCount; ++i) {
    names += std::string(",") + corvane::analysis::StatName(StatId(i));
    values += "," + measured[0].Text(StatId(i));
  }
  EXPECT_EQ(header, "frame,psnr_y,psnr_u,psnr_v,psnr_avg,mse_y,mse_u,mse_v,mse_avg" + names);
  EXPECT_EQ(first.substr(first.size() - values.size()), values);
}

// With a coded side, a bits track goes under the PSNR lines: each frame a
// bar as high as its coded size against an axis from 0, in its type's
// colour, with a legend entry per type, and the frame numbers under it.
TEST(QualityGraph, DrawsEachFramesBitsUnderTheLinesInItsTypesColour) {
  using corvane::PictureType;
  testsupport::TempDir dir;
  const QualityPair pair = testsupport::WriteQualityPair(dir);
  session::QualityTrack track;
  ASSERT_TRUE(track.Start(pair.a, pair.b, false).Ok());
  ui::QualityGraph graph;
  graph.resize(400, graph.sizeHint().height());
  ASSERT_TRUE(ShowUntilMeasured(graph, track));
  const QRect alone = graph.LayOut().plot;
  // Six frames: I P B B P I, the first I the largest (10 kbit), the Bs a tenth of it.
  const std::vector<corvane::CodedFrame> frames = {
      {0, PictureType::kI, true, 1250}, {1, PictureType::kP, false, 500}, {2, PictureType::kB, false, 125},
      {3, PictureType::kB, false, 125}, {4, PictureType::kP, false, 500}, {5, PictureType::kI, true, 1000}};
  ASSERT_EQ(frames.size(), QualityPair::kFrames);
  graph.SetBits({QStringLiteral("A"), frames});
  const ui::QualityGraph::Layout l = graph.LayOut();
  ASSERT_FALSE(l.bitsPlot.isEmpty());
  EXPECT_EQ(l.plot.top(), alone.top());
  EXPECT_GT(l.bitsPlot.top(), l.plot.bottom());
  EXPECT_EQ(l.bitsPlot.bottom(), alone.bottom());
  EXPECT_EQ(l.bitsPlot.left(), l.plot.left());
  EXPECT_EQ(l.bitsPlot.right(), l.plot.right());
  QStringList legend;
  for (const auto& e : l.legend)
    if (e.colour.isValid()) legend << e.text;
  EXPECT_TRUE(legend.contains(QStringLiteral("I")) && legend.contains(QStringLiteral("P")) &&
              legend.contains(QStringLiteral("B")))
      << legend.join(u'|').toStdString();

  const QImage image = graph.grab().toImage();
  // The axis spans 0 to 11 kbit: a bar's top is at its share of the plot.
  const double perKbit = (l.bitsPlot.height() - 1) / 11.0;
  for (uint32_t n = 1; n <= QualityPair::kFrames; ++n) {
    SCOPED_TRACE(n);
    const int x = graph.XOf(n);
    const double kbit = frames[n - 1].bytes * 8 / 1000.0;
    const int top = int(std::lround(l.bitsPlot.bottom() - kbit * perKbit));
    const QColor colour = ui::QualityGraph::BarColour(frames[n - 1].type);
    EXPECT_EQ(image.pixelColor(x, l.bitsPlot.bottom() - 1), colour);
    EXPECT_EQ(image.pixelColor(x, top + 1), colour);
    EXPECT_NE(image.pixelColor(x, top - 2), colour);
  }
  graph.SetBits({});
  EXPECT_TRUE(graph.LayOut().bitsPlot.isEmpty());
  EXPECT_EQ(graph.LayOut().plot, alone);
}

}  // namespace
