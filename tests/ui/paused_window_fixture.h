// The fixture of the tests that drive a player window paused on a clip of
// their own: a clean settings store, the settings a start and a capture
// load, and the still the graph makes of the frame on screen.
#pragma once

#include <gtest/gtest.h>

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>
#include <chrono>
#include <memory>
#include <vector>

#include "formats/result_codes.h"
#include "ui/player_window.h"
#include "ui/resource_ids.h"
#include "ui/settings_store.h"
#include "ui_fixture.h"

namespace {

using ui::PlayerWindow;
using ui::PlayState;
namespace ids = ui::ids;

class PausedWindowTest : public testing::Test {
 protected:
  void SetUp() override { uitest::ClearStore(); }
  void TearDown() override { QCoreApplication::processEvents(); }

  // Stores the settings the next capture (and the next start) loads.
  static void Store(const QString& captureFolder, int captureType, int displayType = 4) {
    ui::PlayerSettings s;
    s.capturePath = captureFolder;
    s.captureType = captureType;
    s.displayType = displayType;
    ui::SettingsStore::Save(s);
  }
  // A window paused on frame 1 of a fresh clip with a trailer.
  std::unique_ptr<PlayerWindow> OpenPaused(const corvane::YUVPara& para) {
    const QString clip = QString::fromStdString(m_dir.File("clip.yuv"));
    uitest::WriteClip(clip.toStdString(), para, 3, true);
    auto w = std::make_unique<PlayerWindow>(clip);
    w->Initialize();
    EXPECT_EQ(w->View().state, PlayState::Playing);
    w->OnButton(ids::kBtnPause);
    EXPECT_EQ(CodeOf(w->Graph()->SeekToFrame(1)), corvane::kOk);
    return w;
  }
  static std::vector<uint8_t> ReadAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QByteArray b = f.readAll();
    return std::vector<uint8_t>(b.begin(), b.end());
  }
  // The still the graph makes of the frame on screen, in a roomy buffer.
  static std::vector<uint8_t> Expected(PlayerWindow& w, bool jpeg) {
    std::vector<uint8_t> buf(8 << 20);
    const auto r = jpeg ? w.Graph()->CaptureJPEG(buf.data(), uint32_t(buf.size()), 100)
                        : w.Graph()->CaptureBMP(buf.data(), uint32_t(buf.size()));
    EXPECT_EQ(CodeOf(r), corvane::kOk);
    buf.resize(r.value_or(0));
    return buf;
  }
  static QStringList Files(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::System | QDir::Hidden, QDir::Name);
  }

  // The capture button: the still is encoded and written on the session's
  // seeker, what goes wrong told on the GUI thread.
  static void Capture(PlayerWindow& w) {
    w.OnButton(ids::kBtnCapture);
    ASSERT_TRUE(w.Session()->WaitForSeeks(std::chrono::seconds(10)));
    QCoreApplication::processEvents();
  }

  testsupport::TempDir m_dir;
};

}  // namespace
