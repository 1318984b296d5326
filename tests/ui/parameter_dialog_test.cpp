// The parameter dialog, the custom-size dialog and the open-file flow on the
// offscreen platform, with real files and a real graph.
#include "ui/parameter_dialog.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDragEnterEvent>
#include <QLabel>
#include <QDropEvent>
#include <QProgressDialog>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>
#include <filesystem>

#include "formats/result_codes.h"
#include "support/clip.h"
#include "support/run_tool.h"
#include "ui/custom_size_dialog.h"
#include "ui/format_lists.h"
#include "ui/open_file_flow.h"
#include "ui/player_window.h"
#include "ui/resource_ids.h"
#include "ui/settings_store.h"
#include "ui/splice_dialog.h"
#include "ui/video_widget.h"
#include "ui_fixture.h"

namespace {

using corvane::YUVPara;
using testsupport::Para;
using ui::CustomSizeDialog;
using ui::ParameterDialog;
using ui::PlayerWindow;
using ui::PlayState;
namespace ids = ui::ids;
namespace fmt = corvane::fmt;

QComboBox* Combo(QWidget* d, int id) { return d->findChild<QComboBox*>(QStringLiteral("combo%1").arg(id)); }
QPushButton* Btn(QWidget* d, int id) { return d->findChild<QPushButton*>(QStringLiteral("btn%1").arg(id)); }
// A user's choice in a list: the selection and Qt's `activated`.
void Choose(QWidget* d, int id, int pos) {
  QComboBox* c = Combo(d, id);
  c->setCurrentIndex(pos);
  emit c->activated(pos);
}

// ---- Preselection -----------------------------------------------------------------

TEST(ParameterPreselect, WrittenRulesAndTheCustomEntryForUnlistedSizes) {
  const struct {
    YUVPara para;
    int formatPos, ratePos, sizePos;
    uint32_t interval, width, height;
  } rows[] = {
      {Para(fmt::NV12, 352, 288, 0, 40), 3, 11, 5, 40, 352, 288},
      {Para(fmt::YV12, 176, 144, 0, 33), 2, 12, 2, 33, 176, 144},
      {Para(fmt::IYUV, 1920, 1080, 0, 0), 7, 11, 16, 40, 1920, 1080},  // interval 0 opens on " 25"
      {Para(fmt::YUYV, 352, 288, 0, 41), 6, 11, 5, 41, 352, 288},      // kept until the lists are read
      // Not in the list: the custom entry holds the file's own size.
      {Para(fmt::NV12, 1000, 500), 3, 11, 0, 40, 1000, 500},
      // No size at all: the list's default.
      {YUVPara{}, 2, 11, 5, 40, 352, 288},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(testing::Message() << r.para.width << "x" << r.para.height);
    const ui::ParaPreselection p = ParameterDialog::Preselect(r.para, std::nullopt);
    EXPECT_EQ(p.formatPos, r.formatPos);
    EXPECT_EQ(p.ratePos, r.ratePos);
    EXPECT_EQ(p.interval, r.interval);
    EXPECT_EQ(p.sizePos, r.sizePos);
    EXPECT_EQ(p.width, r.width);
    EXPECT_EQ(p.height, r.height);
    EXPECT_EQ(p.customWidth, r.width);
    EXPECT_EQ(p.customHeight, r.height);
  }
}

TEST(ParameterPreselect, TheNameOverridesWhatItSays) {
  const YUVPara current = Para(fmt::YUYV, 704, 576, 0, 100);
  const struct {
    const char* name;
    int formatPos, ratePos, sizePos;
    uint32_t width, height;
  } rows[] = {
      {"foreman_cif.yuv", 6, 8, 5, 352, 288},
      {"BasketballDrive_1920x1080_50.yuv", 6, 11, 16, 1920, 1080},  // 50 is not listed: " 25"
      {"out_nv12_1280x720.yuv", 3, 8, 15, 1280, 720},
      {"akiyo_qcif_30fps.yuv", 6, 12, 2, 176, 144},
      {"clip_i420_1000x500.yuv", 2, 8, 0, 1000, 500},  // custom entry with the name's size
      {"/data/yv12/holiday.yuv", 6, 8, 7, 704, 576},    // only the last component counts
      {"notes.yuv", 6, 8, 7, 704, 576},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    const ui::ParaPreselection p = ParameterDialog::Preselect(current, corvane::GuessFromFileName(r.name));
    EXPECT_EQ(p.formatPos, r.formatPos);
    EXPECT_EQ(p.ratePos, r.ratePos);
    EXPECT_EQ(p.sizePos, r.sizePos);
    EXPECT_EQ(p.width, r.width);
    EXPECT_EQ(p.height, r.height);
  }
  // "yv12" in a name opens on the list's "YV12" and stores what it stores.
  const ui::ParaPreselection yv12 = ParameterDialog::Preselect(current, corvane::GuessFromFileName("a_yv12_cif.yuv"));
  EXPECT_EQ(yv12.formatPos, 7);
  EXPECT_EQ(yv12.format, ui::ParaDialogCodeForPosition(7));
}

// The confirm table keeps its crossed labels (position 2 "IYUV(I420)" stores
// code YV12); opening is its inverse, so an unchanged confirm keeps the code.
TEST(DialogTables, ParameterDialogOpensOnThePositionThatStoresTheCodeAgain) {
  EXPECT_EQ(ui::ParaDialogCodeForPosition(2), fmt::YV12);
  EXPECT_EQ(ui::ParaDialogCodeForPosition(7), fmt::IYUV);
  EXPECT_EQ(ui::ParaDialogCodeForPosition(-1), fmt::YV12);
  EXPECT_EQ(ui::ParaDialogCodeForPosition(13), fmt::I444);  // the added formats follow
  EXPECT_EQ(ui::ParaDialogCodeForPosition(24), fmt::YV12);
  EXPECT_EQ(ui::ParaDialogSelectionForCode(fmt::YV12).position, 2);
  EXPECT_EQ(ui::ParaDialogSelectionForCode(fmt::YV12).workingCode, fmt::YV12);
  EXPECT_EQ(ui::ParaDialogSelectionForCode(fmt::IYUV).position, 7);
  EXPECT_EQ(ui::ParaDialogSelectionForCode(fmt::IYUV).workingCode, fmt::IYUV);
  EXPECT_EQ(ui::ParaDialogSelectionForCode(0).position, 2);
  EXPECT_EQ(ui::ParaDialogSelectionForCode(0).workingCode, fmt::YV12);
  for (int pos = 0; pos < 13; ++pos) {
    uint32_t code = ui::ParaDialogCodeForPosition(pos);
    EXPECT_EQ(ui::ParaDialogSelectionForCode(code).position, pos);
    EXPECT_EQ(ui::ParaDialogSelectionForCode(code).workingCode, code);
  }
}

TEST(DialogTables, BasicPageIsOneMappingWithoutNV16) {
  for (int pos = 0; pos < 12; ++pos) EXPECT_EQ(ui::BasicPagePositionForCode(ui::BasicPageCodeForPosition(pos)), pos);
  EXPECT_EQ(ui::BasicPageCodeForPosition(2), fmt::IYUV);
  EXPECT_EQ(ui::BasicPagePositionForCode(fmt::NV16), 6);
  EXPECT_EQ(ui::BasicPagePositionForCode(0xDEADBEEFu), 6);
  EXPECT_EQ(ui::BasicPageCodeForPosition(-1), fmt::YV12);
}

// ---- The dialog's widgets -----------------------------------------------------------

TEST(ParameterDialogWidgets, ListsButtonsAndConfirmOfAnUnlistedSize) {
  ParameterDialog::Options o;
  o.para = Para(fmt::NV12, 1000, 500, 0, 40);
  ParameterDialog d(QString(), o, nullptr);
  ASSERT_EQ(Combo(&d, ids::kParaFormatList)->count(), 24);
  EXPECT_EQ(Combo(&d, ids::kParaFormatList)->itemText(2), QStringLiteral("IYUV(I420)"));
  EXPECT_EQ(Combo(&d, ids::kParaFormatList)->itemText(12), QStringLiteral("RGB32"));
  EXPECT_EQ(Combo(&d, ids::kParaFormatList)->itemText(23), QStringLiteral("V210"));
  ASSERT_EQ(Combo(&d, ids::kParaRateList)->count(), 13);
  EXPECT_EQ(Combo(&d, ids::kParaRateList)->itemText(0), QStringLiteral(" 1/10"));
  ASSERT_EQ(Combo(&d, ids::kParaSizeList)->count(), 17);
  // The custom entry names the size it stands for, here the file's own.
  EXPECT_EQ(Combo(&d, ids::kParaSizeList)->itemText(0), QString::fromUtf8(" 自定义宽高 (1000×500)"));
  EXPECT_EQ(Combo(&d, ids::kParaSizeList)->itemText(16), QStringLiteral("1920 * 1080  (1080HD)"));
  EXPECT_EQ(Combo(&d, ids::kParaSizeList)->currentIndex(), 0);
  EXPECT_FALSE(Btn(&d, ids::kIdOk)->isHidden());
  EXPECT_EQ(Btn(&d, ids::kParaSaveButton)->text(), QString::fromUtf8("保存并播放"));
  // Only the rate changes: the file's own size stays.
  Combo(&d, ids::kParaRateList)->setCurrentIndex(12);
  d.accept();
  EXPECT_EQ(d.result(), QDialog::Accepted);
  EXPECT_EQ(d.WorkPara().width, 1000u);
  EXPECT_EQ(d.WorkPara().height, 500u);
  EXPECT_EQ(d.WorkPara().frameInterval, 33u);
  EXPECT_EQ(d.WorkPara().format, fmt::NV12);
  EXPECT_EQ(d.WorkPara().tag, corvane::kParaTag);

  o.toolMode = true;
  ParameterDialog tool(QString(), o, nullptr);
  EXPECT_TRUE(Btn(&tool, ids::kIdOk)->isHidden());
  EXPECT_EQ(Btn(&tool, ids::kParaSaveButton)->text(), QString::fromUtf8("设定参数"));
  EXPECT_TRUE(Btn(&tool, ids::kParaSaveButton)->isDefault());
}

TEST(CustomSize, RangeCheckAndRefusals) {
  EXPECT_TRUE(CustomSizeDialog::IsValidSize(10000, 5000));
  EXPECT_TRUE(CustomSizeDialog::IsValidSize(1, 1));
  EXPECT_FALSE(CustomSizeDialog::IsValidSize(10001, 5000));
  EXPECT_FALSE(CustomSizeDialog::IsValidSize(10000, 5001));
  EXPECT_FALSE(CustomSizeDialog::IsValidSize(0, 288));
  EXPECT_FALSE(CustomSizeDialog::IsValidSize(352, 0));
  EXPECT_EQ(CustomSizeDialog::ParseUnsigned(QStringLiteral(" 352 ")), 352u);
  EXPECT_FALSE(CustomSizeDialog::ParseUnsigned(QStringLiteral("-1")));
  EXPECT_FALSE(CustomSizeDialog::ParseUnsigned(QStringLiteral("4294967296")));

  uitest::PromptsScope prompts;
  const struct {
    const char *w, *h;
    bool accepted;
    const char* message;
  } rows[] = {{"10001", "5000", false, "宽高值不合法或超过范围\n"},
              {"0", "288", false, "宽高值不合法或超过范围\n"},
              {"abc", "288", false, "请输入一个正整数。"},
              {"10000", "5000", true, nullptr}};
  for (const auto& r : rows) {
    SCOPED_TRACE(r.w);
    prompts.log->messages.clear();
    CustomSizeDialog d;
    d.show();
    EXPECT_EQ(d.findChild<QLineEdit*>(QStringLiteral("edit1021"))->text(), QStringLiteral("0"));
    d.findChild<QLineEdit*>(QStringLiteral("edit1021"))->setText(QString::fromLatin1(r.w));
    d.findChild<QLineEdit*>(QStringLiteral("edit1023"))->setText(QString::fromLatin1(r.h));
    Btn(&d, ids::kIdOk)->click();
    uint32_t w = 1, h = 1;
    d.GetResolution(&w, &h);
    if (r.accepted) {
      EXPECT_EQ(d.result(), QDialog::Accepted);
      EXPECT_EQ(w, 10000u);
      EXPECT_EQ(h, 5000u);
      EXPECT_TRUE(prompts.log->messages.empty());
    } else {
      EXPECT_TRUE(d.isVisible());  // stays open
      ASSERT_EQ(prompts.log->messages.size(), 1u);
      EXPECT_EQ(prompts.log->messages[0], QString::fromUtf8(r.message));
      EXPECT_EQ(w, 0u);
      EXPECT_EQ(h, 0u);
    }
  }
}

TEST(ParameterDialogWidgets, CustomEntryTakesTheSmallDialogsSizeOrFallsBackTo352x240) {
  ParameterDialog::Options o;
  o.para = Para(fmt::YV12, 352, 288);
  ParameterDialog d(QString(), o, nullptr);
  d.show();
  // The small dialog starts from the size in force, not from 0 and 0.
  auto edits = std::make_shared<std::vector<QString>>();
  const auto editsOf = [edits](CustomSizeDialog* c) {
    for (const char* id : {"edit1021", "edit1023"}) edits->push_back(c->findChild<QLineEdit*>(QLatin1String(id))->text());
  };
  uitest::WhenModal<CustomSizeDialog>([editsOf](CustomSizeDialog* c) {
    editsOf(c);
    c->reject();
  });
  Choose(&d, ids::kParaSizeList, 0);
  EXPECT_EQ(Combo(&d, ids::kParaSizeList)->currentIndex(), 4);
  d.ReadControls();
  EXPECT_EQ(d.WorkPara().width, 352u);
  EXPECT_EQ(d.WorkPara().height, 240u);

  uitest::WhenModal<CustomSizeDialog>([editsOf](CustomSizeDialog* c) {
    editsOf(c);
    c->findChild<QLineEdit*>(QStringLiteral("edit1021"))->setText(QStringLiteral("100"));
    c->findChild<QLineEdit*>(QStringLiteral("edit1023"))->setText(QStringLiteral("60"));
    c->accept();
  });
  Choose(&d, ids::kParaSizeList, 0);
  EXPECT_EQ(Combo(&d, ids::kParaSizeList)->currentIndex(), 0);
  EXPECT_EQ(Combo(&d, ids::kParaSizeList)->itemText(0), QString::fromUtf8(" 自定义宽高 (100×60)"));
  EXPECT_EQ(*edits, (std::vector<QString>{"352", "288", "352", "240"}));
  d.accept();
  EXPECT_EQ(d.WorkPara().width, 100u);
  EXPECT_EQ(d.WorkPara().height, 60u);
}

// ---- The preview reader ---------------------------------------------------------

// A 720p clip of two frames: one frame read takes a while, and a 1080p frame
// does not fit.
QString PreviewClip(const testsupport::TempDir& dir) {
  const std::string path = dir.File("preview_1280x720.yuv");
  uitest::WriteClip(path, Para(fmt::YV12, 1280, 720), 2, false);
  return QString::fromStdString(path);
}

QImage PreviewOf(ParameterDialog* d) {
  uitest::WaitFor([d] { return !d->Preview()->LastPicture().isNull(); });
  return d->Preview()->LastPicture();
}

// Lists changed while a read runs: only the last choice reaches the preview,
// drawn as a dialog opened on it draws it.
TEST(ParameterDialogPreview, ChangesWhileReadingShowTheLastChoice) {
  testsupport::TempDir dir;
  const QString clip = PreviewClip(dir);
  ParameterDialog::Options o;
  o.para = Para(fmt::YV12, 1280, 720);
  ParameterDialog direct(clip, o, nullptr);
  direct.show();
  const QImage expected = PreviewOf(&direct);
  ASSERT_FALSE(expected.isNull());
  direct.reject();

  ParameterDialog d(clip, o, nullptr);
  d.show();
  QCoreApplication::processEvents();  // the first read posted
  Choose(&d, ids::kParaSizeList, 16);  // 1080p: no whole frame
  Choose(&d, ids::kParaSizeList, 2);   // 176 × 144
  Choose(&d, ids::kParaSizeList, 15);  // 720p again
  EXPECT_EQ(PreviewOf(&d), expected);
  d.reject();
}

// A dialog destroyed with a read posted, running or handed back touches
// nothing afterwards; the next dialog on the file previews as before.
TEST(ParameterDialogPreview, DestroyedWhileReadingIsNeverTouched) {
  testsupport::TempDir dir;
  const QString clip = PreviewClip(dir);
  ParameterDialog::Options o;
  o.para = Para(fmt::YV12, 1280, 720);
  for (int rounds = 0; rounds < 12; ++rounds) {
    SCOPED_TRACE(rounds);
    auto* d = new ParameterDialog(clip, o, nullptr);
    d->show();
    for (int i = 0; i < rounds; ++i) {
      QCoreApplication::processEvents();
      QTest::qWait(i % 3);
    }
    Choose(d, ids::kParaSizeList, 2);
    Choose(d, ids::kParaSizeList, 15);
    delete d;
    QTest::qWait(5);
    QCoreApplication::processEvents();
  }
  ParameterDialog last(clip, o, nullptr);
  last.show();
  EXPECT_FALSE(PreviewOf(&last).isNull());
  last.reject();
}

// ---- The open-file flow -------------------------------------------------------------

class OpenFlowTest : public testing::Test {
 protected:
  void SetUp() override { uitest::ClearStore(); }
  void TearDown() override { QCoreApplication::processEvents(); }
  QString Path(const char* name) { return QString::fromStdString(m_dir.File(name)); }
  std::unique_ptr<PlayerWindow> Start() {
    auto w = std::make_unique<PlayerWindow>();
    w->Initialize();
    return w;
  }
  static uint64_t Size(const QString& p) { return std::filesystem::file_size(p.toStdString()); }
  testsupport::TempDir m_dir;
  uitest::PromptsScope m_prompts;
};

TEST_F(OpenFlowTest, ThreeSourcesOfParameters) {
  const QString withTrailer = Path("with.yuv"), plain = Path("plain.yuv");
  uitest::WriteClip(withTrailer.toStdString(), Para(fmt::NV12, 64, 48), 5, true);
  uitest::WriteClip(plain.toStdString(), Para(fmt::YV12, 176, 144), 5, false);
  auto w = Start();

  // A record: plays at once, whatever the defaults say; no dialog.
  auto seen = std::make_shared<bool>(false);
  QPointer<QTimer> watch = uitest::WhenModal<ParameterDialog>([](ParameterDialog* d) { d->reject(); }, seen);
  w->Files().SetFilePath(withTrailer);
  ASSERT_TRUE(w->Files().OpenCurrentFile());
  EXPECT_EQ(w->Para().width, 64u);
  EXPECT_FALSE(*seen);

  // No record, no defaults: the dialog; cancel leaves the window idle, silent.
  w->Files().SetFilePath(plain);
  EXPECT_FALSE(w->Files().OpenCurrentFile());
  w->UpdateControls();
  EXPECT_TRUE(*seen);
  EXPECT_EQ(w->View().state, PlayState::NoFile);
  EXPECT_EQ(w->Graph(), nullptr);
  EXPECT_TRUE(w->Video()->IsIdle());
  EXPECT_EQ(w->PictureBaseSize(), QSize(352, 288));
  EXPECT_TRUE(m_prompts.log->messages.empty());

  // The dialog confirmed with Return: its parameters play.
  uitest::WhenModal<ParameterDialog>([](ParameterDialog* d) {
    Combo(d, ids::kParaSizeList)->setCurrentIndex(2);
    QTest::keyClick(d, Qt::Key_Return);
  });
  ASSERT_TRUE(w->Files().OpenCurrentFile());
  EXPECT_EQ(w->View().state, PlayState::Playing);
  EXPECT_EQ(w->Para().width, 176u);
  EXPECT_EQ(w->View().total, 5u);

  // Defaults enabled: no dialog.
  w->Files().CloseFile();
  ui::PlayerSettings s;
  s.useDefaultPara = 1;
  s.defaultWidth = 176;
  s.defaultHeight = 144;
  ui::SettingsStore::Save(s);
  auto w2 = Start();
  *seen = false;
  watch = uitest::WhenModal<ParameterDialog>([](ParameterDialog* d) { d->reject(); }, seen);
  w2->Files().SetFilePath(plain);
  ASSERT_TRUE(w2->Files().OpenCurrentFile());
  EXPECT_FALSE(*seen);
  EXPECT_EQ(w2->Para().format, fmt::YV12);
  EXPECT_EQ(w2->Para().frameInterval, 40u);
  delete watch;
}

TEST_F(OpenFlowTest, NameGuessPreselectsAndThePreviewShowsTheFirstFrame) {
  const QString clip = Path("clip_nv12_176x144_30fps.yuv");
  uitest::WriteClip(clip.toStdString(), Para(fmt::NV12, 176, 144), 3, false);
  auto w = Start();
  auto picture = std::make_shared<QImage>();
  auto positions = std::make_shared<std::array<int, 3>>();
  uitest::WhenModal<ParameterDialog>([picture, positions](ParameterDialog* d) {
    uitest::WaitFor([d] { return !d->Preview()->LastPicture().isNull(); });
    *picture = d->Preview()->LastPicture();
    *positions = {Combo(d, ids::kParaFormatList)->currentIndex(), Combo(d, ids::kParaRateList)->currentIndex(),
                  Combo(d, ids::kParaSizeList)->currentIndex()};
    Btn(d, ids::kIdOk)->click();
  });
  w->Files().SetFilePath(clip);
  ASSERT_TRUE(w->Files().OpenCurrentFile());
  EXPECT_EQ(*positions, (std::array<int, 3>{3, 12, 2}));
  EXPECT_EQ(w->Para().format, fmt::NV12);
  EXPECT_EQ(w->Para().width, 176u);
  EXPECT_EQ(w->Para().frameInterval, 33u);
  ASSERT_FALSE(picture->isNull());
  EXPECT_EQ(picture->size(), QSize(352, 288));
  // The pattern frame is not one flat colour.
  EXPECT_NE(picture->pixel(10, 10), picture->pixel(340, 280));
}

TEST_F(OpenFlowTest, SaveThenReopenReadsTheTrailerWhichIsReplacedNotAppended) {
  const QString clip = Path("plain_cif.yuv");
  uitest::WriteClip(clip.toStdString(), Para(fmt::YV12, 352, 288), 3, false);
  const uint64_t bare = Size(clip);
  auto w = Start();
  uitest::WhenModal<ParameterDialog>([](ParameterDialog* d) {
    Combo(d, ids::kParaRateList)->setCurrentIndex(12);
    Btn(d, ids::kParaSaveButton)->click();
  });
  w->Files().SetFilePath(clip);
  ASSERT_TRUE(w->Files().OpenCurrentFile());
  EXPECT_EQ(Size(clip), bare + 40);

  // Saved once more through the menu: the trailer is replaced.
  uitest::WhenModal<ParameterDialog>([](ParameterDialog* d) {
    Combo(d, ids::kParaRateList)->setCurrentIndex(10);
    Btn(d, ids::kParaSaveButton)->click();
  });
  w->UpdateControls();
  w->OnMenuCommand(ids::kToolsParameters);
  EXPECT_EQ(w->View().state, PlayState::Playing);
  EXPECT_EQ(Size(clip), bare + 40);
  EXPECT_EQ(w->View().total, 3u);

  // Reopened: the trailer's parameters, no dialog.
  auto seen = std::make_shared<bool>(false);
  QPointer<QTimer> watch = uitest::WhenModal<ParameterDialog>([](ParameterDialog* d) { d->reject(); }, seen);
  ASSERT_TRUE(w->Files().OpenCurrentFile());
  EXPECT_FALSE(*seen);
  EXPECT_EQ(w->Para().frameInterval, 50u);
  EXPECT_EQ(w->Para().format, fmt::YV12);
  delete watch;
}

// Mend: confirming unchanged once stored the other code of YV12/IYUV, which
// swaps U and V; the code stays now, in the window and in the trailer.
TEST_F(OpenFlowTest, ConfirmingUnchangedKeepsTheYV12Code) {
  for (uint32_t code : {fmt::YV12, fmt::IYUV}) {
    const QString clip = Path(code == fmt::YV12 ? "a.yuv" : "b.yuv");
    uitest::WriteClip(clip.toStdString(), Para(code, 64, 48), 3, true);
    auto w = Start();
    w->Files().SetFilePath(clip);
    ASSERT_TRUE(w->Files().OpenCurrentFile());
    w->UpdateControls();
    uitest::WhenModal<ParameterDialog>([](ParameterDialog* d) { Btn(d, ids::kParaSaveButton)->click(); });
    w->OnMenuCommand(ids::kToolsParameters);
    EXPECT_EQ(w->Para().format, code);
    w->Files().CloseFile();
    ASSERT_TRUE(w->Files().OpenCurrentFile());  // from the saved trailer
    EXPECT_EQ(w->Para().format, code);
  }
}

// Mend: the dialog's OK never leaves the window claiming to play a file that
// could not be opened again or holds no whole frame.
TEST_F(OpenFlowTest, ParameterSettingsOkReportsFailuresAndGoesIdle) {
  const QString clip = Path("clip.yuv");
  uitest::WriteClip(clip.toStdString(), Para(fmt::YV12, 64, 48), 3, true);
  auto w = Start();
  w->Files().SetFilePath(clip);
  ASSERT_TRUE(w->Files().OpenCurrentFile());
  w->UpdateControls();
  // A size the file holds no frame of.
  uitest::WhenModal<ParameterDialog>([](ParameterDialog* d) {
    Combo(d, ids::kParaSizeList)->setCurrentIndex(16);
    d->accept();
  });
  w->OnMenuCommand(ids::kToolsParameters);
  EXPECT_EQ(w->View().state, PlayState::NoFile);
  EXPECT_EQ(w->Graph(), nullptr);
  ASSERT_EQ(m_prompts.log->messages.size(), 1u);
  EXPECT_EQ(m_prompts.log->messages[0], QString::fromUtf8("文件长度不够播放一帧\n"));

  // The file gone while it plays.
  ASSERT_TRUE(w->Files().OpenCurrentFile());
  w->UpdateControls();
  std::filesystem::rename(clip.toStdString(), m_dir.File("moved.yuv"));
  uitest::WhenModal<ParameterDialog>([](ParameterDialog* d) { d->accept(); });
  w->OnMenuCommand(ids::kToolsParameters);
  EXPECT_EQ(w->View().state, PlayState::NoFile);
  ASSERT_EQ(m_prompts.log->messages.size(), 2u);
  EXPECT_EQ(m_prompts.log->messages[1], QString::fromUtf8("打开文件失败\n"));
  EXPECT_TRUE(w->Video()->IsIdle());
}

TEST_F(OpenFlowTest, SplicedFileRefusesParameterSettingsAndKeepsPlaying) {
  const QString clip = Path("spliced.yuv");
  const YUVPara a = Para(fmt::YV12, 64, 48, 0), b = Para(fmt::NV12, 32, 16, 64 * 48 * 3 / 2 * 2);
  std::vector<uint8_t> bytes;
  for (int i = 0; i < 2; ++i) {
    auto f = corvane::MakePatternFrame(a, uint32_t(i));
    bytes.insert(bytes.end(), f.begin(), f.end());
  }
  auto f = corvane::MakePatternFrame(b, 0);
  bytes.insert(bytes.end(), f.begin(), f.end());
  const YUVPara recs[] = {a, b};
  auto t = corvane::EncodeTrailer(std::span<const YUVPara>(recs, 2));
  bytes.insert(bytes.end(), t.begin(), t.end());
  testsupport::WriteBytes(clip.toStdString(), bytes);
  auto w = Start();
  w->Files().SetFilePath(clip);
  ASSERT_TRUE(w->Files().OpenCurrentFile());
  w->OnMenuCommand(ids::kToolsParameters);
  EXPECT_EQ(w->View().state, PlayState::Playing);
  ASSERT_EQ(m_prompts.log->messages.size(), 1u);
  EXPECT_EQ(m_prompts.log->messages[0], QString::fromUtf8("文件为拼接文件，不可设置参数"));
}

// A file without a record opens the dialog on the same selection on every
// road, whatever file was open before: the name's guess (CIF), then the
// stored defaults (YV12, shown as "IYUV(I420)"). The preview keeps the
// frame's shape: a 16:9 frame gets black bars above and below.
TEST_F(OpenFlowTest, EveryRoadPreselectsTheSameAndThePreviewKeepsTheShape) {
  const QString nv12 = Path("before.yuv"), cif = Path("foreman_cif.yuv"), wide = Path("wide_320x180.yuv");
  uitest::WriteClip(nv12.toStdString(), Para(fmt::NV12, 64, 48), 3, true);
  uitest::WriteClip(cif.toStdString(), Para(fmt::YV12, 352, 288), 2, false);
  uitest::WriteClip(wide.toStdString(), Para(fmt::YV12, 320, 180), 2, false);
  auto w = Start();
  const std::pair<const char*, std::function<void()>> roads[] = {
      {"open", [&] { w->Files().SetFilePath(cif); w->Files().OpenCurrentFile(); }},
      {"cut", [&] { m_prompts.log->nextChoice = cif; w->OnMenuCommand(ids::kToolsCut); }},
      {"splice", [&] {
         ui::SpliceDialog splice(w.get(), session::DefaultParameters{});
         m_prompts.log->queuedChoices.push_back(cif);
         splice.OnAdd();
       }},
  };
  for (const auto& [name, road] : roads) {
    SCOPED_TRACE(name);
    w->Files().SetFilePath(nv12);
    ASSERT_TRUE(w->Files().OpenCurrentFile());
    auto positions = std::make_shared<std::array<int, 3>>();
    auto seen = std::make_shared<bool>(false);
    uitest::WhenModal<ParameterDialog>(
        [positions](ParameterDialog* d) {
          *positions = {Combo(d, ids::kParaFormatList)->currentIndex(), Combo(d, ids::kParaRateList)->currentIndex(),
                        Combo(d, ids::kParaSizeList)->currentIndex()};
          d->reject();
        },
        seen);
    road();
    EXPECT_TRUE(*seen);
    EXPECT_EQ(*positions, (std::array<int, 3>{2, 11, 5}));
  }
  auto picture = std::make_shared<QImage>();
  uitest::WhenModal<ParameterDialog>([picture](ParameterDialog* d) {
    uitest::WaitFor([d] { return !d->Preview()->LastPicture().isNull(); });
    *picture = d->Preview()->LastPicture();
    d->reject();
  });
  w->Files().SetFilePath(wide);
  w->Files().OpenCurrentFile();
  ASSERT_EQ(picture->size(), QSize(352, 288));
  // 352 x 198 in the middle: 45 rows of black above and below.
  EXPECT_EQ(qGray(picture->pixel(176, 10)), 0);
  EXPECT_EQ(qGray(picture->pixel(176, 277)), 0);
  EXPECT_NE(picture->pixel(20, 144), picture->pixel(176, 10));
}

TEST_F(OpenFlowTest, DroppingThreeFilesOpensTheFirst) {
  const QString a = Path("a.yuv"), b = Path("b.yuv");
  uitest::WriteClip(a.toStdString(), Para(fmt::YV12, 64, 48), 3, true);
  uitest::WriteClip(b.toStdString(), Para(fmt::YV12, 32, 16), 3, true);
  auto w = Start();
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(a), QUrl::fromLocalFile(b), QUrl::fromLocalFile(b)});
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(w.get(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(w.get(), &drop);
  EXPECT_EQ(w->View().state, PlayState::Playing);
  EXPECT_EQ(w->Files().FilePath(), a);
  EXPECT_EQ(w->Para().width, 64u);
}

// A Y4M file's header is the truth: it plays without the dialog on every
// road (a path, a drop, the recent files), and the status line says its
// format, size, exact rate and interlacing.
TEST_F(OpenFlowTest, AY4mFileOpensWithoutTheDialogOnEveryRoad) {
  const QString y4m = Path("clip.y4m"), raw = Path("raw.yuv");
  testsupport::WriteY4mClip(y4m.toStdString(), Para(fmt::YV12, 96, 54, 0, 33), 5, {30000, 1001}, " It");
  uitest::WriteClip(raw.toStdString(), Para(fmt::NV12, 64, 48), 3, true);
  auto w = Start();
  auto seen = std::make_shared<bool>(false);
  QPointer<QTimer> watch = uitest::WhenModal<ParameterDialog>([](ParameterDialog* d) { d->reject(); }, seen);
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(y4m)});
  const std::pair<const char*, std::function<void()>> roads[] = {
      {"path", [&] { w->Files().SetFilePath(y4m); w->Files().OpenCurrentFile(); }},
      {"drop", [&] {
         QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
         QCoreApplication::sendEvent(w.get(), &enter);
         QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
         QCoreApplication::sendEvent(w.get(), &drop);
       }},
      // The raw file just opened is the newest entry, the Y4M the one before.
      {"recent", [&] { w->OnMenuCommand(ids::kFileRecentFirst + 1); }},
  };
  for (const auto& [name, road] : roads) {
    SCOPED_TRACE(name);
    w->Files().SetFilePath(raw);
    ASSERT_TRUE(w->Files().OpenCurrentFile());
    road();
    w->UpdateControls();
    EXPECT_EQ(w->View().state, PlayState::Playing);
    EXPECT_EQ(w->Files().FilePath(), y4m);
    EXPECT_EQ(w->Para().width, 96u);
    EXPECT_EQ(w->View().total, 5u);
    const QString facts = QString::fromUtf8("I420 96×54 29.97帧/秒 隔行(顶场优先)");
    EXPECT_TRUE(uitest::WaitFor([&] { return w->StatusFacts() == facts; })) << w->StatusFacts().toStdString();
  }
  EXPECT_FALSE(*seen);
  delete watch;
  EXPECT_TRUE(m_prompts.log->messages.empty());
}

