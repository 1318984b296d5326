// The quality graph under the picture: PSNR of Y, U, V and their average per
// frame against the reference, SSIM on a second axis on request, filled in
// while the track measures; a marker on the current frame, the lowest frame
// marked, a click picks a frame.
//
// Drawn with QPainter, not Qt Charts: a line of thousands of frames is at
// most two one-pixel lines per pixel column (the column's lowest to highest
// value, and the join to the next), which paints in a few milliseconds even
// for 10,000 frames of noise, and the program needs no further Qt module.
//
// Infinite PSNR (a frame equal to the reference) is drawn on the top edge of
// the axis, which ends a margin (a tenth of the finite range, at least 1 dB)
// above the highest finite figure; with no finite figure yet the axis spans
// 0 to 100 dB. The x axis spans the frames the track plans to measure, so the
// lines grow from left to right as the results come in.
//
// A statistics line (one of A's per-frame figures the track measures beside
// the comparison: YAVG, SATAVG, BRNG, ...) can be drawn in a plot of its own
// under the PSNR plot, or instead of it; the graph's context menu chooses
// the figure and the place. Its axis spans the figure's values so far, with
// a margin of a tenth of their range.
//
// When A (or else B) is a coded file, a bits track goes under the lines: a
// bar per frame, its coded size in kbit, coloured by the frame's type (I,
// P, B), so that the rate and the quality of each frame stand side by side.
// Its axis spans 0 to a tenth above the largest frame.
//
// Threads: GUI thread only; the track's worker is read through its getters.
#pragma once

#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "analysis/compare.h"
#include "analysis/signal_stats.h"
#include "formats/video_file.h"
#include "session/quality_track.h"

namespace session {
class PlayerSession;
}

namespace ui {

class QualityGraph : public QWidget {
  Q_OBJECT

 public:
  explicit QualityGraph(QWidget* parent = nullptr);

  // The track to show (not owned; null: nothing to show). Takes its
  // results so far.
  void SetTrack(const session::QualityTrack* track);
  // Takes the track's new results (and a new run's, after a Start) and
  // repaints when anything changed. The window calls it from a timer.
  void Poll();
  // The marker: the 1-based frame number on screen, 0 for none.
  void SetCurrentFrame(uint32_t frame);
  // SSIM lines (the planes' colours, paler) on a right axis, when the track
  // measures SSIM.
  void SetShowSsim(bool on);

  // Where the statistics line goes.
  enum class StatisticPlace { kUnder, kInstead };
  // The statistics line: the figure (none: no line) and its place.
  void SetStatistic(std::optional<corvane::analysis::StatId> id, StatisticPlace place = StatisticPlace::kUnder);
  std::optional<corvane::analysis::StatId> Statistic() const { return m_statistic; }
  StatisticPlace Place() const { return m_place; }

  // The bits track: which side's ("A", "B") frames, frame n's type and
  // coded size at n - 1; no frames, no track.
  struct CodedBars {
    QString side;
    std::vector<corvane::CodedFrame> frames;
  };
  void SetBits(CodedBars bars);
  const CodedBars& Bits() const { return m_bits; }
  // The colour of a frame type's bars (and legend entry).
  static QColor BarColour(corvane::PictureType type);

  // The frame with the lowest average PSNR so far (the first on ties), 0 for none.
  // Frames are A's numbers: with B shifted back, the measured frames begin
  // after frame 1 (the track's FirstFrame).
  uint32_t LowestFrame() const { return m_extremes.lowestFrame; }
  // The frame nearest to x in the plot, 0 outside it (or with no track).
  uint32_t FrameAt(int x) const;
  // The x of a frame's column (its inverse).
  int XOf(uint32_t frame) const;

  // "B偏移+1帧 区域64×48+8+8": B's offset and the figures' region, in the
  // header (and the status line); empty when B is paired frame for frame
  // over the whole frames.
  static QString PairingText(int32_t offset, const std::optional<corvane::analysis::Region>& region);

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

  // Where everything goes at the widget's present size. The header holds the
  // axis names and one legend entry per line drawn (each plane's PSNR and
  // their average; with SSIM shown, each plane's SSIM and All in the paler
  // colours), flowing onto further rows when the widget is narrow, and the
  // frame's figures (or the run's state) at the right of its last row, or
  // on a row of their own when they do not fit beside it; the plot starts
  // below the header, far enough down that the top axis labels clear it.
  struct LegendEntry {
    QRect box;      // swatch and text; no swatch for an axis name
    QString text;
    QColor colour;  // the line's colour; invalid for an axis name
  };
  struct Layout {
    std::vector<LegendEntry> legend;
    QRect state;  // the figures' or state's text, elided to fit
    QString stateText;
    QRect plot;       // PSNR and SSIM; empty when the statistics line is drawn instead
    QRect statPlot;   // the statistics line's; empty without one
    QRect bitsPlot;   // the bits track's, at the bottom; empty without one
    std::vector<QRect> axisLabels;  // the left (and right) axes' labels
  };
  Layout LayOut() const;

