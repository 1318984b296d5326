// corvane-tool compare: PSNR and SSIM of one file against another, printed as
// ffmpeg's psnr and ssim filters print them.
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>

#include "analysis/compare.h"
#include "cli/cli_common.h"
#include "cli/messages.h"
#include "cli/progress_line.h"
#include "platform/file.h"

namespace cli {
namespace {

using corvane::analysis::FrameMetrics;
using corvane::analysis::kPlanes;
using corvane::analysis::PlaneLetter;

// Options for one side only: --format/--size, or A's --ref-format/--ref-size.
Args SideOptions(const Args& args, std::string_view format, std::string_view size) {
  std::vector<std::string> v;
  if (auto f = args.Get(format)) v.insert(v.end(), {"--format", *f});
  if (auto s = args.Get(size)) v.insert(v.end(), {"--size", *s});
  return Args(v, {}, {"format", "size"});
}

// A (the reference): --ref-format/--ref-size, else its trailer, else the
// shared --format/--size. B: --format/--size, else its trailer. A Y4M side
// takes its header's (--ref-format and --ref-size are refused for A; the
// shared --format and --size are then the other side's).
// The file is opened once, here, and stays open in `file` for the run.
corvane::analysis::CompareInput ResolveInput(const std::string& path, const Args& args, bool reference,
                                             std::shared_ptr<corvane::VideoFile>* kept) {
  const std::shared_ptr<corvane::VideoFile> file = OpenInput(path);
  *kept = file;
  FileParams fp;
  if (file->ParametersFixed()) {
    fp = ResolveFileParams(path, reference ? SideOptions(args, "ref-format", "ref-size") : SideOptions(args, "", ""), file);
  } else if (!reference) {
    fp = ResolveFileParams(path, SideOptions(args, "format", "size"), file);
  } else if (args.Has("ref-format") || args.Has("ref-size")) {
    fp = ResolveFileParams(path, SideOptions(args, "ref-format", "ref-size"), file);
  } else {
    try {
      fp = ResolveFileParams(path, SideOptions(args, "", ""), file);
    } catch (const Failure&) {
      if (!args.Has("format") && !args.Has("size")) throw;
      // The trailer read was the file's; only the parameters come again.
      fp = ResolveFileParams(path, SideOptions(args, "format", "size"), file);
    }
  }
  return {path, fp.para, fp.trailer, !fp.fromOptions, file.get()};
}

// --offset K: a signed frame count.
int32_t ParseOffset(std::string_view text) {
  int64_t v = 0;
  const char* end = text.data() + text.size();
  const char* from = text.data() + (!text.empty() && text.front() == '+');
  auto [p, ec] = std::from_chars(from, end, v);
  if (text.empty() || ec != std::errc() || p != end || v < INT32_MIN || v > INT32_MAX)
    throw UsageError{"invalid offset '" + std::string(text) + "' (expected a whole number of frames, such as 2 or -1)"};
  return int32_t(v);
}

// --crop WxH+X+Y, the geometry ffmpeg's crop=W:H:X:Y takes.
corvane::analysis::Region ParseCrop(std::string_view text) {
  const size_t plus = text.find('+');
  const size_t second = plus == std::string_view::npos ? plus : text.find('+', plus + 1);
  if (second == std::string_view::npos)
    throw UsageError{"invalid crop '" + std::string(text) + "' (expected WxH+X+Y)"};
  corvane::analysis::Region r;
  std::tie(r.width, r.height) = ParseSize(text.substr(0, plus));
  r.x = ParseUint(text.substr(plus + 1, second - plus - 1), "crop x");
  r.y = ParseUint(text.substr(second + 1), "crop y");
  return r;
}

std::string Number(double v) {
  if (!std::isfinite(v)) return "null";
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.6f", v);
  return buf;
}

// The first `planes` values.
std::string Array(const std::array<double, kPlanes>& v, int planes, auto transform) {
  std::string s = "[";
  for (int p = 0; p < planes; ++p) s += (p ? ", " : "") + Number(transform(v[size_t(p)]));
  return s + "]";
}

std::string FrameJson(const FrameMetrics& m, corvane::analysis::Metrics metrics) {
  auto same = [](double v) { return v; };
  auto psnr = [&](double mse) { return corvane::analysis::PsnrOf(mse, 1, m.peak); };
  std::string s = "{\"n\": " + std::to_string(m.index) + ", \"frame\": " + std::to_string(m.frame);
  if (metrics.psnr) {
    s += ", \"mse\": " + Array(m.mse, m.planeCount, same) + ", \"mse_avg\": " + Number(m.mseAverage);
    s += ", \"psnr\": " + Array(m.mse, m.planeCount, psnr);
    s += ", \"psnr_avg\": " + Number(psnr(m.mseAverage));
  }
  if (metrics.ssim) {
    s += ", \"ssim\": " + Array(m.ssim, m.planeCount, same) + ", \"ssim_all\": " + Number(m.ssimAll);
    s += ", \"ssim_db\": " + Number(corvane::analysis::SsimDb(m.ssimAll, 1.0));
  }
  return s + "}";
}

std::string SummaryJson(const corvane::analysis::SequenceSummary& sum, const corvane::analysis::ComparePlan& plan,
                        corvane::analysis::Metrics metrics) {
  const auto sampling = sum.LastSampling();
  const int planeCount = sum.LastPlaneCount();
  std::string planes;
  for (int p = 0; p < planeCount; ++p) planes += PlaneLetter(sampling, p, true);
  std::string s = "{\"frames\": " + std::to_string(sum.Frames()) + ", \"first_frame\": " +
                  std::to_string(plan.firstFrame) + ", \"offset\": " + std::to_string(plan.offset) +
                  ", \"left_over\": [" + std::to_string(plan.LeftOver(0)) + ", " +
                  std::to_string(plan.LeftOver(1)) + "], \"planes\": " + JsonString(planes);
  auto perPlane = [&](auto f) {
    std::array<double, kPlanes> v{};
    for (int p = 0; p < planeCount; ++p) v[size_t(p)] = f(p);
    return Array(v, planeCount, [](double x) { return x; });
  };
  if (metrics.psnr) {
    s += ", \"psnr\": {\"planes\": " + perPlane([&](int p) { return sum.PlanePsnr(p); }) +
         ", \"planes_min\": " + perPlane([&](int p) { return sum.PlanePsnrMin(p); }) +
         ", \"planes_max\": " + perPlane([&](int p) { return sum.PlanePsnrMax(p); }) +
         ", \"average\": " + Number(sum.AveragePsnr()) + ", \"min\": " + Number(sum.PsnrMin()) +
         ", \"max\": " + Number(sum.PsnrMax()) + "}";
  }
  if (metrics.ssim) {
    s += ", \"ssim\": {\"planes\": " + perPlane([&](int p) { return sum.PlaneSsim(p); }) +
         ", \"planes_min\": " + perPlane([&](int p) { return sum.PlaneSsimMin(p); }) +
         ", \"planes_max\": " + perPlane([&](int p) { return sum.PlaneSsimMax(p); }) +
         ", \"all\": " + Number(sum.SsimAll()) + ", \"all_db\": " + Number(sum.SsimAllDb()) + "}";
  }
  s += ", \"first_difference\": ";
  if (sum.Differs()) {
    const auto& d = sum.FirstDifferenceSeen();
    s += "{\"frame\": " + std::to_string(sum.FirstDifferentFrame()) + ", \"plane\": \"" +
         PlaneLetter(sampling, d.plane, true) + "\", \"x\": " + std::to_string(d.x) +
         ", \"y\": " + std::to_string(d.y) + "}";
  } else {
    s += "null";
  }
  return s + "}";
}

// The stats file: standard output for "-", else a file of that name written
// through platform::ReplacingFile, so that it appears only when the run has
// finished (a failed run leaves none, and an older one as it was). Lines
// are gathered and written in large pieces.
class StatsFile {
 public:
  explicit StatsFile(std::optional<std::string> path) : m_path(std::move(path)) {}

