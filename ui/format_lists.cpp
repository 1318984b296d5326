#include "ui/format_lists.h"

namespace ui {

DialogSelection ParaDialogSelectionForCode(uint32_t code) {
  for (size_t i = 0; i < kParaDialogFormats.size(); ++i)
    if (kParaDialogFormats[i].code == code) return {int(i), code};
  return {ParaDialogSelectionForCode(kParaDialogNoSelectionCode).position, kParaDialogNoSelectionCode};
}

uint32_t ParaDialogCodeForPosition(int position) {
  if (position < 0 || position >= int(kParaDialogFormats.size())) return kParaDialogNoSelectionCode;
  return kParaDialogFormats[size_t(position)].code;
}

int BasicPagePositionForCode(uint32_t code) {
  for (size_t i = 0; i < kBasicPageFormats.size(); ++i)
    if (kBasicPageFormats[i].code == code) return int(i);
  return kBasicPageDefaultPosition;
}

uint32_t BasicPageCodeForPosition(int position) {
  if (position < 0 || position >= int(kBasicPageFormats.size()))
    return kBasicPageFormats[kBasicPageDefaultPosition].code;
  return kBasicPageFormats[size_t(position)].code;
}

}  // namespace ui
