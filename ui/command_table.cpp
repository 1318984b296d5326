#include "ui/command_table.h"

#include <QtGlobal>
#include <iterator>

#include "ui/resource_ids.h"

namespace ui {

namespace {

using C = Command;

// Menu texts carry their keys in the text itself, with the spacing they have
// always had; the keys are not the items' shortcuts (the key filter acts).
constexpr MenuEntry kMenu[] = {
    {C::Open, ids::kFileOpen, QT_TRANSLATE_NOOP("ui::PlayerWindow", "文件"), nullptr,
     QT_TRANSLATE_NOOP("ui::PlayerWindow", "打开   Ctrl+O"), false, MenuGroup::kNone},
    {C::Close, ids::kFileClose, "文件", nullptr, QT_TRANSLATE_NOOP("ui::PlayerWindow", "关闭   Ctrl+C"), false,
     MenuGroup::kNone},
    {C::Exit, ids::kFileExit, "文件", nullptr, QT_TRANSLATE_NOOP("ui::PlayerWindow", "退出"), false, MenuGroup::kNone},
    {C::PlayPause, ids::kPlayPlayPause, QT_TRANSLATE_NOOP("ui::PlayerWindow", "播放"), nullptr,
     QT_TRANSLATE_NOOP("ui::PlayerWindow", "播放/暂停    空格"), false, MenuGroup::kNone},
    {C::Stop, ids::kPlayStop, "播放", nullptr, QT_TRANSLATE_NOOP("ui::PlayerWindow", "停止        .(句号)"), false,
     MenuGroup::kNone},
    {C::Faster, ids::kPlayFaster, "播放", nullptr, QT_TRANSLATE_NOOP("ui::PlayerWindow", "快进"), false,
     MenuGroup::kNone},
    {C::Slower, ids::kPlaySlower, "播放", nullptr, QT_TRANSLATE_NOOP("ui::PlayerWindow", "慢放"), false,
     MenuGroup::kNone},
    {C::Reverse, ids::kPlayReverse, "播放", nullptr, QT_TRANSLATE_NOOP("ui::PlayerWindow", "倒放"), true,
     MenuGroup::kNone},
    {C::FullScreen, ids::kViewFullScreen, QT_TRANSLATE_NOOP("ui::PlayerWindow", "视图"), nullptr,
     QT_TRANSLATE_NOOP("ui::PlayerWindow", "全屏   F2"), false, MenuGroup::kNone},
    {C::Zoom50, ids::kViewZoom50, "视图", QT_TRANSLATE_NOOP("ui::PlayerWindow", "缩放"),
     QT_TRANSLATE_NOOP("ui::PlayerWindow", " 50%"), true, MenuGroup::kZoom},
    {C::Zoom100, ids::kViewZoom100, "视图", "缩放", QT_TRANSLATE_NOOP("ui::PlayerWindow", "100%"), true,
     MenuGroup::kZoom},
    {C::Zoom200, ids::kViewZoom200, "视图", "缩放", QT_TRANSLATE_NOOP("ui::PlayerWindow", "200%"), true,
     MenuGroup::kZoom},
    {C::ComponentYUV, ids::kViewComponentYUV, "视图", QT_TRANSLATE_NOOP("ui::PlayerWindow", "YUV显示"),
     QT_TRANSLATE_NOOP("ui::PlayerWindow", "YUV"), true, MenuGroup::kComponent},
    {C::ComponentY, ids::kViewComponentY, "视图", "YUV显示", QT_TRANSLATE_NOOP("ui::PlayerWindow", "Y"), true,
     MenuGroup::kComponent},
    {C::ComponentU, ids::kViewComponentU, "视图", "YUV显示", QT_TRANSLATE_NOOP("ui::PlayerWindow", "U"), true,
     MenuGroup::kComponent},
    {C::ComponentV, ids::kViewComponentV, "视图", "YUV显示", QT_TRANSLATE_NOOP("ui::PlayerWindow", "V"), true,
     MenuGroup::kComponent},
    {C::Options, ids::kViewOptions, "视图", nullptr, QT_TRANSLATE_NOOP("ui::PlayerWindow", "高级选项"), false,
     MenuGroup::kNone},
    {C::Coordinates, ids::kToolsCoordinates, QT_TRANSLATE_NOOP("ui::PlayerWindow", "工具"), nullptr,
     QT_TRANSLATE_NOOP("ui::PlayerWindow", "YUV坐标显示"), false, MenuGroup::kNone},
    {C::Parameters, ids::kToolsParameters, "工具", nullptr, QT_TRANSLATE_NOOP("ui::PlayerWindow", "参数设置"), false,
     MenuGroup::kNone},
    {C::Cut, ids::kToolsCut, "工具", nullptr, QT_TRANSLATE_NOOP("ui::PlayerWindow", "文件剪切   Ctrl+T"), false,
     MenuGroup::kNone},
    {C::Splice, ids::kToolsSplice, "工具", nullptr, QT_TRANSLATE_NOOP("ui::PlayerWindow", "文件拼接   Ctrl+M"), false,
     MenuGroup::kNone},
    {C::Manual, ids::kHelpManual, QT_TRANSLATE_NOOP("ui::PlayerWindow", "帮助"), nullptr,
     QT_TRANSLATE_NOOP("ui::PlayerWindow", "用户手册"), false, MenuGroup::kNone},
    {C::Shortcuts, ids::kHelpShortcuts, "帮助", nullptr, QT_TRANSLATE_NOOP("ui::PlayerWindow", "操作说明"), false,
     MenuGroup::kNone},
    {C::About, ids::kHelpAbout, "帮助", nullptr, QT_TRANSLATE_NOOP("ui::PlayerWindow", "关于 Corvane"), false,
     MenuGroup::kNone},
    // Added items, at the end of their menus.
    {C::Matrix601, ids::kViewMatrix601, "视图", QT_TRANSLATE_NOOP("ui::PlayerWindow", "色彩矩阵"),
     QT_TRANSLATE_NOOP("ui::PlayerWindow", "BT.601"), true, MenuGroup::kMatrix},
    {C::Matrix709, ids::kViewMatrix709, "视图", "色彩矩阵", QT_TRANSLATE_NOOP("ui::PlayerWindow", "BT.709"), true,
     MenuGroup::kMatrix},
    {C::Matrix2020, ids::kViewMatrix2020, "视图", "色彩矩阵", QT_TRANSLATE_NOOP("ui::PlayerWindow", "BT.2020"), true,
     MenuGroup::kMatrix},
    {C::RangeLimited, ids::kViewRangeLimited, "视图", QT_TRANSLATE_NOOP("ui::PlayerWindow", "色彩范围"),
     QT_TRANSLATE_NOOP("ui::PlayerWindow", "有限范围 (16-235)"), true, MenuGroup::kRange},
    {C::RangeFull, ids::kViewRangeFull, "视图", "色彩范围", QT_TRANSLATE_NOOP("ui::PlayerWindow", "全范围 (0-255)"),
     true, MenuGroup::kRange},
    // Added after the items above; each lands at the end of its menu.
    {C::ZoomIn, ids::kViewZoomIn, "视图", "缩放", QT_TRANSLATE_NOOP("ui::PlayerWindow", "放大   +"), false,
     MenuGroup::kNone},
    {C::ZoomOut, ids::kViewZoomOut, "视图", "缩放", QT_TRANSLATE_NOOP("ui::PlayerWindow", "缩小   -"), false,
     MenuGroup::kNone},
    {C::GoToFrame, ids::kPlayGoToFrame, "播放", nullptr, QT_TRANSLATE_NOOP("ui::PlayerWindow", "转到帧...   Ctrl+G"),
     false, MenuGroup::kNone},
    {C::CopyFrame, ids::kFileCopyFrame, "文件", nullptr,
     QT_TRANSLATE_NOOP("ui::PlayerWindow", "复制画面   Ctrl+Shift+C"), false, MenuGroup::kNone},
    {C::SavePng, ids::kFileSavePng, "文件", nullptr, QT_TRANSLATE_NOOP("ui::PlayerWindow", "保存PNG图片"), false,
     MenuGroup::kNone},
    // The recent files: texts are the files' names, set by the window.
    {C::Recent0, ids::kFileRecentFirst, "文件", QT_TRANSLATE_NOOP("ui::PlayerWindow", "最近打开的文件"), "", false,
     MenuGroup::kNone},
    {Command(int(C::Recent0) + 1), ids::kFileRecentFirst + 1, "文件", "最近打开的文件", "", false, MenuGroup::kNone},
    {Command(int(C::Recent0) + 2), ids::kFileRecentFirst + 2, "文件", "最近打开的文件", "", false, MenuGroup::kNone},
    {Command(int(C::Recent0) + 3), ids::kFileRecentFirst + 3, "文件", "最近打开的文件", "", false, MenuGroup::kNone},
    {Command(int(C::Recent0) + 4), ids::kFileRecentFirst + 4, "文件", "最近打开的文件", "", false, MenuGroup::kNone},
    {Command(int(C::Recent0) + 5), ids::kFileRecentFirst + 5, "文件", "最近打开的文件", "", false, MenuGroup::kNone},
    {Command(int(C::Recent0) + 6), ids::kFileRecentFirst + 6, "文件", "最近打开的文件", "", false, MenuGroup::kNone},
    {C::Recent7, ids::kFileRecentFirst + 7, "文件", "最近打开的文件", "", false, MenuGroup::kNone},
    // Comparing with a second file.
    {C::OpenReference, ids::kFileOpenReference, "文件", nullptr, QT_TRANSLATE_NOOP("ui::PlayerWindow", "打开对比文件"),
     false, MenuGroup::kNone},
    {C::CloseReference, ids::kFileCloseReference, "文件", nullptr,
     QT_TRANSLATE_NOOP("ui::PlayerWindow", "关闭对比文件"), false, MenuGroup::kNone},
    {C::ViewA, ids::kViewCompareA, "视图", QT_TRANSLATE_NOOP("ui::PlayerWindow", "对比"),
     QT_TRANSLATE_NOOP("ui::PlayerWindow", "只看A   A"), true, MenuGroup::kCompareView},
    {C::ViewB, ids::kViewCompareA + 1, "视图", "对比", QT_TRANSLATE_NOOP("ui::PlayerWindow", "只看B   B"), true,
     MenuGroup::kCompareView},
    {C::ViewSide, ids::kViewCompareA + 2, "视图", "对比", QT_TRANSLATE_NOOP("ui::PlayerWindow", "并排   S"), true,
     MenuGroup::kCompareView},
    {C::ViewWipe, ids::kViewCompareA + 3, "视图", "对比", QT_TRANSLATE_NOOP("ui::PlayerWindow", "划像   W"), true,
     MenuGroup::kCompareView},
    {C::ViewDiff, ids::kViewCompareA + 4, "视图", "对比", QT_TRANSLATE_NOOP("ui::PlayerWindow", "差值   D"), true,
     MenuGroup::kCompareView},
    {C::ViewFlip, ids::kViewCompareFlip, "视图", "对比", QT_TRANSLATE_NOOP("ui::PlayerWindow", "A/B切换   F"), false,
     MenuGroup::kNone},
    {C::DiffGain1, ids::kViewDiffGain1, "视图", QT_TRANSLATE_NOOP("ui::PlayerWindow", "差值放大"),
     QT_TRANSLATE_NOOP("ui::PlayerWindow", "1×"), true, MenuGroup::kDiffGain},
    {C::DiffGain4, ids::kViewDiffGain1 + 1, "视图", "差值放大", QT_TRANSLATE_NOOP("ui::PlayerWindow", "4×"), true,
     MenuGroup::kDiffGain},
    {C::DiffGain16, ids::kViewDiffGain1 + 2, "视图", "差值放大", QT_TRANSLATE_NOOP("ui::PlayerWindow", "16×"), true,
     MenuGroup::kDiffGain},
    {C::GraphSsim, ids::kViewGraphSsim, "视图", "对比", QT_TRANSLATE_NOOP("ui::PlayerWindow", "质量曲线显示SSIM"), true,
     MenuGroup::kNone},
    {C::ExportCsv, ids::kToolsExportCsv, "工具", nullptr, QT_TRANSLATE_NOOP("ui::PlayerWindow", "导出质量数据 (CSV)"),
     false, MenuGroup::kNone},
    {C::ExportStats, ids::kToolsExportStats, "工具", nullptr,
     QT_TRANSLATE_NOOP("ui::PlayerWindow", "导出统计文件 (ffmpeg)"), false, MenuGroup::kNone},
};

// The keys, with the help dialog's lines in the order the dialog lists them
// (the runs of spaces once lined the second column up; the dialog splits a
// line at its colon).
constexpr KeyEntry kKeys[] = {
    {Qt::Key_Space, Ctrl::kNo, Pad::kAny, C::PlayPause, QT_TRANSLATE_NOOP("ui::HelpDialog", "空格:                      播放<->暂停")},
    {Qt::Key_Period, Ctrl::kNo, Pad::kNever, C::Stop, QT_TRANSLATE_NOOP("ui::HelpDialog", ".(句号):                  停止")},
    {Qt::Key_Up, Ctrl::kNo, Pad::kAny, C::Pause, QT_TRANSLATE_NOOP("ui::HelpDialog", "方向上键:              暂停")},
    {Qt::Key_Down, Ctrl::kNo, Pad::kAny, C::Play, QT_TRANSLATE_NOOP("ui::HelpDialog", "方向下键:              播放")},
    {Qt::Key_Home, Ctrl::kNo, Pad::kAny, C::GoToStart, QT_TRANSLATE_NOOP("ui::HelpDialog", "Home键:                 调至第一帧")},
    {Qt::Key_End, Ctrl::kNo, Pad::kAny, C::GoToEnd, QT_TRANSLATE_NOOP("ui::HelpDialog", "End键:                    调至最末帧")},
    {Qt::Key_Left, Ctrl::kNo, Pad::kAny, C::StepBackward, QT_TRANSLATE_NOOP("ui::HelpDialog", "方向左键:              单帧回退")},
    {Qt::Key_Right, Ctrl::kNo, Pad::kAny, C::StepForward, QT_TRANSLATE_NOOP("ui::HelpDialog", "方向右键:              单帧步进")},
    {Qt::Key_C, Ctrl::kYes, Pad::kAny, C::Close, QT_TRANSLATE_NOOP("ui::HelpDialog", "Ctrl + C:                  关闭文件")},
    {Qt::Key_O, Ctrl::kYes, Pad::kAny, C::Open, QT_TRANSLATE_NOOP("ui::HelpDialog", "Ctrl + O:                  打开文件")},
    {Qt::Key_T, Ctrl::kYes, Pad::kAny, C::Cut, QT_TRANSLATE_NOOP("ui::HelpDialog", "Ctrl + T:                   剪切文件")},
    {Qt::Key_M, Ctrl::kYes, Pad::kAny, C::Splice, QT_TRANSLATE_NOOP("ui::HelpDialog", "Ctrl + M:                  拼接文件")},
    {Qt::Key_1, Ctrl::kYes, Pad::kNever, C::Zoom50, QT_TRANSLATE_NOOP("ui::HelpDialog", "Ctrl + One:              半数尺寸")},
    {Qt::Key_2, Ctrl::kYes, Pad::kNever, C::Zoom100, QT_TRANSLATE_NOOP("ui::HelpDialog", "Ctrl + Two:              原始尺寸")},
    {Qt::Key_3, Ctrl::kYes, Pad::kNever, C::Zoom200, QT_TRANSLATE_NOOP("ui::HelpDialog", "Ctrl + Three:           两倍尺寸")},
    {Qt::Key_Left, Ctrl::kYes, Pad::kAny, C::GoToStart, nullptr},
    {Qt::Key_Right, Ctrl::kYes, Pad::kAny, C::GoToEnd, nullptr},
    {Qt::Key_F2, Ctrl::kAny, Pad::kAny, C::FullScreen, nullptr},
    {Qt::Key_Escape, Ctrl::kNo, Pad::kAny, C::LeaveFullScreen, nullptr},
    {Qt::Key_Return, Ctrl::kAny, Pad::kAny, C::GoToTyped, nullptr},
    {Qt::Key_Enter, Ctrl::kAny, Pad::kAny, C::GoToTyped, nullptr},
    {Qt::Key_0, Ctrl::kAny, Pad::kOnly, C::Digit0, nullptr},
    {Qt::Key_1, Ctrl::kAny, Pad::kOnly, Command(int(C::Digit0) + 1), nullptr},
    {Qt::Key_2, Ctrl::kAny, Pad::kOnly, Command(int(C::Digit0) + 2), nullptr},
    {Qt::Key_3, Ctrl::kAny, Pad::kOnly, Command(int(C::Digit0) + 3), nullptr},
    {Qt::Key_4, Ctrl::kAny, Pad::kOnly, Command(int(C::Digit0) + 4), nullptr},
    {Qt::Key_5, Ctrl::kAny, Pad::kOnly, Command(int(C::Digit0) + 5), nullptr},
    {Qt::Key_6, Ctrl::kAny, Pad::kOnly, Command(int(C::Digit0) + 6), nullptr},
    {Qt::Key_7, Ctrl::kAny, Pad::kOnly, Command(int(C::Digit0) + 7), nullptr},
    {Qt::Key_8, Ctrl::kAny, Pad::kOnly, Command(int(C::Digit0) + 8), nullptr},
    {Qt::Key_9, Ctrl::kAny, Pad::kOnly, C::Digit9, nullptr},
    // Added after the keys above. The help dialog lists them after the
    // written lines, with texts made from this table (HelpDialog::Lines).
    {Qt::Key_Plus, Ctrl::kNo, Pad::kAny, C::ZoomIn, nullptr},
    {Qt::Key_Equal, Ctrl::kNo, Pad::kNever, C::ZoomIn, nullptr},  // + unshifted
    {Qt::Key_Minus, Ctrl::kNo, Pad::kAny, C::ZoomOut, nullptr},
    {Qt::Key_G, Ctrl::kYes, Pad::kAny, C::GoToFrame, nullptr},
    {Qt::Key_C, Ctrl::kYes, Pad::kAny, C::CopyFrame, nullptr, true},
    {Qt::Key_A, Ctrl::kNo, Pad::kAny, C::ViewA, nullptr},
    {Qt::Key_B, Ctrl::kNo, Pad::kAny, C::ViewB, nullptr},
    {Qt::Key_S, Ctrl::kNo, Pad::kAny, C::ViewSide, nullptr},
    {Qt::Key_W, Ctrl::kNo, Pad::kAny, C::ViewWipe, nullptr},
    {Qt::Key_D, Ctrl::kNo, Pad::kAny, C::ViewDiff, nullptr},
    {Qt::Key_F, Ctrl::kNo, Pad::kAny, C::ViewFlip, nullptr},
};

// The row left to right, at its fixed x positions (the button row's layout).
constexpr ButtonEntry kButtons[] = {
    {C::Play, ids::kBtnPlay, 5, true},           {C::Pause, ids::kBtnPause, 25, true},
    {C::Stop, ids::kBtnStop, 45, true},          {C::Reverse, ids::kBtnDirection, 65, false},
    {C::GoToStart, ids::kBtnStart, 97, false},   {C::Slower, ids::kBtnSlow, 117, false},
    {C::Faster, ids::kBtnFast, 137, false},      {C::GoToEnd, ids::kBtnEnd, 157, false},
    {C::StepBackward, ids::kBtnStepBack, 189, false}, {C::StepForward, ids::kBtnStepForward, 209, false},
    {C::Capture, ids::kBtnCapture, 229, false},  {C::Repeat, ids::kBtnRepeat, 249, true},
};

}  // namespace

const char* const kDoubleClickHelp = QT_TRANSLATE_NOOP("ui::HelpDialog", "左键双击:      正常视图<->全屏");

const char* KeyHelpMeaning(Command c) {
  if (session::IsDigit(c)) return QT_TRANSLATE_NOOP("ui::HelpDialog", "输入帧号");
  switch (c) {
    case C::LeaveFullScreen: return QT_TRANSLATE_NOOP("ui::HelpDialog", "退出全屏");
    case C::GoToTyped: return QT_TRANSLATE_NOOP("ui::HelpDialog", "跳至输入的帧号");
    default: return nullptr;
  }
}

std::span<const MenuEntry> MenuEntries() { return kMenu; }
std::span<const KeyEntry> KeyEntries() { return kKeys; }
std::span<const ButtonEntry> ButtonEntries() { return kButtons; }

const MenuEntry* MenuEntryFor(Command c) {
  for (const MenuEntry& e : kMenu)
    if (e.command == c) return &e;
  return nullptr;
}

const MenuEntry* MenuEntryForId(int id) {
  for (const MenuEntry& e : kMenu)
    if (e.id == id) return &e;
  return nullptr;
}

const ButtonEntry* ButtonEntryForId(int id) {
  for (const ButtonEntry& e : kButtons)
    if (e.id == id) return &e;
  return nullptr;
}

std::optional<Command> CommandForKey(int key, Qt::KeyboardModifiers modifiers) {
  const bool ctrl = modifiers & Qt::ControlModifier;
  const bool pad = modifiers & Qt::KeypadModifier;
  const bool shift = modifiers & Qt::ShiftModifier;
  for (const KeyEntry& e : kKeys) {
    if (e.key != key || !e.shift || !shift) continue;
    if ((e.ctrl == Ctrl::kYes && !ctrl) || (e.ctrl == Ctrl::kNo && ctrl)) continue;
    return e.command;
  }
  for (const KeyEntry& e : kKeys) {
    if (e.key != key || e.shift) continue;
    if ((e.ctrl == Ctrl::kYes && !ctrl) || (e.ctrl == Ctrl::kNo && ctrl)) continue;
    if ((e.pad == Pad::kOnly && !pad) || (e.pad == Pad::kNever && pad)) continue;
    return e.command;
  }
  return std::nullopt;
}

}  // namespace ui
