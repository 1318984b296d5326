#include "ui/player_window.h"

#include <QAction>
#include <QActionGroup>
#include <QEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScreen>
#include <QThread>
#include <QWheelEvent>
#include <algorithm>

#include "controls/color_label.h"
#include "controls/icon_button.h"
#include "controls/resources.h"
#include "controls/seek_slider.h"
#include "formats/result_codes.h"
#include "ui/prompts.h"
#include "ui/resource_ids.h"
#include "ui/video_widget.h"

namespace ui {

using corvane::kOk;

PlayerWindow::PlayerWindow(const QString& filePath, QWidget* parent) : QMainWindow(parent), m_strFilePath(filePath) {
  setWindowTitle(tr("Corvane"));
  setWindowIcon(QIcon(controls::IconPath(ids::kImageAppIcon)));
  BuildMenu();
  BuildClient();
  InstallKeyFilter();
  m_statusTimer.setInterval(kStatusIntervalMs);
  connect(&m_statusTimer, &QTimer::timeout, this, &PlayerWindow::UpdateStatus);
  connect(m_video, &VideoWidget::frameSizeChanged, this, &PlayerWindow::OnFrameSizeNotice);
  setAcceptDrops(true);
}

PlayerWindow::~PlayerWindow() {
  // The graph's threads present into the picture widget: end them before
  // the widgets go.
  if (m_pGraph) {
    m_pGraph->SetNotifyWindow(nullptr);
    m_pGraph->Close();
    m_pGraph.reset();
  }
}

void PlayerWindow::BuildMenu() {
  QMenuBar* bar = menuBar();
  auto add = [this](QMenu* menu, int id, const QString& text, bool checkable = false,
                    QActionGroup* group = nullptr) {
    QAction* a = menu->addAction(text);
    a->setObjectName(QStringLiteral("act%1").arg(id));
    a->setCheckable(checkable);
    if (group) group->addAction(a);
    m_actions.insert(id, a);
    // Qt flips a checkable item (and its group) before it reports the click;
    // the command itself decides what is checked. A lone item's flip is
    // undone first; a group is set afresh from what the command left.
    connect(a, &QAction::triggered, this, [this, a, id] {
      if (a->isCheckable() && !a->actionGroup()) a->setChecked(!a->isChecked());
      OnMenuCommand(id);
      if (a->actionGroup()) SyncViewChecks();
    });
  };
  // One of each group is always checked: radio marks, not check boxes.
  auto* zoomGroup = new QActionGroup(this);
  auto* componentGroup = new QActionGroup(this);
  QMenu* file = bar->addMenu(tr("文件"));
  add(file, ids::kFileOpen, tr("打开   Ctrl+O"));
  add(file, ids::kFileClose, tr("关闭   Ctrl+C"));
  add(file, ids::kFileExit, tr("退出"));
  QMenu* play = bar->addMenu(tr("播放"));
  add(play, ids::kPlayPlayPause, tr("播放/暂停    空格"));
  add(play, ids::kPlayStop, tr("停止        .(句号)"));
  add(play, ids::kPlayFaster, tr("快进"));
  add(play, ids::kPlaySlower, tr("慢放"));
  add(play, ids::kPlayReverse, tr("倒放"), true);
  QMenu* view = bar->addMenu(tr("视图"));
  add(view, ids::kViewFullScreen, tr("全屏   F2"));
  QMenu* zoom = view->addMenu(tr("缩放"));
  add(zoom, ids::kViewZoom50, tr(" 50%"), true, zoomGroup);
  add(zoom, ids::kViewZoom100, tr("100%"), true, zoomGroup);
  add(zoom, ids::kViewZoom200, tr("200%"), true, zoomGroup);
  QMenu* component = view->addMenu(tr("YUV显示"));
  add(component, ids::kViewComponentYUV, tr("YUV"), true, componentGroup);
  add(component, ids::kViewComponentY, tr("Y"), true, componentGroup);
  add(component, ids::kViewComponentU, tr("U"), true, componentGroup);
  add(component, ids::kViewComponentV, tr("V"), true, componentGroup);
  add(view, ids::kViewOptions, tr("高级选项"));
  QMenu* tools = bar->addMenu(tr("工具"));
  add(tools, ids::kToolsCoordinates, tr("YUV坐标显示"));
  add(tools, ids::kToolsParameters, tr("参数设置"));
  add(tools, ids::kToolsCut, tr("文件剪切   Ctrl+T"));
  add(tools, ids::kToolsSplice, tr("文件拼接   Ctrl+M"));
  QMenu* help = bar->addMenu(tr("帮助"));
  add(help, ids::kHelpManual, tr("用户手册"));
  add(help, ids::kHelpShortcuts, tr("操作说明"));
  add(help, ids::kHelpAbout, tr("关于 Corvane"));
  CheckZoom(ids::kViewZoom100);
  CheckComponent(ids::kViewComponentYUV);
}

void PlayerWindow::BuildClient() {
  auto* client = new QWidget(this);
  client->setObjectName(QStringLiteral("client"));
  // Pointer moves over the picture feed the coordinate window's readout.
  client->setMouseTracking(true);
  setCentralWidget(client);

  // Black behind the picture: what shows beside a picture narrower than the
  // window (the button row's width).
  m_backdrop = new QWidget(client);
  m_backdrop->setObjectName(QStringLiteral("backdrop"));
  m_backdrop->setAttribute(Qt::WA_TransparentForMouseEvents);
  m_backdrop->setAutoFillBackground(true);
  QPalette black = m_backdrop->palette();
  black.setColor(QPalette::Window, Qt::black);
  m_backdrop->setPalette(black);

  m_video = new VideoWidget(client);
  m_video->setObjectName(QStringLiteral("picture%1").arg(ids::kPicture));

  m_slider = new controls::SeekSlider(client);
  m_slider->setObjectName(QStringLiteral("slider%1").arg(ids::kSlider));
  m_slider->setRange(0, kSliderMax);
  m_slider->setValue(0);
  connect(m_slider, &controls::SeekSlider::thumbTracked, this, &PlayerWindow::SeekBySlider);

  const int checkBoxes[] = {ids::kBtnPlay, ids::kBtnPause, ids::kBtnStop, ids::kBtnRepeat};
  for (int id = ids::kFirstButton; id <= ids::kLastButton; ++id) {
    auto* b = new controls::IconButton(client);
    b->setObjectName(QStringLiteral("btn%1").arg(id));
    b->SetCheckBoxMode(std::find(std::begin(checkBoxes), std::end(checkBoxes), id) != std::end(checkBoxes));
    b->setFocusPolicy(Qt::NoFocus);
    m_buttons[size_t(id - ids::kFirstButton)] = b;
    if (id == ids::kBtnRepeat)
      connect(b, &QAbstractButton::clicked, this, [this] {
        OnRepeatToggled();
        UpdateControls();
      });
    else
      connect(b, &QAbstractButton::clicked, this, [this, id] { OnButton(id); });
  }

  m_sepLine = new QFrame(client);
  m_sepLine->setObjectName(QStringLiteral("sep%1").arg(ids::kSeparatorLine));
  m_sepLine->setFrameStyle(QFrame::VLine | QFrame::Sunken);
  m_sepFrame = new QFrame(client);
  m_sepFrame->setObjectName(QStringLiteral("sep%1").arg(ids::kSeparatorFrame));
  m_sepFrame->setFrameStyle(QFrame::Box | QFrame::Sunken);
  m_sepFrame->setLineWidth(1);

  m_stStatus = new controls::ColorLabel(Qt::AlignLeft | Qt::AlignVCenter, client);
  m_stStatus->setObjectName(QStringLiteral("status%1").arg(ids::kStatusText));
  m_stCounter = new controls::ColorLabel(Qt::AlignRight | Qt::AlignVCenter, client);
  m_stCounter->setObjectName(QStringLiteral("status%1").arg(ids::kCounterText));
  for (controls::ColorLabel* label : {m_stStatus, m_stCounter}) {
    label->SetTextColor(Qt::white, false);
    label->SetBkColor(Qt::black, false);
    label->SetBold(true, false);
  }
}

void PlayerWindow::InstallKeyFilter() {
  // Every widget of the window goes through the key handler, so no control
  // ever reacts to a key of its own (the slider to arrows, buttons to Space)
  // and no key moves the focus. Menus keep their own keys.
  installEventFilter(this);
  for (QWidget* w : findChildren<QWidget*>()) {
    if (qobject_cast<QMenu*>(w) || qobject_cast<QMenuBar*>(w)) continue;
    w->installEventFilter(this);
  }
}

controls::IconButton* PlayerWindow::Button(int id) const {
  if (id < ids::kFirstButton || id > ids::kLastButton) return nullptr;
  return m_buttons[size_t(id - ids::kFirstButton)];
}

void PlayerWindow::Initialize() {
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    m_nScreenWidth = screen->geometry().width();
    m_nScreenHeight = screen->geometry().height();
  }
  m_slider->setRange(0, kSliderMax);
  m_slider->setValue(0);
  m_nPlayState = PlayState::NoFile;
  m_video->ShowIdle();
  ShowStatus(tr("准备就绪"), QString());
  show();
  ResizeForPicture(kIdleWidth, kIdleHeight);
  SettingsStore::InitAtStartup(m_settings);
  if (!m_strFilePath.isEmpty()) OpenCurrentFile();
  UpdateControls();
}