// 参数设置 on a Y4M file shows the header's parameters in lists that cannot
// be changed, says why, and closes without touching the file or playback.
TEST_F(OpenFlowTest, ParameterSettingsOfAY4mFileShowTheHeaderAndChangeNothing) {
  const QString y4m = Path("clip.y4m");
  testsupport::WriteY4mClip(y4m.toStdString(), Para(fmt::YV12, 96, 54, 0, 33), 5, {30000, 1001});
  const std::vector<uint8_t> before = testsupport::ReadBytes(y4m.toStdString());
  auto w = Start();
  w->Files().SetFilePath(y4m);
  ASSERT_TRUE(w->Files().OpenCurrentFile());
  struct Seen {
    QStringList texts;
    bool enabled = true, play = true, save = true, preview = false;
    QString close, note;
  };
  auto seen = std::make_shared<Seen>();
  uitest::WhenModal<ParameterDialog>([seen](ParameterDialog* d) {
    for (int id : {ids::kParaFormatList, ids::kParaRateList, ids::kParaSizeList}) {
      seen->texts << Combo(d, id)->currentText();
      seen->enabled = seen->enabled && Combo(d, id)->isEnabled();
    }
    seen->play = Btn(d, ids::kIdOk)->isVisible();
    seen->save = Btn(d, ids::kParaSaveButton)->isVisible();
    seen->close = Btn(d, ids::kIdCancel)->text();
    if (auto* note = d->findChild<QLabel*>(QStringLiteral("headerNote")); note && note->isVisible()) seen->note = note->text();
    seen->preview = uitest::WaitFor([d] { return !d->Preview()->LastPicture().isNull(); });
    QTest::keyClick(d, Qt::Key_Return);  // the one button: close
  });
  w->OnMenuCommand(ids::kToolsParameters);
  EXPECT_EQ(seen->texts, (QStringList{QStringLiteral("IYUV(I420)"), QStringLiteral(" 29.97"),
                                      QString::fromUtf8(" 自定义宽高 (96×54)")}));
  EXPECT_FALSE(seen->enabled);
  EXPECT_FALSE(seen->play);
  EXPECT_FALSE(seen->save);
  EXPECT_EQ(seen->close, QString::fromUtf8("关闭"));
  EXPECT_EQ(seen->note, QString::fromUtf8("这些参数由文件头规定，不能更改。"));
  EXPECT_TRUE(seen->preview);
  EXPECT_EQ(w->View().state, PlayState::Playing);
  EXPECT_EQ(w->Para().width, 96u);
  EXPECT_EQ(testsupport::ReadBytes(y4m.toStdString()), before);
  EXPECT_TRUE(m_prompts.log->messages.empty());
}

