// The one place where corvane-tool turns the engine's result codes and
// notices into words.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "engine/source_host.h"
#include "tools/tool_job.h"

namespace cli {

// The user's text for an engine notice (the same words the player shows).
std::string NoticeText(corvane::Notice notice);

// What a failed result code means, for an error line: "no surface in the
// frame's format or a fallback" and so on; unknown codes give their value.
std::string ResultText(int32_t code);

// Why a cut or splice did not happen, naming the file concerned. `inputs`
// lets a refusal name the input the target would have destroyed.
std::string ToolResultText(const corvane::tools::ToolResult& result, std::span<const std::string> inputs = {});

}  // namespace cli
