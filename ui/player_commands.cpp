// The player's commands: menu items, buttons and keys, and UpdateControls,
// which sets every control from the play state after a command.
#include <QAction>
#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QThread>
#include <QWheelEvent>
#include <limits>

#include "controls/icon_button.h"
#include "controls/seek_slider.h"
#include "formats/result_codes.h"
#include "ui/coordinate_window.h"
#include "ui/help_dialogs.h"
#include "ui/player_window.h"
#include "ui/resource_ids.h"
#include "ui/video_widget.h"
#include "ui/window_frames.h"

namespace ui {

using corvane::kOk;

// ---- Play operations --------------------------------------------------------
// Each does nothing to the engine without a graph.

void PlayerWindow::OnPlay() {
  if (m_nPlayState == PlayState::Stopped || m_nPlayState == PlayState::NoFile) m_statusTimer.start();
  if (!m_pGraph) return;
  m_pGraph->Run();
  m_pGraph->SetRepeat(Button(ids::kBtnRepeat)->GetCheck() != 0);
  m_pGraph->SetSpeed(m_pGraph->GetSpeed());  // the speed chosen before applies again
  m_nPlayState = PlayState::Playing;
}

void PlayerWindow::OnPause() {
  if (!m_pGraph) return;
  m_pGraph->Pause();
  m_nPlayState = PlayState::Paused;
}

void PlayerWindow::OnStop() {
  ShowStatus(tr("停止"), QString());
  HideCoordinateWindow();
  if (m_pGraph) {
    m_pGraph->Stop();
    m_nPlayState = PlayState::Stopped;
  }
  m_statusTimer.stop();
}

void PlayerWindow::OnSpeedUp() {
  if (m_pGraph) m_pGraph->SpeedUp();
}

void PlayerWindow::OnSpeedDown() {
  if (m_pGraph) m_pGraph->SpeedDown();
}

void PlayerWindow::OnStepForward() {
  if (!m_pGraph) return;
  m_pGraph->StepForward();
  m_nPlayState = PlayState::Paused;
}

void PlayerWindow::OnStepBackward() {
  if (!m_pGraph) return;
  m_pGraph->StepBackward();
  m_nPlayState = PlayState::Paused;
}

void PlayerWindow::OnGoToStart() {
  if (m_pGraph) m_pGraph->GoToStart();
}

void PlayerWindow::OnGoToEnd() {
  if (m_pGraph) m_pGraph->GoToEnd();
}

void PlayerWindow::OnToggleReverse() {
  if (m_pGraph && m_pGraph->SetReverse(!m_bReverse) >= 0) {
    m_bReverse = !m_bReverse;
    SetChecked(ids::kPlayReverse, m_bReverse);
  }
  // The tooltip follows at the next UpdateControls; the image at once.
  Button(ids::kBtnDirection)->SetIcon(m_bReverse ? 177 : 178);
}

void PlayerWindow::OnComponentView(int id) {
  if (!m_pGraph) return;
  if (m_pGraph->SetComponentMode(uint32_t(id - ids::kViewComponentYUV)) != kOk) return;
  m_pGraph->Refresh();
  if (IsCoordinateWindowVisible()) m_pCoordDlg->SelectComponent(id - ids::kViewComponentYUV);
  CheckComponent(id);
}

void PlayerWindow::SetZoom(int id) {
  // The coordinate window needs the picture at 100 %.
  if (IsCoordinateWindowVisible()) return;
  if (m_bFullScreen) ToggleFullScreen();
  // 200 % of a large frame exceeds 32 bits only in the sum; ResizeForPicture
  // clamps to the screen, so the doubled size is saturated, not wrapped.
  auto twice = [](uint32_t v) { return uint32_t(std::min<uint64_t>(2 * uint64_t(v), UINT32_MAX)); };
  if (id == ids::kViewZoom50)
    ResizeForPicture(m_nPicWidth / 2, m_nPicHeight / 2);
  else if (id == ids::kViewZoom100)
    ResizeForPicture(m_nPicWidth, m_nPicHeight);
  else
    ResizeForPicture(twice(m_nPicWidth), twice(m_nPicHeight));
  CheckZoom(id);
}

void PlayerWindow::OnRepeatToggled() {
  // The check box has flipped itself; its state is the repeat setting.
  if (m_pGraph) m_pGraph->SetRepeat(Button(ids::kBtnRepeat)->GetCheck() != 0);
}

void PlayerWindow::SetChecked(int id, bool checked) {
  if (QAction* a = m_actions.value(id)) a->setChecked(checked);
}

void PlayerWindow::CheckZoom(int id) {
  m_zoomId = id;
  for (int z : {ids::kViewZoom50, ids::kViewZoom100, ids::kViewZoom200}) SetChecked(z, z == id);
}

void PlayerWindow::CheckComponent(int id) {
  for (int c = ids::kViewComponentYUV; c <= ids::kViewComponentV; ++c) SetChecked(c, c == id);
}

void PlayerWindow::SyncViewChecks() {
  CheckZoom(m_zoomId);
  CheckComponent(ids::kViewComponentYUV + (m_pGraph ? int(m_pGraph->GetComponentMode()) : 0));
}

bool PlayerWindow::IsEnabled(int id) const {
  const QAction* a = m_actions.value(id);
  return a && a->isEnabled();
}

// ---- Menu and buttons -------------------------------------------------------

void PlayerWindow::OnMenuCommand(int id) {
  switch (id) {
    case ids::kFileOpen:
      if (BrowseForFile()) OpenCurrentFile();
      UpdateControls();
      break;
    case ids::kFileClose:
      CloseFile();
      UpdateControls();
      break;
    case ids::kFileExit:
      close();
      break;
    case ids::kPlayPlayPause:
      if (m_nPlayState == PlayState::Playing)
        OnPause();
      else if (m_nPlayState == PlayState::Paused || m_nPlayState == PlayState::Stopped)
        OnPlay();
      UpdateControls();
      break;
    case ids::kPlayStop:
      OnStop();
      UpdateControls();
      break;
    // Speed and direction from the menu leave the buttons as they are.
    case ids::kPlayFaster:
      OnSpeedUp();
      break;
    case ids::kPlaySlower:
      OnSpeedDown();
      break;
    case ids::kPlayReverse:
      OnToggleReverse();
      break;
    case ids::kViewFullScreen:
      ToggleFullScreen();
      break;
    case ids::kViewZoom50:
    case ids::kViewZoom100:
    case ids::kViewZoom200:
      SetZoom(id);
      break;
    case ids::kViewComponentYUV:
    case ids::kViewComponentY:
    case ids::kViewComponentU:
    case ids::kViewComponentV:
      OnComponentView(id);
      break;
    case ids::kViewOptions:
      OnAdvancedOptions();
      break;
    case ids::kToolsCut:
      OnCutCommand();
      break;
    case ids::kToolsSplice:
      OnSpliceCommand();
      break;
    case ids::kToolsParameters:
      OnParameterSettings();
      break;
    case ids::kToolsCoordinates:
      ToggleCoordinateWindow();
      break;
    case ids::kHelpShortcuts: {
      HelpDialog dialog(this);
      RunModal(dialog);
      break;
    }
    case ids::kHelpAbout: {
      AboutDialog dialog(this);
      RunModal(dialog);
      break;
    }
    case ids::kHelpManual:
      OpenUserManual();
      break;
    default:
      break;
  }
}

void PlayerWindow::OnButton(int id) {
  switch (id) {
    case ids::kBtnPlay: OnPlay(); break;
    case ids::kBtnPause: OnPause(); break;
    case ids::kBtnStop: OnStop(); break;
    case ids::kBtnFast: OnSpeedUp(); break;
    case ids::kBtnSlow: OnSpeedDown(); break;
    case ids::kBtnStepForward: OnStepForward(); break;
    case ids::kBtnStepBack: OnStepBackward(); break;
    case ids::kBtnStart: OnGoToStart(); break;
    case ids::kBtnEnd: OnGoToEnd(); break;
    case ids::kBtnDirection: OnToggleReverse(); break;
    case ids::kBtnRepeat: OnRepeatToggled(); break;
    case ids::kBtnCapture: CaptureStill(); break;
    default: break;
  }
  UpdateControls();
}

// ---- UpdateControls ---------------------------------------------------------

namespace {

// What one button shows in one state. `tooltip` null: the tooltip set
// before stays. `pressed` applies to the check-box buttons only.
struct Look {
  int image;
  int outImage;
  bool pressed;
  bool enabled;
  const char* tooltip;
};

}  // namespace

void PlayerWindow::UpdateControls() {
  if (QThread::currentThread() != thread()) qFatal("UpdateControls called off the GUI thread");
  const PlayState state = m_nPlayState;
  const bool active = HasFrames();
  const int s = int(state);  // column: Stopped 0, Playing 1, Paused 2, NoFile 3

  // Columns in PlayState order: Stopped, Playing, Paused, NoFile.
  static const Look kPlay[4] = {{145, 0, false, true, QT_TR_NOOP("播放")},
                                {140, 0, true, true, nullptr},
                                {145, 0, false, true, QT_TR_NOOP("播放")},
                                {141, 0, false, false, nullptr}};
  static const Look kPause[4] = {{143, 0, false, false, nullptr},
                                 {144, 0, false, true, QT_TR_NOOP("暂停")},
                                 {216, 0, true, true, nullptr},
                                 {143, 0, false, false, nullptr}};
  static const Look kStop[4] = {{146, 0, true, true, nullptr},
                                {148, 0, false, true, QT_TR_NOOP("停止")},
                                {148, 0, false, true, QT_TR_NOOP("停止")},
                                {147, 0, false, false, nullptr}};
  // Buttons that only work on a picture: their look while Playing or Paused,
  // and while Stopped or without a file.
  struct Pair {
    int id;
    Look on, off;
  };
  static const Pair kFrameButtons[] = {
      {ids::kBtnSlow, {149, 0, false, true, QT_TR_NOOP("减速")}, {151, 0, false, false, nullptr}},
      {ids::kBtnFast, {150, 0, false, true, QT_TR_NOOP("加速")}, {152, 0, false, false, nullptr}},
      {ids::kBtnStepBack, {162, 0, false, true, QT_TR_NOOP("回退")}, {161, 0, false, false, nullptr}},
      {ids::kBtnStepForward, {160, 0, false, true, QT_TR_NOOP("步进")}, {159, 0, false, false, nullptr}},
      {ids::kBtnStart, {166, 0, false, true, QT_TR_NOOP("开始")}, {165, 0, false, false, nullptr}},
      {ids::kBtnEnd, {164, 0, false, true, QT_TR_NOOP("末尾")}, {163, 0, false, false, nullptr}},
      {ids::kBtnCapture, {167, 169, false, true, QT_TR_NOOP("抓图")}, {168, 0, false, false, nullptr}},
  };

  auto apply = [this](int id, const Look& look) {
    controls::IconButton* b = Button(id);
    b->SetIcon(look.image, look.outImage);
    if (b->IsCheckBox() && id != ids::kBtnRepeat) b->SetCheck(look.pressed ? 1 : 0);
    b->setEnabled(look.enabled);
    // A disabled button shows no tooltip: it would offer a command that is
    // not available. Its text is kept for when it is enabled again.
    if (look.tooltip)
      b->SetTooltipText(tr(look.tooltip), look.enabled);
    else
      b->SetTooltipText(b->TooltipText(), look.enabled);
  };
  apply(ids::kBtnPlay, kPlay[s]);
  apply(ids::kBtnPause, kPause[s]);
  apply(ids::kBtnStop, kStop[s]);
  for (const Pair& p : kFrameButtons) apply(p.id, active ? p.on : p.off);

  const int direction = (state != PlayState::NoFile && m_bReverse) ? 177 : 178;
  const char* directionTip = m_bReverse ? QT_TR_NOOP("正放") : QT_TR_NOOP("倒放");
  apply(ids::kBtnDirection, {direction, 0, false, active, active ? directionTip : nullptr});

  controls::IconButton* repeat = Button(ids::kBtnRepeat);
  apply(ids::kBtnRepeat, {195, 0, false, true, repeat->GetCheck() ? QT_TR_NOOP("取消重复") : QT_TR_NOOP("重复")});

  // Menu items.
  const bool hasFile = state != PlayState::NoFile;
  for (int id : {ids::kFileClose, ids::kPlayPlayPause, ids::kPlayStop, ids::kPlayFaster, ids::kPlaySlower,
                 ids::kPlayReverse, ids::kViewFullScreen, ids::kToolsParameters})
    m_actions.value(id)->setEnabled(hasFile);
  for (int id = ids::kViewComponentYUV; id <= ids::kViewComponentV; ++id) m_actions.value(id)->setEnabled(active);
  m_actions.value(ids::kToolsCoordinates)->setEnabled(active);
  if (m_pCoordDlg && state != PlayState::NoFile) m_pCoordDlg->ComponentList()->setEnabled(active);

  // Slider.
  if (state == PlayState::Playing) {
    m_slider->setEnabled(true);
    m_slider->update();
  } else if (state != PlayState::Paused) {
    m_slider->setValue(0);
    m_slider->setEnabled(false);
  }

  if (state == PlayState::NoFile) {
    m_video->ShowIdle();
    SetChecked(ids::kPlayReverse, false);
    CheckComponent(ids::kViewComponentYUV);
    CheckZoom(ids::kViewZoom100);
    ResizeForPicture(kIdleWidth, kIdleHeight);
  }
}

// ---- Keys -------------------------------------------------------------------

uint64_t PlayerWindow::AppendDigit(uint64_t input, int digit) {
  constexpr uint64_t kMax = std::numeric_limits<uint64_t>::max();
  if (input > (kMax - uint64_t(digit)) / 10) return kMax;
  return input * 10 + uint64_t(digit);
}

void PlayerWindow::HandleKey(int key, Qt::KeyboardModifiers modifiers) {
  // Keypad keys carry the keypad modifier: digits with Num Lock on, the
  // navigation keys (End, Down, ...) with it off, which then act as those.
  const bool keypad = modifiers & Qt::KeypadModifier;
  const bool ctrl = modifiers & Qt::ControlModifier;
  // Seeks to a position need a running reader; while stopped these keys do
  // nothing rather than ask the engine for what it would refuse.
  const bool canSeek = m_pGraph && m_nPlayState != PlayState::Stopped;

  if (key == Qt::Key_F2 && !IsCoordinateWindowVisible()) ToggleFullScreen();
  if (keypad && key >= Qt::Key_0 && key <= Qt::Key_9) m_nFrameInput = AppendDigit(m_nFrameInput, key - Qt::Key_0);
  if (key == Qt::Key_Return || key == Qt::Key_Enter) {
    // A number beyond the last possible frame stays beyond it: it is
    // saturated, never wrapped onto a small frame number.
    if (canSeek) m_pGraph->SeekToFrame(uint32_t(std::min<uint64_t>(m_nFrameInput, UINT32_MAX)));
    m_nFrameInput = 0;
  }

  if (ctrl) {
    switch (key) {
      case Qt::Key_Left:
        if (canSeek) OnGoToStart();
        break;
      case Qt::Key_Right:
        if (canSeek) OnGoToEnd();
        break;
      case Qt::Key_1:
      case Qt::Key_2:
      case Qt::Key_3:
        if (!keypad && m_nPlayState != PlayState::Stopped)
          SetZoom(key == Qt::Key_1 ? ids::kViewZoom50 : key == Qt::Key_2 ? ids::kViewZoom100 : ids::kViewZoom200);
        break;
      case Qt::Key_C:
        if (!m_bFullScreen && IsEnabled(ids::kFileClose)) {
          CloseFile();
          UpdateControls();
        }
        break;
      case Qt::Key_M:
        if (!m_bFullScreen && IsEnabled(ids::kToolsSplice)) OnMenuCommand(ids::kToolsSplice);
        break;
      case Qt::Key_O:
        if (!m_bFullScreen && IsEnabled(ids::kFileOpen)) {
          if (BrowseForFile()) OpenCurrentFile();
          UpdateControls();
        }
        break;
      case Qt::Key_T:
        if (!m_bFullScreen && IsEnabled(ids::kToolsCut)) OnMenuCommand(ids::kToolsCut);
        break;
      default:
        break;
    }
    return;
  }

  switch (key) {
    case Qt::Key_Escape:
      if (m_bFullScreen) ToggleFullScreen();
      break;
    case Qt::Key_Space:
      if (m_nPlayState == PlayState::Playing)
        OnPause();
      else if (m_nPlayState == PlayState::Paused || m_nPlayState == PlayState::Stopped)
        OnPlay();
      UpdateControls();
      break;
    case Qt::Key_Home:
      if (canSeek) OnGoToStart();
      break;
    case Qt::Key_End:
      if (canSeek) OnGoToEnd();
      break;
    case Qt::Key_Left:
      if (HasFrames()) {
        OnStepBackward();
        UpdateControls();
      }
      break;
    case Qt::Key_Right:
      if (HasFrames()) {
        OnStepForward();
        UpdateControls();
      }
      break;
    case Qt::Key_Up:
      if (m_nPlayState == PlayState::Playing) OnPause();
      UpdateControls();
      break;
    case Qt::Key_Down:
      if (m_nPlayState == PlayState::Paused || m_nPlayState == PlayState::Stopped) OnPlay();
      UpdateControls();
      break;
    case Qt::Key_Period:
      if (!keypad && HasFrames()) {
        if (m_bFullScreen) ToggleFullScreen();
        OnStop();
        UpdateControls();
      }
      break;
    default:
      break;
  }
}

bool PlayerWindow::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::ShortcutOverride:
    case QEvent::KeyPress: {
      auto* key = static_cast<QKeyEvent*>(event);
      // Alt combinations and F10 belong to the menu bar.
      if ((key->modifiers() & Qt::AltModifier) || key->key() == Qt::Key_F10) return false;
      // Claiming the override makes the key arrive as a key press, so no
      // shortcut anywhere acts on it.
      event->accept();
      if (event->type() == QEvent::KeyPress) HandleKey(key->key(), key->modifiers());
      return true;
    }
    case QEvent::MouseButtonDblClick:
      if (watched == centralWidget()) {
        centralWidget()->setFocus();
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && HasFrames() && !IsCoordinateWindowVisible() &&
            m_video->geometry().contains(mouse->position().toPoint()))
          ToggleFullScreen();
      }
      return false;
    case QEvent::Resize:
      if (watched == centralWidget() && !isMinimized()) LayoutControls();
      return false;
    case QEvent::MouseMove:
      if (watched == centralWidget()) OnPictureMouseMove(static_cast<QMouseEvent*>(event)->position().toPoint());
      return false;
    case QEvent::Wheel:
      if (watched == m_slider) {
        // One notch moves the thumb one position and seeks there, as a click
        // on that place would.
        m_nWheelDelta += static_cast<QWheelEvent*>(event)->angleDelta().y();
        const int notches = m_nWheelDelta / 120;
        m_nWheelDelta %= 120;
        if (notches != 0 && m_slider->isEnabled()) {
          m_slider->setValue(std::clamp(m_slider->value() + notches, 0, kSliderMax));
          SeekBySlider(m_slider->value());
        }
        return true;
      }
      return false;
    default:
      return false;
  }
}

}  // namespace ui
