#include "cli/progress_line.h"

#include <cstdio>
#include <unistd.h>

namespace cli {

ProgressLine::ProgressLine(std::string command, corvane::tools::ToolProgress* progress)
    : m_command(std::move(command)) {
  if (!progress || !::isatty(2)) return;
  progress->onChunk = [this](uint64_t written, uint64_t total) { Draw(written, total, written == total); };
}

ProgressLine::~ProgressLine() {
  if (m_shown) std::fputc('\n', stderr);
}

void ProgressLine::Draw(uint64_t written, uint64_t total, bool force) {
  // Redrawing on every chunk would cost more than the copy on a fast disk.
  const auto now = std::chrono::steady_clock::now();
  if (!force && m_shown && now - m_last < std::chrono::milliseconds(100)) return;
  m_last = now;
  m_shown = true;
  const unsigned percent = total ? unsigned(written * 100 / total) : 100;
  std::fprintf(stderr, "\rcorvane-tool %s: %3u %% (%llu of %llu MiB)", m_command.c_str(), percent,
               static_cast<unsigned long long>(written >> 20), static_cast<unsigned long long>(total >> 20));
  std::fflush(stderr);
}

}  // namespace cli
