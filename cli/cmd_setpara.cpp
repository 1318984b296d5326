// corvane-tool setpara: saves a one-record parameter trailer, as the player does.
#include <optional>
#include <tuple>

#include "cli/cli_common.h"
#include "cli/messages.h"
#include "engine/frame_source.h"
#include "formats/result_codes.h"
#include "formats/video_file.h"
#include "platform/file.h"

namespace cli {
namespace {

// The source only needs somewhere to say its one message.
class NoticeToStderr : public corvane::SourceHost {
 public:
  bool IsPaused() const override { return true; }
  float GetSpeed() const override { return 1.0f; }
  uint32_t GetLastPresentedFrame() const override { return 1; }
  void SetSegmentPara(const corvane::YUVPara&) override {}
  void FlushQueue() override {}
  void SetFileInfo(uint64_t, uint32_t) override {}
  void ShowNotice(corvane::Notice notice) override { shown = notice; }
  std::optional<corvane::Notice> shown;
};

int RunSetPara(const std::vector<std::string>& argv) {
  Args args(argv, {}, {"format", "size", "interval"});
  if (args.Positional().size() != 1) throw UsageError{"expected one FILE"};
  if (!args.Has("format") || !args.Has("size")) throw UsageError{"--format and --size are required"};
  const std::string& path = args.Positional()[0];
  corvane::YUVPara para = corvane::DefaultPara();
  para.format = ParseFormat(*args.Get("format"));
  std::tie(para.width, para.height) = ParseSize(*args.Get("size"));
  para.frameInterval = args.Has("interval") ? ParseUint(*args.Get("interval"), "interval") : corvane::kDefaultFrameInterval;
  corvane::YUVType type;
  uint32_t fs;
  if (!corvane::GetTypeAndFrameSize(&para, &type, &fs)) throw UsageError{"frame size is too large"};
  if (corvane::IsY4mFile(path))
    throw Failure{"'" + path + "' is a Y4M file: its stream header already gives its format, size and rate, "
                  "and no trailer is written into it"};
  // A coded file's parameters are its decoder's; bytes after its stream would
  // only damage the container.
  if (const auto file = corvane::OpenVideoFile(path); file && (*file)->Facts() && !(*file)->Facts()->codec.empty())
    throw Failure{"'" + path + "' is a coded file (" + (*file)->Facts()->codec +
                  "): its stream gives its format, size and rate, and no trailer is written into it"};

  NoticeToStderr host;
  corvane::FrameSource source(&host);
  const auto opened = source.Open(path);
  if (!opened) {
    // The source says only that it failed: the file itself says why.
    const auto file = corvane::RawVideoFile::Open(path);
    if (!file) throw Failure{"cannot open '" + path + "': " + platform::ErrorText(file.error().error)};
    throw Failure{"cannot open '" + path + "': the file is empty"};
  }
  if (opened->readOnly) throw Failure{"'" + path + "' is read-only"};
  (void)source.ReadTrailer({}, false);
  if (!source.SavePara(&para)) {
    if (host.shown) throw Failure{NoticeText(*host.shown)};
    throw Failure{"cannot write the trailer of '" + path + "'"};
  }
  return kExitOk;
}

const Registrar kSetPara({"setpara", "setpara FILE --format NAME --size WxH [--interval MS]  save the file's parameters",
                          "Usage: corvane-tool setpara FILE --format NAME --size WxH [--interval MS]\n"
                          "Saves the frame parameters in a one-record trailer at the end of FILE.\n"
                          "A second save replaces the trailer; it never appends another. Spliced\n"
                          "files keep their own per-segment trailer and are refused, and so are Y4M\n"
                          "files, whose stream header already gives their parameters, and coded files\n"
                          "(MP4, MKV, ...), whose decoder gives them.",
                          RunSetPara});

}  // namespace
}  // namespace cli
