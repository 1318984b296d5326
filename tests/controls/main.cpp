// Widgets need an application object for the whole run. The tests use the
// offscreen platform unless the environment names another, so that test
// discovery at build time works without a display too.
#include <gtest/gtest.h>

#include <QApplication>

#include "controls/resources.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  controls::InitResources();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
