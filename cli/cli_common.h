// Shared pieces of corvane-tool: the command registry, option parsing and the
// way a command learns a file's frame parameters.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <memory>

#include "formats/colour_space.h"
#include "formats/trailer.h"
#include "formats/video_file.h"
#include "formats/yuv_format.h"

namespace cli {

// Exit statuses: 0 success, 1 failure, 2 bad usage.
constexpr int kExitOk = 0;
constexpr int kExitFail = 1;
constexpr int kExitUsage = 2;

struct Command {
  std::string_view name;
  std::string_view synopsis;  // one line, shown by --help
  std::string_view help;      // the command's own --help text
  std::function<int(const std::vector<std::string>& args)> run;  // args after the command name
};

// Each cmd_*.cpp registers its command with a static Registrar.
std::vector<Command>& Registry();
struct Registrar {
  explicit Registrar(Command c) { Registry().push_back(std::move(c)); }
};

// Raised by the parsing helpers; main turns it into "corvane-tool: ..." on
// stderr and exit status 2.
struct UsageError {
  std::string message;
};
// A failure of the work itself: message on stderr, exit status 1.
struct Failure {
  std::string message;
};

// A small getopt-like parser: positional arguments, --flag and --opt VALUE
// (also --opt=VALUE), and -o OUT for commands with an "output" option.
// Unknown options are usage errors.
class Args {
 public:
  Args(const std::vector<std::string>& args, std::vector<std::string> flags, std::vector<std::string> options);
  const std::vector<std::string>& Positional() const { return m_positional; }
  bool Has(std::string_view name) const;
  std::optional<std::string> Get(std::string_view name) const;
  bool WantsHelp() const { return m_help; }

 private:
  std::vector<std::string> m_positional;
  std::vector<std::pair<std::string, std::string>> m_values;
  bool m_help = false;
};

uint32_t ParseUint(std::string_view text, std::string_view what);
std::pair<uint32_t, uint32_t> ParseSize(std::string_view text);  // "WxH"
uint32_t ParseFormat(std::string_view name);                      // user-facing name -> code
std::string FormatLabel(uint32_t code);                           // "I420 (YV12)"
// A JSON string literal of s, quotes included.
std::string JsonString(std::string_view s);

// Opens an input through the video file interface (a raw file's trailer
// read, a Y4M file's header parsed and its frames indexed), or fails saying
// why: it is missing, a folder, not a regular file (a FIFO would hang the
// command, a device never end), cannot be read, its Y4M header is refused
// (the reason), or it is the very file standard output goes to (the
// command's own lines would be written into it).
std::shared_ptr<corvane::VideoFile> OpenInput(const std::string& path);
// The raw file behind `file`, or null for a file of another kind (Y4M).
const corvane::RawVideoFile* AsRaw(const corvane::VideoFile& file);

// Fails when writing `output` would destroy one of `inputs` (the same file
// by device and inode, through any link; platform::FindInputAtRisk). Every
// command calls it before it opens anything for writing.
void RefuseInputAtRisk(const std::string& output, std::span<const std::string> inputs);

// Writes a whole output file through platform::ReplacingFile: a failure
// leaves nothing at `path` (and a file that was there unchanged) and says
// the file and the reason.
void WriteOutputFile(const std::string& path, const void* bytes, size_t len);

// Frame parameters for a file: a Y4M file's header (--format and --size
// are refused for it: the header is the truth); else --format/--size (and
// --interval) when given, else the trailer's first record. Fails with a
// clear message otherwise. `file` is the input, open and read with those
// parameters (a spliced file in its segments unless they came from the
// options): commands read frames through it. `open`: the input already
// opened by OpenInput, used as it is. `trailer` is a raw file's (none for
// a Y4M file).
struct FileParams {
  corvane::YUVPara para;
  corvane::TrailerInfo trailer;
  bool fromOptions = false;
  std::shared_ptr<corvane::VideoFile> file;
};
FileParams ResolveFileParams(const std::string& path, const Args& args,
                             std::shared_ptr<corvane::VideoFile> open = nullptr);

// Reads frame n, of that shape, into `out`; a failure names the frame and the file.
void ReadFrameInto(const FileParams& fp, const std::string& path, uint32_t n, std::span<uint8_t> out);

// A window for a frame of w x h as a screen of maxW x maxH would give it:
// the frame's size, shrunk to fit keeping its shape, and no side below the
// 10 pixels the display draws into.
struct WindowSize {
  uint32_t width = 0, height = 0;
};
WindowSize ScreenWindowFor(uint32_t w, uint32_t h, uint32_t maxW, uint32_t maxH);

// --matrix 601|709|2020 and --range limited|full (BT.601 limited when
// absent; without them, the range a Y4M file's header names, the matrix and
// range a coded stream's colour description gives).
corvane::ColourSpace ColourSpaceOf(const Args& args, const corvane::VideoFile* file = nullptr);

}  // namespace cli
