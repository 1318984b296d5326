// The real message boxes of the prompts seam.
#include <gtest/gtest.h>

#include <QApplication>
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

}  // namespace