// A coded file (made by ffmpeg here) opens on its own: no parameter dialog,
// its stream's facts in the status line, 参数设置 showing the stream's
// parameters only; a stream indexed by decoding it whole shows a progress
// dialog whose cancel leaves the window idle and silent; a file with no
// video stream is refused with the reason.
TEST_F(OpenFlowTest, ACodedFileOpensOnItsOwnAndItsIndexScanCanBeCancelled) {
  ASSERT_TRUE(testsupport::HaveFfmpeg());
  const std::string mp4 = m_dir.File("clip.mp4"), annexB = m_dir.File("long.264"), audio = m_dir.File("tone.m4a");
  auto make = [](std::vector<std::string> args) {
    args.insert(args.begin(), {"ffmpeg", "-v", "error", "-y"});
    ASSERT_EQ(testsupport::Run(args).status, 0);
  };
  make({"-f", "lavfi", "-i", "testsrc2=size=160x90:rate=25", "-frames:v", "10", "-c:v", "libx264", "-bf", "2", "-g",
        "5", "-pix_fmt", "yuv420p", mp4});
  // Long enough that decoding it whole takes well over the dialog's delay
  // (seconds): an elementary stream repeated is one stream of them all.
  make({"-f", "lavfi", "-i", "testsrc2=size=1280x720:rate=25", "-frames:v", "300", "-c:v", "libx264", "-preset",
        "ultrafast", "-crf", "40", "-pix_fmt", "yuv420p", annexB});
  const std::vector<uint8_t> once = testsupport::ReadBytes(annexB);
  std::vector<uint8_t> repeated;
  for (int i = 0; i < 10; ++i) repeated.insert(repeated.end(), once.begin(), once.end());
  testsupport::WriteBytes(annexB, repeated);
  make({"-f", "lavfi", "-i", "sine=duration=1", "-c:a", "aac", audio});
  auto w = Start();

  auto asked = std::make_shared<bool>(false);
  QPointer<QTimer> watch = uitest::WhenModal<ParameterDialog>([](ParameterDialog* d) { d->reject(); }, asked);
  w->Files().SetFilePath(QString::fromStdString(mp4));
  ASSERT_TRUE(w->Files().OpenCurrentFile());
  EXPECT_FALSE(*asked);
  delete watch;
  EXPECT_TRUE(w->Session()->ParametersFixed());
  EXPECT_EQ(w->View().total, 10u);
  EXPECT_EQ(w->Para().width, 160u);
  w->Session()->Execute(session::Command::Pause);
  ASSERT_TRUE(w->Session()->GoToFrame(1));
  EXPECT_TRUE(uitest::WaitFor([&] {
    w->UpdateStatus();
    return w->StatusFacts().startsWith(QString::fromUtf8("I420 160×90 25帧/秒 h264 I帧(关键帧) "));
  })) << w->StatusFacts().toStdString();

  auto note = std::make_shared<QString>();
  uitest::WhenModal<ParameterDialog>([note](ParameterDialog* d) {
    if (auto* label = d->findChild<QLabel*>(QStringLiteral("headerNote"))) *note = label->text();
    d->reject();
  });
  w->OnMenuCommand(ids::kToolsParameters);
  EXPECT_EQ(*note, QString::fromUtf8("这些参数由视频流规定，不能更改。"));

  auto cancelled = std::make_shared<bool>(false);
  uitest::WhenModal<QProgressDialog>(
      [](QProgressDialog* d) { QTest::mouseClick(d->findChild<QPushButton*>(), Qt::LeftButton); }, cancelled, 30000);
  w->Files().SetFilePath(QString::fromStdString(annexB));
  EXPECT_FALSE(w->Files().OpenCurrentFile());
  EXPECT_TRUE(*cancelled);
  EXPECT_EQ(w->View().state, PlayState::NoFile);
  EXPECT_TRUE(m_prompts.log->messages.empty());

  w->Files().SetFilePath(QString::fromStdString(audio));
  EXPECT_FALSE(w->Files().OpenCurrentFile());
  ASSERT_EQ(m_prompts.log->reasons.size(), 1u);
  EXPECT_EQ(m_prompts.log->reasons[0], QString::fromUtf8("视频文件无法使用：no video stream"));
}

}  // namespace
