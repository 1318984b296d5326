#include "engine/view_render.h"

#include <libyuv.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace corvane {

namespace {

struct Span {
  uint32_t first = 0;  // first frame column (row) shown
  uint32_t count = 0;
};

// The frame columns a screen range shows, widened to the cut's alignment.
Span SpanOf(int64_t first, int64_t last, uint32_t align, uint32_t limit) {
  first = std::clamp<int64_t>(first, 0, int64_t(limit) - 1);
  last = std::clamp<int64_t>(last, first, int64_t(limit) - 1);
  if (align > 1) first -= first % align;
  return {uint32_t(first), uint32_t(last - first + 1)};
}

}  // namespace

bool RenderView(const Surface& surface, const ViewMapping& m, uint8_t* pixels, int stride, RenderScratch& scratch,
                ViewScratch& vs, ColourSpace colour) {
  const platform::Rect v = m.Visible();
  if (v.IsEmpty()) return true;
  const SurfaceDevice& device = SurfaceDevice::Instance();
  const auto [ax, ay] = Surface::CutAlignment(surface.Format());
  Span cols = SpanOf(m.ColumnAt(v.left), m.ColumnAt(v.right - 1), ax, surface.Width());
  Span rows = SpanOf(m.RowAt(v.top), m.RowAt(v.bottom - 1), ay, surface.Height());
  std::unique_ptr<Surface> cut = surface.CutOut(cols.first, rows.first, cols.count, rows.count);
  uint8_t* dst = pixels + size_t(stride) * v.top + 4 * size_t(v.left);
  const bool shrinking = m.sx < 1.0 || m.sy < 1.0;
  if (cut && shrinking) return device.Render(*cut, dst, stride, v.Width(), v.Height(), scratch, colour);
  // Formats that cannot be cut are converted whole; the part is taken from
  // that.
  const Surface& source = cut ? *cut : surface;
  if (!cut) cols.first = rows.first = 0;
  const int pw = int(source.Width()), ph = int(source.Height()), ps = 4 * pw;
  uint8_t* part = vs.part.Get(size_t(ps) * ph);
  if (!part || !device.Render(source, part, ps, pw, ph, scratch, colour)) return false;
  if (shrinking) {
    const Span c = SpanOf(m.ColumnAt(v.left), m.ColumnAt(v.right - 1), 1, surface.Width());
    const Span r = SpanOf(m.RowAt(v.top), m.RowAt(v.bottom - 1), 1, surface.Height());
    return libyuv::ARGBScale(part + size_t(ps) * r.first + 4 * size_t(c.first), ps, int(c.count), int(r.count), dst,
                             stride, v.Width(), v.Height(), libyuv::kFilterBox) == 0;
  }
  // Nearest neighbour: each screen column takes its frame column, and a
  // screen row showing the same frame row as the one above is a copy of it.
  auto* map = reinterpret_cast<uint32_t*>(vs.columns.Get(sizeof(uint32_t) * size_t(v.Width())));
  if (!map) return false;
  for (int32_t x = v.left; x < v.right; ++x)
    map[x - v.left] = uint32_t(std::clamp<int64_t>(m.ColumnAt(x) - cols.first, 0, pw - 1));
  int64_t previous = -1;
  for (int32_t y = v.top; y < v.bottom; ++y) {
    auto* out = reinterpret_cast<uint32_t*>(pixels + size_t(stride) * y) + v.left;
    const int64_t r = std::clamp<int64_t>(m.RowAt(y) - rows.first, 0, ph - 1);
    if (r == previous) {
      std::memcpy(out, reinterpret_cast<const uint8_t*>(out) - stride, 4 * size_t(v.Width()));
      continue;
    }
    const auto* in = reinterpret_cast<const uint32_t*>(part + size_t(ps) * size_t(r));
    for (int32_t i = 0; i < v.Width(); ++i) out[i] = in[map[i]];
    previous = r;
  }
  return true;
}

}  // namespace corvane
