// The capture button and the PNG and clipboard stills of the player window,
// on the offscreen platform with a real graph playing real files.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QClipboard>
#include <QImage>
#include <cstring>

#include "analysis/difference_picture.h"
#include "capture/still_encoder.h"
#include "engine/frame_picture.h"
#include "formats/test_pattern.h"
#include "formats/trailer.h"
#include "paused_window_fixture.h"
#include "ui/compare_flow.h"
#include "ui/still_capture.h"

namespace {

using testsupport::Para;
namespace fmt = corvane::fmt;

class StillCaptureTest : public PausedWindowTest {};

TEST_F(StillCaptureTest, CapturesAreNumberedPerTypeAndSkipExistingFiles) {
  uitest::PromptsScope prompts;
  const QString shots = QString::fromStdString(m_dir.File("shots"));
  QDir().mkpath(shots);
  // Left by an earlier run: kept, and its number skipped.
  testsupport::WriteBytes((shots + "/capture00.bmp").toStdString(), {'o', 'l', 'd'});
  auto w = OpenPaused(Para(fmt::YV12, 176, 144));

  struct Row {
    QString folder;  // empty: the home folder
    int type;
    const char* file;
    uint32_t bmpAfter, jpegAfter;
  };
  const Row rows[] = {
      {shots, 0, "capture01.bmp", 2, 0}, {shots, 0, "capture02.bmp", 3, 0},   {shots, 1, "capture00.jpg", 3, 1},
      {shots, 0, "capture03.bmp", 4, 1}, {QString(), 1, "capture01.jpg", 4, 2},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.file);
    Store(r.folder, r.type);
    const QString folder = r.folder.isEmpty() ? QDir::homePath() : r.folder;
    const qsizetype before = Files(folder).size();
    Capture(*w);
    const QString path = QDir(folder).filePath(QString::fromLatin1(r.file));
    EXPECT_EQ(ReadAll(path), Expected(*w, r.type != 0));
    EXPECT_EQ(Files(folder).size(), before + 1);
    EXPECT_EQ(w->Stills()->BmpCount(), r.bmpAfter);
    EXPECT_EQ(w->Stills()->JpegCount(), r.jpegAfter);
    if (r.folder.isEmpty()) QFile::remove(path);
  }
  EXPECT_EQ(ReadAll(shots + "/capture00.bmp"), (std::vector<uint8_t>{'o', 'l', 'd'}));
  EXPECT_TRUE(prompts.log->messages.empty());
  EXPECT_EQ(w->View().state, PlayState::Paused);
}

