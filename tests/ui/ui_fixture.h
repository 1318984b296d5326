// Shared pieces of the window tests: recording prompts, clips with a trailer,
// waiting on the event loop.
#pragma once

#include <QApplication>
#include <QCoreApplication>
#include <QPointer>
#include <QTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QSettings>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QApplication>
#include <deque>
#include <optional>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "formats/test_pattern.h"
#include "formats/trailer.h"
#include "support/clip.h"
#include "support/para.h"
#include "support/temp_dir.h"
#include "ui/prompts.h"

namespace uitest {

// Answers the player's questions instead of a person and records them.
// Every prompt must come from the GUI thread; one that does not is counted.
class RecordingPrompts : public ui::Prompts {
 public:
  struct Log {
    std::vector<QString> messages;
    std::vector<ui::MessageKind> kinds;  // one per message
    std::vector<QString> reasons;        // one per message: the text beneath it, or empty
    std::vector<QString> questions;  // "caption|text"
    int chooserCalls = 0;
    std::vector<QString> openedDocuments;
    int offGuiThread = 0;
    std::deque<QString> queuedChoices;  // open chooser answers, used first
    std::optional<QString> nextChoice;  // then this one
    std::optional<QString> saveChoice;
    std::vector<QString> exportOffers;  // "initial path|filter|suffix" of each export chooser
    std::optional<QString> folderChoice;
    bool answerYes = true;
    bool realOpener = false;  // OpenDocument runs the real opener (xdg-open)
  };
  explicit RecordingPrompts(std::shared_ptr<Log> log) : m_log(std::move(log)) {}
  void ShowMessage(QWidget* parent, const QString& text, ui::MessageKind kind) override {
    ShowMessageWithReason(parent, text, QString(), kind);
  }
  void ShowMessageWithReason(QWidget*, const QString& text, const QString& reason, ui::MessageKind kind) override {
    Check();
    m_log->messages.push_back(text);
    m_log->reasons.push_back(reason);
    m_log->kinds.push_back(kind);
  }
  std::optional<QString> ChooseFileToOpen(QWidget*, const QString&) override {
    Check();
    ++m_log->chooserCalls;
    if (!m_log->queuedChoices.empty()) {
      QString c = m_log->queuedChoices.front();
      m_log->queuedChoices.pop_front();
      return c;
    }
    return m_log->nextChoice;
  }
  bool OpenDocument(QWidget* parent, const QString& path, std::function<void()> failed) override {
    Check();
    m_log->openedDocuments.push_back(path);
    if (m_log->realOpener) return Prompts::OpenDocument(parent, path, std::move(failed));
    return true;
  }
  bool AskYesNo(QWidget*, const QString& caption, const QString& text) override {
    Check();
    m_log->questions.push_back(caption + u'|' + text);
    return m_log->answerYes;
  }
  std::optional<QString> ChooseFileToSave(QWidget*, const QString&) override {
    Check();
    return m_log->saveChoice;
  }
  std::optional<QString> ChooseExportFile(QWidget*, const QString& initialPath, const QString& filter,
                                          const QString& suffix) override {
    Check();
    m_log->exportOffers.push_back(initialPath + u'|' + filter + u'|' + suffix);
    return m_log->saveChoice;
  }
  std::optional<QString> ChooseFolder(QWidget*, const QString&) override {
    Check();
    return m_log->folderChoice;
  }

 private:
  void Check() {
    if (QThread::currentThread() != QCoreApplication::instance()->thread()) ++m_log->offGuiThread;
  }
  std::shared_ptr<Log> m_log;
};

// Installs recording prompts for the life of the object.
class PromptsScope {
 public:
  PromptsScope() : log(std::make_shared<RecordingPrompts::Log>()) {
    ui::Prompts::Install(std::make_unique<RecordingPrompts>(log));
  }
  ~PromptsScope() { ui::Prompts::Install(nullptr); }
  std::shared_ptr<RecordingPrompts::Log> log;
};

using testsupport::WriteClip;

// Runs the event loop until `done` or the timeout; returns done().
inline bool WaitFor(const std::function<bool()>& done, int timeoutMs = 5000) {
  QElapsedTimer t;
  t.start();
  while (!done()) {
    if (t.elapsed() > timeoutMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QTest::qWait(5);
  }
  return true;
}

// Runs `act` on the first visible modal dialog of type T that appears within
// the timeout (a dialog's exec() blocks the test until something answers
// it). `seen`, when given, is set when it ran. The watch ends with the
// returned timer, which a test deletes when no dialog is to come.
template <class T>
QPointer<QTimer> WhenModal(std::function<void(T*)> act, std::shared_ptr<bool> seen = nullptr, int timeoutMs = 5000) {
  // Owned by the application, so a watch that neither saw its dialog nor ran
  // out of time before the test ended is freed with it, not leaked.
  auto* timer = new QTimer(QCoreApplication::instance());
  auto clock = std::make_shared<QElapsedTimer>();
  clock->start();
  QObject::connect(timer, &QTimer::timeout, [timer, act, clock, seen, timeoutMs] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      auto* d = qobject_cast<T*>(w);
      if (!d || !d->isVisible() || !d->isModal()) continue;
      timer->stop();
      timer->deleteLater();
      if (seen) *seen = true;
      act(d);
      return;
    }
    if (clock->elapsed() > timeoutMs) {
      timer->stop();
      timer->deleteLater();
    }
  });
  timer->start(10);
  return timer;
}

// Removes every stored setting, as on a machine where the player never ran.
inline void ClearStore() {
  QSettings s(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Corvane"));
  s.clear();
  s.sync();
}

}  // namespace uitest
