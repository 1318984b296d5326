// Copying a frame into a display surface, one routine per layout family, and
// the Y/U/V component view on the surface's own layout.
//
// A frame goes into a surface of its own format or of one of its fallbacks
// (SurfaceFormatsToTry); the pairing picks the routine:
//
//   frame             surface          copy
//   YVYU/YUY2/UYVY    own              h rows of 2w bytes
//   YVYU              YUY2             the same, then bytes 1 and 3 of each
//                                      pixel pair exchanged (V,U -> U,V)
//   YV12/IYUV codes   own 4:2:0        Y: h rows of w; the file's second and
//                                      third planes, h/2 rows of w/2 at P/2
//   YV12/IYUV codes   other 4:2:0      the file's third plane into the
//                                      surface's second and the reverse
//   YV16              "IYUV"/"YV12"    Y; chroma rows 0, 2, 4, ... of each
//                                      plane, U into U and V into V
//   NV12              own              Y; h/2 chroma rows of w bytes
//   NV16              NV12             as NV12, chroma rows 0, 2, 4, ...
//   IUYV              UYVY             the frame's first h/2 rows to surface
//                                      rows 0, 2, 4, ..., the next h/2 to
//                                      rows 1, 3, 5, ...
//   IYU2              UYVY             U0 Y0 V0 U1 Y1 V1 -> U0 Y0 V0 Y1
//   RGB32 / RGB24     own              h rows of 4w / 3w bytes
//   RGB24             RGB32            surface cleared; each pixel's 3 bytes
//                                      into the first 3 of 4; the frame's
//                                      first row to the surface's bottom row
//   RGB565/RGB555     own              h rows of 2w bytes
//   the added formats own              every plane as the frame has it
//
// Own-format surfaces of YV16, NV16, IUYV and IYU2 hold the frame's layout
// unchanged: every row of every plane as the frame has it (YV16: Y, then U
// and V planes of h rows of w/2; NV16: Y, then h rows of w bytes of U,V
// pairs; IUYV: the rows in field order, even lines first, exactly as stored;
// IYU2: h rows of 3w bytes). The surface device knows these layouts and puts
// IUYV's lines in display order when it converts, as hardware offering a
// field-ordered surface would.
//
// Rows go at the surface pitch; when the pitch and the source stride both
// equal the row length, a plane is one block copy.
#pragma once

#include <cstdint>

#include "engine/frame_info.h"
#include "engine/surface.h"

namespace corvane {

// Bytes of a frame of this geometry; the copy reads no more than that.
uint64_t FrameBytes(const FrameInfo& frame);

// Copies the frame (FrameBytes(frame) bytes at data) into a surface made for
// its width and height. Returns false, copying nothing, for a pairing that
// has no routine (the surface keeps what it held).
bool CopyFrameToSurface(const uint8_t* data, const FrameInfo& frame, Surface& surface);

// Component modes: 0 the whole picture, 1 Y only, 2 U only, 3 V only.
constexpr uint32_t kComponentAll = 0;
constexpr uint32_t kComponentY = 1;
constexpr uint32_t kComponentU = 2;
constexpr uint32_t kComponentV = 3;

// Sets the samples of the components that mode does not want to 128, in the
// surface's own layout: for packed surfaces the bytes of each pixel pair (of
// each pixel for IYU2), for planar surfaces whole planes at their places (the
// "YV12" surface holds V before U, "IYUV" U before V), for NV12 and NV16 the
// U or V bytes of the pairs of the chroma plane; the added formats at their
// depth (512 for 10 bits, the word's top half for P010 and P016, each
// 10-bit field of v210). RGB surfaces are left alone,
// as is everything for mode 0 or a mode above 3.
void ApplyComponentView(Surface& surface, uint32_t mode);

}  // namespace corvane
