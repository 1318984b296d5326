// The coloured label, judged by the pixels it paints.
#include "controls/color_label.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPixmap>

namespace {

int CountPixels(const QImage& image, QColor colour) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) n += image.pixel(x, y) == colour.rgb();
  return n;
}

}  // namespace

TEST(ColorLabel, PaintsItsTextAndTheLatestBackground) {
  controls::ColorLabel label(Qt::AlignRight | Qt::AlignVCenter);
  label.resize(120, 24);
  label.SetBold(true);
  label.SetTextColor(Qt::white);
  label.SetBkColor(Qt::red);
  label.SetText("125 / 300");
  QImage image = label.grab().toImage();
  EXPECT_EQ(image.pixel(0, 0), QColor(Qt::red).rgb());
  EXPECT_GT(CountPixels(image, Qt::white), 0) << "no pixel in the text colour";
  EXPECT_EQ(label.Font().weight(), QFont::Bold);

  label.SetBkColor(Qt::blue);
  label.SetBkColor(Qt::darkGreen);
  image = label.grab().toImage();
  EXPECT_EQ(image.pixel(119, 23), QColor(Qt::darkGreen).rgb());
  EXPECT_EQ(CountPixels(image, Qt::red) + CountPixels(image, Qt::blue), 0);
  EXPECT_GT(CountPixels(image, Qt::white), 0) << "the text is still drawn";
}
