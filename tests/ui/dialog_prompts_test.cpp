// The real message boxes of the prompts seam.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QTimer>

#include "ui/prompts.h"

namespace {

// The real message boxes: the icon of the message's kind, a frame with a
// close button only, and room for the whole caption however short the text.
TEST(DialogPrompts, MessageBoxesShowTheirKindAndTheWholeCaption) {
  const std::pair<ui::MessageKind, QMessageBox::Icon> kinds[] = {
      {ui::MessageKind::kInformation, QMessageBox::Information},
      {ui::MessageKind::kWarning, QMessageBox::Warning},
      {ui::MessageKind::kError, QMessageBox::Critical},
  };
  for (const auto& [kind, icon] : kinds) {
    SCOPED_TRACE(int(icon));
    bool seen = false;
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      seen = true;
      EXPECT_EQ(box->windowTitle(), QStringLiteral("Corvane"));
      EXPECT_EQ(box->icon(), icon);
      EXPECT_GE(box->width(), ui::DialogPrompts::kMinMessageWidth);
      EXPECT_FALSE(box->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
      EXPECT_TRUE(box->windowFlags() & Qt::WindowCloseButtonHint);
      box->accept();
    });
    ui::DialogPrompts().ShowMessage(nullptr, QString::fromUtf8("打开文件失败\n"), kind);
    EXPECT_TRUE(seen);
  }
}

// The real file choosers start on the filter that lists the file they
// start on: a .y4m file's own, the raw files' for anything else.
TEST(DialogPrompts, ChoosersShowTheFilterOfTheFileTheyStartOn) {
  const struct {
    const char* start;
    bool save;
    const char* filter;
  } cases[] = {
      {"/tmp/clip.y4m", false, "Y4M文件 (*.y4m)"},
      {"/tmp/CLIP.Y4M", true, "Y4M文件 (*.y4m)"},
      {"/tmp/clip.yuv", false, "YUV文件 (*.4cif *.cif *.qcif *.yuv)"},
      {"", true, "YUV文件 (*.4cif *.cif *.qcif *.yuv)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.start);
    QString shown;
    QTimer::singleShot(0, [&] {
      if (auto* chooser = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
        shown = chooser->selectedNameFilter();
        chooser->reject();
      }
    });
    ui::DialogPrompts prompts;
    const auto chosen = c.save ? prompts.ChooseFileToSave(nullptr, QString::fromUtf8(c.start))
                               : prompts.ChooseFileToOpen(nullptr, QString::fromUtf8(c.start));
    EXPECT_FALSE(chosen);
    EXPECT_EQ(shown, QString::fromUtf8(c.filter));
  }
}

}  // namespace
