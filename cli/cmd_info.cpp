// corvane-tool info: what a raw video file holds.
#include <cstdio>
#include <cstring>
#include <optional>

#include "cli/cli_common.h"
#include "formats/name_guess.h"

namespace cli {
namespace {

struct SegmentRow {
  corvane::YUVPara para;
  uint64_t offset;
  uint32_t frames;
  bool framesKnown;
};

// Segments as the player would play them.
std::vector<SegmentRow> SegmentRows(const std::string& path, const Args& args,
                                    const std::shared_ptr<corvane::RawVideoFile>& file) {
  const corvane::TrailerInfo& t = file->Trailer();
  std::vector<SegmentRow> rows;
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

void PrintJson(const corvane::TrailerInfo& t, const std::vector<SegmentRow>& rows,
               const std::optional<corvane::NameGuess>& guess) {
  const auto [allKnown, total] = Total(rows);
  std::string out =
      "{\"size\": " + std::to_string(t.fileSize) + ", \"trailer\": " + JsonString(corvane::TrailerKindName(t.kind));
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
           ", \"offset\": " + std::to_string(r.offset) +
           ", \"frames\": " + (r.framesKnown ? std::to_string(r.frames) : std::string("null")) + "}";
  }
  out += "]";
  if (guess) out += ", \"guess\": " + GuessJson(*guess);
  out += "}";
  std::printf("%s\n", out.c_str());
}

void PrintText(const std::string& path, const corvane::TrailerInfo& t, const std::vector<SegmentRow>& rows,
               const std::optional<corvane::NameGuess>& guess) {
  const auto [allKnown, total] = Total(rows);
  std::printf("file:     %s\n", path.c_str());
  std::printf("size:     %llu bytes\n", static_cast<unsigned long long>(t.fileSize));
  std::printf("trailer:  %s", corvane::TrailerKindName(t.kind));
  if (t.kind == corvane::TrailerKind::kSpliced) std::printf(" (%zu segments)", t.records.size());
  if (t.kind == corvane::TrailerKind::kDamaged) std::printf(" (%s)", t.damage.c_str());
  std::printf("\n");
  for (size_t i = 0; i < rows.size(); ++i) {
    const auto& r = rows[i];
    std::printf("segment %zu: %s %ux%u, interval %u ms, offset %llu, ", i + 1, FormatLabel(r.para.format).c_str(),
                r.para.width, r.para.height, r.para.EffectiveInterval(), static_cast<unsigned long long>(r.offset));
    if (r.framesKnown)
      std::printf("%u frames\n", r.frames);
    else
      std::printf("unsupported format\n");
  }
  if (allKnown)
    std::printf("frames:   %llu\n", static_cast<unsigned long long>(total));
  else if (rows.empty())
    std::printf("frames:   unknown (no parameters; give --format and --size)\n");
  if (guess) std::printf("guess:    %s\n", GuessText(*guess).c_str());
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
  Args args(argv, {"json", "guess"}, {"format", "size", "interval"});
  if (args.Positional().size() != 1) throw UsageError{"expected one FILE"};
  const std::string& path = args.Positional()[0];
  const std::shared_ptr<corvane::RawVideoFile> file = OpenInput(path);
  const corvane::TrailerInfo t = file->Trailer();
  const std::vector<SegmentRow> rows = SegmentRows(path, args, file);
  std::optional<corvane::NameGuess> guess;
  if (args.Has("guess")) guess = corvane::GuessFromFileName(path);
  if (args.Has("json"))
    PrintJson(t, rows, guess);
  else
    PrintText(path, t, rows, guess);
  return kExitOk;
}

const Registrar kInfo({"info", "info FILE [--json] [--guess] [--format NAME --size WxH]  size, trailer, segments, frames",
                       "Usage: corvane-tool info FILE [--json] [--guess] [--format NAME --size WxH]\n"
                       "Prints the file's size, its trailer (none, plain, spliced or damaged), each\n"
                       "segment's format, width, height, interval, offset and frame count, and the\n"
                       "total frames. --format and --size count the frames of a file without a trailer\n"
                       "(or override the trailer). A damaged trailer is reported, not fatal.\n"
                       "--guess also prints the format, size and rate the file's name suggests, as\n"
                       "the parameter dialog preselects them for a file without a trailer.\n"
                       "--json prints one object: {\"size\", \"trailer\", \"frames\", \"segments\": [{\"format\",\n"
                       "\"code\", \"width\", \"height\", \"interval\", \"offset\", \"frames\"}]}, with --guess\n"
                       "also \"guess\": {\"format\", \"width\", \"height\", \"fps\", \"interval\"} (null when unknown).",
                       RunInfo});

}  // namespace
}  // namespace cli
