// The advanced options sheet run from the player's menu: what the pages show,
// what they refuse, what an OK saves, and the display ratio taking effect on
// the open file at once.
#include "ui/options_dialog.h"

#include <gtest/gtest.h>

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "formats/result_codes.h"
#include "ui/parameter_dialog.h"
#include "ui/open_file_flow.h"
#include "ui/player_window.h"
#include "ui/resource_ids.h"
#include "ui/video_widget.h"
#include "ui_fixture.h"

namespace {

const QString kChosenFolder = QStringLiteral("/media/pictures/2026/camera-tests/encoder-comparison/stills");

using corvane::fmt::NV16;
using corvane::fmt::RGB3;
using corvane::fmt::YV12;
using ui::OptionsDialog;
using ui::PlayerSettings;
using ui::PlayerWindow;

template <typename T>
T* Child(QWidget* w, const char* name) {
  T* c = w->findChild<T*>(QString::fromLatin1(name));
  EXPECT_NE(c, nullptr) << name;
  return c;
}

void Click(QWidget* w, const char* name) { Child<QAbstractButton>(w, name)->click(); }
void Type(QWidget* w, const char* name, const char* text) { Child<QLineEdit>(w, name)->setText(QString::fromUtf8(text)); }
void Pick(QWidget* w, const char* name, int position) {
  auto* c = Child<QComboBox>(w, name);
  c->setCurrentIndex(position);
  emit c->activated(position);
}

TEST(OptionsDialogTest, PagesShowValidateAndSaveThroughTheMenu) {
  PlayerSettings stored;
  stored.useDefaultPara = 0;
  stored.defaultWidth = 176;
  stored.defaultHeight = 144;
  stored.defaultFormat = RGB3;
  stored.capturePath = QStringLiteral("/srv/stills");
  stored.captureType = 1;
  stored.displayType = 2;

  struct Row {
    const char* name;
    PlayerSettings start;
    // Acts on the open sheet; returns whether the sheet should have closed.
    std::function<void(OptionsDialog*)> act;
    std::vector<QString> messages;
    PlayerSettings expect;
  };
  PlayerSettings nv16 = stored;
  nv16.defaultFormat = NV16;
  PlayerSettings odd = stored;
  odd.displayType = 7;
  odd.captureType = 5;

  std::vector<Row> rows;
  {
    PlayerSettings e = stored;
    e.useDefaultPara = 1;
    e.defaultWidth = 10000;
    e.defaultHeight = 5000;
    e.defaultFormat = corvane::fmt::NV12;
    rows.push_back({"basic values taken, unvisited capture page keeps its values", stored,
                    [](OptionsDialog* d) {
                      EXPECT_EQ(Child<QComboBox>(d, "combo1080")->currentText(), QStringLiteral("RGB24"));
                      EXPECT_FALSE(Child<QLineEdit>(d, "edit1021")->isEnabled());
                      Click(d, "chk1072");
                      EXPECT_TRUE(Child<QLineEdit>(d, "edit1021")->isEnabled());
                      Type(d, "edit1021", "10000");
                      Type(d, "edit1023", "5000");
                      Pick(d, "combo1080", 3);
                      Click(d, "btnOk");
                    },
                    {}, e});
  }
  rows.push_back({"an NV16 default shows YV12 and survives an untouched OK", nv16,
                  [](OptionsDialog* d) {
                    EXPECT_EQ(Child<QComboBox>(d, "combo1080")->currentText(), QStringLiteral("YV12"));
                    Click(d, "btnOk");
                  },
                  {}, nv16});
  {
    PlayerSettings e = stored;
    e.defaultWidth = 640;
    rows.push_back({"disabled fields are still handed back", stored,
                    [](OptionsDialog* d) {
                      Click(d, "chk1072");
                      Type(d, "edit1021", "640");
                      Click(d, "chk1072");
                      EXPECT_FALSE(Child<QLineEdit>(d, "edit1021")->isEnabled());
                      Click(d, "btnOk");
                    },
                    {}, e});
  }
  for (const char* bad : {"abc", "-1", "12x", ""}) {
    rows.push_back({"a width that is not a number keeps the sheet open", stored,
                    [bad](OptionsDialog* d) {
                      Type(d, "edit1021", bad);
                      Click(d, "btnOk");
                      EXPECT_TRUE(d->isVisible());
                      EXPECT_FALSE(d->ShowPage(OptionsDialog::kCapturePage));
                      EXPECT_EQ(d->CurrentPage(), OptionsDialog::kBasicPage);
                      Click(d, "btnCancel");
                    },
                    {QStringLiteral("请输入一个正整数。"), QStringLiteral("请输入一个正整数。")}, stored});
  }
  for (auto [w, h] : {std::pair{"0", "288"}, std::pair{"10001", "288"}, std::pair{"352", "0"},
                      std::pair{"352", "5001"}, std::pair{"60000", "40000"}}) {
    rows.push_back({"a size beyond the custom-size limits keeps the sheet open", stored,
                    [w, h](OptionsDialog* d) {
                      Type(d, "edit1021", w);
                      Type(d, "edit1023", h);
                      Click(d, "btnOk");
                      EXPECT_TRUE(d->isVisible());
                      Click(d, "btnCancel");
                    },
                    {QStringLiteral("宽高值不合法或超过范围\n")}, stored});
  }
  {
    PlayerSettings e = stored;
    e.capturePath = kChosenFolder;
    e.captureType = 0;
    e.displayType = 1;
    rows.push_back({"capture page: folder, type and ratio", stored,
                    [](OptionsDialog* d) {
                      ASSERT_TRUE(d->ShowPage(OptionsDialog::kCapturePage));
                      EXPECT_EQ(d->Title(), QStringLiteral("其他设置"));
                      EXPECT_TRUE(Child<QRadioButton>(d, "radio1074")->isChecked());  // 4:3 is code 2
                      Click(d, "btn1069");
                      // A long folder shows its end, and the whole in the tooltip.
                      auto* field = Child<QLineEdit>(d, "edit1076");
                      EXPECT_EQ(field->text(), kChosenFolder);
                      EXPECT_EQ(field->toolTip(), kChosenFolder);
                      EXPECT_EQ(field->cursorPosition(), kChosenFolder.size());
                      EXPECT_GE(field->width(), 40 * field->fontMetrics().averageCharWidth());
                      Pick(d, "combo1078", 0);
                      Click(d, "radio1072");
                      Click(d, "btnOk");
                    },
                    {}, e});
  }
  {
    PlayerSettings e = odd;
    e.displayType = 0;
    rows.push_back({"an unknown display type checks fill-the-window", odd,
                    [](OptionsDialog* d) {
                      ASSERT_TRUE(d->ShowPage(OptionsDialog::kCapturePage));
                      EXPECT_TRUE(Child<QRadioButton>(d, "radio1075")->isChecked());
                      EXPECT_EQ(Child<QComboBox>(d, "combo1078")->currentIndex(), -1);
                      Click(d, "radio1075");
                      Click(d, "btnOk");
                    },
                    {}, e});
  }
  rows.push_back({"cancel changes nothing", stored,
                  [](OptionsDialog* d) {
                    Click(d, "chk1072");
                    ASSERT_TRUE(d->ShowPage(OptionsDialog::kCapturePage));
                    Click(d, "radio1072");
                    Click(d, "btnCancel");
                  },
                  {}, stored});

  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    uitest::PromptsScope prompts;
    prompts.log->folderChoice = kChosenFolder;
    uitest::ClearStore();
    ui::SettingsStore::Save(row.start);
    PlayerWindow w;
    w.Initialize();
    bool ran = false;
    uitest::WhenModal<OptionsDialog>([&](OptionsDialog* sheet) {
      EXPECT_EQ(sheet->windowTitle(), QStringLiteral("高级选项"));
      ran = true;
      row.act(sheet);
      if (sheet->isVisible()) sheet->reject();  // a failed check above must not hang the run
    });
    w.OnMenuCommand(ui::ids::kViewOptions);
    EXPECT_TRUE(ran);
    EXPECT_EQ(prompts.log->messages, row.messages);
    EXPECT_TRUE(w.Settings() == row.expect);
    PlayerSettings reread = row.start;
    ui::SettingsStore::Load(reread);
    EXPECT_TRUE(reread == row.expect);
  }
}

