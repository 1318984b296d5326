// The compiled-in pictures: every one the player uses is there, parses, has
// the size it is drawn at and is not blank.
#include "controls/resources.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <utility>
#include <vector>

TEST(Icons, EveryImageIdLoads) {
  std::vector<std::pair<QString, QSize>> pictures = {{controls::IconPath(139), {32, 32}},
                                                     {controls::IconPath(207), {16, 16}},
                                                     {controls::IconPath(208), {16, 16}},
                                                     {controls::kIdlePicturePath, {352, 288}}};
  for (int id : {140, 141, 143, 144, 145, 146, 147, 148, 149, 150, 151, 152, 159, 160,
                 161, 162, 163, 164, 165, 166, 167, 168, 169, 177, 178, 195, 216})
    pictures.push_back({controls::IconPath(id), {20, 20}});
  for (const auto& [path, size] : pictures) {
    QSvgRenderer renderer(path);
    ASSERT_TRUE(renderer.isValid()) << path.toStdString();
    EXPECT_EQ(renderer.defaultSize(), size) << path.toStdString();
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    painter.end();
    int inked = 0;
    for (int y = 0; y < size.height(); ++y)
      for (int x = 0; x < size.width(); ++x) inked += qAlpha(image.pixel(x, y)) >= 128;
    EXPECT_GT(inked, size.width() * size.height() / 20) << path.toStdString() << " is almost blank";
  }
}