// ---- Geometry --------------------------------------------------------------

QMargins PlayerWindow::FrameMargins() const {
  // Zero until the window manager has put its frame round the window.
  const QRect inner = geometry(), outer = frameGeometry();
  return QMargins(std::max(0, inner.left() - outer.left()), std::max(0, inner.top() - outer.top()),
                  std::max(0, outer.right() - inner.right()), std::max(0, outer.bottom() - inner.bottom()));
}

int PlayerWindow::MenuBarHeight(int width) const {
  const QMenuBar* bar = menuBar();
  if (!bar->isVisibleTo(this)) return 0;
  return bar->hasHeightForWidth() ? bar->heightForWidth(width) : bar->sizeHint().height();
}

void PlayerWindow::ResizeForPicture(uint32_t width, uint32_t height) {
  // The client area is sized directly: menu bar, picture, strip. Adding a
  // frame measured on one side to the other sides would lose the difference
  // under window managers whose bottom edge is thicker than the sides
  // (openbox's handle), and every frame would be scaled by those rows.
  // In 64 bits and clamped to the screen before anything is narrowed to an
  // int: a 2 x 200 % request of a very large frame must not wrap into a
  // small or negative window.
  const QMargins frame = FrameMargins();
  const int64_t screenW = std::max(m_nScreenWidth, 1), screenH = std::max(m_nScreenHeight, 1);
  const int64_t frameW = frame.left() + frame.right(), frameH = frame.top() + frame.bottom();
  // A picture narrower than the control row is centred in a wider window, at
  // its own size, with black beside it: the buttons stay reachable.
  const int64_t wantW = std::max<int64_t>(width, kControlRowWidth);
  const int clientW = int(std::clamp<int64_t>(wantW, 1, std::max<int64_t>(screenW - frameW, 1)));
  m_nPictureInset = int(std::clamp<int64_t>(int64_t(clientW) - int64_t(width), 0, clientW));
  auto place = [&](int menuBar) {
    const int64_t wantH = int64_t(menuBar) + int64_t(height) + kStripHeight;
    const int clientH = int(std::clamp<int64_t>(wantH, 1, std::max<int64_t>(screenH - frameH, 1)));
    // Sizing by program is not bound by the limit for the user's dragging:
    // a 50 % picture of a small frame gets its exact size.
    setMinimumSize(std::min(kControlRowWidth, clientW), std::min(int(kMinWindowHeight - frameH), clientH));
    resize(clientW, clientH);
    move(int((screenW - (clientW + frameW)) / 2), int((screenH - (clientH + frameH)) / 2));
    LayoutControls();
  };
  const int menuBar = MenuBarHeight(clientW);
  place(menuBar);
  // A width change may fold the menu bar onto more lines or back; then the
  // picture would lose or gain that height, so size once more.
  const int menuBarNow = MenuBarHeight(clientW);
  if (menuBarNow != menuBar) place(menuBarNow);
}

