// The coordinate window as the player drives it, and the help menu: shortcut
// list, About box and the user manual.
#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QWindow>

#include "ui/coordinate_window.h"
#include "ui/help_dialogs.h"
#include "ui/player_window.h"
#include "ui/prompts.h"
#include "ui/resource_ids.h"
#include "ui/video_widget.h"

namespace ui {

const QString PlayerWindow::kManualFileName = QStringLiteral("Corvane用户手册V1.0.0.1.pdf");

// ---- Coordinate window --------------------------------------------------------

bool PlayerWindow::IsCoordinateWindowVisible() const { return m_pCoordDlg && m_pCoordDlg->isVisible(); }

void PlayerWindow::HoldWindowSize(bool hold) {
  if (hold == m_bSizeHeld) return;
  m_bSizeHeld = hold;
  if (hold) {
    m_heldMinimum = minimumSize();
    setFixedSize(size());
  } else {
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    setMinimumSize(m_heldMinimum);
  }
  // No maximise button while the size is held. Set on the native window, as
  // the widget's setWindowFlags would hide the window and map it afresh; the
  // widget's own record of its flags follows without touching the window.
  Qt::WindowFlags flags = windowFlags() | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint;
  flags.setFlag(Qt::WindowMaximizeButtonHint, !hold);
  overrideWindowFlags(flags);
  if (QWindow* native = windowHandle()) native->setFlags(flags);
}

void PlayerWindow::ToggleCoordinateWindow() {
  if (!m_pCoordDlg) {
    m_pCoordDlg = new CoordinateWindow(this);
    connect(m_pCoordDlg, &CoordinateWindow::componentChosen, this,
            [this](int n) { OnMenuCommand(ids::kViewComponentYUV + n); });
    // Queued, as the close box's request reaches the player after the event
    // that carried it; by then a stop may have hidden the window already.
    connect(
        m_pCoordDlg, &CoordinateWindow::closeRequested, this,
        [this] {
          if (IsCoordinateWindowVisible()) ToggleCoordinateWindow();
        },
        Qt::QueuedConnection);
  }
  if (m_pGraph) m_pCoordDlg->SelectComponent(int(m_pGraph->GetComponentMode()));
  if (m_pCoordDlg->isVisible()) {
    m_pCoordDlg->hide();
    HoldWindowSize(false);
  } else {
    CheckZoom(ids::kViewZoom100);
    m_pCoordDlg->show();
    if (m_video->size() != PictureBaseSize()) ResizeForPicture(m_nPicWidth, m_nPicHeight);
    HoldWindowSize(true);
  }
  PlaceCoordinateWindow();
}

void PlayerWindow::HideCoordinateWindow() {
  if (m_pCoordDlg && m_pCoordDlg->isVisible()) m_pCoordDlg->hide();
  HoldWindowSize(false);
}

void PlayerWindow::PlaceCoordinateWindow() {
  if (!IsCoordinateWindowVisible()) return;
  const QRect outer = frameGeometry();
  // Under the player's frame; when that would be off the bottom of the
  // screen, half way up the player instead.
  int y = outer.top() + outer.height();
  if (y > m_nScreenHeight - 20) y -= outer.height() / 2;
  // move() places a framed window's frame, but a window the window manager
  // has not framed yet by its client area: then its frame will be the
  // player's (same manager, same decoration), so its client goes that far
  // in, and its title bar does not cover the player's status line.
  QPoint at(outer.left(), y);
  if (m_pCoordDlg->frameGeometry() == m_pCoordDlg->geometry()) {
    const QMargins frame = FrameMargins();
    at += QPoint(frame.left(), frame.top());
  }
  m_pCoordDlg->move(at);
}

void PlayerWindow::OnPictureMouseMove(QPoint clientPos) {
  if (!IsCoordinateWindowVisible() || !m_pGraph || !HasFrames()) return;
  // Through the rectangle the display drew the picture into: over a bar the
  // window keeps what it showed last.
  const std::optional<QPoint> px = FramePixelAt(clientPos - m_video->pos(), m_video->size(),
                                                m_pGraph->GetAspectMode(), m_para.width, m_para.height);
  if (!px) return;
  int c[3] = {-1, -1, -1};
  m_pGraph->GetPixelValue(uint32_t(px->x()), uint32_t(px->y()), &c[0], &c[1], &c[2]);
  m_pCoordDlg->ShowPixel(px->x(), px->y(), c[0], c[1], c[2]);
}

// ---- Help menu ------------------------------------------------------------------

QString PlayerWindow::FindUserManual() {
  QStringList folders{QCoreApplication::applicationDirPath()};
  folders += QStandardPaths::standardLocations(QStandardPaths::AppDataLocation);
  for (const QString& data : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
    folders << QDir(data).filePath(QStringLiteral("corvane"));
  for (const QString& folder : folders) {
    const QString path = QDir(folder).filePath(kManualFileName);
    if (QFileInfo(path).isFile()) return path;
  }
  return {};
}

void PlayerWindow::OpenUserManual() {
  const QString path = FindUserManual();
  if (path.isEmpty()) {
    Prompts::Current().ShowMessage(this, tr("找不到用户手册!"), MessageKind::kWarning);
    return;
  }
  // Without a viewer for PDF files the user can still open it by hand: say
  // where it is.
  auto byHand = [this, path] {
    Prompts::Current().ShowMessage(this, tr("没有可以打开用户手册的程序，请手动打开:\n%1").arg(QDir::toNativeSeparators(path)),
                                   MessageKind::kWarning);
  };
  if (!Prompts::Current().OpenDocument(this, path, byHand)) byHand();
}

}  // namespace ui