 signals:
  void frameClicked(uint32_t frame);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool event(QEvent* event) override;  // the tooltip

 private:
  // PSNR of Y, U, V (or R, G, B), average; then SSIM of the same and All.
  static constexpr int kSeries = 8;
  using Values = std::array<float, kSeries>;
  struct Range {
    double low = 0, high = 1;
  };

  void Reset();
  // A's frame of the track's k-th measured frame (1-based) and back; 0 for
  // none (outside the measured frames).
  uint32_t FrameOfIndex(uint32_t k) const { return k == 0 ? 0 : m_pairs.firstFrame + k - 1; }
  uint32_t IndexOf(uint32_t frame) const { return frame < m_pairs.firstFrame ? 0 : frame - m_pairs.firstFrame + 1; }
  QRect PlotRect() const;
  Range PsnrAxis() const;
  Range SsimAxis() const;
  Range StatisticAxis() const;
  bool SsimShown() const { return m_showSsim && m_trackSsim && !StatisticInstead(); }
  bool StatisticInstead() const { return m_statistic && m_place == StatisticPlace::kInstead; }
  // The statistic's value of frame (1-based), NaN for none yet.
  float StatisticOf(uint32_t frame) const;
  // The plot the frames' x positions are taken from (either one: they share their left and right).
  QRect FramePlot(const Layout& layout) const { return layout.plot.isEmpty() ? layout.statPlot : layout.plot; }
  QString StateText() const;
  // The left (and right) label of axis line i (0 bottom, 1 middle, 2 top).
  QRect AxisLabelRect(const QRect& plot, int i, bool right) const;
  void DrawAxes(QPainter& p, const QRect& plot, Range psnr, Range ssim, bool ssimShown) const;
  // The plot's border, its three grid lines and their labels: the left
  // axis's with `decimals`, the right one's (SSIM) when given.
  void DrawGrid(QPainter& p, const QRect& plot, Range left, int decimals, const Range* right) const;
  void DrawFrameNumbers(QPainter& p, const QRect& plot) const;  // 1 and the last, under the plot
  void DrawMarker(QPainter& p, const QRect& plot) const;        // the current frame's line
  void DrawStatistic(QPainter& p, const QRect& plot) const;
  bool HasBits() const { return !m_bits.frames.empty(); }
  Range BitsAxis() const;  // kbit
  void DrawBits(QPainter& p, const QRect& plot) const;
  // The legend's entries of the bits track: its axis name and the types.
  void AddBitsLegend(const std::function<QRect(int w, int keep)>& place, const std::function<int(const QString&)>& width,
                     std::vector<LegendEntry>& legend) const;
  // "I帧 41.0 kbit" of frame (1-based), empty without one.
  QString BitsOf(uint32_t frame) const;
  void DrawLegend(QPainter& p, const Layout& layout) const;
  // "第 N 帧: 平均 x dB" (and the SSIM) of frame (1-based, measured):
  // the frame on screen at the top right, the frame under the pointer in
  // the tooltip.
  QString FiguresOf(uint32_t frame, bool ssimShown) const;
  static QString Figure(float v, int decimals);  // "inf" for infinite PSNR
  void DrawLine(QPainter& p, const QRect& plot, int series, Range range) const;
  // The line of value(0 .. count - 1), frames 1 .. count, against `range`.
  void DrawValues(QPainter& p, const QRect& plot, size_t count, const std::function<float(size_t)>& value,
                  Range range) const;
  void DrawLowest(QPainter& p, const QRect& plot, Range psnr) const;

  const session::QualityTrack* m_track = nullptr;
  uint64_t m_runId = 0;
  uint32_t m_planned = 0;
  session::QualityTrack::Pairing m_pairs;  // A's first measured frame, B's offset, the region
  bool m_done = false;
  bool m_trackSsim = false;
  corvane::analysis::CompareStatus m_status;
  std::vector<Values> m_values;  // the k-th measured frame at k - 1
  corvane::analysis::Sampling m_sampling = corvane::analysis::Sampling::k420;
  int m_planeCount = 3;
  // The finite extremes so far (PSNR of every plane and the average; SSIM).
  // What the measured frames reached so far: the axes' ends and the frame
  // with the lowest average PSNR.
  struct Extremes {
    double psnrMin = 0, psnrMax = 0, ssimMin = 1;
    bool anyFinitePsnr = false;
    double lowestPsnr = 0;
    uint32_t lowestFrame = 0;
  };
  Extremes m_extremes;
  uint32_t m_current = 0;
  bool m_showSsim = false;
  std::optional<corvane::analysis::StatId> m_statistic;
  StatisticPlace m_place = StatisticPlace::kUnder;
  std::vector<corvane::analysis::SignalStats> m_statistics;  // the k-th measured frame at k - 1
  CodedBars m_bits;
  uint32_t m_bitsMax = 0;  // bytes of the largest frame
};

// The compared pair's coded frames (A's, or B's when only B is coded) for
// QualityGraph::SetBits.
QualityGraph::CodedBars BitsOf(const session::PlayerSession& session);

}  // namespace ui
