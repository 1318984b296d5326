// Display surfaces: a frame's worth of pixels in one of the surface
// formats, held in plain memory with a row pitch, as a video card would hold
// an off-screen surface. The surface formats are indexed by YUVType, and each
// frame format has its surface (its own format) and the fallbacks used when
// the device refuses that one.
#pragma once

#include <array>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "formats/yuv_format.h"

namespace corvane {

// The surface format names, indexed by YUVType: the FourCC of the YUV
// formats ("IYUV" for id 3 and "YV12" for id 10: the ids are crossed with the
// format codes on purpose, see yuv_format.h) and RGB32, RGB24, RGB565, RGB555.
std::string_view SurfaceFormatName(YUVType format);
// Case-insensitive inverse of SurfaceFormatName ("YUY2" -> 1).
std::optional<YUVType> SurfaceFormatForName(std::string_view name);

// The surface formats tried for a frame format, in order: its own, then the
// fallbacks (YV16 has two; the formats without a fallback have none).
// Unused entries are YUV_NONE.
std::array<YUVType, 3> SurfaceFormatsToTry(YUVType frameType);

// One plane of a surface. Rows are `pitch` bytes apart; `rowBytes` is the
// natural length of a row (the bytes the copy writes), `rows` the natural
// number of rows. Storage may hold one more chroma row or column than that
// (see Surface::Make), so that converters reading ceil(w/2) chroma samples of
// an odd-sized frame stay inside the buffer.
struct SurfacePlane {
  size_t offset = 0;
  uint32_t pitch = 0;
  uint32_t rowBytes = 0;
  uint32_t rows = 0;
};

class Surface {
 public:
  // Layout of each format (w × h frame, P the surface pitch):
  //  - packed 4:2:2 YVYU, YUY2, UYVY, IUYV: h rows of 2w bytes;
  //    IYU2, RGB24: 3w; RGB32: 4w; RGB565, RGB555: 2w.
  //  - "IYUV" (Y, U, V) and "YV12" (Y, V, U), 4:2:0: Y h rows of w at P;
  //    then the two chroma planes, h/2 rows of w/2 at P/2 each.
  //  - YV16 (Y, U, V), 4:2:2: Y as above; chroma planes h rows of w/2 at P/2.
  //  - NV12: Y as above; then h/2 rows of w bytes (U,V pairs) at P.
  //    NV16: the same with h chroma rows.
  //  - the added formats (I444, NV21, GRAY, the 16-bit ones, v210): the
  //    frame's own layout, P its row length; they have no fallback.
  // P is the longest stored row rounded up to pitchAlign (planar and
  // semi-planar: even, so that P/2 holds ceil(w/2) samples). The storage is
  // zeroed, its chroma planes set to 128 (neutral) when they are made.
  static std::unique_ptr<Surface> Make(YUVType format, uint32_t width, uint32_t height,
                                       uint32_t pitchAlign);

  YUVType Format() const { return m_format; }
  uint32_t Width() const { return m_width; }
  uint32_t Height() const { return m_height; }
  uint32_t Pitch() const { return m_pitch; }  // of plane 0
  int PlaneCount() const { return m_planeCount; }
  const SurfacePlane& Plane(int i) const { return m_planes[size_t(i)]; }
  // Writers reach the surface's own storage, which a borrowing surface does
  // not show: end the borrow first.
  uint8_t* PlaneData(int i) {
    assert(!m_borrowed);
    return Own() + m_planes[size_t(i)].offset;
  }
  const uint8_t* PlaneData(int i) const { return Bytes() + m_planes[size_t(i)].offset; }
  uint8_t* Data() {
    assert(!m_borrowed);
    return Own();
  }
  size_t Size() const { return m_size; }

  // True when a w × h frame of frameType (w and h the surface's) is this
  // surface byte for byte: the same format, every plane at the frame's offset,
  // its pitch the plane's natural row length, and no stored row or column
  // beyond the frame's. Copying such a frame would be one block copy, so the
  // surface may read the frame's bytes in place instead (Borrow).
  bool HoldsFrameLayout(YUVType frameType) const;

  // From now on the surface's contents are the Size() bytes at bytes, laid
  // out as this surface (HoldsFrameLayout of their frame), instead of its own
  // storage. The bytes are not owned: they must stay valid until EndBorrow,
  // a new Borrow or the surface's end, and the surface shows whatever they
  // hold when it is read. Its own storage keeps what it held and can be
  // written again only after EndBorrow.
  void Borrow(const uint8_t* bytes) {
    assert(bytes);
    m_borrowed = bytes;
  }
  // Back to the surface's own storage, with whatever it last held; the borrowed
  // bytes are not read again.
  void EndBorrow() { m_borrowed = nullptr; }
  bool IsBorrowed() const { return m_borrowed != nullptr; }

  // A surface that reads the w × h part at (x, y) of this one in place (its
  // rows keep this surface's pitch), for converting only the part a zoomed
  // view shows. Null when the part is empty, out of bounds, or cannot start
  // there: a chroma sample shared by two columns (or lines) must not be cut,
  // so x (and y for 4:2:0) must be even; layouts whose lines are not stored
  // in order (IUYV) are never cut. The result borrows this surface's bytes:
  // it must not outlive them nor be used across a change of them.
  // (surface_cutout.cpp)
  std::unique_ptr<Surface> CutOut(uint32_t x, uint32_t y, uint32_t w, uint32_t h) const;
  // Where a cut may start: x a multiple of the first, y of the second
  // ({0, 0}: this format is never cut).
  static std::array<uint32_t, 2> CutAlignment(YUVType format);

  // The surface's bytes with every row at its natural length and the planes
  // one after another in the order the surface holds them.
  std::vector<uint8_t> Packed() const;

 private:
  struct Free {
    Free() noexcept {}
    explicit Free(size_t mapped) noexcept : size(mapped) {}
    size_t size = 0;  // of a mapping; 0: from the heap
    void operator()(uint8_t* p) const;
  };
  Surface() = default;

  YUVType m_format = YUV_NONE;
  uint32_t m_width = 0;
  uint32_t m_height = 0;
  uint32_t m_pitch = 0;
  int m_planeCount = 0;
  std::array<SurfacePlane, 3> m_planes{};
  size_t m_size = 0;
  std::unique_ptr<uint8_t[], Free> m_bytes;
  // A frame's bytes read in place of m_bytes (not owned), or null.
  const uint8_t* m_borrowed = nullptr;
  // The chroma planes of m_bytes still wait for their neutral 128: a
  // surface that only ever borrows never touches its own storage, whose
  // pages (mapped, for large surfaces) then take no memory. Guarded, like
  // every surface, by its owner's lock.
  mutable bool m_neutralPending = false;

  const uint8_t* Bytes() const { return m_borrowed ? m_borrowed : Own(); }
  uint8_t* Own() const {
    if (m_neutralPending) FillNeutral();
    return m_bytes.get();
  }
  void FillNeutral() const;
  // Sets the planes and pitch of m_format at the surface's size; returns the
  // bytes of storage they need.
  uint64_t LayOutPlanes(uint32_t pitchAlign);
  // Zeroed storage of size bytes, chroma planes at 128.
  bool Allocate(uint64_t size);
};

}  // namespace corvane
