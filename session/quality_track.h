// The quality of the open file A against a reference B, frame by frame: PSNR
// (and SSIM on request) of every frame both files have, measured by the
// comparison core on a worker thread while the player plays, for the graph
// under the picture; and the figures written out as CSV or as ffmpeg's stats
// files (the very lines `corvane-tool compare --stats-file` writes). Beside
// the comparison, on a worker of its own, A's signal statistics of the same
// frames (every figure of analysis/signal_stats.h, TOUT, VREP and BRNG
// included), for the graph's statistics line and the CSV.
//
// Threads: Start, Stop and the destructor from one thread (the GUI's); the
// getters from any thread while the run goes on. The run is a job of a
// platform::JobRunner (its progress: frames measured of those planned),
// stopped through its stop token. Results arrive in frame order and are
// only ever appended until the next Start.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "analysis/compare.h"
#include "analysis/frame_metrics.h"
#include "analysis/stats_run.h"
#include "platform/job_runner.h"

namespace session {

class QualityTrack {
 public:
  QualityTrack();
  ~QualityTrack();  // stops the worker
  QualityTrack(const QualityTrack&) = delete;
  QualityTrack& operator=(const QualityTrack&) = delete;

  // Stops a run before, then measures every frame both inputs have, from
  // frame 1, on a worker thread (PSNR always, SSIM too with `ssim`), B's
  // frame n + offset against A's frame n (from A's frame 1 - offset when the
  // offset is negative), over `region` of the frames when given. Returns
  // the plan's status: when it is not Ok (sizes, sampling or depths differ,
  // an input cannot be opened, ...) nothing runs, the track is empty and
  // Done, and Status() gives the same refusal. When the files can be
  // compared up to a frame N > 1 but not from there (a spliced file whose
  // depth, sampling or size changes at a segment), frames 1 .. N - 1 are
  // measured, Start returns Ok and Limit() says why the run stops there.
  corvane::analysis::CompareStatus Start(const corvane::analysis::CompareInput& a,
                                         const corvane::analysis::CompareInput& b, bool ssim, int32_t offset = 0,
                                         std::optional<corvane::analysis::Region> region = std::nullopt);
  // Cancels the run and waits for it; the results so far stay.
  void Stop();

  uint32_t Planned() const;  // frames the run measures
  // How the run pairs and cuts the frames: A's first measured frame (the
  // results' frames follow it one by one), B's offset and the region.
  struct Pairing {
    uint32_t firstFrame = 1;
    int32_t offset = 0;
    std::optional<corvane::analysis::Region> region;
  };
  Pairing Pairs() const;
  size_t Count() const;      // frames measured so far
  // A copy of the results [from, Count()).
  std::vector<corvane::analysis::FrameMetrics> Results(size_t from = 0) const;
  bool Done() const;  // the run ended: finished, failed, refused or stopped
  // A read failure of the run (or Start's refusal), else Ok.
  corvane::analysis::CompareStatus Status() const;
  // Why the run measures fewer frames than both files have (the frame where
  // they can no longer be compared, with both sides' parameters there), else Ok.
  corvane::analysis::CompareStatus Limit() const;
  bool Ssim() const;
  // Changes with every Start, so that a reader that keeps its own copy of
  // the results knows when to begin again.
  uint64_t RunId() const;

  // A's statistics of the frames the run compares, in frame order: how many
  // so far, a copy of [from, StatisticsCount()), and whether their run has
  // ended (finished, failed or stopped; a file whose format the statistics
  // refuse has none).
  size_t StatisticsCount() const;
  std::vector<corvane::analysis::SignalStats> Statistics(size_t from = 0) const;
  bool StatisticsDone() const;

 private:
  corvane::analysis::CompareStatus Run(const corvane::analysis::CompareInput& a,
                                       const corvane::analysis::CompareInput& b,
                                       const corvane::analysis::CompareOptions& options,
                                       const corvane::analysis::ComparePlan& plan, std::stop_token stop,
                                       platform::JobProgress& progress);

  void StartStatistics(const corvane::analysis::CompareInput& a, uint32_t first, uint32_t frames);
  void MeasureStatistics(const corvane::analysis::CompareInput& a, uint32_t first, uint32_t frames,
                         std::stop_token stop);

  mutable std::mutex m_lock;
  std::vector<corvane::analysis::FrameMetrics> m_results;  // guarded by m_lock
  corvane::analysis::CompareStatus m_status;               // guarded by m_lock
  corvane::analysis::CompareStatus m_limit;                // guarded by m_lock
  bool m_done = true;                                      // guarded by m_lock
  uint32_t m_planned = 0;                                  // guarded by m_lock
  Pairing m_pairing;                                       // guarded by m_lock
  bool m_ssim = false;                                     // guarded by m_lock
  uint64_t m_runId = 0;                                    // guarded by m_lock
  std::vector<corvane::analysis::SignalStats> m_statistics;  // guarded by m_lock
  bool m_statisticsDone = true;                              // guarded by m_lock
  // Last: both end before the rest goes.
  platform::JobRunner<corvane::analysis::CompareStatus> m_run;
  platform::JobRunner<bool> m_statisticsRun;
};

// Exports of a finished or partial track; `ssim` says whether the frames
// carry SSIM. Each writes a temporary file and renames it over `path`, so a
// failure leaves no half-written file; it then returns false with errno set.
//
// CSV: "frame,psnr_y,psnr_u,psnr_v,psnr_avg,mse_y,mse_u,mse_v,mse_avg"
// (",ssim_y,ssim_u,ssim_v,ssim_all" with SSIM), the plane letters r, g, b for
// RGB and y alone for grey; the figures as `corvane-tool compare --json`
// prints them (%.6f), infinite PSNR as "inf". With `statistics` (A's, frame
// for frame; fewer than the frames when their run stopped early), A's
// figures follow under their ffmpeg names (",YMIN,...,BRNG"), printed as
// `corvane-tool stats` prints them, empty where a frame has none.
bool WriteQualityCsv(const std::string& path, const std::vector<corvane::analysis::FrameMetrics>& frames,
                     bool ssim, const std::vector<corvane::analysis::SignalStats>& statistics = {});
// ffmpeg's psnr stats file, or with `ssim` its ssim stats file.
bool WriteQualityStats(const std::string& path, const std::vector<corvane::analysis::FrameMetrics>& frames,
                       bool ssim);

}  // namespace session
