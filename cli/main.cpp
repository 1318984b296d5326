// corvane-tool: raw video files from the command line.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/cli_common.h"

namespace {

// Every format of the formats' table, with its other names, wrapped to fit
// a terminal: the list grows with the table.
std::string FormatNames() {
  std::vector<std::string> names;
  for (const auto& e : corvane::kUserFormatNames) {
    std::string name(corvane::UserFormatName(e.code));
    for (const auto& alias : corvane::kUserFormatAliases)
      if (alias.code == e.code) name += " (alias " + std::string(alias.label) + ")";
    names.push_back(std::move(name));
  }
  std::string text = "Format names (" + std::to_string(names.size()) + "):";
  size_t lineStart = 0;
  for (size_t i = 0; i < names.size(); ++i) {
    const std::string item = names[i] + (i + 1 < names.size() ? "," : ".");
    if (text.size() - lineStart + 1 + item.size() > 78) {
      text += "\n";
      lineStart = text.size();
    } else {
      text += " ";
    }
    text += item;
  }
  return text + "\nffmpeg's names of the same layouts (yuv420p, nv12, p010le, ...) are taken too.\n";
}

void PrintHelp(std::FILE* out) {
  std::fprintf(out,
               "Usage: corvane-tool COMMAND [ARGS...]\n"
               "Work on raw video files (.yuv) and Y4M files (.y4m) without a window.\n\nCommands:\n");
  auto commands = cli::Registry();
  std::sort(commands.begin(), commands.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
  for (const auto& c : commands) std::fprintf(out, "  %s\n", std::string(c.synopsis).c_str());
  std::fprintf(out, "\n%s", FormatNames().c_str());
  std::fprintf(out,
               "'corvane-tool COMMAND --help' describes one command.\n"
               "Exit status: 0 success, 1 failure, 2 bad usage.\n");
}

// A command's lines reach standard output only when the buffer is flushed,
// so a full disk or a closed pipe shows here, at the end, and only here for
// short output: the exit status must say it. The write error stays set in
// the stream even when a later flush succeeds.
int CheckStandardOutput(const std::string& command, int status) {
  const bool flushFailed = std::fflush(stdout) != 0;
  const int err = errno;
  if (!flushFailed && !std::ferror(stdout)) return status;
  const bool named = !command.empty() && command[0] != '-' && command != "help";
  const std::string prefix = named ? "corvane-tool " + command : "corvane-tool";
  if (flushFailed)
    std::fprintf(stderr, "%s: cannot write to standard output: %s\n", prefix.c_str(), std::strerror(err));
  else
    std::fprintf(stderr, "%s: cannot write to standard output\n", prefix.c_str());
  return cli::kExitFail;
}

int Run(const std::vector<std::string>& args);

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  const int status = Run(args);
  return CheckStandardOutput(args.empty() ? std::string() : args[0], status);
}

namespace {

int Run(const std::vector<std::string>& args) {
  if (args.empty()) {
    PrintHelp(stderr);
    return cli::kExitUsage;
  }
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    PrintHelp(stdout);
    return cli::kExitOk;
  }
  for (const auto& c : cli::Registry()) {
    if (c.name != args[0]) continue;
    std::vector<std::string> rest(args.begin() + 1, args.end());
    for (const auto& a : rest) {
      if (a == "--") break;
      if (a == "--help" || a == "-h") {
        std::printf("%s\n", std::string(c.help).c_str());
        return cli::kExitOk;
      }
    }
    try {
      return c.run(rest);
    } catch (const cli::UsageError& e) {
      std::fprintf(stderr, "corvane-tool %s: %s\nTry 'corvane-tool %s --help'.\n", args[0].c_str(),
                   e.message.c_str(), args[0].c_str());
      return cli::kExitUsage;
    } catch (const cli::Failure& e) {
      std::fprintf(stderr, "corvane-tool %s: %s\n", args[0].c_str(), e.message.c_str());
      return cli::kExitFail;
    } catch (const std::exception& e) {
      std::fprintf(stderr, "corvane-tool %s: %s\n", args[0].c_str(), e.what());
      return cli::kExitFail;
    }
  }
  std::fprintf(stderr, "corvane-tool: unknown command '%s'\nTry 'corvane-tool --help'.\n", args[0].c_str());
  return cli::kExitUsage;
}

}  // namespace
