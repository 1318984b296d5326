#include "engine/view_overlay.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace corvane {

namespace {

// 3×5 glyphs, one row per entry, bit 2 the left column.
struct Glyph {
  char ch;
  uint8_t rows[5];
};
constexpr Glyph kFont[] = {
    {'0', {7, 5, 5, 5, 7}}, {'1', {2, 6, 2, 2, 7}}, {'2', {7, 1, 7, 4, 7}}, {'3', {7, 1, 7, 1, 7}},
    {'4', {5, 5, 7, 1, 1}}, {'5', {7, 4, 7, 1, 7}}, {'6', {7, 4, 7, 5, 7}}, {'7', {7, 1, 1, 2, 2}},
    {'8', {7, 5, 7, 5, 7}}, {'9', {7, 5, 7, 1, 7}}, {'Y', {5, 5, 2, 2, 2}}, {'U', {5, 5, 5, 5, 7}},
    {'V', {5, 5, 5, 5, 2}}, {'R', {6, 5, 6, 5, 5}}, {'G', {7, 4, 5, 5, 7}}, {'B', {6, 5, 6, 5, 6}},
    {'-', {0, 0, 7, 0, 0}},
};
constexpr int kGlyphW = 3, kGlyphH = 5;

const Glyph* GlyphFor(char ch) {
  for (const Glyph& g : kFont)
    if (g.ch == ch) return &g;
  return nullptr;
}

uint32_t* PixelAt(uint8_t* pixels, int stride, int x, int y) {
  return reinterpret_cast<uint32_t*>(pixels + size_t(stride) * size_t(y)) + x;
}

// Half way between a pixel and c, channel by channel: a line that shows on
// any picture without hiding it.
uint32_t Blend(uint32_t p, uint32_t c) { return (((p >> 1) & 0x7F7F7F7Fu) + ((c >> 1) & 0x7F7F7F7Fu)) | 0xFF000000u; }

// Draws `text` at (x, y) in scale k, clipped to `clip`.
void DrawText(uint8_t* pixels, int stride, const std::string& text, int x, int y, int k, uint32_t colour,
              const platform::Rect& clip) {
  for (char ch : text) {
    if (const Glyph* g = GlyphFor(ch)) {
      for (int r = 0; r < kGlyphH * k; ++r) {
        const int py = y + r;
        if (py < clip.top || py >= clip.bottom) continue;
        for (int c = 0; c < kGlyphW * k; ++c) {
          const int px = x + c;
          if (px < clip.left || px >= clip.right) continue;
          if (g->rows[r / k] & (4 >> (c / k))) *PixelAt(pixels, stride, px, py) = colour;
        }
      }
    }
    x += (kGlyphW + 1) * k;
  }
}

void DrawFrame(uint8_t* pixels, int stride, const platform::Rect& r, uint32_t colour, const platform::Rect& clip) {
  const platform::Rect c = r.Intersection(clip);
  if (c.IsEmpty()) return;
  for (int x = c.left; x < c.right; ++x) {
    if (r.top >= clip.top) *PixelAt(pixels, stride, x, r.top) = colour;
    if (r.bottom - 1 < clip.bottom) *PixelAt(pixels, stride, x, r.bottom - 1) = colour;
  }
  for (int y = c.top; y < c.bottom; ++y) {
    if (r.left >= clip.left) *PixelAt(pixels, stride, r.left, y) = colour;
    if (r.right - 1 < clip.right) *PixelAt(pixels, stride, r.right - 1, y) = colour;
  }
}

// A box in the picture rectangle's lower right corner: the frame's outline,
// darkened inside, and the part the view shows outlined in yellow.
void DrawOverview(uint8_t* pixels, int stride, const ViewMapping& m, const platform::Rect& visible) {
  constexpr int kMaxSide = 96, kMargin = 8;
  const platform::Rect& p = m.picture;
  if (p.Width() < 2 * kMaxSide || p.Height() < 2 * kMaxSide) return;
  // The box has the picture rectangle's shape, as the whole frame has at 1×.
  int bw = kMaxSide, bh = kMaxSide;
  if (p.Width() >= p.Height())
    bh = std::max(8, int(int64_t(kMaxSide) * p.Height() / p.Width()));
  else
    bw = std::max(8, int(int64_t(kMaxSide) * p.Width() / p.Height()));
  const platform::Rect box{p.right - kMargin - bw, p.bottom - kMargin - bh, p.right - kMargin, p.bottom - kMargin};
  for (int y = box.top; y < box.bottom; ++y)
    for (int x = box.left; x < box.right; ++x) {
      uint32_t* px = PixelAt(pixels, stride, x, y);
      *px = Blend(*px, 0xFF000000u);
    }
  DrawFrame(pixels, stride, box, 0xFFFFFFFFu, p);
  const int64_t c0 = std::clamp<int64_t>(m.ColumnAt(visible.left), 0, m.frameW - 1);
  const int64_t c1 = std::clamp<int64_t>(m.ColumnAt(visible.right - 1), 0, m.frameW - 1) + 1;
  const int64_t r0 = std::clamp<int64_t>(m.RowAt(visible.top), 0, m.frameH - 1);
  const int64_t r1 = std::clamp<int64_t>(m.RowAt(visible.bottom - 1), 0, m.frameH - 1) + 1;
  const platform::Rect view{box.left + int32_t(c0 * bw / m.frameW), box.top + int32_t(r0 * bh / m.frameH),
                            box.left + std::max<int32_t>(int32_t(c1 * bw / m.frameW), int32_t(c0 * bw / m.frameW) + 2),
                            box.top + std::max<int32_t>(int32_t(r1 * bh / m.frameH), int32_t(r0 * bh / m.frameH) + 2)};
  DrawFrame(pixels, stride, view, 0xFFFFD700u, box);
}

}  // namespace

