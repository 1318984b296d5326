// Display throughput: take a frame from a file as the player's reader does
// (lent through formats/video_file.h, no copy), put it into its
// surface (a copy, or the frame itself when the surface holds its layout), convert and scale it
// into a 1280×720 window, per format at 1920×1080 and
// for I420 at 3840×2160, and for 10-bit I010, P010 and v210; side by side with ffmpeg doing the same work
// single-threaded (rawvideo in, bilinear scale to 1280×720, BGRA out) in the
// same run, for the YUV formats once per matrix (BT.601, BT.709, BT.2020 at
// limited range). Clips come from ffmpeg's testsrc2 in a temporary folder.
//
// ffmpeg's rate excludes its start-up: it converts N and 2N frames (the clip
// looped) and the rate is N over the difference of the two wall times.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "formats/result_codes.h"
#include "engine/display.h"
#include "engine/surface_copy.h"
#include "formats/video_file.h"
#include "platform/file.h"
#include "platform/video_window.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kClipFrames = 8;

struct Format {
  const char* pixFmt;
  corvane::YUVType type;
  uint32_t width, height;
  const char* codec = nullptr;  // v210: a codec to ffmpeg, read from a NUT file there
  corvane::YuvMatrix matrix = corvane::YuvMatrix::kBt601;  // YUV formats run once per matrix
};
const Format kFormats[] = {
    {"yuv420p", corvane::YUV_YV12, 1920, 1080}, {"nv12", corvane::YUV_NV12, 1920, 1080},
    {"yuyv422", corvane::YUV_YUYV, 1920, 1080}, {"yvyu422", corvane::YUV_YVYU, 1920, 1080},
    {"uyvy422", corvane::YUV_UYVY, 1920, 1080}, {"yuv422p", corvane::YUV_YV16, 1920, 1080},
    {"bgra", corvane::YUV_RGB32, 1920, 1080},   {"bgr24", corvane::YUV_RGB24, 1920, 1080},
    {"rgb565le", corvane::YUV_RGB565, 1920, 1080}, {"yuv420p", corvane::YUV_YV12, 3840, 2160},
    {"yuv420p10le", corvane::YUV_I010, 1920, 1080}, {"p010le", corvane::YUV_P010, 1920, 1080},
    {"yuv422p10le", corvane::YUV_V210, 1920, 1080, "v210"},
};

bool IsRgb(const Format& f) { return f.type >= corvane::YUV_RGB32 && f.type <= corvane::YUV_RGB555; }
const char* FfmpegMatrix(corvane::YuvMatrix m) {
  return m == corvane::YuvMatrix::kBt709 ? "bt709" : m == corvane::YuvMatrix::kBt2020 ? "bt2020" : "bt601";
}

// The clip's name; the matrix is added for the YUV formats' rows.
std::string ClipLabel(const Format& f) {
  return std::string(f.codec ? f.codec : f.pixFmt) + "/" + std::to_string(f.width) + "x" + std::to_string(f.height);
}
std::string Label(const Format& f) { return IsRgb(f) ? ClipLabel(f) : ClipLabel(f) + "/" + FfmpegMatrix(f.matrix); }

// A window that keeps only the latest picture, as a widget between paints.
class DroppingWindow : public platform::VideoWindow {
 public:
  platform::Rect ClientRect() const override { return {0, 0, 1280, 720}; }
  bool IsVisible() const override { return true; }
  bool IsMinimized() const override { return false; }
  void Present(std::shared_ptr<const platform::Picture> picture) override {
    m_last = std::move(picture);
  }

 private:
  std::shared_ptr<const platform::Picture> m_last;
};

