// Control ids of the player window and its dialogs: object names
// ("btn<id>", "status<id>", ...) that tests and scripts look widgets up by.
#pragma once

#include "ui/command_table.h"

namespace ui::ids {

// The menu items of the commands: their ids are a column of the command
// rows (ui/command_table.h); these names are for the code and tests that
// look items up by id. The recent files, the compare views and the gains
// have consecutive ids.
inline constexpr int kFileOpen = MenuIdOf(Command::Open);
inline constexpr int kFileClose = MenuIdOf(Command::Close);
inline constexpr int kFileExit = MenuIdOf(Command::Exit);
inline constexpr int kViewFullScreen = MenuIdOf(Command::FullScreen);
inline constexpr int kHelpShortcuts = MenuIdOf(Command::Shortcuts);
inline constexpr int kHelpAbout = MenuIdOf(Command::About);
inline constexpr int kPlayPlayPause = MenuIdOf(Command::PlayPause);
inline constexpr int kPlayStop = MenuIdOf(Command::Stop);
inline constexpr int kPlayFaster = MenuIdOf(Command::Faster);
inline constexpr int kPlaySlower = MenuIdOf(Command::Slower);
inline constexpr int kPlayReverse = MenuIdOf(Command::Reverse);
inline constexpr int kViewComponentYUV = MenuIdOf(Command::ComponentYUV);
inline constexpr int kViewComponentY = MenuIdOf(Command::ComponentY);
inline constexpr int kViewComponentU = MenuIdOf(Command::ComponentU);
inline constexpr int kViewComponentV = MenuIdOf(Command::ComponentV);
inline constexpr int kToolsParameters = MenuIdOf(Command::Parameters);
inline constexpr int kToolsCut = MenuIdOf(Command::Cut);
inline constexpr int kToolsCoordinates = MenuIdOf(Command::Coordinates);
inline constexpr int kViewZoom50 = MenuIdOf(Command::Zoom50);
inline constexpr int kViewZoom100 = MenuIdOf(Command::Zoom100);
inline constexpr int kViewZoom200 = MenuIdOf(Command::Zoom200);
inline constexpr int kToolsSplice = MenuIdOf(Command::Splice);
inline constexpr int kViewOptions = MenuIdOf(Command::Options);
inline constexpr int kHelpManual = MenuIdOf(Command::Manual);
inline constexpr int kViewMatrix601 = MenuIdOf(Command::Matrix601);
inline constexpr int kViewMatrix709 = MenuIdOf(Command::Matrix709);
inline constexpr int kViewMatrix2020 = MenuIdOf(Command::Matrix2020);
inline constexpr int kViewRangeLimited = MenuIdOf(Command::RangeLimited);
inline constexpr int kViewRangeFull = MenuIdOf(Command::RangeFull);
inline constexpr int kViewZoomIn = MenuIdOf(Command::ZoomIn);
inline constexpr int kViewZoomOut = MenuIdOf(Command::ZoomOut);
inline constexpr int kPlayGoToFrame = MenuIdOf(Command::GoToFrame);
inline constexpr int kFileCopyFrame = MenuIdOf(Command::CopyFrame);
inline constexpr int kFileSavePng = MenuIdOf(Command::SavePng);
inline constexpr int kFileRecentFirst = MenuIdOf(Command::Recent0);
inline constexpr int kFileOpenReference = MenuIdOf(Command::OpenReference);
inline constexpr int kFileCloseReference = MenuIdOf(Command::CloseReference);
inline constexpr int kViewCompareA = MenuIdOf(Command::ViewA);
inline constexpr int kViewCompareFlip = MenuIdOf(Command::ViewFlip);
inline constexpr int kViewDiffGain1 = MenuIdOf(Command::DiffGain1);
inline constexpr int kViewGraphSsim = MenuIdOf(Command::GraphSsim);
inline constexpr int kToolsExportCsv = MenuIdOf(Command::ExportCsv);
inline constexpr int kToolsExportStats = MenuIdOf(Command::ExportStats);
// 视图 › 示波器: the three panels, then the options (consecutive ids).
inline constexpr int kViewScopeHistogram = MenuIdOf(Command::ScopeHistogram);
inline constexpr int kViewScopeWaveform = MenuIdOf(Command::ScopeWaveform);
inline constexpr int kViewScopeVectorscope = MenuIdOf(Command::ScopeVectorscope);
inline constexpr int kViewScopeHistogramLog = MenuIdOf(Command::ScopeHistogramLog);
inline constexpr int kViewScopeParade = MenuIdOf(Command::ScopeParade);
inline constexpr int kViewScopeVisibleOnly = MenuIdOf(Command::ScopeVisibleOnly);
inline constexpr int kViewScopeBelow = MenuIdOf(Command::ScopeBelow);
// 帮助 › Language / 语言: follow the system, Chinese, English (not commands).
inline constexpr int kHelpLanguageSystem = 32806;
inline constexpr int kHelpLanguageChinese = 32807;
inline constexpr int kHelpLanguageEnglish = 32808;

// Controls of the client area.
inline constexpr int kBtnPlay = ButtonIdOf(Command::Play);
inline constexpr int kBtnPause = ButtonIdOf(Command::Pause);
inline constexpr int kBtnStop = ButtonIdOf(Command::Stop);
inline constexpr int kBtnFast = ButtonIdOf(Command::Faster);
inline constexpr int kBtnSlow = ButtonIdOf(Command::Slower);
inline constexpr int kBtnStepForward = ButtonIdOf(Command::StepForward);
inline constexpr int kBtnStepBack = ButtonIdOf(Command::StepBackward);
inline constexpr int kBtnStart = ButtonIdOf(Command::GoToStart);
inline constexpr int kBtnEnd = ButtonIdOf(Command::GoToEnd);
inline constexpr int kBtnCapture = ButtonIdOf(Command::Capture);
inline constexpr int kBtnDirection = ButtonIdOf(Command::Reverse);
inline constexpr int kBtnRepeat = ButtonIdOf(Command::Repeat);
inline constexpr int kPicture = 1017;
inline constexpr int kStatusText = 1018;
inline constexpr int kCounterText = 1019;
inline constexpr int kSeparatorLine = 1030;
inline constexpr int kSeparatorFrame = 1031;
inline constexpr int kSlider = 1081;

// Dialog buttons common to every dialog.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;

// Parameter dialog.
inline constexpr int kParaSaveButton = 1019;  // "保存并播放" / "设定参数"
inline constexpr int kParaFormatList = 1025;
inline constexpr int kParaRateList = 1026;
inline constexpr int kParaSizeList = 1027;
inline constexpr int kParaPreview = 1029;

// Custom-size dialog.
inline constexpr int kCustomWidthEdit = 1021;
inline constexpr int kCustomHeightEdit = 1023;

// Images of the controls library (controls::IconPath).
inline constexpr int kImageAppIcon = 139;

}  // namespace ui::ids