// While paused nothing presents a new frame: a new ratio, component view or
// zoom must redraw the frame on screen at once.
TEST(OptionsDialogTest, RatioComponentAndZoomShowAtOnceWhilePaused) {
  uitest::PromptsScope prompts;
  uitest::ClearStore();
  testsupport::TempDir dir;
  const std::string clip = dir.File("clip.yuv");
  uitest::WriteClip(clip, testsupport::Para(YV12, 64, 48), 20, true);
  PlayerWindow w(QString::fromStdString(clip));
  w.Initialize();
  ASSERT_NE(w.Graph(), nullptr);
  ASSERT_TRUE(uitest::WaitFor([&] { return !w.Video()->LastPicture().isNull(); }));
  QTest::qWait(200);
  w.OnButton(ui::ids::kBtnPause);
  QTest::qWait(200);
  const QImage own = w.Video()->LastPicture();

  auto choose = [&](const char* radio) {
    uitest::WhenModal<OptionsDialog>([radio](OptionsDialog* sheet) {
      ASSERT_TRUE(sheet->ShowPage(OptionsDialog::kCapturePage));
      Click(sheet, radio);
      Click(sheet, "btnOk");
    });
    w.OnMenuCommand(ui::ids::kViewOptions);
  };
  choose("radio1072");  // 16:9
  EXPECT_EQ(w.Settings().displayType, 1);
  EXPECT_TRUE(uitest::WaitFor([&] { return w.Video()->LastPicture() != own; }));
  choose("radio1071");  // the frame's own ratio again
  EXPECT_TRUE(uitest::WaitFor([&] { return w.Video()->LastPicture() == own; }));
  EXPECT_TRUE(prompts.log->messages.empty());

  auto grey = [](const QImage& image) {
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x)
        if (QColor(image.pixel(x, y)) != QColor(qGray(image.pixel(x, y)), qGray(image.pixel(x, y)), qGray(image.pixel(x, y))))
          return false;
    return !image.isNull();
  };
  w.Action(ui::ids::kViewComponentY)->trigger();
  EXPECT_TRUE(uitest::WaitFor([&] { return grey(w.Video()->LastPicture()); }));
  w.Action(ui::ids::kViewZoom200)->trigger();
  EXPECT_TRUE(uitest::WaitFor([&] { return w.Video()->LastPicture().size() == QSize(128, 96); }));
  EXPECT_EQ(w.View().state, ui::PlayState::Paused);
}

}  // namespace

