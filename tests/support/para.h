// Frame parameters as a writer stores them, for tests.
#pragma once

#include "formats/yuv_format.h"

namespace testsupport {

// Offset before interval: most tests place segments and keep the interval.
inline corvane::YUVPara Para(uint32_t code, uint32_t w, uint32_t h, uint64_t offset = 0, uint32_t interval = 40) {
  return corvane::MakePara(code, w, h, interval, offset);
}

}  // namespace testsupport