  void Open() {
    if (!m_path || *m_path == "-") return;
    if (int err = platform::ErrnoOf(m_file.Open(*m_path)))
      throw Failure{"cannot create the stats file '" + *m_path + "': " + platform::ErrorText(err)};
  }
  void Write(const std::string& text) {
    if (!m_path) return;
    if (*m_path == "-") {
      std::fwrite(text.data(), 1, text.size(), stdout);  // checked with standard output at the end
      return;
    }
    m_pending += text;
    if (m_pending.size() >= kPiece) Flush();
  }
  void Commit() {
    if (!m_path || *m_path == "-") return;
    Flush();
    if (int err = platform::ErrnoOf(m_file.Commit())) Fail(err);
  }

 private:
  static constexpr size_t kPiece = size_t(1) << 16;
  void Flush() {
    if (int err = platform::ErrnoOf(m_file.WriteAt(m_pending.data(), m_pending.size(), m_written))) Fail(err);
    m_written += m_pending.size();
    m_pending.clear();
  }
  [[noreturn]] void Fail(int err) {
    throw Failure{"cannot write the stats file '" + *m_path + "': " + platform::ErrorText(err)};
  }

  const std::optional<std::string> m_path;
  platform::ReplacingFile m_file;  // removed unless committed
  std::string m_pending;
  uint64_t m_written = 0;
};

int RunCompareCommand(const std::vector<std::string>& argv) {
  Args args(argv, {"psnr", "ssim", "json"},
            {"stats-file", "frames", "from", "format", "size", "ref-format", "ref-size", "offset", "crop"});
  if (args.Positional().size() != 2) throw UsageError{"expected two files, A and B"};
  corvane::analysis::CompareOptions options;
  if (args.Has("psnr") || args.Has("ssim")) options.metrics = {args.Has("psnr"), args.Has("ssim")};
  if (auto from = args.Get("from")) options.firstFrame = ParseUint(*from, "first frame");
  if (auto frames = args.Get("frames")) options.frameCount = ParseUint(*frames, "frame count");
  if (options.firstFrame == 0) throw UsageError{"--from counts frames from 1"};
  if (args.Has("frames") && options.frameCount == 0) throw UsageError{"--frames must be at least 1"};
  if (auto offset = args.Get("offset")) options.offset = ParseOffset(*offset);
  if (auto crop = args.Get("crop")) options.region = ParseCrop(*crop);
  const std::optional<std::string> statsPath = args.Get("stats-file");
  const bool json = args.Has("json");
  if (json && statsPath == "-") throw UsageError{"--json and --stats-file - both write to standard output"};

  const std::string paths[2] = {args.Positional()[0], args.Positional()[1]};
  if (statsPath && statsPath != "-") RefuseInputAtRisk(*statsPath, paths);
  std::shared_ptr<corvane::VideoFile> files[2];
  const auto a = ResolveInput(paths[0], args, true, &files[0]);
  const auto b = ResolveInput(paths[1], args, false, &files[1]);
  const auto planned = corvane::analysis::PlanCompare(a, b, options);
  if (!planned) {
    // An offset or a region that does not fit the files is a usage error.
    using corvane::analysis::CompareCode;
    const CompareCode code = planned.error().code;
    if (code == CompareCode::kNoPair || code == CompareCode::kRegionOutside || code == CompareCode::kRegionOddForChroma)
      throw UsageError{CompareStatusText(planned.error(), paths)};
    throw Failure{CompareStatusText(planned.error(), paths)};
  }
  const corvane::analysis::ComparePlan& plan = *planned;

  StatsFile stats(statsPath);
  stats.Open();
  if (json)
    std::printf("{\"a\": %s, \"b\": %s, \"frames\": [", JsonString(paths[0]).c_str(), JsonString(paths[1]).c_str());

  corvane::analysis::SequenceSummary summary;
  corvane::Result<void, corvane::analysis::CompareStatus> ran;
  corvane::tools::ToolProgress progress;
  progress.total = plan.bytesPerPair * plan.frameCount;
  {
    ProgressLine line("compare", &progress);
    ran = corvane::analysis::RunCompare(a, b, options, plan, [&](const FrameMetrics& m) {
      summary.Add(m);
      if (options.metrics.psnr) stats.Write(corvane::analysis::PsnrStatsLine(m));
      if (options.metrics.ssim) stats.Write(corvane::analysis::SsimStatsLine(m));
      if (json) std::printf("%s\n  %s", m.index == 1 ? "" : ",", FrameJson(m, options.metrics).c_str());
      progress.written = progress.total * m.index / plan.frameCount;
      if (progress.onChunk) progress.onChunk(progress.written, progress.total);
    });
  }
  if (!ran) throw Failure{CompareStatusText(ran.error(), paths)};
  stats.Commit();

  if (json) {
    std::printf("\n], \"summary\": %s}\n", SummaryJson(summary, plan, options.metrics).c_str());
  } else {
    if (options.metrics.psnr) std::printf("%s\n", summary.PsnrLine().c_str());
    if (options.metrics.ssim) std::printf("%s\n", summary.SsimLine().c_str());
    std::printf("frames: %llu compared from %u", static_cast<unsigned long long>(summary.Frames()), plan.firstFrame);
    if (plan.offset != 0) std::printf(" (B from %u)", plan.FirstOf(1));
    for (int i = 0; i < 2; ++i)
      if (plan.LeftOver(i)) std::printf(", %u more in %s not compared", plan.LeftOver(i), i == 0 ? "A" : "B");
    std::printf("\n");
    if (summary.Differs()) {
      const auto& d = summary.FirstDifferenceSeen();
      std::printf("first difference: frame %u, plane %c, x %u, y %u\n", summary.FirstDifferentFrame(),
                  PlaneLetter(summary.LastSampling(), d.plane, true), d.x, d.y);
    } else {
      std::printf("no difference: the compared frames are identical\n");
    }
  }
  return kExitOk;  // standard output is checked by main
}

const Registrar kCompare(
    {"compare",
     "compare A B [--psnr] [--ssim] [--stats-file FILE|-] [--json] [--frames N] [--from N] [--offset K] "
     "[--crop WxH+X+Y] [--format NAME --size WxH] [--ref-format NAME --ref-size WxH]  PSNR and SSIM of B against A",
     "Usage: corvane-tool compare A B [--psnr] [--ssim] [--stats-file FILE|-] [--json] [--frames N] [--from N]\n"
     "                            [--offset K] [--crop WxH+X+Y]\n"
     "                            [--format NAME --size WxH] [--ref-format NAME --ref-size WxH]\n"
     "Compares B with the reference A frame by frame and prints ffmpeg's psnr and ssim summaries:\n"
     "  PSNR y:... u:... v:... average:... min:... max:...\n"
     "  SSIM Y:... (dB) U:... V:... All:... (dB)\n"
     "then how many frames were compared and where the files first differ (frame, plane, x, y).\n"
     "  --psnr, --ssim       only this metric (default: both, in one pass)\n"
     "  --stats-file FILE|-  one line per frame in the format of ffmpeg's psnr and ssim stats files\n"
     "                       (with both metrics, the psnr line then the ssim line); - is standard output;\n"
     "                       FILE appears only when the run has finished, and is never A or B\n"
     "  --json               the summary and every frame as JSON on standard output (null: infinite)\n"
     "  --from N --frames N  compare frames N.. (1-based, A's numbers), at most N of them\n"
     "  --offset K           shift B: B's frame n+K is compared with A's frame n (K may be negative; a\n"
     "                       positive K skips B's first K frames, a negative one A's first -K frames,\n"
     "                       as ffmpeg's trim=start_frame on that input); the stats lines count pairs from 1\n"
     "  --crop WxH+X+Y       measure only that rectangle of both frames (ffmpeg's crop=W:H:X:Y on both\n"
     "                       inputs); it must lie inside the frames, and X, W (4:2:0, 4:2:2) and Y, H\n"
     "                       (4:2:0) be even, so chroma is cut at X/2, Y/2; the first difference is\n"
     "                       given in the whole frame's coordinates\n"
     "  --format, --size     B's parameters, and A's when A has no trailer\n"
     "  --ref-format, --ref-size  A's parameters\n"
     "Otherwise each file's trailer gives its parameters; a spliced file is compared segment by segment.\n"
     "A Y4M file (A, B or both) takes its header's parameters; --format and --size then serve the other.\n"
     "Packed formats are compared as the planes ffmpeg converts them to (YUYV as 4:2:2, RGB24 as R, G, B,\n"
     "v210 as 10-bit 4:2:2); samples of more than 8 bits at their depth, with peak 2^depth - 1 (1023 for\n"
     "10 bits; two P010 files as ffmpeg compares them, as 16-bit samples with peak 65535); grey as Y alone.\n"
     "Frames of different sizes, chroma sampling or bit depth are refused. Exit status 0 when compared,\n"
     "1 when refused or failed (the reason on standard error), 2 for bad usage (an offset that leaves\n"
     "no pair and a crop that does not fit the frames included). Progress is shown on\n"
     "standard error when that is a terminal.",
     RunCompareCommand});

}  // namespace
}  // namespace cli
