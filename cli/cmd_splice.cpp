// corvane-tool splice: files joined into one spliced file with a trailer that
// describes each segment.
#include "cli/cli_common.h"
#include "cli/messages.h"
#include "cli/progress_line.h"
#include "tools/file_splice.h"

namespace cli {
namespace {

int RunSplice(const std::vector<std::string>& argv) {
  Args args(argv, {"force"}, {"output"});
  if (args.Positional().empty()) throw UsageError{"expected at least one input file"};
  if (!args.Has("output")) throw UsageError{"-o OUT is required"};

  corvane::tools::SpliceJob job;
  job.target = *args.Get("output");
  job.overwrite = args.Has("force");
  for (const std::string& path : args.Positional()) {
    const corvane::tools::SpliceSource source = corvane::tools::ProbeSpliceInput(path);
    if (!source.result) throw Failure{ToolResultText(source.result)};
    job.inputs.push_back({path, source.recordCount});
  }
  corvane::tools::ToolProgress progress;
  corvane::tools::ToolResult result;
  {
    ProgressLine line("splice", &progress);
    result = corvane::tools::Splice(job, &progress);
  }
  if (!result) throw Failure{ToolResultText(result, args.Positional())};
  return kExitOk;
}

const Registrar kSplice({"splice", "splice -o OUT IN... [--force]  join files into one spliced file",
                         "Usage: corvane-tool splice -o OUT IN... [--force]\n"
                         "Joins the frame data of the inputs, in order, into OUT and ends it with a\n"
                         "trailer of one record per segment, so that segments of different formats,\n"
                         "sizes and intervals play one after another. Every input needs a parameter\n"
                         "trailer ('corvane-tool setpara' gives it one); a spliced input brings all\n"
                         "its segments. Inputs' trailers are not copied, only their frames. A Y4M\n"
                         "input is one segment of its header's parameters (the interval rounded to\n"
                         "whole ms); its frames go in without their frame headers.\n"
                         "  --force   replace OUT if it exists (it is never one of the inputs)\n"
                         "OUT appears only when the splice is complete; a failed splice leaves an\n"
                         "existing OUT as it was. Progress is shown on standard error when that is a\n"
                         "terminal.",
                         RunSplice});

}  // namespace
}  // namespace cli