void PlayerWindow::LayoutControls() {
  const QWidget* client = centralWidget();
  const int W = client->width(), H = client->height();
  if (m_bFullScreen) {
    m_video->setGeometry(0, 0, W, H);
    m_backdrop->setGeometry(0, 0, W, H);
  } else {
    m_backdrop->setGeometry(0, 0, W, std::max(0, H - kStripHeight));
    // A picture narrower than the control row keeps its size, centred.
    const int inset = std::min(m_nPictureInset, W);
    m_video->setGeometry(inset / 2, 0, W - inset, std::max(0, H - kStripHeight));
    m_slider->setGeometry(0, H - 76, W, 22);
    const int xs[] = {5, 25, 45, 65, 97, 117, 137, 157, 189, 209, 229, 249};
    const int order[] = {ids::kBtnPlay,     ids::kBtnPause, ids::kBtnStop,     ids::kBtnDirection,
                         ids::kBtnStart,    ids::kBtnSlow,  ids::kBtnFast,     ids::kBtnEnd,
                         ids::kBtnStepBack, ids::kBtnStepForward, ids::kBtnCapture, ids::kBtnRepeat};
    for (size_t i = 0; i < std::size(order); ++i) Button(order[i])->setGeometry(xs[i], H - 50, 20, 20);
    m_sepLine->setGeometry(90, H - 50, 2, 20);
    m_sepFrame->setGeometry(182, H - 50, 2, 20);
    m_stStatus->setGeometry(0, H - 20, W / 2, 20);
    m_stCounter->setGeometry(W / 2, H - 20, W / 2, 20);
  }
  m_video->SyncSnapshot();
  // A paint never draws through the engine, so a picture area of a new size
  // gets a fresh picture here while nothing else would present one.
  if (m_pGraph && m_nPlayState != PlayState::Playing && m_nPlayState != PlayState::NoFile) m_pGraph->Refresh();
  PlaceCoordinateWindow();
}