// With a second file compared, a still is of the picture on screen and its
// name says which: B's frame, the difference picture, both frames side by
// side or with the wipe, A's frame with A alone.
TEST_F(StillCaptureTest, ComparedStillsAreOfThePictureOnScreen) {
  uitest::PromptsScope prompts;
  const QString shots = QString::fromStdString(m_dir.File("shots"));
  QDir().mkpath(shots);
  const corvane::YUVPara para = Para(fmt::YV12, 176, 144);
  auto w = OpenPaused(para);
  // B: the pattern five frames on, so every frame differs from A's.
  std::vector<uint8_t> b;
  for (uint32_t i = 0; i < 3; ++i) {
    const std::vector<uint8_t> f = corvane::MakePatternFrame(para, i + 5);
    b.insert(b.end(), f.begin(), f.end());
  }
  const std::vector<uint8_t> bFrame(b.begin(), b.begin() + ptrdiff_t(b.size() / 3));
  const std::vector<uint8_t> t = corvane::EncodeTrailer(std::span<const corvane::YUVPara>(&para, 1));
  b.insert(b.end(), t.begin(), t.end());
  testsupport::WriteBytes(m_dir.File("b.yuv"), b);
  ASSERT_TRUE(w->Compare().OpenReferenceFile(QString::fromStdString(m_dir.File("b.yuv"))));

  // What the still encoder makes of B's frame 1 and of the difference picture
  // of A's frame 1 and B's (128 + |A - B|, 8-bit 4:4:4, converted as shown).
  const auto bmpOf = [](corvane::YUVType type, const std::vector<uint8_t>& frame) {
    corvane::StillEncoder encoder;
    encoder.SetPictureConverter(corvane::DisplayPictureConverter({}));
    std::vector<uint8_t> out(size_t(corvane::StillEncoder::BmpFileSize(type, 176, 144)));
    uint32_t len = 0;
    EXPECT_EQ(encoder.EncodeBMP(type, frame.data(), uint32_t(frame.size()), 176, 144, out.data(), uint32_t(out.size()),
                                &len),
              corvane::kOk);
    return out;
  };
  corvane::YUVType type = corvane::YUV_NONE;
  uint32_t frameSize = 0;
  corvane::YUVPara p = para;
  ASSERT_TRUE(corvane::GetTypeAndFrameSize(&p, &type, &frameSize));
  const std::vector<uint8_t> aBmp = Expected(*w, false);
  const std::vector<uint8_t> bBmp = bmpOf(type, bFrame);
  std::vector<uint8_t> diff, scratch[2];
  const std::vector<uint8_t> aFrame = corvane::MakePatternFrame(para, 0);
  namespace an = corvane::analysis;
  const corvane::YUVType diffType =
      an::DifferencePicture(an::ToPlanar(type, 176, 144, aFrame.data(), &scratch[0], 8),
                            an::ToPlanar(type, 176, 144, bFrame.data(), &scratch[1], 8), 1, &diff);
  ASSERT_EQ(diffType, corvane::YUV_I444);
  const std::vector<uint8_t> diffBmp = bmpOf(diffType, diff);
  ASSERT_NE(aBmp, bBmp);

  Store(shots, 0);
  const struct {
    ui::Command view;
    std::vector<std::pair<const char*, const std::vector<uint8_t>*>> files;
  } rows[] = {
      {ui::Command::ViewB, {{"capture00_b.bmp", &bBmp}}},
      {ui::Command::ViewDiff, {{"capture01_diff.bmp", &diffBmp}}},
      {ui::Command::ViewSide, {{"capture02_a.bmp", &aBmp}, {"capture02_b.bmp", &bBmp}}},
      {ui::Command::ViewWipe, {{"capture03_a.bmp", &aBmp}, {"capture03_b.bmp", &bBmp}}},
      {ui::Command::ViewA, {{"capture04_a.bmp", &aBmp}}},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.files.front().first);
    w->Run(r.view);
    ASSERT_TRUE(w->Session()->Reference()->WaitIdle(std::chrono::seconds(5)));
    const qsizetype before = Files(shots).size();
    Capture(*w);
    EXPECT_EQ(Files(shots).size(), before + qsizetype(r.files.size()));
    for (const auto& [name, bytes] : r.files) EXPECT_EQ(ReadAll(shots + "/" + name), *bytes) << name;
  }

  // The PNG still side by side: both frames under one number; the clipboard
  // takes them side by side in one picture.
  w->Run(ui::Command::ViewSide);
  ASSERT_TRUE(w->Session()->Reference()->WaitIdle(std::chrono::seconds(5)));
  w->Run(ui::Command::SavePng);
  ASSERT_TRUE(w->Session()->WaitForSeeks(std::chrono::seconds(10)));
  QCoreApplication::processEvents();
  const QImage pngA(shots + "/capture00_a.png"), pngB(shots + "/capture00_b.png");
  ASSERT_EQ(pngA.size(), QSize(176, 144));
  ASSERT_EQ(pngB.size(), QSize(176, 144));
  EXPECT_NE(pngA, pngB);
  ASSERT_TRUE(w->Stills()->CopyToClipboard());
  const QImage both = QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(both.size(), QSize(352, 144));
  EXPECT_EQ(both.copy(0, 0, 176, 144), pngA.convertToFormat(QImage::Format_RGB32));
  EXPECT_EQ(both.copy(176, 0, 176, 144), pngB.convertToFormat(QImage::Format_RGB32));
  EXPECT_TRUE(prompts.log->messages.empty());
}

TEST_F(StillCaptureTest, RefusedFormatsAndLineDoubledFrames) {
  const QString shots = QString::fromStdString(m_dir.File("shots"));
  struct Row {
    uint32_t format, w, h;
    int type;
    const char* message;  // empty: saved
    uint32_t savedHeight;
  };
  const Row rows[] = {
      {fmt::NV12, 176, 144, 0, "暂不支持该类型的BMP抓图!", 0},
      {fmt::YUYV, 176, 144, 0, "暂不支持该类型的BMP抓图!", 0},
      {fmt::UYVY, 176, 144, 1, "暂不支持该类型的JPEG抓图!", 0},
      {fmt::RGB4, 176, 144, 1, "暂不支持该类型的JPEG抓图!", 0},
      // Line-doubled: 54 + 4·704·576 bytes, more than 5 bytes a pixel.
      {fmt::YV12, 704, 288, 0, "", 576},
      {fmt::YV12, 704, 240, 0, "", 480},
      {fmt::YV12, 704, 288, 1, "", 576},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << corvane::CodeName(r.format) << " " << r.w << "x" << r.h << " type " << r.type);
    uitest::PromptsScope prompts;
    QDir(shots).removeRecursively();
    QDir().mkpath(shots);
    Store(shots, r.type);
    auto w = OpenPaused(Para(r.format, r.w, r.h));
    Capture(*w);
    if (*r.message) {
      EXPECT_EQ(prompts.log->messages, std::vector<QString>{QString::fromUtf8(r.message)});
      EXPECT_TRUE(Files(shots).isEmpty());
      EXPECT_EQ(w->Stills()->BmpCount() + w->Stills()->JpegCount(), 0u);
      continue;
    }
    EXPECT_TRUE(prompts.log->messages.empty());
    const std::vector<uint8_t> still = ReadAll(shots + (r.type ? "/capture00.jpg" : "/capture00.bmp"));
    EXPECT_EQ(still, Expected(*w, r.type != 0));
    if (r.type == 0) {
      ASSERT_EQ(still.size(), 54u + 4u * r.w * r.savedHeight);
      int32_t height = 0;
      std::memcpy(&height, still.data() + 22, 4);  // biHeight: positive, bottom-up
      EXPECT_EQ(uint32_t(height), r.savedHeight);
    }
  }
}

}  // namespace
