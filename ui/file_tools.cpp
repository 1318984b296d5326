#include "ui/file_tools.h"

#include <QFileInfo>
#include <algorithm>

#include "tools/file_splice.h"
#include "ui/cut_dialog.h"
#include "ui/messages.h"
#include "ui/options_dialog.h"
#include "ui/parameter_dialog.h"
#include "ui/prompts.h"
#include "ui/splice_dialog.h"
#include "ui/window_frames.h"

namespace ui {

namespace tools = corvane::tools;

session::DefaultParameters DefaultsOf(const PlayerSettings& settings) {
  session::DefaultParameters d;
  d.use = settings.useDefaultPara != 0;
  d.width = uint32_t(std::max(settings.defaultWidth, 0));
  d.height = uint32_t(std::max(settings.defaultHeight, 0));
  d.format = settings.defaultFormat;
  return d;
}

bool AskParameters(QWidget* parent, const session::PlayerSession& session, const session::DefaultParameters& defaults,
                   bool forNewFile, corvane::YUVPara* chosen) {
  ParameterDialog::Options o;
  o.para = session.ParametersToOffer(defaults, forNewFile ? &o.guess : nullptr);
  const QString path = QString::fromStdString(session.Path());
  ParameterDialog dialog(path, o, parent);
  if (RunModal(dialog) != QDialog::Accepted) return false;
  *chosen = dialog.WorkPara();
  if (dialog.SavedToFile()) SaveParametersToFile(path, *chosen);
  return true;
}

bool AskReferenceParameters(QWidget* parent, const QString& path, const corvane::YUVPara& open,
                            corvane::YUVPara* chosen) {
  ParameterDialog::Options o;
  // A file to compare with is most often of the open file's size and format.
  o.para = open;
  o.para.SetOffset(0);
  o.guess = corvane::GuessFromFileName(path.toStdString());
  o.title = ParameterDialog::tr("参数设置 — 对比文件 %1").arg(QFileInfo(path).fileName());
  ParameterDialog dialog(path, o, parent);
  if (RunModal(dialog) != QDialog::Accepted) return false;
  *chosen = dialog.WorkPara();
  if (dialog.SavedToFile()) SaveParametersToFile(path, *chosen);
  return true;
}

std::optional<corvane::YUVPara> AskNewParameters(QWidget* parent, const session::PlayerSession& session,
                                                 const session::DefaultParameters& defaults) {
  if (!session.Graph()) return std::nullopt;
  if (!session.CanSetParameters()) {
    Prompts::Current().ShowMessage(parent, ParameterDialog::tr("文件为拼接文件，不可设置参数"), MessageKind::kWarning);
    return std::nullopt;
  }
  corvane::YUVPara chosen{};
  if (!AskParameters(parent, session, defaults, false, &chosen)) return std::nullopt;
  return chosen;
}

void RunCutTool(QWidget* parent, const QString& path, const session::DefaultParameters& defaults) {
  const tools::SpliceSource probe = tools::ProbeSpliceInput(path.toStdString());
  const tools::ToolCode code = tools::CodeOf(probe.result);
  if (code == tools::ToolCode::kOpenSourceFailed || code == tools::ToolCode::kReadFailed) {
    Prompts::Current().ShowMessage(parent, ToolResultText(Tool::kCut, probe.result), MessageKind::kError);
    return;
  }
  if (probe.records.size() > 1) {
    Prompts::Current().ShowMessage(parent, CutDialog::tr("文件为拼接文件，不可剪切."), MessageKind::kWarning);
    return;
  }
  corvane::YUVPara para{};
  if (!probe.records.empty())
    para = probe.records.front();
  else if (!ParameterDialog::AskForTool(parent, path, defaults, probe, &para))
    return;
  CutDialog dialog(path, para, parent);
  RunModal(dialog);
}

void RunSpliceTool(QWidget* parent, const session::DefaultParameters& defaults) {
  SpliceDialog dialog(parent, defaults);
  RunModal(dialog);
}

bool RunOptionsSheet(QWidget* parent, PlayerSettings& settings) {
  SettingsStore::Load(settings);
  PendingSettings pending = PendingFrom(settings);
  OptionsDialog sheet(settings, &pending, parent);
  if (RunModal(sheet) != QDialog::Accepted) return false;
  ApplyPendingSettings(settings, pending);
  SettingsStore::Save(settings);
  return true;
}

}  // namespace ui
