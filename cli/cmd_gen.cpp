// corvane-tool gen: test clips in any format, and the spliced demo clip.
#include <cstdio>
#include <cstring>

#include "cli/cli_common.h"
#include "formats/test_pattern.h"
#include "formats/y4m_stream.h"
#include "platform/file.h"

namespace cli {
namespace {

struct Segment {
  corvane::YUVPara para;
  uint32_t frames;
};

enum class Container { kRaw, kRawWithTrailer, kY4m };

// Writes the segments' frames back to back; with a trailer when asked (a
// plain one for one segment, one record per segment for several), or as a
// Y4M file (one segment: the stream header, then each frame behind
// "FRAME\n"). The file is written under a temporary name and renamed, so a
// failure leaves nothing.
void WriteClip(const std::string& out, const std::vector<Segment>& segments, Container container) {
  platform::ReplacingFile file;
  if (int err = platform::ErrnoOf(file.Open(out))) throw Failure{"cannot create '" + out + "': " + platform::ErrorText(err)};
  auto write = [&](const std::vector<uint8_t>& bytes, uint64_t pos) {
    if (int err = platform::ErrnoOf(file.WriteAt(bytes.data(), bytes.size(), pos)))
      throw Failure{"cannot write '" + out + "': " + platform::ErrorText(err)};
  };
  const bool y4m = container == Container::kY4m;
  uint64_t pos = 0;
  auto put = [&](std::string_view text) {
    write(std::vector<uint8_t>(text.begin(), text.end()), pos);
    pos += text.size();
  };
  std::vector<corvane::YUVPara> records;
  for (const Segment& s : segments) {
    corvane::YUVPara rec = s.para;
    rec.tag = corvane::kParaTag;
    rec.SetOffset(pos);
    records.push_back(rec);
    if (y4m) put(corvane::y4m::StreamHeaderFor(s.para, {1000, s.para.EffectiveInterval()}));
    for (uint32_t i = 0; i < s.frames; ++i) {
      if (y4m) put(corvane::y4m::kBareFrameHeader);
      const std::vector<uint8_t> frame = corvane::MakePatternFrame(s.para, i);
      write(frame, pos);
      pos += frame.size();
    }
  }
  if (container == Container::kRawWithTrailer) write(corvane::EncodeTrailer(records), pos);
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
  Args args(argv, {"trailer", "demo", "y4m"}, {"format", "size", "frames", "interval"});
  if (args.Positional().size() != 1) throw UsageError{"expected one OUT file"};
  const std::string& out = args.Positional()[0];
  if (args.Has("demo")) {
    if (args.Has("format") || args.Has("size") || args.Has("frames") || args.Has("interval") || args.Has("trailer") ||
        args.Has("y4m"))
      throw UsageError{"--demo takes no other options"};
    WriteClip(out, DemoSegments(), Container::kRawWithTrailer);
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
  if (args.Has("y4m")) {
    if (args.Has("trailer")) throw UsageError{"--y4m and --trailer do not go together (a Y4M file has a header)"};
    if (corvane::y4m::SamplingTagOf(code, w, h).empty())
      throw UsageError{"Y4M has no sampling for " + FormatLabel(code) + " at " + std::to_string(w) + "x" +
                       std::to_string(h) + " (it holds I420, YV16, I444, GRAY, I010, I210, I410, I012 and GRAY10; "
                       "I420 at even sizes, YV16 at even widths)"};
  }
  WriteClip(out, {{para, frames}},
            args.Has("y4m") ? Container::kY4m : args.Has("trailer") ? Container::kRawWithTrailer : Container::kRaw);
  return kExitOk;
}

const Registrar kGen({"gen", "gen OUT --format NAME --size WxH [--frames N] [--interval MS] [--trailer|--y4m] | gen OUT --demo",
                      "Usage: corvane-tool gen OUT --format NAME --size WxH [--frames N] [--interval MS] [--trailer|--y4m]\n"
                      "       corvane-tool gen OUT --demo\n"
                      "Writes a moving test pattern (colour bars, a moving square, a grey ramp).\n"
                      "  --frames N      number of frames (default 25)\n"
                      "  --interval MS   frame interval stored in the trailer (default 40)\n"
                      "  --trailer       append a parameter trailer with format, size and interval\n"
                      "  --y4m           write a Y4M file (rate 1000:MS) in the formats Y4M can hold:\n"
                      "                  I420 (420jpeg), YV16 (422), I444, GRAY (mono), I010, I210,\n"
                      "                  I410, I012 (420p10, 422p10, 444p10, 420p12) and GRAY10 (mono10)\n"
                      "  --demo          write the spliced demo clip: five segments of different\n"
                      "                  formats, sizes and intervals",
                      RunGen});

}  // namespace
}  // namespace cli
