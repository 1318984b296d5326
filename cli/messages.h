// The one place where corvane-tool turns the engine's result codes and
// notices into words.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "analysis/compare.h"
#include "analysis/stats_run.h"
#include "capture/still_encoder.h"
#include "engine/source_host.h"
#include "tools/tool_job.h"

namespace cli {

// The user's text for an engine notice (the same words the player shows).
std::string NoticeText(corvane::Notice notice);

// What a failed result code means, for an error line: "no surface in the
// frame's format or a fallback" and so on; unknown codes give their value.
std::string ResultText(int32_t code);

// The error line for a still capture that failed with `code`: why the frame
// cannot be saved as `kind` for StillEncoder::CheckFrame's refusals ("cannot
// capture NV12 frames as JPEG: ..."), "<kind> capture of <geometry> failed"
// for any other code. formatLabel names the frame's format ("NV12"),
// geometryLabel its format and size ("NV12 352x288").
std::string StillRefusalText(int32_t code, corvane::StillKind kind, const std::string& formatLabel,
                             const std::string& geometryLabel);

// The refusal of an output that is one of the files read: "writing 'b.yuv'
// would destroy 'b.yuv', a file it is made from". `written` is the name that
// would be written (the output or its temporary name), `input` as given.
std::string InputAtRiskText(const std::string& written, const std::string& input);

// Why a cut or splice did not happen, naming the file concerned. `inputs`
// lets a refusal name the input the target would have destroyed.
std::string ToolResultText(const corvane::tools::ToolResult& result, std::span<const std::string> inputs = {});

// Why two files were not (or not completely) compared, naming the file or
// files concerned: paths[0] is A, paths[1] is B.
std::string CompareStatusText(const corvane::analysis::CompareStatus& status, const std::string (&paths)[2]);

// Why the statistics of `path` were not (or not completely) measured.
std::string StatsFailureText(const corvane::analysis::StatsFailure& failure, const std::string& path);

}  // namespace cli
