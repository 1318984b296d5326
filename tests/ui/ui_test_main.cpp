// Entry point of the window tests: the offscreen platform, and a private home
// and configuration folder, so that the user's own settings are never read or
// written. Both must be in place before Qt first looks at them.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>
#include <filesystem>

#include "controls/resources.h"
#include "support/temp_dir.h"

int main(int argc, char** argv) {
  testsupport::TempDir home;
  const std::string config = (home.Path() / ".config").string();
  std::filesystem::create_directories(config);
  setenv("HOME", home.Path().c_str(), 1);
  setenv("XDG_CONFIG_HOME", config.c_str(), 1);
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  unsetenv("XDG_PICTURES_DIR");
  QApplication app(argc, argv);
  controls::InitResources();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
