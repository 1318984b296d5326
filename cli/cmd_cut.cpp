// corvane-tool cut: a range of frames copied into a new raw file.
#include "cli/cli_common.h"
#include "cli/messages.h"
#include "cli/progress_line.h"
#include "tools/file_cut.h"

namespace cli {
namespace {

int RunCut(const std::vector<std::string>& argv) {
  Args args(argv, {"force", "raw", "y4m"}, {"output", "from", "to", "format", "size"});
  if (args.Positional().size() != 1) throw UsageError{"expected one FILE"};
  if (!args.Has("output")) throw UsageError{"-o OUT is required"};
  if (!args.Has("from") || !args.Has("to")) throw UsageError{"--from and --to are required"};
  const std::string& path = args.Positional()[0];
  const uint32_t from = ParseUint(*args.Get("from"), "first frame");
  const uint32_t to = ParseUint(*args.Get("to"), "last frame");

  const FileParams fp = ResolveFileParams(path, args);
  const corvane::tools::CutSource source = corvane::tools::ProbeCut(path, fp.para);
  if (!source.result) throw Failure{ToolResultText(source.result)};
  if (source.frameCount == 0) throw Failure{"'" + path + "' holds no whole frame of these parameters"};
  if (args.Has("raw") && !source.streamHeader)
    throw UsageError{source.coded ? "--raw applies to a Y4M file (a coded file is cut into raw frames already)"
                                  : "--raw applies to a Y4M file (this one is raw already)"};
  if (args.Has("y4m") && !source.coded) throw UsageError{"--y4m applies to a coded file (MP4, MKV, ...)"};
  if (from == 0 || from > to || to > source.frameCount)
    throw UsageError{"--from and --to must satisfy 1 <= from <= to <= " + std::to_string(source.frameCount)};

  corvane::tools::CutJob job;
  job.source = path;
  job.para = fp.para;
  job.firstFrame = from;
  job.lastFrame = to;
  job.target = *args.Get("output");
  job.overwrite = args.Has("force");
  job.bareFrames = args.Has("raw");
  job.y4m = args.Has("y4m");
  corvane::tools::ToolProgress progress;
  corvane::tools::ToolResult result;
  {
    ProgressLine line("cut", &progress);
    result = corvane::tools::Cut(job, &progress);
  }
  if (!result) throw Failure{ToolResultText(result, std::span(&job.source, 1))};
  return kExitOk;
}

const Registrar kCut({"cut", "cut FILE --from A --to B -o OUT [--force] [--raw|--y4m] [--format NAME --size WxH]  copy frames A..B",
                      "Usage: corvane-tool cut FILE --from A --to B -o OUT [--force] [--raw|--y4m] [--format NAME --size WxH]\n"
                      "Copies frames A to B (1-based, both included) of FILE into OUT, byte for byte.\n"
                      "OUT holds frame data only, without a parameter trailer (a coded file's cut\n"
                      "excepted, below). The frame size comes from FILE's trailer, or from --format\n"
                      "and --size. Spliced files cannot be cut.\n"
                      "A Y4M file is cut into a Y4M file: its stream header as it is, then frames A to B\n"
                      "with their own frame headers; its header gives the frame size.\n"
                      "A coded file (MP4, MKV, WebM, IVF, TS, .264, ...) is cut into its decoded\n"
                      "frames A to B, frame n being the n-th in presentation order: a raw file of\n"
                      "the decoded format with a one-record parameter trailer, so that it opens\n"
                      "without asking; or a Y4M file with --y4m.\n"
                      "  --raw     from a Y4M file, write the frames alone (a raw file, no headers)\n"
                      "  --y4m     from a coded file, write a Y4M file (the stream's rate and range)\n"
                      "  --force   replace OUT if it exists (it is never one of the files read)\n"
                      "OUT appears only when the cut is complete; a failed cut leaves an existing OUT\n"
                      "as it was. Progress is shown on standard error when that is a terminal.",
                      RunCut});

}  // namespace
}  // namespace cli
