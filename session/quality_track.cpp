#include "session/quality_track.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <thread>

#include "platform/file.h"

namespace session {

using corvane::analysis::CompareInput;
using corvane::analysis::CompareOptions;
using corvane::analysis::ComparePlan;
using corvane::analysis::CompareStatus;
using corvane::analysis::FrameMetrics;

namespace {

// A pair of frames that cannot be compared past the first: the frames
// before it still can.
bool StopsPartWay(const CompareStatus& s, uint32_t firstFrame) {
  using corvane::analysis::CompareCode;
  switch (s.code) {
    case CompareCode::kSizeMismatch:
    case CompareCode::kSamplingMismatch:
    case CompareCode::kDepthMismatch:
    case CompareCode::kShapeChanges:
    case CompareCode::kTooSmallForSsim:
    case CompareCode::kRegionOutside:
    case CompareCode::kRegionOddForChroma:
      return s.frame > firstFrame;
    default:
      return false;
  }
}

}  // namespace

QualityTrack::QualityTrack() = default;

QualityTrack::~QualityTrack() { Stop(); }

CompareStatus QualityTrack::Start(const CompareInput& a, const CompareInput& b, bool ssim, int32_t offset,
                                  std::optional<corvane::analysis::Region> region) {
  Stop();
  CompareOptions options;
  options.metrics = {true, ssim};
  options.offset = offset;
  options.region = region;
  // One core fewer than the machine has: the track measures while the file
  // plays, and the player's reader and display threads must keep pace with
  // the clock on a core of their own. The track's frames only fill in the
  // graph a little later; a late frame on screen is a visible stutter.
  const unsigned cores = std::thread::hardware_concurrency();
  options.threads = cores > 1 ? cores - 1 : 1;
  auto planned = corvane::analysis::PlanCompare(a, b, options);
  CompareStatus limit;
  // A's first frame with a partner in B.
  const uint32_t first = uint32_t(std::max<int64_t>(options.firstFrame, int64_t(1) - offset));
  if (!planned && StopsPartWay(planned.error(), first)) {
    // The frames before the change make one summary of their own.
    limit = planned.error();
    options.frameCount = limit.frame - first;
    planned = corvane::analysis::PlanCompare(a, b, options);
  }
  // The track keeps a status as its state: kOk while it measures.
  const CompareStatus status = planned ? CompareStatus{} : planned.error();
  const ComparePlan plan = planned.value_or(ComparePlan{});
  {
    std::scoped_lock lock(m_lock);
    m_results.clear();
    m_status = status;
    m_limit = status.Ok() ? limit : CompareStatus{};
    m_done = !status.Ok();
    m_planned = status.Ok() ? plan.frameCount : 0;
    m_pairing = {status.Ok() ? plan.firstFrame : first, offset, region};
    m_ssim = ssim;
    m_statistics.clear();
    m_statisticsDone = !status.Ok();
    ++m_runId;
  }
  if (status.Ok()) {
    m_run.Start([this, a, b, options, plan](std::stop_token stop, platform::JobProgress& progress) {
      return Run(a, b, options, plan, stop, progress);
    });
    StartStatistics(a, plan.firstFrame, plan.frameCount);
  }
  return status;
}

void QualityTrack::StartStatistics(const CompareInput& a, uint32_t first, uint32_t frames) {
  m_statisticsRun.Start([this, a, first, frames](std::stop_token stop, platform::JobProgress&) {
    MeasureStatistics(a, first, frames, stop);
    std::scoped_lock lock(m_lock);
    m_statisticsDone = true;
    return true;
  });
}

void QualityTrack::MeasureStatistics(const CompareInput& a, uint32_t first, uint32_t frames, std::stop_token stop) {
  // A's own open file when the caller lent one, else opened here with A's parameters.
  std::unique_ptr<corvane::VideoFile> own;
  const corvane::VideoFile* file = a.file;
  if (!file) {
    auto opened = corvane::OpenVideoFile(a.path);
    if (!opened || !(*opened)->UseParameters(a.para, a.useSegments)) return;
    own = std::move(*opened);
    file = own.get();
  }
  corvane::analysis::StatsOptions options;
  options.firstFrame = first;
  options.frameCount = frames;
  options.extras = {true, true, true};
  // One worker: the comparison and playback have the other cores.
  options.threads = 1;
  const auto plan = corvane::analysis::PlanStats(*file, options);
  if (!plan) return;
  // A failed read ends the line where it is; the comparison reports it.
  (void)corvane::analysis::RunStats(
      *file, options, *plan,
      [this](const corvane::analysis::FrameStats& f) {
        std::scoped_lock lock(m_lock);
        m_statistics.push_back(f.stats);
      },
      stop);
}

CompareStatus QualityTrack::Run(const CompareInput& a, const CompareInput& b, const CompareOptions& options,
                               const ComparePlan& plan, std::stop_token stop, platform::JobProgress& progress) {
  progress.total = plan.frameCount;
  // A stopped run ends between two frames with the figures so far, as Ok.
  const auto ran = corvane::analysis::RunCompare(
      a, b, options, plan,
      [this, &progress](const FrameMetrics& m) {
        std::scoped_lock lock(m_lock);
        m_results.push_back(m);
        progress.done = m_results.size();
      },
      stop);
  const CompareStatus status = ran ? CompareStatus{} : ran.error();
  std::scoped_lock lock(m_lock);
  m_status = status;
  m_done = true;
  return status;
}

void QualityTrack::Stop() {
  m_run.Cancel();
  m_statisticsRun.Cancel();
  m_run.TakeResult();  // waits for the runs to end
  m_statisticsRun.TakeResult();
}

uint32_t QualityTrack::Planned() const {
  std::scoped_lock lock(m_lock);
  return m_planned;
}

QualityTrack::Pairing QualityTrack::Pairs() const {
  std::scoped_lock lock(m_lock);
  return m_pairing;
}

size_t QualityTrack::Count() const {
  std::scoped_lock lock(m_lock);
  return m_results.size();
}

std::vector<FrameMetrics> QualityTrack::Results(size_t from) const {
  std::scoped_lock lock(m_lock);
  if (from >= m_results.size()) return {};
  return std::vector<FrameMetrics>(m_results.begin() + ptrdiff_t(from), m_results.end());
}

bool QualityTrack::Done() const {
  std::scoped_lock lock(m_lock);
  return m_done;
}

CompareStatus QualityTrack::Status() const {
  std::scoped_lock lock(m_lock);
  return m_status;
}

CompareStatus QualityTrack::Limit() const {
  std::scoped_lock lock(m_lock);
  return m_limit;
}

bool QualityTrack::Ssim() const {
  std::scoped_lock lock(m_lock);
  return m_ssim;
}

uint64_t QualityTrack::RunId() const {
  std::scoped_lock lock(m_lock);
  return m_runId;
}

size_t QualityTrack::StatisticsCount() const {
  std::scoped_lock lock(m_lock);
  return m_statistics.size();
}

std::vector<corvane::analysis::SignalStats> QualityTrack::Statistics(size_t from) const {
  std::scoped_lock lock(m_lock);
  if (from >= m_statistics.size()) return {};
  return {m_statistics.begin() + ptrdiff_t(from), m_statistics.end()};
}

bool QualityTrack::StatisticsDone() const {
  std::scoped_lock lock(m_lock);
  return m_statisticsDone;
}

namespace {

bool WriteWhole(const std::string& path, const std::string& text) {
  platform::ReplacingFile file;  // abandoned (removed) unless committed
  int err = platform::ErrnoOf(file.Open(path));
  if (err == 0) err = platform::ErrnoOf(file.WriteAt(text.data(), text.size(), 0));
  if (err == 0) err = platform::ErrnoOf(file.Commit());
  if (err == 0) return true;
  errno = err;
  return false;
}

void AppendFigure(std::string* s, double v) {
  if (std::isinf(v)) {
    *s += v > 0 ? ",inf" : ",-inf";
    return;
  }
  char buf[40];
  std::snprintf(buf, sizeof buf, ",%.6f", v);
  *s += buf;
}

}  // namespace

bool WriteQualityCsv(const std::string& path, const std::vector<FrameMetrics>& frames, bool ssim,
                     const std::vector<corvane::analysis::SignalStats>& statistics) {
  using corvane::analysis::StatId;
  const FrameMetrics shape = frames.empty() ? FrameMetrics{} : frames.front();
  const int planes = shape.planeCount;
  std::string text = "frame";
  auto columns = [&](const char* metric, const char* whole) {
    for (int p = 0; p < planes; ++p)
      text += std::string(",") + metric + "_" + corvane::analysis::PlaneLetter(shape.sampling, p, false);
    text += std::string(",") + metric + "_" + whole;
  };
  columns("psnr", "avg");
  columns("mse", "avg");
  if (ssim) columns("ssim", "all");
  if (!statistics.empty())
    for (int i = 0; i < corvane::analysis::kStatCount; ++i)
      text += std::string(",") + corvane::analysis::StatName(StatId(i));
  text += '\n';
  for (size_t k = 0; k < frames.size(); ++k) {
    const FrameMetrics& m = frames[k];
    text += std::to_string(m.frame);
    for (int p = 0; p < planes; ++p) AppendFigure(&text, corvane::analysis::PsnrOf(m.mse[size_t(p)], 1, m.peak));
    AppendFigure(&text, corvane::analysis::PsnrOf(m.mseAverage, 1, m.peak));
    for (int p = 0; p < planes; ++p) AppendFigure(&text, m.mse[size_t(p)]);
    AppendFigure(&text, m.mseAverage);
    if (ssim) {
      for (int p = 0; p < planes; ++p) AppendFigure(&text, m.ssim[size_t(p)]);
      AppendFigure(&text, m.ssimAll);
    }
    if (!statistics.empty())
      for (int i = 0; i < corvane::analysis::kStatCount; ++i)
        text += "," + (k < statistics.size() ? statistics[k].Text(StatId(i)) : std::string());
    text += '\n';
  }
  return WriteWhole(path, text);
}

bool WriteQualityStats(const std::string& path, const std::vector<FrameMetrics>& frames, bool ssim) {
  std::string text;
  for (const FrameMetrics& m : frames)
    text += ssim ? corvane::analysis::SsimStatsLine(m) : corvane::analysis::PsnrStatsLine(m);
  return WriteWhole(path, text);
}

}  // namespace session
