// corvane-tool info: what a raw video file, a Y4M file or a coded file holds.
#include <cstdio>
#include <cstring>
#include <optional>

#include "cli/cli_common.h"
#include "formats/name_guess.h"
#include "formats/y4m_file.h"

namespace cli {
namespace {

struct SegmentRow {
  corvane::YUVPara para;
  std::optional<uint64_t> offset;  // none for a coded file: its frames lie nowhere as they are shown
  uint32_t frames;
  bool framesKnown;
};

// Segments as the player would play them.
std::vector<SegmentRow> SegmentRows(const std::string& path, const Args& args,
                                    const std::shared_ptr<corvane::VideoFile>& file) {
  std::vector<SegmentRow> rows;
  if (file->ParametersFixed()) {
    (void)ResolveFileParams(path, args, file);  // refuses --format and --size
    const auto* y4m = dynamic_cast<const corvane::Y4mVideoFile*>(file.get());
    rows.push_back({file->OwnParameters().front(), y4m ? std::optional(y4m->HeaderOffsetOf(1)) : std::nullopt,
                    file->FrameCount(), true});
    return rows;
  }
  const corvane::TrailerInfo& t = AsRaw(*file)->Trailer();
  if (args.Has("format") || args.Has("size")) {
    FileParams fp = ResolveFileParams(path, args, file);
    corvane::YUVType type;
    uint32_t fs = 0;
    corvane::GetTypeAndFrameSize(&fp.para, &type, &fs);
    const uint64_t data = t.kind == corvane::TrailerKind::kPlain ? t.dataSize : t.fileSize;
    rows.push_back({fp.para, 0, corvane::PlainFrameCount(data, fs), true});
  } else if (t.kind == corvane::TrailerKind::kSpliced) {
    for (size_t i = 0; i < t.records.size(); ++i)
      rows.push_back({t.records[i], t.segments[i].start, t.segments[i].frameCount, true});
  } else if (t.kind == corvane::TrailerKind::kPlain) {
    corvane::YUVType type;
    uint32_t fs = 0;
    const bool ok = corvane::GetTypeAndFrameSize(&t.records[0], &type, &fs);
    rows.push_back({t.records[0], 0, corvane::PlainFrameCount(t.dataSize, fs), ok});
  }
  return rows;
}

std::string GuessJson(const corvane::NameGuess& g);
std::string GuessText(const corvane::NameGuess& g);

struct Totals {
  bool allKnown = false;
  uint64_t frames = 0;
};

Totals Total(const std::vector<SegmentRow>& rows) {
  Totals t{!rows.empty(), 0};
  for (const auto& r : rows) {
    t.allKnown = t.allKnown && r.framesKnown;
    t.frames += r.frames;
  }
  return t;
}

std::string RatioJson(const corvane::Ratio& r) {
  return r.Known() ? "[" + std::to_string(r.num) + ", " + std::to_string(r.den) + "]" : std::string("null");
}

// Every field of a Y4M stream header, and what the index found.
std::string StreamJson(const corvane::StreamFacts& f, uint32_t frameSize) {
  std::string tags;
  for (const std::string& tag : f.otherTags) tags += (tags.empty() ? "" : ", ") + JsonString(tag);
  return "{\"header\": " + JsonString(f.header) + ", \"sampling\": " + JsonString(f.sampling) +
         ", \"rate\": " + RatioJson(f.frameRate) + ", \"interlacing\": " +
         JsonString(corvane::InterlacingName(f.interlacing)) + ", \"pixel_aspect\": " + RatioJson(f.pixelAspect) +
         ", \"range\": " + (f.range ? JsonString(corvane::RangeName(*f.range)) : std::string("null")) +
         ", \"other_tags\": [" + tags + "], \"frame_headers\": " + JsonString(f.uniformFrameHeaders ? "bare" : "tagged") +
         ", \"frame_size\": " + std::to_string(frameSize) + ", \"left_over\": " + std::to_string(f.leftOverBytes) + "}";
}

std::string OffsetText(const std::optional<uint64_t>& offset) {
  return offset ? std::to_string(*offset) : std::string("null");
}

bool IsCoded(const corvane::StreamFacts* facts) { return facts && !facts->codec.empty(); }

// The format the frames are shown in, and the decoder's own when they are
// converted from it.
std::string DecodedJson(const corvane::StreamFacts& f) {
  return JsonString(f.decodedFormat) + ", \"converted\": " + (f.converted ? "true" : "false");
}

// What a coded stream says: its codec, colour description and exact rate,
// and with `frames` each frame's facts in presentation order.
std::string CodedJson(const corvane::VideoFile& file, const corvane::StreamFacts& f, bool frames) {
  std::string out = "{\"codec\": " + JsonString(f.codec) + ", \"decoded_format\": " + DecodedJson(f) +
                    ", \"rate\": " + RatioJson(f.frameRate) + ", \"interlacing\": " +
                    JsonString(corvane::InterlacingName(f.interlacing)) + ", \"pixel_aspect\": " +
                    RatioJson(f.pixelAspect) + ", \"range\": " +
                    (f.range ? JsonString(corvane::RangeName(*f.range)) : std::string("null")) + ", \"matrix\": " +
                    (f.matrix ? JsonString(corvane::MatrixName(*f.matrix)) : std::string("null")) +
                    ", \"transfer\": " + (f.transfer.empty() ? std::string("null") : JsonString(f.transfer));
  if (frames) {
    out += ", \"frames\": [";
    for (uint32_t n = 1; n <= file.FrameCount(); ++n) {
      const corvane::CodedFrame c = file.Coded(n).value_or(corvane::CodedFrame{});
      out += std::string(n > 1 ? ", " : "") + "{\"n\": " + std::to_string(n) + ", \"pts\": " + std::to_string(c.pts) +
             ", \"type\": " + JsonString(corvane::PictureTypeName(c.type)) +
             ", \"key\": " + (c.key ? "true" : "false") + ", \"bytes\": " + std::to_string(c.bytes) + "}";
    }
    out += "]";
  }
  return out + "}";
}

void PrintJson(const corvane::VideoFile& file, const corvane::TrailerInfo& t, const std::vector<SegmentRow>& rows,
               const std::optional<corvane::NameGuess>& guess, bool frames) {
  const auto [allKnown, total] = Total(rows);
  const corvane::StreamFacts* facts = file.Facts();
  std::string out = "{\"size\": " + std::to_string(file.FileSize());
  if (facts) out += ", \"container\": " + (IsCoded(facts) ? JsonString(facts->container) : std::string("\"y4m\""));
  out += ", \"trailer\": " + JsonString(corvane::TrailerKindName(t.kind));
  if (t.kind == corvane::TrailerKind::kDamaged) out += ", \"damage\": " + JsonString(t.damage);
  out += ", \"frames\": " + (allKnown ? std::to_string(total) : std::string("null")) + ", \"segments\": [";
  for (size_t i = 0; i < rows.size(); ++i) {
    const auto& r = rows[i];
    if (i) out += ", ";
    out += "{\"format\": " +
           JsonString(corvane::UserFormatName(r.para.format).empty() ? "unknown"
                                                                     : corvane::UserFormatName(r.para.format)) +
           ", \"code\": " + JsonString(corvane::CodeName(r.para.format)) +
           ", \"width\": " + std::to_string(r.para.width) + ", \"height\": " + std::to_string(r.para.height) +
           ", \"interval\": " + std::to_string(r.para.EffectiveInterval()) +
           ", \"offset\": " + OffsetText(r.offset) +
           ", \"frames\": " + (r.framesKnown ? std::to_string(r.frames) : std::string("null")) + "}";
  }
  out += "]";
  if (IsCoded(facts))
    out += ", \"coded\": " + CodedJson(file, *facts, frames);
  else if (facts)
    out += ", \"y4m\": " + StreamJson(*facts, file.Segments().front().frameSize);
  if (guess) out += ", \"guess\": " + GuessJson(*guess);
  out += "}";
  std::printf("%s\n", out.c_str());
}

std::string RatioText(const corvane::Ratio& r, const char* unknown) {
  return r.Known() ? std::to_string(r.num) + ":" + std::to_string(r.den) : std::string(unknown);
}

std::string RateText(const corvane::Ratio& rate) {
  if (!rate.Known()) return "unknown (played at " + std::to_string(corvane::kDefaultFrameInterval) + " ms a frame)";
  char fps[32];
  std::snprintf(fps, sizeof fps, " (%.3f fps)", double(rate.num) / rate.den);
  return RatioText(rate, "") + fps;
}

void PrintStreamText(const corvane::StreamFacts& f) {
  std::printf("header:   %s\n", f.header.c_str());
  std::printf("sampling: %s\n", f.sampling.c_str());
  std::printf("rate:     %s\n", RateText(f.frameRate).c_str());
  std::printf("interlacing: %s\n", std::string(corvane::InterlacingName(f.interlacing)).c_str());
  std::printf("pixel aspect: %s\n", RatioText(f.pixelAspect, "unknown").c_str());
  std::printf("range:    %s\n", f.range ? std::string(corvane::RangeName(*f.range)).c_str() : "not given");
  std::string tags;
  for (const std::string& tag : f.otherTags) tags += (tags.empty() ? "" : " ") + tag;
  if (!tags.empty()) std::printf("other tags: %s (not used)\n", tags.c_str());
  std::printf("frame headers: %s\n", f.uniformFrameHeaders ? "FRAME alone" : "with tags");
}

void PrintCodedText(const corvane::VideoFile& file, const corvane::StreamFacts& f) {
  std::printf("codec:    %s\n", f.codec.c_str());
  const std::string shown = FormatLabel(file.Segments().front().para.format);
  if (f.converted)
    std::printf("format:   %s, converted from %s\n", shown.c_str(), f.decodedFormat.c_str());
  else
    std::printf("format:   %s, as decoded (%s)\n", shown.c_str(), f.decodedFormat.c_str());
  std::printf("rate:     %s\n", RateText(f.frameRate).c_str());
  std::printf("interlacing: %s\n", std::string(corvane::InterlacingName(f.interlacing)).c_str());
  std::printf("pixel aspect: %s\n", RatioText(f.pixelAspect, "unknown").c_str());
  std::printf("range:    %s\n", f.range ? std::string(corvane::RangeName(*f.range)).c_str() : "not given");
  std::printf("matrix:   %s\n", f.matrix ? ("BT." + std::string(corvane::MatrixName(*f.matrix))).c_str() : "not given");
  if (!f.transfer.empty()) std::printf("transfer: %s\n", f.transfer.c_str());
}

// One line per frame, in presentation order: what the stream says of it.
void PrintFrameLines(const corvane::VideoFile& file) {
  for (uint32_t n = 1; n <= file.FrameCount(); ++n) {
    const corvane::CodedFrame c = file.Coded(n).value_or(corvane::CodedFrame{});
    std::printf("frame %u: pts %lld, type %s, key %s, %u bytes\n", n, static_cast<long long>(c.pts),
                std::string(corvane::PictureTypeName(c.type)).c_str(), c.key ? "yes" : "no", c.bytes);
  }
}

void PrintText(const std::string& path, const corvane::VideoFile& file, const corvane::TrailerInfo& t,
               const std::vector<SegmentRow>& rows, const std::optional<corvane::NameGuess>& guess, bool frames) {
  const auto [allKnown, total] = Total(rows);
  const corvane::StreamFacts* facts = file.Facts();
  std::printf("file:     %s\n", path.c_str());
  std::printf("size:     %llu bytes\n", static_cast<unsigned long long>(file.FileSize()));
  if (IsCoded(facts)) {
    std::printf("kind:     coded, in %s\n", facts->container.c_str());
    PrintCodedText(file, *facts);
  } else if (facts) {
    std::printf("kind:     %s\n", facts->container.c_str());
    PrintStreamText(*facts);
  } else {
    std::printf("trailer:  %s", corvane::TrailerKindName(t.kind));
    if (t.kind == corvane::TrailerKind::kSpliced) std::printf(" (%zu segments)", t.records.size());
    if (t.kind == corvane::TrailerKind::kDamaged) std::printf(" (%s)", t.damage.c_str());
    std::printf("\n");
  }
  for (size_t i = 0; i < rows.size(); ++i) {
    const auto& r = rows[i];
    std::printf("segment %zu: %s %ux%u, interval %u ms, ", i + 1, FormatLabel(r.para.format).c_str(), r.para.width,
                r.para.height, r.para.EffectiveInterval());
    if (r.offset) std::printf("offset %llu, ", static_cast<unsigned long long>(*r.offset));
    if (r.framesKnown)
      std::printf("%u frames\n", r.frames);
    else
      std::printf("unsupported format\n");
  }
  if (allKnown)
    std::printf("frames:   %llu\n", static_cast<unsigned long long>(total));
  else if (rows.empty())
    std::printf("frames:   unknown (no parameters; give --format and --size)\n");
  if (facts && facts->leftOverBytes != 0)
    std::printf("left over: %llu bytes after the last whole frame (a frame cut short)\n",
                static_cast<unsigned long long>(facts->leftOverBytes));
  if (guess) std::printf("guess:    %s\n", GuessText(*guess).c_str());
  if (frames) PrintFrameLines(file);
}

std::string OrNull(const std::optional<uint32_t>& v) { return v ? std::to_string(*v) : std::string("null"); }

std::string GuessJson(const corvane::NameGuess& g) {
  return "{\"format\": " + (g.format ? JsonString(corvane::UserFormatName(*g.format)) : std::string("null")) +
         ", \"width\": " + OrNull(g.width) + ", \"height\": " + OrNull(g.height) + ", \"fps\": " + OrNull(g.fps) +
         ", \"interval\": " + OrNull(g.frameInterval) + "}";
}

std::string GuessText(const corvane::NameGuess& g) {
  if (g.Empty()) return "nothing (the name gives no format, size or rate)";
  std::string text;
  auto add = [&text](const std::string& part) { text += (text.empty() ? "" : ", ") + part; };
  if (g.format) add(FormatLabel(*g.format));
  if (g.width) add(std::to_string(*g.width) + "x" + std::to_string(*g.height));
  if (g.fps) add(std::to_string(*g.fps) + " fps (interval " + std::to_string(*g.frameInterval) + " ms)");
  return text;
}

int RunInfo(const std::vector<std::string>& argv) {
  Args args(argv, {"json", "guess", "frames"}, {"format", "size", "interval"});
  if (args.Positional().size() != 1) throw UsageError{"expected one FILE"};
  const std::string& path = args.Positional()[0];
  const std::shared_ptr<corvane::VideoFile> file = OpenInput(path);
  const corvane::RawVideoFile* raw = AsRaw(*file);
  const corvane::TrailerInfo t = raw ? raw->Trailer() : corvane::TrailerInfo{};
  const std::vector<SegmentRow> rows = SegmentRows(path, args, file);
  const bool frames = args.Has("frames");
  if (frames && !IsCoded(file->Facts())) throw UsageError{"--frames applies to a coded file (MP4, MKV, ...)"};
  std::optional<corvane::NameGuess> guess;
  if (args.Has("guess")) guess = corvane::GuessFromFileName(path);
  if (args.Has("json"))
    PrintJson(*file, t, rows, guess, frames);
  else
    PrintText(path, *file, t, rows, guess, frames);
  return kExitOk;
}

const Registrar kInfo({"info", "info FILE [--json] [--guess] [--frames] [--format NAME --size WxH]  size, trailer, segments, frames",
                       "Usage: corvane-tool info FILE [--json] [--guess] [--frames] [--format NAME --size WxH]\n"
                       "Prints the file's size, its trailer (none, plain, spliced or damaged), each\n"
                       "segment's format, width, height, interval, offset and frame count, and the\n"
                       "total frames. --format and --size count the frames of a file without a trailer\n"
                       "(or override the trailer). A damaged trailer is reported, not fatal.\n"
                       "--guess also prints the format, size and rate the file's name suggests, as\n"
                       "the parameter dialog preselects them for a file without a trailer.\n"
                       "--json prints one object: {\"size\", \"trailer\", \"frames\", \"segments\": [{\"format\",\n"
                       "\"code\", \"width\", \"height\", \"interval\", \"offset\", \"frames\"}]}, with --guess\n"
                       "also \"guess\": {\"format\", \"width\", \"height\", \"fps\", \"interval\"} (null when unknown).\n"
                       "A Y4M file (known by its first bytes, YUV4MPEG2) is one segment of its header's\n"
                       "parameters (offset: its first frame header); info prints every header field:\n"
                       "the header line, sampling (C), exact rate (F), interlacing (I), pixel aspect (A),\n"
                       "range (XCOLORRANGE), the tags not used, whether frame headers carry tags, and\n"
                       "the bytes left over after the last whole frame. With --json: \"container\": \"y4m\"\n"
                       "and \"y4m\": {\"header\", \"sampling\", \"rate\": [num, den], \"interlacing\",\n"
                       "\"pixel_aspect\": [num, den], \"range\", \"other_tags\", \"frame_headers\": \"bare\" or\n"
                       "\"tagged\", \"frame_size\", \"left_over\"} (null when the header does not say).\n"
                       "A coded file (MP4, MKV, WebM, IVF, TS, .264, ...) is one segment of its decoded\n"
                       "frames (no offset); info prints its container, codec, the format the frames\n"
                       "are shown in (and the decoder's format it is converted from, if it is), the\n"
                       "exact rate, interlacing, pixel aspect, the range and matrix the stream gives,\n"
                       "and its transfer when it is PQ or HLG. Frame n is the n-th frame in\n"
                       "presentation order. --frames adds one line per frame: \"frame N: pts P, type\n"
                       "I|P|B|?, key yes|no, B bytes\" (pts in the stream's time base; bytes: the\n"
                       "frame's packet). With --json: \"container\" (the demuxer's name) and \"coded\":\n"
                       "{\"codec\", \"decoded_format\", \"converted\", \"rate\", \"interlacing\",\n"
                       "\"pixel_aspect\", \"range\", \"matrix\", \"transfer\"}, with --frames also\n"
                       "\"frames\": [{\"n\", \"pts\", \"type\", \"key\", \"bytes\"}].",
                       RunInfo});

}  // namespace
}  // namespace cli
