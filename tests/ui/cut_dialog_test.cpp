// The cut dialog on real files: its checks in order with their messages, the
// overwrite question, a cut byte for byte, and a slow cut that shows its
// progress dialog and is cancelled from it.
#include "ui/cut_dialog.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <thread>

#include "formats/video_file.h"
#include "support/clip.h"
#include "ui_fixture.h"

namespace {

using corvane::fmt::YV12;
using testsupport::Para;
using ui::CutDialog;
namespace tools = corvane::tools;

constexpr uint32_t kW = 16, kH = 16, kFrameBytes = kW * kH * 3 / 2, kFrames = 10;

class CutDialogTest : public testing::Test {
 protected:
  void SetUp() override {
    m_source = m_dir.File("clip.yuv");
    uitest::WriteClip(m_source, Para(YV12, kW, kH), kFrames, true);
    m_bytes = testsupport::ReadBytes(m_source);
  }
  // Frames first..last of the source, as a cut must write them.
  std::vector<uint8_t> Frames(uint32_t first, uint32_t last) const {
    return {m_bytes.begin() + (first - 1) * kFrameBytes, m_bytes.begin() + last * kFrameBytes};
  }
  static void Fill(CutDialog& d, const char* start, const char* end, const std::string& target) {
    d.findChild<QLineEdit*>(QStringLiteral("edit1042"))->setText(QString::fromUtf8(start));
    d.findChild<QLineEdit*>(QStringLiteral("edit1035"))->setText(QString::fromUtf8(end));
    d.findChild<QLineEdit*>(QStringLiteral("edit1036"))->setText(QString::fromStdString(target));
  }
  static void Cut(CutDialog& d) {
    d.findChild<QPushButton*>(QStringLiteral("btn1043"))->click();
    ASSERT_TRUE(uitest::WaitFor([&] { return !d.IsRunning(); }));
  }

  testsupport::TempDir m_dir;
  std::string m_source;
  std::vector<uint8_t> m_bytes;
};

TEST_F(CutDialogTest, ChecksInOrderWithTheirMessagesAndCutsExactly) {
  const std::string out = m_dir.File("out.yuv");
  const std::vector<uint8_t> old = {1, 2, 3};
  struct Row {
    const char* name;
    corvane::YUVPara para;
    const char* start;
    const char* end;
    std::string target;
    bool targetExists;
    bool answerYes;
    std::vector<QString> messages;
    bool asked;
    std::optional<std::vector<uint8_t>> expect;  // the target afterwards; nullopt: absent
  };
  const corvane::YUVPara good = Para(YV12, kW, kH);
  const QString done = QStringLiteral("剪切完成.");
  const QString bad = QStringLiteral("输入参数不合法!\n");
  const std::vector<Row> rows = {
      {"not a number", good, "1x", "3", out, false, true, {QStringLiteral("请输入一个正整数。")}, false, std::nullopt},
      {"negative", good, "-1", "3", out, false, true, {QStringLiteral("请输入一个正整数。")}, false, std::nullopt},
      {"no frame size", Para(YV12, 0, kH), "1", "3", out, false, true, {QStringLiteral("文件参数获取失败!")}, false,
       std::nullopt},
      {"first frame 0", good, "0", "3", out, false, true, {bad}, false, std::nullopt},
      {"last beyond the count", good, "1", "11", out, false, true, {bad}, false, std::nullopt},
      {"first after last", good, "5", "4", out, false, true, {bad}, false, std::nullopt},
      {"target is the source", good, "1", "2", m_dir.File("./sub/../clip.yuv"), true, true,
       {QStringLiteral("创建剪切文件失败!")}, false, m_bytes},
      {"target folder missing", good, "1", "2", m_dir.File("none/out.yuv"), false, true,
       {QStringLiteral("创建剪切文件失败!")}, false, std::nullopt},
      {"existing target kept on No", good, "1", "2", out, true, false, {}, true, old},
      {"existing target replaced on Yes", good, "2", "4", out, true, true, {done}, true, Frames(2, 4)},
      {"one frame", good, "7", "7", out, false, true, {done}, false, Frames(7, 7)},
      {"every frame, never the trailer", good, "1", "10", out, false, true, {done}, false, Frames(1, 10)},
  };
  std::filesystem::create_directory(m_dir.Path() / "sub");
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    uitest::PromptsScope prompts;
    prompts.log->answerYes = row.answerYes;
    std::filesystem::remove(out);
    if (row.targetExists && row.target == out) testsupport::WriteBytes(out, old);
    CutDialog d(QString::fromStdString(m_source), row.para);
    d.show();
    if (row.para.width != 0) {
      EXPECT_EQ(d.FrameCount(), kFrames);
      EXPECT_EQ(d.findChild<QLabel*>(QStringLiteral("text1041"))->text(), QStringLiteral("帧号范围:1-10\r\n"));
    }
    Fill(d, row.start, row.end, row.target);
    Cut(d);
    QCoreApplication::processEvents();
    EXPECT_EQ(prompts.log->messages, row.messages);
    EXPECT_EQ(prompts.log->questions,
              row.asked ? std::vector<QString>{QStringLiteral("警告|文件已存在，是否覆盖?")} : std::vector<QString>{});
    EXPECT_EQ(prompts.log->offGuiThread, 0);
    EXPECT_EQ(d.result(), row.messages == std::vector<QString>{done} ? QDialog::Accepted : QDialog::Rejected);
    if (row.expect) {
      EXPECT_EQ(testsupport::ReadBytes(row.target), *row.expect);
    } else {
      EXPECT_FALSE(std::filesystem::exists(row.target));
    }
    EXPECT_EQ(testsupport::ReadBytes(m_source), m_bytes);
  }
}

