// The seek slider: the position rule alone, then press, drag and release on a
// real widget, counting what its owner would hear.
#include "controls/seek_slider.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include <vector>

using controls::PositionFromPoint;

TEST(PositionFromPoint, MapsPointerToCellWithoutClamping) {
  struct Case { int x, left, right, min, max, expected; };
  const Case cases[] = {
      {110, 10, 210, 0, 200, 100},  // 100/200 * 201 = 100.5, truncated
      {10, 10, 210, 0, 200, 0},
      {209, 10, 210, 0, 200, 199},  // last pixel column: 199.995
      {210, 10, 210, 0, 200, 201},  // right end: max + 1, clamped by the slider
      {0, 10, 210, 0, 200, -10},    // left of the groove: -10.05
      {1, 0, 40, -10, 9, -9},       // -9.5 truncates towards zero, not down
      {55, 0, 110, 10, 20, 15},     // 5.5 + min
      {50, 10, 10, 0, 200, 0},      // a groove without width gives min
  };
  for (const Case& c : cases)
    EXPECT_EQ(PositionFromPoint(c.x, c.left, c.right, c.min, c.max), c.expected) << "x=" << c.x;
}

TEST(SeekSlider, PressJumpsDragTracksReleaseIsSilent) {
  controls::SeekSlider slider;
  slider.setRange(0, 200);
  slider.resize(520, 24);  // wide enough for every value to have a pixel
  slider.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&slider));
  std::vector<int> heard;
  QObject::connect(&slider, &controls::SeekSlider::thumbTracked,
                   [&heard](int position) { heard.push_back(position); });
  const QRect groove = slider.GrooveRect();
  auto at = [&](int v) {  // the first pixel of value v
    int x = groove.left();
    while (PositionFromPoint(x, groove.x(), groove.x() + groove.width(), 0, 200) < v) ++x;
    return QPoint(x, groove.center().y());
  };

  QTest::mousePress(&slider, Qt::LeftButton, {}, at(100));
  EXPECT_EQ(slider.value(), 100);
  EXPECT_TRUE(heard.empty()) << "the notification waits for the event loop";
  QTest::mouseMove(&slider, at(100) + QPoint(1, 0));  // same cell: nothing
  // Each move past the end computes more than max, so each notifies, with 200.
  QTest::mouseMove(&slider, QPoint(groove.right() + 40, 5));
  QTest::mouseMove(&slider, QPoint(groove.right() + 50, 5));
  QTest::mouseMove(&slider, at(150));
  QTest::mouseRelease(&slider, Qt::LeftButton, {}, at(40));
  QTest::mouseClick(&slider, Qt::LeftButton, {}, at(40));  // on the position: nothing
  QApplication::processEvents();

  EXPECT_EQ(heard, (std::vector<int>{100, 200, 200, 150})) << "the release notifies nothing";
  EXPECT_EQ(slider.value(), 40) << "the handle follows the release point";
  EXPECT_FALSE(slider.IsTracking());
}
