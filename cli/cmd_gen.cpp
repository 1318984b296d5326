// corvane-tool gen: test clips in any format, and the spliced demo clip.
#include <cstdio>
#include <cstring>

#include "cli/cli_common.h"
#include "formats/test_pattern.h"
#include "platform/file.h"

namespace cli {
namespace {

struct Segment {
  corvane::YUVPara para;
  uint32_t frames;
};

// Writes the segments' frames back to back; with a trailer when asked (a
// plain one for one segment, one record per segment for several). The file
// is written under a temporary name and renamed, so a failure leaves nothing.
void WriteClip(const std::string& out, const std::vector<Segment>& segments, bool trailer) {
  platform::ReplacingFile file;
  if (int err = platform::ErrnoOf(file.Open(out))) throw Failure{"cannot create '" + out + "': " + platform::ErrorText(err)};
  auto write = [&](const std::vector<uint8_t>& bytes, uint64_t pos) {
    if (int err = platform::ErrnoOf(file.WriteAt(bytes.data(), bytes.size(), pos)))
      throw Failure{"cannot write '" + out + "': " + platform::ErrorText(err)};
  };
  uint64_t pos = 0;
  std::vector<corvane::YUVPara> records;
  for (const Segment& s : segments) {
    corvane::YUVPara rec = s.para;
    rec.tag = corvane::kParaTag;
    rec.SetOffset(pos);
    records.push_back(rec);
    for (uint32_t i = 0; i < s.frames; ++i) {
      const std::vector<uint8_t> frame = corvane::MakePatternFrame(s.para, i);
      write(frame, pos);
      pos += frame.size();
    }
  }
  if (trailer) write(corvane::EncodeTrailer(records), pos);
  if (int err = platform::ErrnoOf(file.Commit())) throw Failure{"cannot write '" + out + "': " + platform::ErrorText(err)};
}

// The demo clip: segments that differ in format, size and frame rate, so that
// playing it shows every kind of segment change.
std::vector<Segment> DemoSegments() {
  using namespace corvane;
  return {{MakePara(fmt::YV12, 352, 288, 40), 50},  {MakePara(fmt::YUYV, 320, 240, 33), 40},
          {MakePara(fmt::NV12, 176, 144, 20), 60},  {MakePara(fmt::RGB3, 352, 288, 80), 15},
          {MakePara(fmt::UYVY, 352, 288, 40), 25}};
}

int RunGen(const std::vector<std::string>& argv) {
  Args args(argv, {"trailer", "demo"}, {"format", "size", "frames", "interval"});
  if (args.Positional().size() != 1) throw UsageError{"expected one OUT file"};
  const std::string& out = args.Positional()[0];
  if (args.Has("demo")) {
    if (args.Has("format") || args.Has("size") || args.Has("frames") || args.Has("interval") || args.Has("trailer"))
      throw UsageError{"--demo takes no other options"};
    WriteClip(out, DemoSegments(), true);
    return kExitOk;
  }
  if (!args.Has("format") || !args.Has("size")) throw UsageError{"--format and --size are required (or --demo)"};
  const uint32_t code = ParseFormat(*args.Get("format"));
  const auto [w, h] = ParseSize(*args.Get("size"));
  const uint32_t frames = args.Has("frames") ? ParseUint(*args.Get("frames"), "frame count") : 25;
  const uint32_t interval = args.Has("interval") ? ParseUint(*args.Get("interval"), "interval") : corvane::kDefaultFrameInterval;
  const corvane::YUVPara para = corvane::MakePara(code, w, h, interval);
  corvane::YUVType type;
  uint32_t fs;
  if (!corvane::GetTypeAndFrameSize(&para, &type, &fs))
    throw UsageError{"frame size of " + std::to_string(w) + "x" + std::to_string(h) + " is too large"};
  WriteClip(out, {{para, frames}}, args.Has("trailer"));
  return kExitOk;
}

const Registrar kGen({"gen", "gen OUT --format NAME --size WxH [--frames N] [--interval MS] [--trailer] | gen OUT --demo",
                      "Usage: corvane-tool gen OUT --format NAME --size WxH [--frames N] [--interval MS] [--trailer]\n"
                      "       corvane-tool gen OUT --demo\n"
                      "Writes a moving test pattern (colour bars, a moving square, a grey ramp).\n"
                      "  --frames N      number of frames (default 25)\n"
                      "  --interval MS   frame interval stored in the trailer (default 40)\n"
                      "  --trailer       append a parameter trailer with format, size and interval\n"
                      "  --demo          write the spliced demo clip: five segments of different\n"
                      "                  formats, sizes and intervals",
                      RunGen});

}  // namespace
}  // namespace cli