namespace {

TEST(OptionsDialogTest, StoredDefaultsBeyondTheLimitsAreNotUsedToOpen) {
  testsupport::TempDir dir;
  const std::string bare = dir.File("bare.yuv");
  uitest::WriteClip(bare, testsupport::Para(YV12, 64, 48), 4, false);
  for (auto [w, h, dialog] : {std::tuple{64, 48, false}, std::tuple{60000, 40000, true}, std::tuple{0, 48, true}}) {
    SCOPED_TRACE(testing::Message() << w << "x" << h);
    uitest::PromptsScope prompts;
    uitest::ClearStore();
    PlayerSettings s;
    s.useDefaultPara = 1;
    s.defaultWidth = w;
    s.defaultHeight = h;
    ui::SettingsStore::Save(s);
    PlayerWindow win;
    win.Initialize();
    auto seen = std::make_shared<bool>(false);
    QPointer<QTimer> watch = uitest::WhenModal<ui::ParameterDialog>([](ui::ParameterDialog* p) { p->reject(); }, seen);
    win.Files().SetFilePath(QString::fromStdString(bare));
    EXPECT_EQ(win.Files().OpenCurrentFile(), !dialog);
    EXPECT_EQ(*seen, dialog);
    delete watch;
  }
}

}  // namespace