std::filesystem::path WorkDir() {
  static const std::filesystem::path dir = [] {
    auto d = std::filesystem::temp_directory_path() / ("corvane-display-bench-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(d);
    return d;
  }();
  return dir;
}

// The raw clip ours reads, or (container) the same frames in a NUT file for
// ffmpeg, which reads a codec such as v210 only from a container.
std::string Clip(const Format& f, bool container = false) {
  const std::string ext = container ? ".nut" : ".yuv";
  std::string name = ClipLabel(f);
  name[name.find('/')] = '_';
  const std::string path = (WorkDir() / (name + ext)).string();
  if (!std::filesystem::exists(path)) {
    const std::string codec = f.codec ? std::string(" -c:v ") + f.codec : "";
    const std::string cmd = "ffmpeg -nostdin -y -loglevel error -f lavfi -i testsrc2=size=" + std::to_string(f.width) +
                            "x" + std::to_string(f.height) + " -frames:v " + std::to_string(kClipFrames) +
                            " -pix_fmt " + f.pixFmt + codec + (container ? " " : " -f rawvideo ") + path;
    if (std::system(cmd.c_str()) != 0) return {};
  }
  return path;
}

void BM_Corvane(benchmark::State& state, Format f) {
  const std::string path = Clip(f);
  if (path.empty()) return state.SkipWithError("ffmpeg could not make the clip");
  auto opened = corvane::RawVideoFile::Open(path);
  if (!opened) return state.SkipWithError("cannot open clip");
  corvane::RawVideoFile& file = **opened;
  if (!file.UseParameters(corvane::MakePara(corvane::CodeOfType(f.type), f.width, f.height), false))
    return state.SkipWithError("no parameters for the clip");
  const corvane::FrameInfo info{f.width, f.height, f.type};
  const size_t frameSize = size_t(corvane::FrameBytes(info));
  DroppingWindow wnd;
  corvane::Display out;
  if (out.Attach(&wnd) != corvane::kOk) return state.SkipWithError("no display");
  out.SetColourSpace({f.matrix, corvane::YuvRange::kLimited});
  int n = 0;
  for (auto _ : state) {
    // As the player's reader gets a frame: lent by the file where it lies
    // (the loan of the frame before ends, as the reader's buffer is filled
    // again).
    auto loan = file.LendFrame(uint32_t(n++ % kClipFrames) + 1);
    if (!loan) return state.SkipWithError("the file lent no frame");
    if (out.Draw(loan->data, uint32_t(frameSize), &info) != corvane::kOk) return state.SkipWithError("draw failed");
  }
  state.SetItemsProcessed(state.iterations());
}

double FfmpegSeconds(const Format& f, const std::string& path, int frames) {
  const std::string input = f.codec ? "" : "-f rawvideo -pix_fmt " + std::string(f.pixFmt) + " -s " +
                                                std::to_string(f.width) + "x" + std::to_string(f.height) + " ";
  const std::string cmd = "ffmpeg -nostdin -loglevel error -threads 1 -filter_threads 1 -stream_loop -1 " + input +
                          "-i " + path +
                          " -vf scale=1280:720:flags=bilinear" +
                          (IsRgb(f) ? "" : std::string(":in_color_matrix=") + FfmpegMatrix(f.matrix) + ":in_range=tv") +
                          " -pix_fmt bgra -frames:v " + std::to_string(frames) +
                          " -f null -";
  const auto t0 = Clock::now();
  if (std::system(cmd.c_str()) != 0) return -1;
  return std::chrono::duration<double>(Clock::now() - t0).count();
}

void BM_Ffmpeg(benchmark::State& state, Format f) {
  const std::string path = Clip(f, f.codec != nullptr);
  if (path.empty()) return state.SkipWithError("ffmpeg could not make the clip");
  const int n = f.width > 1920 ? 40 : 120;
  int64_t frames = 0;
  for (auto _ : state) {
    const double one = FfmpegSeconds(f, path, n), two = FfmpegSeconds(f, path, 2 * n);
    if (one < 0 || two < 0) return state.SkipWithError("ffmpeg failed");
    state.SetIterationTime(std::max(two - one, 1e-6));
    frames += n;
  }
  state.SetItemsProcessed(frames);
}

// Collects frames per second of both sides and prints them as one table.
class TableReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& r : runs) {
      if (r.error_occurred) continue;
      auto it = r.counters.find("items_per_second");
      if (it == r.counters.end()) continue;
      // "Side/pixfmt/WxH[/matrix]/<benchmark's own suffixes>" -> side, label
      const std::string name = r.benchmark_name();
      const size_t a = name.find('/');
      size_t end = name.size();
      for (const char* suffix : {"/min_time", "/iterations", "/real_time", "/manual_time"})
        end = std::min(end, name.find(suffix));
      const std::string side = name.substr(0, a), label = name.substr(a + 1, end - a - 1);
      auto& row = m_rows[label];
      (side == "Corvane" ? row.first : row.second) = it->second.value;
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    std::printf("\n| format (read, surface, convert, scale to 1280x720) | Corvane frames/s | ffmpeg frames/s | ratio |\n");
    std::printf("|---|---:|---:|---:|\n");
    for (const auto& [label, row] : m_rows)
      std::printf("| %s | %.0f | %.0f | %.2fx |\n", label.c_str(), row.first, row.second,
                  row.second > 0 ? row.first / row.second : 0.0);
  }

 private:
  std::map<std::string, std::pair<double, double>> m_rows;
};

}  // namespace

int main(int argc, char** argv) {
  std::vector<Format> rows;
  for (const Format& f : kFormats)
    for (const auto m : {corvane::YuvMatrix::kBt601, corvane::YuvMatrix::kBt709, corvane::YuvMatrix::kBt2020}) {
      if (IsRgb(f) && m != corvane::YuvMatrix::kBt601) continue;
      Format row = f;
      row.matrix = m;
      rows.push_back(row);
    }
  for (const Format& f : rows) {
    benchmark::RegisterBenchmark(("Corvane/" + Label(f)).c_str(), BM_Corvane, f)->MinTime(1.0)->UseRealTime();
    benchmark::RegisterBenchmark(("Ffmpeg/" + Label(f)).c_str(), BM_Ffmpeg, f)
        ->Iterations(2)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::Initialize(&argc, argv);
  TableReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  std::error_code ec;
  std::filesystem::remove_all(WorkDir(), ec);
  return 0;
}
