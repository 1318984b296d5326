// Progress of a long copy on standard error, when that is a terminal: one
// line rewritten in place a few times a second. Nothing when stderr is a file
// or a pipe, so scripts and logs see only real messages.
#pragma once

#include <chrono>
#include <string>

#include "tools/tool_job.h"

namespace cli {

class ProgressLine {
 public:
  // Hooks into `progress` (its onChunk) when standard error is a terminal.
  ProgressLine(std::string command, corvane::tools::ToolProgress* progress);
  ~ProgressLine();  // ends the line if one was drawn
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

 private:
  void Draw(uint64_t written, uint64_t total, bool force);

  std::string m_command;
  bool m_shown = false;
  std::chrono::steady_clock::time_point m_last{};
};

}  // namespace cli
