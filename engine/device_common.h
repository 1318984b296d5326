// Small helpers the surface device's converters share: sizes, strides, the
// scaling filter and chroma subsampling. Private to the device.
#pragma once

#include <libyuv.h>

#include "formats/yuv_format.h"

namespace corvane::device {

inline int Half(int n) { return (n + 1) / 2; }
inline int Stride64(int n) { return (n + 63) & ~63; }

inline libyuv::FilterMode FilterFor(int sw, int sh, int dw, int dh) {
  // Bilinear is the peer's filter class and is exact enough down to half
  // size; below that it skips source rows, so a box filter averages them.
  if (dw * 2 <= sw || dh * 2 <= sh) return libyuv::kFilterBox;
  return libyuv::kFilterBilinear;
}

// Chroma subsampling of a planar picture.
enum class Sub { k420, k422, k444 };
inline Sub PlanarSub(YUVType t) {
  if (t == YUV_YV16 || t == YUV_I210) return Sub::k422;
  return t == YUV_I444 || t == YUV_I410 ? Sub::k444 : Sub::k420;
}

inline int ChromaW(Sub s, int w) { return s == Sub::k444 ? w : Half(w); }
inline int ChromaH(Sub s, int h) { return s == Sub::k420 ? Half(h) : h; }


}  // namespace corvane::device
