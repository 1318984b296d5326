// Command and control ids of the player window. Logic keys on these numbers
// (the menu and button dispatch, object names "act<id>" and "btn<id>" that
// tests and scripts look widgets up by), so they live in one place.
#pragma once

namespace ui::ids {

// Menu commands.
inline constexpr int kFileOpen = 32771;
inline constexpr int kFileClose = 32772;
inline constexpr int kFileExit = 32773;
inline constexpr int kViewFullScreen = 32774;
inline constexpr int kHelpShortcuts = 32775;
inline constexpr int kHelpAbout = 32776;
inline constexpr int kPlayPlayPause = 32777;
inline constexpr int kPlayStop = 32778;
inline constexpr int kPlayFaster = 32779;
inline constexpr int kPlaySlower = 32780;
inline constexpr int kPlayReverse = 32781;
inline constexpr int kViewComponentYUV = 32785;  // then Y, U, V: 32786..32788
inline constexpr int kViewComponentY = 32786;
inline constexpr int kViewComponentU = 32787;
inline constexpr int kViewComponentV = 32788;
inline constexpr int kToolsParameters = 32789;
inline constexpr int kToolsCut = 32790;
inline constexpr int kToolsCoordinates = 32791;
inline constexpr int kViewZoom50 = 32798;
inline constexpr int kViewZoom100 = 32799;
inline constexpr int kViewZoom200 = 32800;
inline constexpr int kToolsSplice = 32801;
inline constexpr int kViewOptions = 32802;
inline constexpr int kHelpManual = 32805;
// 帮助 › Language / 语言: follow the system, Chinese, English.
inline constexpr int kHelpLanguageSystem = 32806;
inline constexpr int kHelpLanguageChinese = 32807;
inline constexpr int kHelpLanguageEnglish = 32808;
// Added menu commands.
inline constexpr int kViewMatrix601 = 32830;  // then 709, 2020: 32831, 32832
inline constexpr int kViewMatrix709 = 32831;
inline constexpr int kViewMatrix2020 = 32832;
inline constexpr int kViewRangeLimited = 32833;
inline constexpr int kViewRangeFull = 32834;
// Added later, clear of the ids above and of the room after them.
inline constexpr int kViewZoomIn = 32850;
inline constexpr int kViewZoomOut = 32851;
inline constexpr int kPlayGoToFrame = 32852;
inline constexpr int kFileCopyFrame = 32853;
inline constexpr int kFileSavePng = 32854;
inline constexpr int kFileRecentFirst = 32860;  // the recent files: 32860..32867
// Comparing with a second file.
inline constexpr int kFileOpenReference = 32870;
inline constexpr int kFileCloseReference = 32871;
inline constexpr int kViewCompareA = 32872;  // then B, side by side, wipe, difference: 32873..32876
inline constexpr int kViewCompareFlip = 32877;
inline constexpr int kViewDiffGain1 = 32878;  // then 4x, 16x: 32879, 32880
inline constexpr int kViewGraphSsim = 32881;
inline constexpr int kToolsExportCsv = 32882;
inline constexpr int kToolsExportStats = 32883;

// Controls of the client area.
inline constexpr int kBtnPlay = 1001;
inline constexpr int kBtnPause = 1002;
inline constexpr int kBtnStop = 1003;
inline constexpr int kBtnFast = 1004;
inline constexpr int kBtnSlow = 1005;
inline constexpr int kBtnStepForward = 1006;
inline constexpr int kBtnStepBack = 1007;
inline constexpr int kBtnStart = 1008;
inline constexpr int kBtnEnd = 1009;
inline constexpr int kBtnCapture = 1010;
inline constexpr int kBtnDirection = 1011;
inline constexpr int kBtnRepeat = 1012;
inline constexpr int kFirstButton = 1001;
inline constexpr int kLastButton = 1012;
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
