// What the player asks of the user and the desktop: message boxes, the file
// chooser and opening a document in its viewer. One seam, so that tests can
// answer instead of a person; the default shows Qt's own dialogs with the
// caption "Corvane".
#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <optional>

class QWidget;

namespace ui {

// What a message tells, which gives its icon: a notice, a refusal the user
// can mend (a bad value, a file that cannot be used so), or a failure.
enum class MessageKind { kInformation, kWarning, kError };

class Prompts {
 public:
  virtual ~Prompts() = default;
  // A message with an OK button.
  virtual void ShowMessage(QWidget* parent, const QString& text, MessageKind kind) = 0;
  // The same with the reason beneath the text, smaller (the message box's
  // informative text): "打开文件失败" and why the file could not be opened.
  virtual void ShowMessageWithReason(QWidget* parent, const QString& text, const QString& reason,
                                     MessageKind kind) = 0;
  // The open-file chooser for raw video; nothing when cancelled.
  virtual std::optional<QString> ChooseFileToOpen(QWidget* parent, const QString& initialPath) = 0;
  // Opens a document with the desktop's viewer for its type (xdg-open);
  // false when there is no opener to start. The opener runs as long as the
  // viewer does; should it end in failure (no program for the type),
  // `failed` runs later on the GUI thread, unless `parent` is gone by then.
  // The default launches the viewer, so a test's prompts answer here instead.
  virtual bool OpenDocument(QWidget* parent, const QString& path, std::function<void()> failed);
  // A question with Yes and No buttons and a question icon; true for Yes.
  virtual bool AskYesNo(QWidget* parent, const QString& caption, const QString& text) = 0;
  // The save-file chooser for raw video (no overwrite question of its own:
  // the tools ask theirs when they start); nothing when cancelled.
  virtual std::optional<QString> ChooseFileToSave(QWidget* parent, const QString& initialPath) = 0;
  // The save-file chooser for an export: `filter` is its one name filter
  // ("CSV文件 (*.csv)"), `suffix` the extension a name typed without one gets
  // ("csv"). No overwrite question of its own either. Nothing when cancelled.
  // Prompts that do not tell exports apart answer as ChooseFileToSave.
  virtual std::optional<QString> ChooseExportFile(QWidget* parent, const QString& initialPath, const QString& filter,
                                                  const QString& suffix) {
    (void)filter, (void)suffix;
    return ChooseFileToSave(parent, initialPath);
  }
  // A folder chooser; nothing when cancelled or when no folder was chosen.
  virtual std::optional<QString> ChooseFolder(QWidget* parent, const QString& initialPath) = 0;

  // The prompts in force; never null. Tests install their own.
  static Prompts& Current();
  // Installs `p` (null restores the default) and returns the one it replaced.
  static std::unique_ptr<Prompts> Install(std::unique_ptr<Prompts> p);
};

class DialogPrompts : public Prompts {
 public:
  // The caption "Corvane" in full, however short the text.
  static constexpr int kMinMessageWidth = 280;
  void ShowMessage(QWidget* parent, const QString& text, MessageKind kind) override;
  void ShowMessageWithReason(QWidget* parent, const QString& text, const QString& reason, MessageKind kind) override;
  std::optional<QString> ChooseFileToOpen(QWidget* parent, const QString& initialPath) override;
  bool AskYesNo(QWidget* parent, const QString& caption, const QString& text) override;
  std::optional<QString> ChooseFileToSave(QWidget* parent, const QString& initialPath) override;
  std::optional<QString> ChooseExportFile(QWidget* parent, const QString& initialPath, const QString& filter,
                                          const QString& suffix) override;
  std::optional<QString> ChooseFolder(QWidget* parent, const QString& initialPath) override;
};

}  // namespace ui