std::optional<PixelValues> FramePixelValues(const FrameBuffer& b, uint32_t x, uint32_t y) {
  PixelValues v;
  if (LookUpYUV(b, x, y, &v.c[0], &v.c[1], &v.c[2])) return v;
  if (x >= b.nWidth || y >= b.nHeight || !b.Bytes()) return std::nullopt;
  // The RGB layouts, top row first: B, G, R (and an unused byte) in memory;
  // the 16-bit ones little-endian with red in the top bits.
  const uint64_t bytes = b.nType == YUV_RGB32 ? 4 : b.nType == YUV_RGB24 ? 3 : 2;
  if (b.nType != YUV_RGB32 && b.nType != YUV_RGB24 && b.nType != YUV_RGB565 && b.nType != YUV_RGB555)
    return std::nullopt;
  const uint64_t at = (uint64_t(y) * b.nWidth + x) * bytes;
  if (at + bytes > b.nSize) return std::nullopt;
  const uint8_t* p = b.Bytes() + at;
  v.rgb = true;
  if (bytes >= 3) {
    v.c = {p[2], p[1], p[0]};
  } else {
    const unsigned w = unsigned(p[0]) | unsigned(p[1]) << 8;
    if (b.nType == YUV_RGB565)
      v.c = {int(w >> 11), int(w >> 5 & 63), int(w & 31)};
    else
      v.c = {int(w >> 10 & 31), int(w >> 5 & 31), int(w & 31)};
  }
  return v;
}

int OverlayTextFit::LineWidth(int chars) const { return chars <= 0 ? 0 : chars * (kGlyphW + 1) * scale - scale; }

std::optional<OverlayTextFit> FitOverlayText(int size, int digits) {
  // Inside the cell: its first row and column are the grid, and a clear
  // pixel round every line. The font grows a pixel per 24 screen pixels of
  // the cell, as large as still fits; letters only where they fit as well.
  const int inside = size - 1;
  for (int k = std::max(1, size / 24); k >= 1; --k) {
    OverlayTextFit fit;
    fit.scale = k;
    fit.lineHeight = kGlyphH * k;
    if (3 * fit.lineHeight + 4 > inside) continue;
    fit.gap = (inside - 3 * fit.lineHeight) / 4;
    for (const bool labels : {true, false}) {
      fit.labels = labels;
      if (fit.LineWidth(digits + (labels ? 1 : 0)) + 2 <= inside) return fit;
    }
  }
  return std::nullopt;
}

