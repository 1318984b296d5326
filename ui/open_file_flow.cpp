// Opening and closing files: where a file's parameters come from (its
// trailer, the defaults, the parameter dialog), the menu's parameter
// settings, dropped files, and the file services the tools call.
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <span>

#include "formats/name_guess.h"
#include "formats/result_codes.h"
#include "ui/custom_size_dialog.h"
#include "ui/parameter_dialog.h"
#include "ui/player_window.h"
#include "ui/prompts.h"
#include "ui/window_frames.h"
#include "ui/resource_ids.h"
#include "controls/icon_button.h"
#include "ui/video_widget.h"

namespace ui {

using corvane::kOk;

void PlayerWindow::NewGraph(platform::VideoWindow* picture) {
  m_pGraph.reset();  // its threads end before another graph starts
  m_pGraph = std::make_unique<corvane::PlaybackGraph>(picture);
  // The engine's one notice may come from any thread; it is worded here.
  m_pGraph->SetNoticeHandler([this](corvane::Notice notice) {
    QMetaObject::invokeMethod(
        this,
        [this, notice] {
          if (notice == corvane::Notice::kSplicedParaRefused)
            Prompts::Current().ShowMessage(this, tr("该文件为拼接文件，参数不可设置."), MessageKind::kWarning);
        },
        Qt::QueuedConnection);
  });
}

std::unique_ptr<ParameterDialog> PlayerWindow::MakeParameterDialog(bool guess) {
  ParameterDialog::Options o;
  o.para = m_para;
  o.toolMode = m_bParaForTool || m_bReadOnly;
  o.graph = m_pGraph.get();
  if (guess && m_pGraph && !m_bGraphHasRecord) {
    // A file without a record opens the same on every road (open, cut,
    // splice): what its name says, else the stored default parameters, else
    // the lists' own defaults; never the parameters of the file before it.
    o.para = corvane::YUVPara{};
    o.para.format = m_settings.defaultFormat;
    o.para.frameInterval = corvane::kDefaultFrameInterval;
    if (CustomSizeDialog::IsValidSize(uint32_t(m_settings.defaultWidth), uint32_t(m_settings.defaultHeight))) {
      o.para.width = uint32_t(m_settings.defaultWidth);
      o.para.height = uint32_t(m_settings.defaultHeight);
    }
    o.guess = corvane::GuessFromFileName(m_strGraphPath.toStdString());
  }
  return std::make_unique<ParameterDialog>(o, this);
}

bool PlayerWindow::BrowseForFile() {
  std::optional<QString> chosen = Prompts::Current().ChooseFileToOpen(this, m_strFilePath);
  if (!chosen) return false;
  m_strFilePath = *chosen;
  return true;
}

bool PlayerWindow::ShowParameterDialog() {
  std::unique_ptr<ParameterDialog> dialog = MakeParameterDialog(true);
  if (RunModal(*dialog) != QDialog::Accepted) return false;
  m_para = dialog->WorkPara();
  m_nPicWidth = m_para.width;
  m_nPicHeight = m_para.height;
  return true;
}

bool PlayerWindow::RunParameterDialog() {
  std::unique_ptr<ParameterDialog> dialog = MakeParameterDialog(true);
  return RunModal(*dialog) == QDialog::Accepted;
}

bool PlayerWindow::OpenCurrentFile() {
  if (m_strFilePath.isEmpty()) return false;
  CloseFile();
  UpdateControls();
  NewGraph(m_video);
  m_strGraphPath = m_strFilePath;
  int readOnly = 0, hasTrailer = 0;
  corvane::YUVPara first{};
  if (m_pGraph->OpenFile(m_strFilePath.toStdString(), &readOnly) < 0 ||
      m_pGraph->ReadFilePara(&hasTrailer, std::span<corvane::YUVPara>(&first, 1), false) < 0) {
    m_pGraph.reset();
    Prompts::Current().ShowMessage(this, tr("打开文件失败\n"), MessageKind::kError);
    return false;
  }
  m_bReadOnly = readOnly != 0;
  m_bGraphHasRecord = hasTrailer != 0;
  if (hasTrailer) {
    m_para = first;
  } else if (m_settings.useDefaultPara &&
             CustomSizeDialog::IsValidSize(uint32_t(m_settings.defaultWidth), uint32_t(m_settings.defaultHeight))) {
    // Stored defaults outside the custom-size limits (edited by hand) are not
    // used: the user is asked instead, as without defaults.
    m_para.width = uint32_t(m_settings.defaultWidth);
    m_para.height = uint32_t(m_settings.defaultHeight);
    m_para.format = m_settings.defaultFormat;
    m_para.frameInterval = corvane::kDefaultFrameInterval;
  } else if (!ShowParameterDialog()) {
    m_pGraph->Close();
    m_pGraph.reset();
    return false;
  }
  return ApplyParaAndRun();
}

bool PlayerWindow::ApplyParaAndRun() {
  m_nPicWidth = m_para.width;
  m_nPicHeight = m_para.height;
  ResizeForPicture(m_nPicWidth, m_nPicHeight);
  // Parameters the engine cannot apply never leave the window claiming to
  // play: the file is closed with the open failure's message.
  if (m_pGraph->SetPara(&m_para, m_video) != kOk) {
    CloseFile();
    Prompts::Current().ShowMessage(this, tr("打开文件失败\n"), MessageKind::kError);
    return false;
  }
  m_nTotalFrames = 0;
  m_pGraph->GetFileInfo(nullptr, &m_nTotalFrames);
  if (m_nTotalFrames == 0) {
    CloseFile();
    Prompts::Current().ShowMessage(this, tr("文件长度不够播放一帧\n"), MessageKind::kError);
    return false;
  }
  m_pGraph->SetNotifyWindow(m_video);
  m_pGraph->SetRepeat(Button(ids::kBtnRepeat)->GetCheck() != 0);
  m_pGraph->SetAspectMode(m_settings.displayType);
  m_statusTimer.start();
  m_pGraph->Run();
  m_nPlayState = PlayState::Playing;
  return true;
}

void PlayerWindow::CloseFile() {
  OnStop();
  ShowStatus(tr("准备就绪"), QString());
  if (m_pGraph) {
    m_pGraph->SetNotifyWindow(nullptr);
    m_pGraph->Close();
    m_pGraph->Release();
    m_pGraph.reset();
  }
  // A notice the closed graph posted before it stopped must not resize the
  // window for a file that is gone.
  m_video->DropPendingSizeNotices();
  m_nFrameInput = 0;
  m_bReverse = false;
  m_nPlayState = PlayState::NoFile;
  m_nPicWidth = kIdleWidth;
  m_nPicHeight = kIdleHeight;
}

void PlayerWindow::OnParameterSettings() {
  if (!m_pGraph) return;
  if (m_pGraph->GetSegmentCount() > 1) {
    Prompts::Current().ShowMessage(this, tr("文件为拼接文件，不可设置参数"), MessageKind::kWarning);
    return;
  }
  // The parameters in use are shown as they are; the name is guessed only
  // for a file that gets its first parameters.
  corvane::YUVPara chosen;
  {
    std::unique_ptr<ParameterDialog> dialog = MakeParameterDialog(false);
    if (RunModal(*dialog) != QDialog::Accepted) return;
    chosen = dialog->WorkPara();
  }
  CheckComponent(ids::kViewComponentYUV);
  CheckZoom(ids::kViewZoom100);

  // The same file in a fresh graph, with the new parameters.
  m_statusTimer.stop();
  m_pGraph->SetNotifyWindow(nullptr);
  m_pGraph->Close();
  m_pGraph->Release();
  m_video->DropPendingSizeNotices();
  m_pGraph->Create();
  m_bReverse = false;  // the new graph plays forwards
  m_nFrameInput = 0;
  int readOnly = 0;
  if (m_pGraph->OpenFile(m_strGraphPath.toStdString(), &readOnly) < 0) {
    CloseFile();
    Prompts::Current().ShowMessage(this, tr("打开文件失败\n"), MessageKind::kError);
    UpdateControls();
    return;
  }
  m_bReadOnly = readOnly != 0;
  // The trailer is read again: a save of the dialog may have added one.
  int hasTrailer = 0;
  m_bGraphHasRecord = m_pGraph->ReadFilePara(&hasTrailer, {}, false) >= 0 && hasTrailer;
  m_para = chosen;
  if (ApplyParaAndRun()) m_video->update();
  UpdateControls();
}

// ---- Dropped files ------------------------------------------------------------

void PlayerWindow::dragEnterEvent(QDragEnterEvent* event) {
  const QMimeData* data = event->mimeData();
  if (data->hasUrls() && !data->urls().isEmpty() && data->urls().first().isLocalFile()) event->acceptProposedAction();
}

void PlayerWindow::dropEvent(QDropEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (urls.isEmpty() || !urls.first().isLocalFile()) return;
  event->acceptProposedAction();
  // Only the first file is opened; the others are ignored.
  m_strFilePath = urls.first().toLocalFile();
  OpenCurrentFile();
  UpdateControls();
}

// ---- Services for the tools -----------------------------------------------------

bool PlayerWindow::OpenGraphForTool(const QString& path, const QString& failure) {
  CloseFile();
  UpdateControls();
  NewGraph(nullptr);
  m_strGraphPath = path;
  int readOnly = 0;
  if (m_pGraph->OpenFile(path.toStdString(), &readOnly) < 0) {
    m_pGraph.reset();
    Prompts::Current().ShowMessage(this, failure, MessageKind::kError);
    return false;
  }
  m_bReadOnly = readOnly != 0;
  return true;
}

int PlayerWindow::ProbeFile(const QString& path, uint32_t* count) {
  if (!OpenGraphForTool(path, tr("打开文件失败\n"))) return corvane::kGeneralFail;
  int hasTrailer = 0;
  corvane::YUVPara first{};
  const bool read = m_pGraph->ReadFilePara(&hasTrailer, std::span<corvane::YUVPara>(&first, 1), false) >= 0;
  m_bGraphHasRecord = read && hasTrailer;
  if (!m_bGraphHasRecord) return 1;
  m_para = first;
  if (count) *count = m_pGraph->GetSegmentCount();
  return 0;
}

bool PlayerWindow::ReadFileParaAt(const QString& path, corvane::YUVPara* records, uint32_t count) {
  if (!OpenGraphForTool(path, tr("打开文件失败!\n"))) return false;
  int hasTrailer = 0;
  m_bGraphHasRecord = m_pGraph->ReadFilePara(&hasTrailer, {}, false) >= 0 && hasTrailer;
  if (!m_bGraphHasRecord || !records) return false;
  const uint32_t n = m_pGraph->GetSegmentCount();
  const bool all = count == n;
  return m_pGraph->ReadFilePara(nullptr, std::span<corvane::YUVPara>(records, all ? n : 1), all) == kOk;
}

}  // namespace ui
