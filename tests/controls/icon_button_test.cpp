// The icon button on real widgets: the image and frame of each state, check
// boxes, and disabling under the pointer.
#include "controls/icon_button.h"

#include <gtest/gtest.h>

#include <QCursor>
#include <QTest>
#include <QVBoxLayout>

namespace {

using controls::IconButton;
using Kind = IconButton::Kind;
constexpr int kIn = 145, kOut = 140;
enum class Frame { None, Raised, Sunken };

// qDrawShadeRect draws the left edge light when raised, dark when sunken.
Frame FrameOf(IconButton& button) {
  const QRgb edge = button.grab().toImage().pixel(0, 10);
  if (edge == button.palette().color(QPalette::Light).rgb()) return Frame::Raised;
  if (edge == button.palette().color(QPalette::Dark).rgb()) return Frame::Sunken;
  EXPECT_EQ(edge, button.palette().color(QPalette::Button).rgb());
  return Frame::None;
}

}  // namespace

TEST(IconButton, ImageAndFrameFollowHoverPressAndCheck) {
  struct Case { const char* name; Kind kind; int outId; bool checked, hovered, held; int image; Frame frame; };
  const Case cases[] = {
      {"push at rest", Kind::Push, kOut, false, false, false, kOut, Frame::None},
      {"push hovered", Kind::Push, kOut, false, true, false, kIn, Frame::Raised},
      {"push held", Kind::Push, kOut, false, true, true, kIn, Frame::Sunken},
      {"one icon at rest", Kind::Push, 0, false, false, false, kIn, Frame::None},
      {"out id without a picture", Kind::Push, 999, false, false, false, kIn, Frame::None},
      {"check box hovered", Kind::CheckBox, kOut, false, true, false, kOut, Frame::Raised},
      {"check box held", Kind::CheckBox, kOut, false, true, true, kIn, Frame::Sunken},
      {"check box checked", Kind::CheckBox, kOut, true, false, false, kIn, Frame::Sunken},
  };
  for (const Case& c : cases) {
    QCursor::setPos(-100, -100);  // away from where the button appears
    IconButton button(c.kind);
    button.resize(20, 20);
    button.SetIcon(kIn, c.outId);
    button.SetCheck(c.checked);
    button.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&button));
    if (c.hovered) QTest::mouseMove(&button, QPoint(10, 10));
    if (c.held) QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(button.property("imageId").toInt(), c.image) << c.name;
    EXPECT_EQ(FrameOf(button), c.frame) << c.name;
    if (c.held) QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(10, 10));
  }
}

TEST(IconButton, OnlyCheckBoxesTakeACheckAndClicksFlipIt) {
  struct Case { Kind kind; int setTo, afterSet, afterClick; };
  const Case cases[] = {{Kind::Push, 1, 0, 0}, {Kind::CheckBox, 2, 1, 0}, {Kind::CheckBox, 0, 0, 1}};
  for (const Case& c : cases) {
    IconButton button(c.kind);
    button.resize(20, 20);
    int clicks = 0;
    QObject::connect(&button, &IconButton::clicked, [&clicks] { ++clicks; });
    button.SetCheck(c.setTo);
    EXPECT_EQ(button.GetCheck(), c.afterSet) << "SetCheck(" << c.setTo << ")";
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(button.GetCheck(), c.afterClick) << "SetCheck(" << c.setTo << "), click";
    EXPECT_EQ(clicks, 1) << "the owner hears the click";
  }
}

TEST(IconButton, DisablingUnderThePointerEndsHoverAndPassesFocusOn) {
  QWidget window;
  auto* layout = new QVBoxLayout(&window);
  IconButton* buttons[3];
  for (IconButton*& button : buttons) {
    layout->addWidget(button = new IconButton);
    button->SetIcon(kIn, kOut);
    button->setFixedSize(20, 20);
  }
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  buttons[0]->setFocus();
  for (IconButton* button : {buttons[2], buttons[0]}) {  // without focus, then with it
    QTest::mouseMove(button, QPoint(10, 10));
    ASSERT_EQ(button->ImageId(), kIn);
    button->setEnabled(false);
    EXPECT_EQ(button->ImageId(), kOut);
    EXPECT_EQ(FrameOf(*button), Frame::None);
  }
  EXPECT_TRUE(buttons[1]->hasFocus());
}

// A button without an image of its own for the disabled state (the direction
// button, 178) is drawn in the grey of the disabled images (141 is the
// disabled play button): no darker, so it does not look enabled.
TEST(IconButton, DisabledButtonWithoutADisabledImageLooksLikeTheOthers) {
  auto darkest = [](IconButton& button) {
    const QImage image = button.grab().toImage();
    int least = 255;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) least = std::min(least, qGray(image.pixel(x, y)));
    return least;
  };
  IconButton direction, play;
  direction.SetIcon(178);
  play.SetIcon(141);
  for (IconButton* b : {&direction, &play}) b->setFixedSize(20, 20);
  const int enabled = darkest(direction);
  direction.setEnabled(false);
  play.setEnabled(false);
  EXPECT_LT(enabled, 64);
  EXPECT_GE(darkest(direction), darkest(play) - 2);
}
