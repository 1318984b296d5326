// Frame parameters as a writer stores them, for tests.
#pragma once

#include "engine/yuv_format.h"

namespace testsupport {

inline corvane::YUVPara Para(uint32_t code, uint32_t w, uint32_t h, uint64_t offset = 0, uint32_t interval = 40) {
  corvane::YUVPara p;
  p.tag = corvane::kParaTag;
  p.format = code;
  p.width = w;
  p.height = h;
  p.frameInterval = interval;
  p.SetOffset(offset);
  return p;
}

}  // namespace testsupport