// The dialog offers the whole file at first, and its number fields take
// digits alone whatever is typed or pasted into them.
TEST_F(CutDialogTest, StartsWithTheWholeRangeAndTakesDigitsOnly) {
  uitest::PromptsScope prompts;
  {
    // As offered, the range cuts the whole file.
    CutDialog d(QString::fromStdString(m_source), Para(YV12, kW, kH));
    d.show();
    EXPECT_EQ(d.findChild<QLineEdit*>(QStringLiteral("edit1042"))->text(), QStringLiteral("1"));
    EXPECT_EQ(d.findChild<QLineEdit*>(QStringLiteral("edit1035"))->text(), QString::number(kFrames));
    d.findChild<QLineEdit*>(QStringLiteral("edit1036"))->setText(QString::fromStdString(m_dir.File("all.yuv")));
    Cut(d);
    EXPECT_EQ(prompts.log->messages, std::vector<QString>{QStringLiteral("剪切完成.")});
    EXPECT_EQ(testsupport::ReadBytes(m_dir.File("all.yuv")), Frames(1, kFrames));
  }
  CutDialog d(QString::fromStdString(m_source), Para(YV12, kW, kH));
  d.show();
  for (const char* name : {"edit1042", "edit1035"}) {
    auto* edit = d.findChild<QLineEdit*>(QString::fromLatin1(name));
    edit->clear();
    QTest::keyClicks(edit, QStringLiteral("/tmp/a-3 b.yuv4"));
    EXPECT_EQ(edit->text(), QStringLiteral("34")) << name;
    edit->clear();
    QTest::keyClicks(edit, QStringLiteral("12345678901"));  // no 32-bit number is longer than ten digits
    EXPECT_EQ(edit->text(), QStringLiteral("1234567890")) << name;
  }
}

// A Y4M file is offered as a Y4M cut (clip.y4m) and cut into one: its
// header's parameters, the frames of the range.
TEST_F(CutDialogTest, AY4mFileIsCutIntoAY4mFile) {
  uitest::PromptsScope prompts;
  const std::string source = m_dir.File("clip.y4m"), target = m_dir.File("part.y4m");
  testsupport::WriteY4mClip(source, Para(YV12, kW, kH), kFrames, {30000, 1001});
  CutDialog d(QString::fromStdString(source), corvane::YUVPara{});
  d.show();
  EXPECT_TRUE(d.findChild<QLineEdit*>(QStringLiteral("edit1036"))->text().endsWith(QStringLiteral("clip.y4m")));
  EXPECT_EQ(d.findChild<QLineEdit*>(QStringLiteral("edit1035"))->text(), QString::number(kFrames));
  Fill(d, "2", "4", target);
  Cut(d);
  EXPECT_EQ(prompts.log->messages, std::vector<QString>{QStringLiteral("剪切完成.")});
  auto cut = corvane::OpenVideoFile(target);
  ASSERT_TRUE(cut) << cut.error().reason;
  ASSERT_NE((*cut)->Facts(), nullptr);
  EXPECT_EQ((*cut)->Facts()->frameRate, (corvane::Ratio{30000, 1001}));
  ASSERT_EQ((*cut)->FrameCount(), 3u);
  std::vector<uint8_t> frame(kFrameBytes);
  for (uint32_t n = 1; n <= 3; ++n) {
    ASSERT_TRUE((*cut)->Read(n, frame));
    EXPECT_EQ(frame, Frames(n + 1, n + 1)) << "frame " << n;
  }
}

TEST_F(CutDialogTest, SlowCutShowsProgressAndCancelRemovesThePartialTarget) {
  uitest::PromptsScope prompts;
  const std::string out = m_dir.File("slow.yuv");
  CutDialog d(QString::fromStdString(m_source), Para(YV12, kW, kH));
  d.show();
  // 384-byte frames in 64-byte chunks, 20 ms each: about 1.2 s for the file.
  d.SetChunkObserver(64, [](uint64_t, uint64_t) { std::this_thread::sleep_for(std::chrono::milliseconds(20)); });
  std::optional<tools::ToolCode> ended;
  QObject::connect(&d, &CutDialog::cutEnded, [&](tools::ToolCode c) { ended = c; });
  Fill(d, "1", "10", out);
  d.findChild<QPushButton*>(QStringLiteral("btn1043"))->click();
  ASSERT_TRUE(d.IsRunning());
  // The loop keeps turning while the copy runs; the progress dialog waits
  // its half second before it appears.
  QTest::qWait(200);
  ASSERT_TRUE(d.IsRunning());
  EXPECT_FALSE(d.ProgressDialog()->isVisible());
  d.reject();  // closing is refused while the cut runs
  EXPECT_TRUE(d.isVisible());
  ASSERT_TRUE(uitest::WaitFor([&] { return d.ProgressDialog()->isVisible(); }, 2000));
  EXPECT_TRUE(uitest::WaitFor([&] { return d.ProgressDialog()->value() > 0; }, 2000));
  QPushButton* cancel = d.ProgressDialog()->findChild<QPushButton*>();
  ASSERT_NE(cancel, nullptr);
  cancel->click();
  ASSERT_TRUE(uitest::WaitFor([&] { return ended.has_value(); }));
  EXPECT_EQ(*ended, tools::ToolCode::kCancelled);
  EXPECT_FALSE(d.ProgressDialog()->isVisible());
  EXPECT_FALSE(std::filesystem::exists(out));
  EXPECT_TRUE(prompts.log->messages.empty());
  EXPECT_TRUE(d.isVisible());
}

}  // namespace