int DigitsOfDepth(int bits) {
  const uint64_t largest = (uint64_t(1) << std::clamp(bits, 1, 32)) - 1;
  return int(std::to_string(largest).size());
}

std::array<std::string, 3> OverlayLines(const PixelValues& values, bool labels) {
  static constexpr char kYUV[] = "YUV", kRGB[] = "RGB";
  std::array<std::string, 3> lines;
  for (size_t i = 0; i < 3; ++i) {
    if (values.c[i] < 0) continue;
    lines[i] = std::to_string(values.c[i]);
    if (labels) lines[i].insert(lines[i].begin(), values.rgb ? kRGB[i] : kYUV[i]);
  }
  return lines;
}

uint32_t OverlayTextColour(uint32_t bgra) {
  const uint32_t b = bgra & 0xFF, g = bgra >> 8 & 0xFF, r = bgra >> 16 & 0xFF;
  // BT.709 luma weights, in 1/10000.
  return 2126 * r + 7152 * g + 722 * b >= 128 * 10000 ? 0xFF000000u : 0xFFFFFFFFu;
}

void DrawViewOverlay(uint8_t* pixels, int stride, const PictureView& view, const ViewMapping& m, int digits,
                     const std::function<std::optional<PixelValues>(uint32_t, uint32_t)>& values) {
  const platform::Rect v = m.Visible();
  if (v.IsEmpty()) return;
  const int size = m.PixelSize();
  if (size >= kGridPixelSize) {
    const int64_t c0 = m.ColumnAt(v.left), c1 = m.ColumnAt(v.right - 1);
    const int64_t r0 = m.RowAt(v.top), r1 = m.RowAt(v.bottom - 1);
    // One fit for the whole view, by the widest value the format can hold,
    // so neighbouring cells write alike.
    const std::optional<OverlayTextFit> fit = FitOverlayText(size, digits);
    for (int64_t r = r0; r <= r1; ++r) {
      for (int64_t c = c0; c <= c1; ++c) {
        // The cell of frame pixel (c, r) on screen, clipped to what shows.
        const platform::Rect cell = platform::Rect{int32_t(std::ceil(m.x0 + c * m.sx - 0.5)),
                                                   int32_t(std::ceil(m.y0 + r * m.sy - 0.5)),
                                                   int32_t(std::ceil(m.x0 + (c + 1) * m.sx - 0.5)),
                                                   int32_t(std::ceil(m.y0 + (r + 1) * m.sy - 0.5))};
        const platform::Rect shown = cell.Intersection(v);
        if (shown.IsEmpty()) continue;
        // The pixel's own colour, read where neither grid nor text goes.
        const uint32_t colour = OverlayTextColour(*PixelAt(pixels, stride, shown.right - 1, shown.bottom - 1));
        if (cell.top >= v.top)
          for (int x = shown.left; x < shown.right; ++x)
            *PixelAt(pixels, stride, x, cell.top) = Blend(*PixelAt(pixels, stride, x, cell.top), colour);
        if (cell.left >= v.left)
          for (int y = shown.top + (cell.top >= v.top ? 1 : 0); y < shown.bottom; ++y)
            *PixelAt(pixels, stride, cell.left, y) = Blend(*PixelAt(pixels, stride, cell.left, y), colour);
        if (!fit) continue;
        const std::optional<PixelValues> pv = values(uint32_t(c), uint32_t(r));
        if (!pv) continue;
        const std::array<std::string, 3> lines = OverlayLines(*pv, fit->labels);
        // Centred in the cell less its grid row and column; a cell one
        // pixel larger than another (the mapping's rounding) centres alike.
        const int inside = size - 1;
        for (size_t i = 0; i < 3; ++i) {
          const int x = cell.left + 1 + std::max(1, (inside - fit->LineWidth(int(lines[i].size()))) / 2);
          const int y = cell.top + 1 + fit->gap + int(i) * (fit->lineHeight + fit->gap);
          DrawText(pixels, stride, lines[i], x, y, fit->scale, colour, shown);
        }
      }
    }
  }
  if (view.Zoom() > 1.0) DrawOverview(pixels, stride, m, v);
}

}  // namespace corvane
