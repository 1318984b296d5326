#include "engine/display.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <new>

#include "formats/result_codes.h"
#include "engine/surface_copy.h"
#include "engine/view_overlay.h"

namespace corvane {

platform::Rect AspectRect(int mode, int32_t W, int32_t H, uint32_t frameW, uint32_t frameH) {
  const platform::Rect whole{0, 0, W, H};
  int64_t a = 0, b = 0;
  switch (mode) {
    case kAspect16x9:
      if (frameW == 0 || frameH == 0) return whole;
      a = 16, b = 9;
      break;
    case kAspect4x3: a = 4, b = 3; break;
    case kAspect5x4: a = 5, b = 4; break;
    case kAspectSource:
      if (frameW == 0 || frameH == 0) return whole;
      a = frameW, b = frameH;
      break;
    default:
      return whole;
  }
  if (W <= 0 || H <= 0) return whole;
  // Exact comparison of W/H with a/b. Comparing the integer quotients H/b and
  // W/a instead can pick the wrong side and make the picture larger than the
  // window (352×288 in 800×600: 600/288 == 800/352 == 2, so it would be made
  // 800 wide and 654 high).
  if (int64_t(H) * a < int64_t(W) * b) {
    const int32_t pw = int32_t(int64_t(H) * a / b);
    const int32_t left = (W - pw) / 2;  // the right bar takes the odd pixel
    return {left, 0, left + pw, H};
  }
  const int32_t ph = int32_t(int64_t(W) * b / a);
  const int32_t top = (H - ph) / 2;  // the bottom bar takes the odd pixel
  return {0, top, W, top + ph};
}

Display::Display() = default;

Display::~Display() { ReleaseSurfaces(); }

int32_t Display::Attach(platform::VideoWindow* wnd) {
  std::scoped_lock lock(m_lock);
  if (!wnd) return kNullArg;
  if (m_attached) return kOk;
  m_window = wnd;
  m_attached = true;
  return kOk;
}

int32_t Display::CheckPlacement() {
  if (!m_window || !m_window->IsVisible() || m_window->IsMinimized()) return kNotReady;
  m_clientRect = m_window->ClientRect();
  if (m_clientRect.Width() < kMinDrawSize || m_clientRect.Height() < kMinDrawSize) return kNotReady;
  return kOk;
}

int32_t Display::PrepareSurface(const FrameInfo& info) {
  m_surface.reset();
  m_surfaceReady = false;
  m_surfaceFormat = YUV_NONE;
  const SurfaceDevice& device = SurfaceDevice::Instance();
  for (YUVType format : SurfaceFormatsToTry(info.type)) {
    if (format == YUV_NONE) break;
    m_surface = device.CreateSurface(format, info.width, info.height);
    if (m_surface) break;
  }
  if (!m_surface) return kNoSurface;
  m_surfacePitch = m_surface->Pitch();
  m_surfaceMadeFor = info;
  m_surfaceFormat = m_surface->Format();
  m_surfaceReady = true;
  return kOk;
}

int32_t Display::Draw(const void* data, uint32_t size, const FrameInfo* info, RenderStop stop) {
  std::scoped_lock lock(m_lock);
  // The caller may already have let the previous frame go (the renderer
  // hands its buffer back to the reader before drawing the next one), so no
  // surface may go on reading it, whatever becomes of this call.
  EndBorrow();
  // The frame must hold every byte the copy reads. A refused frame leaves
  // nothing to redraw: the one before it may be gone already.
  if (!data || !info) {
    m_sourceBytes = nullptr;
    return kNullArg;
  }
  if (info->width == 0 || info->height == 0 || uint64_t(size) < FrameBytes(*info)) {
    m_sourceBytes = nullptr;
    return kNotReady;
  }
  const uint8_t* const keptBytes = m_sourceBytes;
  const uint32_t keptSize = m_srcSize;
  const FrameInfo keptFrame = m_frame;
  m_sourceBytes = static_cast<const uint8_t*>(data);
  m_srcSize = size;
  m_frame = *info;
  const int32_t r = DrawKeptFrame(stop);
  if (r == kDrawCancelled) {
    // The caller keeps the frame before until a draw goes through.
    EndBorrow();
    m_sourceBytes = keptBytes;
    m_srcSize = keptSize;
    m_frame = keptFrame;
  }
  return r;
}

int32_t Display::Redraw(RenderStop stop) {
  std::scoped_lock lock(m_lock);
  if (m_frame.width == 0 || m_frame.height == 0 || !m_sourceBytes) return kNotReady;
  return DrawKeptFrame(stop);
}

int32_t Display::DrawKeptFrame(const RenderStop& stop) {
  if (!m_attached) return kNotReady;
  if (int32_t r = CheckPlacement(); r != kOk) return r;
  if (stop.Requested()) return kDrawCancelled;
  if (!m_surfaceReady || !(m_surfaceMadeFor == m_frame))
    if (int32_t r = PrepareSurface(m_frame); r != kOk) return r;
  FillSurface();
  // The scratch carries the stop into the render's row loops, for this
  // render only.
  m_scratch.stop = stop;
  const int32_t r = Blit();
  m_scratch.stop = {};
  return r == kNoObject && stop.Requested() ? kDrawCancelled : r;
}

void Display::FillSurface() {
  Surface& surface = *m_surface;
  m_surfaceEmptied = false;
  const bool rgb = m_frame.type >= YUV_RGB32 && m_frame.type <= YUV_RGB555;
  // The component view writes the surface; RGB frames have none.
  const bool whole = rgb || m_componentMode == kComponentAll;
  if (whole && surface.HoldsFrameLayout(m_frame.type)) {
    // The copy would be one block copy of the frame, which the caller keeps
    // valid until the next Draw or ReleaseSurfaces anyway: read it in place.
    // At 3840x2160 the copy (12 MB a frame) and the scaler's reading back of
    // what it wrote took nearly half of the display's time.
    surface.Borrow(m_sourceBytes);
    return;
  }
  // Component views, fallbacks and padded pitches write the surface's own
  // storage; a borrow from an earlier draw (another component mode) ends here.
  surface.EndBorrow();
  if (CopyFrameToSurface(m_sourceBytes, m_frame, surface) && !rgb) ApplyComponentView(surface, m_componentMode);
}

void Display::EndBorrow() {
  if (m_surface && m_surface->IsBorrowed()) {
    m_surface->EndBorrow();
    m_surfaceEmptied = true;
  }
}

std::shared_ptr<platform::Picture> Display::AcquirePicture(uint32_t w, uint32_t h) {
  // A picture nobody else holds any more can be written again: the window
  // has painted it and let it go.
  for (auto& p : m_pictures)
    if (p.use_count() == 1 && p->width == w && p->height == h) return p;
  auto fresh = std::make_shared<platform::Picture>(platform::Picture::Make(w, h));
  constexpr size_t kPoolSize = 4;
  if (m_pictures.size() < kPoolSize) {
    m_pictures.push_back(fresh);
  } else {
    for (auto& p : m_pictures)
      if (p.use_count() == 1) {
        p = fresh;
        break;
      }
  }
  return fresh;
}

int32_t Display::Blit() {
  const int32_t W = m_clientRect.Width(), H = m_clientRect.Height();
  const platform::Rect dest = AspectRect(m_aspectMode, W, H, m_frame.width, m_frame.height);
  try {
    std::shared_ptr<platform::Picture> picture = AcquirePicture(uint32_t(W), uint32_t(H));
    uint8_t* px = picture->pixels.get();
    const int stride = int(picture->stride);
    // Bars first, then the picture, so that every pixel of the client area
    // is painted.
    FillBlack(px, stride, 0, 0, W, dest.top);
    FillBlack(px, stride, 0, dest.bottom, W, H - dest.bottom);
    FillBlack(px, stride, 0, dest.top, dest.left, dest.Height());
    FillBlack(px, stride, dest.right, dest.top, W - dest.right, dest.Height());
    if (!m_view.IsWhole()) {
      if (!RenderZoomed(*m_surface, dest, px, stride)) return kNoObject;
    } else if (!SurfaceDevice::Instance().Render(*m_surface, px + size_t(stride) * dest.top + 4 * size_t(dest.left),
                                                 stride, dest.Width(), dest.Height(), m_scratch, m_colour)) {
      return kNoObject;
    }
    m_window->Present(std::move(picture));
    return kOk;
  } catch (const std::bad_alloc&) {
    return kNoObject;
  }
}

bool Display::RenderZoomed(const Surface& surface, const platform::Rect& dest, uint8_t* px, int stride) {
  const ViewMapping m = MapView(m_view, dest, m_frame.width, m_frame.height);
  // Zoomed out, the picture rectangle has black round the frame.
  const platform::Rect v = m.Visible();
  FillBlack(px, stride, dest.left, dest.top, dest.Width(), v.top - dest.top);
  FillBlack(px, stride, dest.left, v.bottom, dest.Width(), dest.bottom - v.bottom);
  FillBlack(px, stride, dest.left, v.top, v.left - dest.left, v.Height());
  FillBlack(px, stride, v.right, v.top, dest.right - v.right, v.Height());
  if (v.IsEmpty()) return true;
  if (!RenderView(surface, m, px, stride, m_scratch, m_viewScratch, m_colour)) return false;
  // The values are the frame's own, whatever the component view shows. The
  // buffer is only read; FrameBuffer is the lookup's view of a frame.
  FrameBuffer frame;
  frame.pData = const_cast<uint8_t*>(m_sourceBytes);
  frame.nSize = m_srcSize;
  frame.nType = m_frame.type;
  frame.nWidth = m_frame.width;
  frame.nHeight = m_frame.height;
  DrawViewOverlay(px, stride, m_view, m, DigitsOfDepth(BitDepthOf(m_frame.type)),
                  [&frame](uint32_t x, uint32_t y) { return FramePixelValues(frame, x, y); });
  return true;
}

void Display::SetView(const PictureView& view) {
  std::scoped_lock lock(m_lock);
  m_view = view;
}

int32_t Display::SetAspectMode(int mode) {
  std::scoped_lock lock(m_lock);
  m_aspectMode = mode;
  return kOk;
}

void Display::SetColourSpace(ColourSpace colour) {
  std::scoped_lock lock(m_lock);
  m_colour = colour;
}

int32_t Display::SetComponentMode(uint32_t mode) {
  std::scoped_lock lock(m_lock);
  if (mode > kComponentV) return kNotReady;
  m_componentMode = mode;
  return kOk;
}

uint32_t Display::GetComponentMode() const {
  std::scoped_lock lock(m_lock);
  return m_componentMode;
}

void Display::ReleaseSurfaces() {
  std::scoped_lock lock(m_lock);
  m_surface.reset();
  m_surfaceReady = false;
  m_surfaceMadeFor = {};
  m_surfaceFormat = YUV_NONE;
  m_surfacePitch = 0;
  m_surfaceEmptied = false;
  m_attached = false;
  // The caller may free the frame now; a display attached again must not
  // redraw it.
  m_sourceBytes = nullptr;
}

bool Display::GetSurfaceState(SurfaceState* out) const {
  std::scoped_lock lock(m_lock);
  if (!out || !m_attached) return false;
  *out = {m_surfaceReady, m_surfaceFormat, m_surfaceMadeFor, m_surfacePitch,
          m_surface && m_surface->IsBorrowed()};
  return true;
}

bool Display::GetPackedSurface(std::vector<uint8_t>* out) const {
  std::scoped_lock lock(m_lock);
  if (!out || !m_surface || m_surfaceEmptied) return false;
  *out = m_surface->Packed();
  return true;
}

}  // namespace corvane
