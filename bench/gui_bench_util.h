// Helpers of the benchmarks that run the player window: a clip of pattern
// frames with a trailer, and a probe of how long the GUI thread is kept
// from running.
#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <span>
#include <string>
#include <vector>

#include "formats/test_pattern.h"
#include "formats/trailer.h"
#include "platform/file.h"

namespace benchutil {

// `frames` pattern frames of `para` and its one-record trailer at `path`;
// the first frame's bytes into *first when asked. Empty on a write failure.
inline std::string WritePatternClip(const std::string& path, const corvane::YUVPara& para, uint32_t frames,
                                    std::vector<uint8_t>* first = nullptr) {
  platform::File f;
  if (!f.Open(path, platform::File::Mode::kCreate)) return {};
  uint64_t at = 0;
  for (uint32_t i = 0; i < frames; ++i) {
    const std::vector<uint8_t> frame = corvane::MakePatternFrame(para, i);
    if (i == 0 && first) *first = frame;
    if (f.WriteAt(frame.data(), frame.size(), at) != int64_t(frame.size())) return {};
    at += frame.size();
  }
  const std::vector<uint8_t> trailer = corvane::EncodeTrailer(std::span<const corvane::YUVPara>(&para, 1));
  if (f.WriteAt(trailer.data(), trailer.size(), at) != int64_t(trailer.size())) return {};
  return path;
}

// A precise timer on the GUI thread: the longest gap between its ticks is
// the longest time the thread was kept from its event loop.
class GuiGapProbe {
 public:
  GuiGapProbe() {
    m_timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_timer, &QTimer::timeout, [this] {
      const qint64 now = m_clock.elapsed();
      m_longest = std::max(m_longest, now - m_last);
      m_last = now;
      ++m_ticks;
    });
  }
  void Start(int intervalMs) {
    m_clock.start();
    m_last = 0;
    m_timer.start(intervalMs);
  }
  void Stop() { m_timer.stop(); }
  qint64 Longest() const { return m_longest; }
  qint64 Ticks() const { return m_ticks; }

 private:
  QTimer m_timer;
  QElapsedTimer m_clock;
  qint64 m_last = 0, m_longest = 0, m_ticks = 0;
};

}  // namespace benchutil
