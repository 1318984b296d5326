// The format lists of the two dialogs, by position. They translate list
// position and code differently, and both translations are kept exactly
// (stored settings and trailers depend on them).
#pragma once

#include <array>
#include <cstdint>

#include "formats/yuv_format.h"

namespace ui {

using corvane::FormatEntry;
namespace fmt = corvane::fmt;

// Parameter dialog: position -> code stored on confirm (the thirteen original
// entries at their places, then the added formats).
inline constexpr std::array<FormatEntry, 24> kParaDialogFormats = corvane::kUserFormatNames;
// Code stored when nothing is selected.
constexpr uint32_t kParaDialogNoSelectionCode = fmt::YV12;

// Parameter dialog on opening: the position selected for the current code and
// the working code the dialog keeps until confirm. It is the inverse of the
// confirm table, so a confirm without a change stores the code the file had:
// code YV12 opens on position 2 ("IYUV(I420)"), code IYUV on position 7
// ("YV12"). Opening them the other way round swapped U and V of every file
// confirmed unchanged. Unknown codes open on the position of the code stored
// when nothing is selected (2, working code YV12).
struct DialogSelection {
  int position;
  uint32_t workingCode;
};
DialogSelection ParaDialogSelectionForCode(uint32_t code);
// Code stored on confirm for a list position; -1 (or out of range) means none selected.
uint32_t ParaDialogCodeForPosition(int position);

// Basic-settings page of the options (12 entries, no NV16): one mapping both ways.
inline constexpr std::array<FormatEntry, 12> kBasicPageFormats{{
    {"IUYV", fmt::IUYV}, {"IYU2", fmt::IYU2}, {"IYUV(I420)", fmt::IYUV}, {"NV12", fmt::NV12},
    {"UYVY", fmt::UYVY}, {"YUYV", fmt::YUYV}, {"YV12", fmt::YV12},       {"YV16", fmt::YV16},
    {"YVYU", fmt::YVYU}, {"RGB565", fmt::RGB2}, {"RGB24", fmt::RGB3},    {"RGB32", fmt::RGB4},
}};
constexpr int kBasicPageDefaultPosition = 6;  // "YV12"
int BasicPagePositionForCode(uint32_t code);
uint32_t BasicPageCodeForPosition(int position);

}  // namespace ui
