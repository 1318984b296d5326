// The window's row of each command: its menu item (id, menu, text, check),
// its button (id, place in the row) and its keys (with their Ctrl and keypad
// rules and their lines in the help dialog). The session's row of the same
// command (session/commands.h) says who runs it and when it acts; these
// rows say how the window offers it. The menu bar, the button row, the key
// filter and the help dialog are all made from them.
//
// Threads: plain constant data.
#pragma once

#include <QtGlobal>
#include <Qt>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "session/commands.h"

namespace ui {

using session::Command;

// How a key binding treats the keypad: keypad digits type a frame number,
// keypad navigation keys (Num Lock off) act as the main ones, and the
// keypad's "." and Ctrl+digits are not the main ones.
enum class Pad { kAny, kOnly, kNever };
// Whether a binding wants Ctrl held, or does not care.
enum class Ctrl { kNo, kYes, kAny };

struct MenuItem {
  // 0: no menu item. The id is the item's object name "act<id>", by which
  // scripts and tests find it, so it stays what it has always been.
  int id = 0;
  const char* menu = nullptr;     // top-level menu (source text)
  const char* submenu = nullptr;  // null: directly in the menu
  const char* text = nullptr;     // the item's text (source text, keys written in it)
  bool checkable = false;         // radio groups are the session row's group
};

struct Button {
  int id = 0;  // 0: no button; else the object name "btn<id>"
  int x = 0;   // left edge in the row (the row's fixed layout)
  bool checkBox = false;  // keeps a check: play, pause, stop, repeat
};

struct KeyBinding {
  Qt::Key key = Qt::Key(0);  // 0: none
  Ctrl ctrl = Ctrl::kNo;
  Pad pad = Pad::kAny;
  // Wants Shift held. Bindings without it do not look at Shift, so Ctrl+C
  // closes with or without Shift unless a Shift binding of the key (looked
  // for first) takes it.
  bool shift = false;
  int place = 0;  // its place in the help dialog's list of keys
  const char* help = nullptr;  // its written line in the help dialog (source text), or null
};

struct CommandUi {
  Command command;
  MenuItem item;
  Button button;
  KeyBinding keys[2];
  // What its keys do in the help dialog's words (source text of
  // "ui::HelpDialog"), for a command with neither a written help line nor a
  // menu item to take them from.
  const char* words = nullptr;
};

// Menu texts carry their keys in the text itself, with the spacing they have
// always had; the keys are not the items' shortcuts (the key filter acts).
// Menu items stand in their menus in the order of the rows.
inline constexpr CommandUi kCommandUi[] = {
    // The menu items, in menu order (each added item at the end of its menu).
    {Command::Open,
     {32771, QT_TRANSLATE_NOOP("ui::PlayerWindow", "文件"), nullptr,
      QT_TRANSLATE_NOOP("ui::PlayerWindow", "打开   Ctrl+O")},
     {},
     {{Qt::Key_O, Ctrl::kYes, Pad::kAny, false, 10,
       QT_TRANSLATE_NOOP("ui::HelpDialog", "Ctrl + O:                  打开文件")}}},
    {Command::Close,
     {32772, "文件", nullptr, QT_TRANSLATE_NOOP("ui::PlayerWindow", "关闭   Ctrl+C")},
     {},
     {{Qt::Key_C, Ctrl::kYes, Pad::kAny, false, 9,
       QT_TRANSLATE_NOOP("ui::HelpDialog", "Ctrl + C:                  关闭文件")}}},
    {Command::Exit, {32773, "文件", nullptr, QT_TRANSLATE_NOOP("ui::PlayerWindow", "退出")}, {}, {}},
    {Command::PlayPause,
     {32777, QT_TRANSLATE_NOOP("ui::PlayerWindow", "播放"), nullptr,
      QT_TRANSLATE_NOOP("ui::PlayerWindow", "播放/暂停    空格")},
     {},
     {{Qt::Key_Space, Ctrl::kNo, Pad::kAny, false, 1,
       QT_TRANSLATE_NOOP("ui::HelpDialog", "空格:                      播放<->暂停")}}},
    {Command::Stop,
     {32778, "播放", nullptr, QT_TRANSLATE_NOOP("ui::PlayerWindow", "停止        .(句号)")},
     {1003, 45, true},
     {{Qt::Key_Period, Ctrl::kNo, Pad::kNever, false, 2,
       QT_TRANSLATE_NOOP("ui::HelpDialog", ".(句号):                  停止")}}},
    {Command::Faster, {32779, "播放", nullptr, QT_TRANSLATE_NOOP("ui::PlayerWindow", "快进")}, {1004, 137}, {}},
    {Command::Slower, {32780, "播放", nullptr, QT_TRANSLATE_NOOP("ui::PlayerWindow", "慢放")}, {1005, 117}, {}},
    {Command::Reverse, {32781, "播放", nullptr, QT_TRANSLATE_NOOP("ui::PlayerWindow", "倒放"), true}, {1011, 65}, {}},
    {Command::FullScreen,
     {32774, QT_TRANSLATE_NOOP("ui::PlayerWindow", "视图"), nullptr,
      QT_TRANSLATE_NOOP("ui::PlayerWindow", "全屏   F2")},
     {},
     {{Qt::Key_F2, Ctrl::kAny, Pad::kAny, false, 18}}},
    {Command::Zoom50,
     {32798, "视图", QT_TRANSLATE_NOOP("ui::PlayerWindow", "缩放"), QT_TRANSLATE_NOOP("ui::PlayerWindow", " 50%"),
      true},
     {},
     {{Qt::Key_1, Ctrl::kYes, Pad::kNever, false, 13,
       QT_TRANSLATE_NOOP("ui::HelpDialog", "Ctrl + One:              半数尺寸")}}},
    {Command::Zoom100,
     {32799, "视图", "缩放", QT_TRANSLATE_NOOP("ui::PlayerWindow", "100%"), true},
     {},
     {{Qt::Key_2, Ctrl::kYes, Pad::kNever, false, 14,
       QT_TRANSLATE_NOOP("ui::HelpDialog", "Ctrl + Two:              原始尺寸")}}},
    {Command::Zoom200,
     {32800, "视图", "缩放", QT_TRANSLATE_NOOP("ui::PlayerWindow", "200%"), true},
     {},
     {{Qt::Key_3, Ctrl::kYes, Pad::kNever, false, 15,
       QT_TRANSLATE_NOOP("ui::HelpDialog", "Ctrl + Three:           两倍尺寸")}}},
    {Command::ComponentYUV,
     {32785, "视图", QT_TRANSLATE_NOOP("ui::PlayerWindow", "YUV显示"), QT_TRANSLATE_NOOP("ui::PlayerWindow", "YUV"),
      true},
     {},
     {}},
    {Command::ComponentY, {32786, "视图", "YUV显示", QT_TRANSLATE_NOOP("ui::PlayerWindow", "Y"), true}, {}, {}},
    {Command::ComponentU, {32787, "视图", "YUV显示", QT_TRANSLATE_NOOP("ui::PlayerWindow", "U"), true}, {}, {}},
    {Command::ComponentV, {32788, "视图", "YUV显示", QT_TRANSLATE_NOOP("ui::PlayerWindow", "V"), true}, {}, {}},
    {Command::Options, {32802, "视图", nullptr, QT_TRANSLATE_NOOP("ui::PlayerWindow", "高级选项")}, {}, {}},
    {Command::Coordinates,
     {32791, QT_TRANSLATE_NOOP("ui::PlayerWindow", "工具"), nullptr,
      QT_TRANSLATE_NOOP("ui::PlayerWindow", "YUV坐标显示")},
     {},
     {}},
    {Command::Parameters, {32789, "工具", nullptr, QT_TRANSLATE_NOOP("ui::PlayerWindow", "参数设置")}, {}, {}},
    {Command::Cut,
     {32790, "工具", nullptr, QT_TRANSLATE_NOOP("ui::PlayerWindow", "文件剪切   Ctrl+T")},
     {},
     {{Qt::Key_T, Ctrl::kYes, Pad::kAny, false, 11,
       QT_TRANSLATE_NOOP("ui::HelpDialog", "Ctrl + T:                   剪切文件")}}},
    {Command::Splice,
     {32801, "工具", nullptr, QT_TRANSLATE_NOOP("ui::PlayerWindow", "文件拼接   Ctrl+M")},
     {},
     {{Qt::Key_M, Ctrl::kYes, Pad::kAny, false, 12,
       QT_TRANSLATE_NOOP("ui::HelpDialog", "Ctrl + M:                  拼接文件")}}},
    {Command::Manual,
     {32805, QT_TRANSLATE_NOOP("ui::PlayerWindow", "帮助"), nullptr, QT_TRANSLATE_NOOP("ui::PlayerWindow", "用户手册")},
     {},
     {}},
    {Command::Shortcuts, {32775, "帮助", nullptr, QT_TRANSLATE_NOOP("ui::PlayerWindow", "操作说明")}, {}, {}},
    {Command::About, {32776, "帮助", nullptr, QT_TRANSLATE_NOOP("ui::PlayerWindow", "关于 Corvane")}, {}, {}},
    {Command::Matrix601,
     {32830, "视图", QT_TRANSLATE_NOOP("ui::PlayerWindow", "色彩矩阵"), QT_TRANSLATE_NOOP("ui::PlayerWindow", "BT.601"),
      true},
     {},
     {}},
    {Command::Matrix709, {32831, "视图", "色彩矩阵", QT_TRANSLATE_NOOP("ui::PlayerWindow", "BT.709"), true}, {}, {}},
    {Command::Matrix2020, {32832, "视图", "色彩矩阵", QT_TRANSLATE_NOOP("ui::PlayerWindow", "BT.2020"), true}, {}, {}},
    {Command::RangeLimited,
     {32833, "视图", QT_TRANSLATE_NOOP("ui::PlayerWindow", "色彩范围"),
      QT_TRANSLATE_NOOP("ui::PlayerWindow", "有限范围 (16-235)"), true},
     {},
     {}},
    {Command::RangeFull,
     {32834, "视图", "色彩范围", QT_TRANSLATE_NOOP("ui::PlayerWindow", "全范围 (0-255)"), true},
     {},
     {}},
    {Command::ZoomIn,
     {32850, "视图", "缩放", QT_TRANSLATE_NOOP("ui::PlayerWindow", "放大   +")},
     {},
     {{Qt::Key_Plus, Ctrl::kNo, Pad::kAny, false, 32}, {Qt::Key_Equal, Ctrl::kNo, Pad::kNever, false, 33}}},
    {Command::ZoomOut,
     {32851, "视图", "缩放", QT_TRANSLATE_NOOP("ui::PlayerWindow", "缩小   -")},
     {},
     {{Qt::Key_Minus, Ctrl::kNo, Pad::kAny, false, 34}}},
    {Command::GoToFrame,
     {32852, "播放", nullptr, QT_TRANSLATE_NOOP("ui::PlayerWindow", "转到帧...   Ctrl+G")},
     {},
     {{Qt::Key_G, Ctrl::kYes, Pad::kAny, false, 35}}},
    {Command::CopyFrame,
     {32853, "文件", nullptr, QT_TRANSLATE_NOOP("ui::PlayerWindow", "复制画面   Ctrl+Shift+C")},
     {},
     {{Qt::Key_C, Ctrl::kYes, Pad::kAny, true, 36}}},
    {Command::SavePng, {32854, "文件", nullptr, QT_TRANSLATE_NOOP("ui::PlayerWindow", "保存PNG图片")}, {}, {}},
    {Command::Recent0, {32860, "文件", QT_TRANSLATE_NOOP("ui::PlayerWindow", "最近打开的文件"), ""}, {}, {}},
    {Command::Recent1, {32861, "文件", "最近打开的文件", ""}, {}, {}},
    {Command::Recent2, {32862, "文件", "最近打开的文件", ""}, {}, {}},
    {Command::Recent3, {32863, "文件", "最近打开的文件", ""}, {}, {}},
    {Command::Recent4, {32864, "文件", "最近打开的文件", ""}, {}, {}},
    {Command::Recent5, {32865, "文件", "最近打开的文件", ""}, {}, {}},
    {Command::Recent6, {32866, "文件", "最近打开的文件", ""}, {}, {}},
    {Command::Recent7, {32867, "文件", "最近打开的文件", ""}, {}, {}},
    {Command::OpenReference, {32870, "文件", nullptr, QT_TRANSLATE_NOOP("ui::PlayerWindow", "打开对比文件")}, {}, {}},
    {Command::CloseReference, {32871, "文件", nullptr, QT_TRANSLATE_NOOP("ui::PlayerWindow", "关闭对比文件")}, {}, {}},
    {Command::ViewA,
     {32872, "视图", QT_TRANSLATE_NOOP("ui::PlayerWindow", "对比"), QT_TRANSLATE_NOOP("ui::PlayerWindow", "只看A   A"),
      true},
     {},
     {{Qt::Key_A, Ctrl::kNo, Pad::kAny, false, 37}}},
    {Command::ViewB,
     {32873, "视图", "对比", QT_TRANSLATE_NOOP("ui::PlayerWindow", "只看B   B"), true},
     {},
     {{Qt::Key_B, Ctrl::kNo, Pad::kAny, false, 38}}},
    {Command::ViewSide,
     {32874, "视图", "对比", QT_TRANSLATE_NOOP("ui::PlayerWindow", "并排   S"), true},
     {},
     {{Qt::Key_S, Ctrl::kNo, Pad::kAny, false, 39}}},
    {Command::ViewWipe,
     {32875, "视图", "对比", QT_TRANSLATE_NOOP("ui::PlayerWindow", "划像   W"), true},
     {},
     {{Qt::Key_W, Ctrl::kNo, Pad::kAny, false, 40}}},
    {Command::ViewDiff,
     {32876, "视图", "对比", QT_TRANSLATE_NOOP("ui::PlayerWindow", "差值   D"), true},
     {},
     {{Qt::Key_D, Ctrl::kNo, Pad::kAny, false, 41}}},
    {Command::ViewFlip,
     {32877, "视图", "对比", QT_TRANSLATE_NOOP("ui::PlayerWindow", "A/B切换   F")},
     {},
     {{Qt::Key_F, Ctrl::kNo, Pad::kAny, false, 42}}},
    {Command::DiffGain1,
     {32878, "视图", QT_TRANSLATE_NOOP("ui::PlayerWindow", "差值放大"), QT_TRANSLATE_NOOP("ui::PlayerWindow", "1×"),
      true},
     {},
     {}},
    {Command::DiffGain4, {32879, "视图", "差值放大", QT_TRANSLATE_NOOP("ui::PlayerWindow", "4×"), true}, {}, {}},
    {Command::DiffGain16, {32880, "视图", "差值放大", QT_TRANSLATE_NOOP("ui::PlayerWindow", "16×"), true}, {}, {}},
    {Command::GraphSsim,
     {32881, "视图", "对比", QT_TRANSLATE_NOOP("ui::PlayerWindow", "质量曲线显示SSIM"), true},
     {},
     {}},
    {Command::ShiftBForward,
     {32884, "视图", "对比", QT_TRANSLATE_NOOP("ui::PlayerWindow", "B偏移+1帧   ]")},
     {},
     {{Qt::Key_BracketRight, Ctrl::kNo, Pad::kAny, false, 46}}},
    {Command::ShiftBBack,
     {32885, "视图", "对比", QT_TRANSLATE_NOOP("ui::PlayerWindow", "B偏移-1帧   [")},
     {},
     {{Qt::Key_BracketLeft, Ctrl::kNo, Pad::kAny, false, 47}}},
    {Command::ShiftBReset,
     {32886, "视图", "对比", QT_TRANSLATE_NOOP("ui::PlayerWindow", "B偏移归零   \\")},
     {},
     {{Qt::Key_Backslash, Ctrl::kNo, Pad::kAny, false, 48}}},
    {Command::ClearRegion,
     {32887, "视图", "对比", QT_TRANSLATE_NOOP("ui::PlayerWindow", "清除测量区域   Esc")},
     {},
     {{Qt::Key_Escape, Ctrl::kNo, Pad::kAny, false, 49}}},
    {Command::ExportCsv, {32882, "工具", nullptr, QT_TRANSLATE_NOOP("ui::PlayerWindow", "导出质量数据 (CSV)")}, {}, {}},
    {Command::ExportStats,
     {32883, "工具", nullptr, QT_TRANSLATE_NOOP("ui::PlayerWindow", "导出统计文件 (ffmpeg)")},
     {},
     {}},
    {Command::ScopeHistogram,
     {32890, "视图", QT_TRANSLATE_NOOP("ui::PlayerWindow", "示波器"),
      QT_TRANSLATE_NOOP("ui::PlayerWindow", "直方图   F5"), true},
     {},
     {{Qt::Key_F5, Ctrl::kNo, Pad::kAny, false, 43}}},
    {Command::ScopeWaveform,
     {32891, "视图", "示波器", QT_TRANSLATE_NOOP("ui::PlayerWindow", "波形图   F6"), true},
     {},
     {{Qt::Key_F6, Ctrl::kNo, Pad::kAny, false, 44}}},
    {Command::ScopeVectorscope,
     {32892, "视图", "示波器", QT_TRANSLATE_NOOP("ui::PlayerWindow", "矢量图   F7"), true},
     {},
     {{Qt::Key_F7, Ctrl::kNo, Pad::kAny, false, 45}}},
    {Command::ScopeHistogramLog,
     {32893, "视图", "示波器", QT_TRANSLATE_NOOP("ui::PlayerWindow", "直方图对数刻度"), true},
     {},
     {}},
    {Command::ScopeParade,
     {32894, "视图", "示波器", QT_TRANSLATE_NOOP("ui::PlayerWindow", "波形图分量并列"), true},
     {},
     {}},
    {Command::ScopeVisibleOnly,
     {32895, "视图", "示波器", QT_TRANSLATE_NOOP("ui::PlayerWindow", "只统计可见部分"), true},
     {},
     {}},
    {Command::ScopeBelow,
     {32896, "视图", "示波器", QT_TRANSLATE_NOOP("ui::PlayerWindow", "示波器置于画面下方"), true},
     {},
     {}},
    // Buttons and keys only.
    {Command::Play,
     {},
     {1001, 5, true},
     {{Qt::Key_Down, Ctrl::kNo, Pad::kAny, false, 4,
       QT_TRANSLATE_NOOP("ui::HelpDialog", "方向下键:              播放")}}},
    {Command::Pause,
     {},
     {1002, 25, true},
     {{Qt::Key_Up, Ctrl::kNo, Pad::kAny, false, 3,
       QT_TRANSLATE_NOOP("ui::HelpDialog", "方向上键:              暂停")}}},
    {Command::GoToStart,
     {},
     {1008, 97},
     {{Qt::Key_Home, Ctrl::kNo, Pad::kAny, false, 5,
       QT_TRANSLATE_NOOP("ui::HelpDialog", "Home键:                 调至第一帧")},
      {Qt::Key_Left, Ctrl::kYes, Pad::kAny, false, 16}}},
    {Command::GoToEnd,
     {},
     {1009, 157},
     {{Qt::Key_End, Ctrl::kNo, Pad::kAny, false, 6,
       QT_TRANSLATE_NOOP("ui::HelpDialog", "End键:                    调至最末帧")},
      {Qt::Key_Right, Ctrl::kYes, Pad::kAny, false, 17}}},
    {Command::StepBackward,
     {},
     {1007, 189},
     {{Qt::Key_Left, Ctrl::kNo, Pad::kAny, false, 7,
       QT_TRANSLATE_NOOP("ui::HelpDialog", "方向左键:              单帧回退")}}},
    {Command::StepForward,
     {},
     {1006, 209},
     {{Qt::Key_Right, Ctrl::kNo, Pad::kAny, false, 8,
       QT_TRANSLATE_NOOP("ui::HelpDialog", "方向右键:              单帧步进")}}},
    {Command::Capture, {}, {1010, 229}, {}},
    {Command::Repeat, {}, {1012, 249, true}, {}},
    {Command::LeaveFullScreen,
     {},
     {},
     {{Qt::Key_Escape, Ctrl::kNo, Pad::kAny, false, 19}},
     QT_TRANSLATE_NOOP("ui::HelpDialog", "退出全屏")},
    {Command::GoToTyped,
     {},
     {},
     {{Qt::Key_Return, Ctrl::kAny, Pad::kAny, false, 20}, {Qt::Key_Enter, Ctrl::kAny, Pad::kAny, false, 21}},
     QT_TRANSLATE_NOOP("ui::HelpDialog", "跳至输入的帧号")},
    {Command::Digit0,
     {},
     {},
     {{Qt::Key_0, Ctrl::kAny, Pad::kOnly, false, 22}},
     QT_TRANSLATE_NOOP("ui::HelpDialog", "输入帧号")},
    {Command::Digit1, {}, {}, {{Qt::Key_1, Ctrl::kAny, Pad::kOnly, false, 23}}, "输入帧号"},
    {Command::Digit2, {}, {}, {{Qt::Key_2, Ctrl::kAny, Pad::kOnly, false, 24}}, "输入帧号"},
    {Command::Digit3, {}, {}, {{Qt::Key_3, Ctrl::kAny, Pad::kOnly, false, 25}}, "输入帧号"},
    {Command::Digit4, {}, {}, {{Qt::Key_4, Ctrl::kAny, Pad::kOnly, false, 26}}, "输入帧号"},
    {Command::Digit5, {}, {}, {{Qt::Key_5, Ctrl::kAny, Pad::kOnly, false, 27}}, "输入帧号"},
    {Command::Digit6, {}, {}, {{Qt::Key_6, Ctrl::kAny, Pad::kOnly, false, 28}}, "输入帧号"},
    {Command::Digit7, {}, {}, {{Qt::Key_7, Ctrl::kAny, Pad::kOnly, false, 29}}, "输入帧号"},
    {Command::Digit8, {}, {}, {{Qt::Key_8, Ctrl::kAny, Pad::kOnly, false, 30}}, "输入帧号"},
    {Command::Digit9, {}, {}, {{Qt::Key_9, Ctrl::kAny, Pad::kOnly, false, 31}}, "输入帧号"},
};

const CommandUi& UiOf(Command c);
// The rows with a button, left to right.
const std::vector<const CommandUi*>& ButtonRows();
// A key binding with its command.
struct BoundKey {
  KeyBinding binding;
  Command command;
};
// Every key binding, in the help dialog's order.
const std::vector<BoundKey>& BoundKeys();

// The command of a menu item's id, or of a button's.
std::optional<Command> CommandOfItem(int id);
std::optional<Command> CommandOfButton(int id);

// The first help line (the mouse's), then the keys' lines in order.
extern const char* const kDoubleClickHelp;

// The command a key press stands for, if any. A press two bindings take
// (Esc: leaving full screen, clearing the region) stands for the first whose
// command `acts` now (its key rule holds), else for the first.
std::optional<Command> CommandForKey(int key, Qt::KeyboardModifiers modifiers,
                                     const std::function<bool(Command)>& acts = {});

// The menu item's id of a command, 0 for none; the ids named in
// resource_ids.h are these.
constexpr int MenuIdOf(Command c) {
  for (const CommandUi& r : kCommandUi)
    if (r.command == c) return r.item.id;
  return 0;
}
constexpr int ButtonIdOf(Command c) {
  for (const CommandUi& r : kCommandUi)
    if (r.command == c) return r.button.id;
  return 0;
}

}  // namespace ui
