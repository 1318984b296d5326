// corvane-tool stats: per-frame signal statistics, printed as ffmpeg's
// `-vf signalstats,metadata=print:file=-` prints them.
#include <cstdio>

#include "analysis/stats_run.h"
#include "cli/cli_common.h"
#include "cli/messages.h"
#include "cli/progress_line.h"

namespace cli {
namespace {

using corvane::analysis::FrameStats;
using corvane::analysis::kStatCount;
using corvane::analysis::SignalStats;
using corvane::analysis::StatId;

enum class Form { kText, kJson, kCsv };

// --stat tout,vrep,brng (ffmpeg's tout+vrep+brng is taken too).
corvane::analysis::StatExtras ParseExtras(const std::string& text) {
  corvane::analysis::StatExtras extras;
  size_t at = 0;
  while (at <= text.size()) {
    const size_t end = text.find_first_of(",+", at);
    const std::string item = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
    if (item == "tout") extras.tout = true;
    else if (item == "vrep") extras.vrep = true;
    else if (item == "brng") extras.brng = true;
    else throw UsageError{"--stat takes tout, vrep and brng, separated by commas, not '" + item + "'"};
    if (end == std::string::npos) break;
    at = end + 1;
  }
  return extras;
}

// The start of frame n (1-based) in seconds, from the segments' frame
// intervals, as ffmpeg's pts_time ("%.6g").
std::string TimeText(const corvane::VideoFile& file, uint32_t n) {
  uint64_t ms = 0;
  for (const corvane::VideoSegment& s : file.Segments()) {
    if (s.frameCount == 0) continue;
    const uint32_t before = n > s.firstFrame ? std::min(n - s.firstFrame, s.frameCount) : 0;
    ms += uint64_t(before) * s.para.EffectiveInterval();
  }
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.6g", double(ms) / 1000.0);
  return buf;
}

std::string Record(const FrameStats& f, const corvane::VideoFile& file, Form form) {
  const SignalStats& s = f.stats;
  const std::string pts = std::to_string(f.frame - 1), time = TimeText(file, f.frame);
  std::string out;
  if (form == Form::kText) {
    char head[96];
    std::snprintf(head, sizeof head, "frame:%-4u pts:%-7s pts_time:%s\n", f.index, pts.c_str(), time.c_str());
    out = head;
  } else if (form == Form::kJson) {
    out = "{\"frame\": " + std::to_string(f.index) + ", \"pts\": " + pts + ", \"pts_time\": " + time;
  } else {
    out = std::to_string(f.index) + "," + pts + "," + time;
  }
  for (int i = 0; i < kStatCount; ++i) {
    const StatId id = StatId(i);
    if (!s.Has(id)) continue;
    const std::string value = s.Text(id);
    if (form == Form::kText) out += std::string("lavfi.signalstats.") + corvane::analysis::StatName(id) + "=" + value + "\n";
    else if (form == Form::kJson) out += std::string(", \"") + corvane::analysis::StatName(id) + "\": " + value;
    else out += "," + value;
  }
  if (form == Form::kJson) out += "}";
  if (form == Form::kCsv) out += "\n";
  return out;
}

std::string CsvHeader(corvane::analysis::StatExtras extras) {
  SignalStats names;
  names.extras = extras;
  std::string out = "frame,pts,pts_time";
  for (int i = 0; i < kStatCount; ++i)
    if (names.Has(StatId(i))) out += std::string(",") + corvane::analysis::StatName(StatId(i));
  return out + "\n";
}

int RunStatsCommand(const std::vector<std::string>& argv) {
  Args args(argv, {"json", "csv"}, {"from", "frames", "stat", "format", "size"});
  if (args.Positional().size() != 1) throw UsageError{"expected one file"};
  corvane::analysis::StatsOptions options;
  if (auto from = args.Get("from")) options.firstFrame = ParseUint(*from, "first frame");
  if (auto frames = args.Get("frames")) options.frameCount = ParseUint(*frames, "frame count");
  if (options.firstFrame == 0) throw UsageError{"--from counts frames from 1"};
  if (args.Has("frames") && options.frameCount == 0) throw UsageError{"--frames must be at least 1"};
  if (auto stat = args.Get("stat")) options.extras = ParseExtras(*stat);
  if (args.Has("json") && args.Has("csv")) throw UsageError{"--json and --csv cannot be given together"};
  const Form form = args.Has("json") ? Form::kJson : args.Has("csv") ? Form::kCsv : Form::kText;

  const std::string& path = args.Positional()[0];
  const FileParams fp = ResolveFileParams(path, args, OpenInput(path));
  const corvane::VideoFile& file = *fp.file;
  const auto planned = corvane::analysis::PlanStats(file, options);
  if (!planned) throw Failure{StatsFailureText(planned.error(), path)};

  if (form == Form::kJson) std::printf("{\"file\": %s, \"frames\": [", JsonString(path).c_str());
  if (form == Form::kCsv) std::fputs(CsvHeader(options.extras).c_str(), stdout);
  corvane::tools::ToolProgress progress;
  progress.total = planned->bytes;
  corvane::Result<void, corvane::analysis::StatsFailure> ran;
  {
    ProgressLine line("stats", &progress);
    ran = corvane::analysis::RunStats(file, options, *planned, [&](const FrameStats& f) {
      if (form == Form::kJson) std::fputs(f.index == 0 ? "\n  " : ",\n  ", stdout);
      std::fputs(Record(f, file, form).c_str(), stdout);
      progress.written = progress.total * (f.index + 1) / planned->frameCount;
      if (progress.onChunk) progress.onChunk(progress.written, progress.total);
    });
  }
  if (!ran) throw Failure{StatsFailureText(ran.error(), path)};
  if (form == Form::kJson) std::printf("\n]}\n");
  return kExitOk;  // standard output is checked by main
}

const Registrar kStats(
    {"stats",
     "stats FILE [--from N] [--frames N] [--stat tout,vrep,brng] [--json|--csv] [--format NAME --size WxH]  "
     "signal statistics of every frame, as ffmpeg's signalstats",
     "Usage: corvane-tool stats FILE [--from N] [--frames N] [--stat tout,vrep,brng] [--json|--csv]\n"
     "                           [--format NAME --size WxH]\n"
     "Measures every frame as ffmpeg's signalstats filter does and prints the figures as\n"
     "'ffmpeg -vf signalstats,metadata=print:file=-' prints them, so that scripts written for ffmpeg\n"
     "read them:\n"
     "  frame:0    pts:0       pts_time:0\n"
     "  lavfi.signalstats.YMIN=16\n"
     "  ...\n"
     "Y, U and V: MIN, LOW (10 %), AVG, HIGH (90 %), MAX, DIF (mean difference to the frame before) and\n"
     "BITDEPTH (bits used); SAT (saturation) MIN, LOW, AVG, HIGH, MAX; HUE MED and AVG.\n"
     "  --stat tout,vrep,brng  also TOUT (temporal outliers), VREP (repeated lines), BRNG (pixels outside\n"
     "                         broadcast range), each a share of the frame's pixels\n"
     "  --json                 one record per frame as JSON on standard output\n"
     "  --csv                  a header line, then one line per frame\n"
     "  --from N --frames N    frames N.. (1-based), at most N of them; DIF of the first compares it with\n"
     "                         the frame before it in the file\n"
     "  --format, --size       the file's parameters when it has no trailer (or to override it)\n"
     "frame: counts the frames printed from 0, pts: is the frame's number in the file from 0, pts_time:\n"
     "its start in seconds from the frame interval. Frames are measured as ffmpeg's filter sees them: NV12\n"
     "and the packed formats as the planes its scaler makes of them (YUYV as 4:2:2), P010 and P016 as\n"
     "16-bit planes, GRAY with neutral chroma, GRAY10 and the RGB formats converted to 4:4:4 YUV as its\n"
     "scaler converts them. Exit status 0 when measured, 1 when refused or failed (the reason on standard\n"
     "error), 2 for bad usage. Progress is shown on standard error when that is a terminal.",
     RunStatsCommand});

}  // namespace
}  // namespace cli
