// The coordinate window: the frame pixel under the pointer through the
// picture rectangle, its readout and component list in a player window.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QMouseEvent>
#include <optional>

#include "paused_window_fixture.h"
#include "ui/coordinate_tool.h"
#include "ui/coordinate_window.h"
#include "ui/video_widget.h"

namespace {

using testsupport::Para;
namespace fmt = corvane::fmt;

class CoordinateWindowTest : public PausedWindowTest {};

TEST(FramePixelAt, MapsThroughThePictureRectangle) {
  struct Row {
    int mode, x, y;
    QSize widget;
    bool inside;
    int fx, fy;
  };
  // 352×288 in 800×300 at 4:3: the picture is 400×300 at x 200..599; at the
  // frame's own ratio 366×300 at x 217..582; filling, the whole area.
  const QSize wide(800, 300);
  const Row rows[] = {
      {2, 100, 150, wide, false, 0, 0}, {2, 199, 0, wide, false, 0, 0},      {2, 600, 10, wide, false, 0, 0},
      {2, 200, 0, wide, true, 0, 0},    {2, 599, 299, wide, true, 351, 287}, {2, 400, 150, wide, true, 176, 144},
      {4, 216, 10, wide, false, 0, 0},  {4, 217, 0, wide, true, 0, 0},       {4, 582, 299, wide, true, 351, 287},
      {0, 0, 0, wide, true, 0, 0},      {0, 799, 299, wide, true, 351, 287}, {0, 800, 0, wide, false, 0, 0},
      {0, -1, 5, wide, false, 0, 0},    {2, 0, 0, QSize(0, 0), false, 0, 0},
      // A window clamped to a small screen shows the frame scaled down.
      {0, 175, 143, QSize(176, 144), true, 351, 287},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << "mode " << r.mode << " at " << r.x << "," << r.y);
    const std::optional<QPoint> p = ui::FramePixelAt(QPoint(r.x, r.y), r.widget, r.mode, 352, 288);
    ASSERT_EQ(p.has_value(), r.inside);
    if (r.inside) {
      EXPECT_EQ(*p, QPoint(r.fx, r.fy));
    }
  }
}

TEST_F(CoordinateWindowTest, CoordinateWindowReadsThePixelUnderThePointer) {
  uitest::PromptsScope prompts;
  Store(QString(), 0, /*4:3*/ 2);
  auto w = OpenPaused(Para(fmt::YV12, 352, 288));
  w->OnMenuCommand(ids::kViewZoom200);
  w->OnMenuCommand(ids::kToolsCoordinates);
  ui::CoordinateWindow* c = w->Coordinates()->Window();
  ASSERT_NE(c, nullptr);
  ASSERT_TRUE(c->isVisible());
  EXPECT_EQ(c->windowTitle(), QString::fromUtf8("YUV坐标显示"));
  // Back at 100 %, and held there.
  EXPECT_EQ(w->Video()->size(), QSize(352, 288));
  EXPECT_TRUE(w->Action(ids::kViewZoom100)->isChecked());
  w->OnMenuCommand(ids::kViewZoom200);
  EXPECT_EQ(w->Video()->size(), QSize(352, 288));
  EXPECT_EQ(w->minimumSize(), w->maximumSize());

  auto move = [&](int x, int y) {
    const QPoint at = w->Video()->pos() + QPoint(x, y);
    QMouseEvent e(QEvent::MouseMove, at, w->centralWidget()->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                  Qt::NoModifier);
    QCoreApplication::sendEvent(w->centralWidget(), &e);
  };
  auto valuesAt = [&](int x, int y) {
    const corvane::PixelValue v = w->Graph()->GetPixelValue(uint32_t(x), uint32_t(y)).value_or(corvane::PixelValue{});
    return QStringList{QString::number(v.c1), QString::number(v.c2), QString::number(v.c3)};
  };
  // At 4:3 the 352×288 area shows a 352×264 picture between 12-row bars.
  struct Row {
    int x, y;
    const char* position;
    int fx, fy;  // the frame pixel whose values show
  };
  const Row rows[] = {
      {5, 5, "", 0, 0},                 // top bar: nothing yet
      {40, 12, "40*0", 40, 0},          // first picture row
      {200, 150, "200*151", 200, 151},  // (150 − 12 + ½) · 288 / 264
      {300, 280, "200*151", 200, 151},  // bottom bar: the last pixel stays
      {351, 275, "351*287", 351, 287},  // the last row is reached
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << r.x << "," << r.y);
    move(r.x, r.y);
    EXPECT_EQ(c->PositionText(), QString::fromLatin1(r.position));
    if (*r.position) {
      EXPECT_EQ((QStringList{c->ValueText(0), c->ValueText(1), c->ValueText(2)}), valuesAt(r.fx, r.fy));
    }
  }

  // Choosing "U" in the window is the view menu's command, and the menu's
  // choice shows in the window.
  emit c->ComponentList()->activated(2);
  EXPECT_TRUE(w->Action(ids::kViewComponentU)->isChecked());
  EXPECT_EQ(w->Graph()->GetComponentMode(), 2u);
  w->OnMenuCommand(ids::kViewComponentY);
  EXPECT_EQ(c->ComponentList()->currentIndex(), 1);

  // The close box hides it and frees the size; reopening keeps its values.
  c->close();
  ASSERT_TRUE(uitest::WaitFor([&] { return !c->isVisible(); }));
  EXPECT_NE(w->minimumSize(), w->maximumSize());
  w->OnMenuCommand(ids::kToolsCoordinates);
  EXPECT_TRUE(c->isVisible());
  EXPECT_EQ(c->PositionText(), QStringLiteral("351*287"));
  EXPECT_EQ(c->ComponentList()->currentIndex(), 1);

  // Stopping hides it; its list and the menu item are disabled.
  w->OnButton(ids::kBtnStop);
  EXPECT_FALSE(c->isVisible());
  EXPECT_FALSE(c->ComponentList()->isEnabled());
  EXPECT_FALSE(w->Action(ids::kToolsCoordinates)->isEnabled());
  EXPECT_NE(w->minimumSize(), w->maximumSize());
}

}  // namespace