void PlayerWindow::ToggleFullScreen() {
  if (!HasFrames()) return;
  m_bFullScreen = !m_bFullScreen;
  QWidget* strip[] = {m_slider, m_sepLine, m_sepFrame, m_stStatus, m_stCounter};
  if (m_bFullScreen) {
    m_placement = saveGeometry();
    for (QWidget* w : strip) w->hide();
    for (controls::IconButton* b : m_buttons) b->hide();
    menuBar()->hide();
    showFullScreen();
    LayoutControls();
  } else {
    for (QWidget* w : strip) w->show();
    for (controls::IconButton* b : m_buttons) b->show();
    menuBar()->show();
    showNormal();
    restoreGeometry(m_placement);
    LayoutControls();
  }
}

void PlayerWindow::moveEvent(QMoveEvent* event) {
  QMainWindow::moveEvent(event);
  m_video->SyncSnapshot();
  PlaceCoordinateWindow();
}

void PlayerWindow::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange) m_video->SyncSnapshot();
}

// ---- Status line, slider, frame-size notice ---------------------------------

uint32_t PlayerWindow::FrameForSliderPos(int pos, uint32_t total) {
  const uint64_t p = uint64_t(std::clamp(pos, 0, kSliderMax));
  const uint64_t frame = p * total / kSliderMax;
  // Frames count from 1: the left end shows the first frame rather than
  // asking for a frame 0 that the engine would refuse.
  return uint32_t(std::max<uint64_t>(frame, 1));
}

int PlayerWindow::SliderPosForFrame(uint32_t frame, uint32_t total) {
  if (total == 0) return 0;
  return int(std::min<uint64_t>(uint64_t(frame) * kSliderMax / total, kSliderMax));
}

void PlayerWindow::SeekBySlider(int pos) {
  if (!m_pGraph) return;
  uint32_t total = 0;
  m_pGraph->GetFileInfo(nullptr, &total);
  if (total == 0) return;
  m_pGraph->SeekToFrame(FrameForSliderPos(pos, total));
}

void PlayerWindow::ShowStatus(const QString& status, const QString& counter) {
  m_stStatus->SetText(status);
  m_stCounter->SetText(counter);
}

void PlayerWindow::UpdateStatus() {
  if (!m_pGraph || m_nTotalFrames == 0) return;
  uint32_t cur = 0;
  m_pGraph->GetCurrentFrame(&cur);
  const int pos = SliderPosForFrame(cur, m_nTotalFrames);
  const QString counter = QStringLiteral("%1/%2").arg(cur).arg(m_nTotalFrames);
  switch (m_nPlayState) {
    case PlayState::Stopped:
      ShowStatus(tr("停止"), QString());
      break;
    case PlayState::Playing: {
      const float s = m_pGraph->GetSpeed();
      if (s == 1.0f)
        ShowStatus(tr("正在播放"), counter);
      else if (s > 1.0f)
        ShowStatus(tr("速度 X %1").arg(int(s)), counter);
      else if (s > 0.0f)
        ShowStatus(tr("速度 / %1").arg(int(1.0f / s)), counter);
      break;
    }
    case PlayState::Paused:
      ShowStatus(tr("暂停"), counter);
      break;
    case PlayState::NoFile:
      ShowStatus(tr("准备就绪"), QString());
      break;
  }
  // The thumb stays where the user holds it; the next tick after the
  // release moves it again.
  if (!m_slider->isSliderDown() && !m_slider->IsTracking()) {
    m_slider->setValue(pos);
    m_slider->update();
  }
}

void PlayerWindow::OnFrameSizeNotice(uint32_t width, uint32_t height) {
  if (m_bFullScreen) ToggleFullScreen();
  if (isMinimized()) showNormal();
  CheckZoom(ids::kViewZoom100);
  if (m_pGraph && width != 0 && height != 0) {
    m_pGraph->GetPara(&m_para);
    m_nPicWidth = m_para.width = width;
    m_nPicHeight = m_para.height = height;
    // The held size gives way for the new frame size, then holds again.
    const bool held = m_bSizeHeld;
    HoldWindowSize(false);
    ResizeForPicture(width, height);
    HoldWindowSize(held);
  }
}

}  // namespace ui
