#include "formats/y4m_stream.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <numeric>

namespace corvane::y4m {

namespace {

// The samplings of the C tag. `code` 0: Y4M has it, Corvane has no format
// with its layout (`what` says which), so it is refused by name rather than
// read as something near it.
struct Sampling {
  std::string_view tag;
  uint32_t code;
  std::string_view what;
};
constexpr Sampling kSamplings[] = {
    // 4:2:0 with chroma sited for JPEG, MPEG-2 or PAL DV: the same planes;
    // the display does not place chroma by siting, so the three read alike.
    {"420jpeg", fmt::YV12, ""},  {"420mpeg2", fmt::YV12, ""}, {"420paldv", fmt::YV12, ""},
    {"420", fmt::YV12, ""},      {"422", fmt::YV16, ""},      {"444", fmt::I444, ""},
    {"mono", fmt::GRAY, ""},
    // ffmpeg's extensions: 16-bit little-endian words, samples in the low bits.
    {"420p10", fmt::I010, ""},   {"422p10", fmt::I210, ""},   {"444p10", fmt::I410, ""},
    {"420p12", fmt::I012, ""},   {"mono10", fmt::GRAY10, ""},
    {"411", 0, "4:1:1"},         {"444alpha", 0, "4:4:4 with an alpha plane"},
    {"420p9", 0, "9-bit 4:2:0"}, {"422p9", 0, "9-bit 4:2:2"}, {"444p9", 0, "9-bit 4:4:4"},
    {"422p12", 0, "12-bit 4:2:2"}, {"444p12", 0, "12-bit 4:4:4"}, {"420p14", 0, "14-bit 4:2:0"},
    {"422p14", 0, "14-bit 4:2:2"}, {"444p14", 0, "14-bit 4:4:4"}, {"420p16", 0, "16-bit 4:2:0"},
    {"422p16", 0, "16-bit 4:2:2"}, {"444p16", 0, "16-bit 4:4:4"}, {"mono9", 0, "9-bit grey"},
    {"mono12", 0, "12-bit grey"}, {"mono16", 0, "16-bit grey"},
};
// What a header without a C tag holds (yuv4mpeg(5)).
constexpr std::string_view kDefaultSampling = "420jpeg";

const Sampling* FindSampling(std::string_view tag) {
  for (const Sampling& s : kSamplings)
    if (s.tag == tag) return &s;
  return nullptr;
}

// The 8-bit 4:2:0 and 4:2:2 formats halve odd sizes down (YV12 and YV16's
// chroma planes); Y4M's planes round them up. They agree on even sizes only.
bool LayoutAgrees(uint32_t code, uint32_t width, uint32_t height) {
  if (code == fmt::YV12) return width % 2 == 0 && height % 2 == 0;
  if (code == fmt::YV16) return width % 2 == 0;
  return true;
}

Failure<Problem> Refuse(std::string reason) { return Fail(Problem{std::move(reason), 0}); }

// A decimal count of 32 bits. Refused: empty, signs, other characters, and
// anything over 32 bits (64-bit overflow included).
Result<uint32_t, Problem> Count(std::string_view text, std::string_view what) {
  uint64_t v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (text.empty() || end != text.data() + text.size() || (ec != std::errc() && ec != std::errc::result_out_of_range))
    return Refuse(std::string(what) + " '" + std::string(text) + "' is not a number");
  if (ec == std::errc::result_out_of_range || v > UINT32_MAX)
    return Refuse(std::string(what) + " " + std::string(text) + " is too large");
  return uint32_t(v);
}

Result<Ratio, Problem> RatioOf(std::string_view text, std::string_view what) {
  const size_t colon = text.find(':');
  if (colon == std::string_view::npos) return Refuse(std::string(what) + " '" + std::string(text) + "' is not N:D");
  auto num = Count(text.substr(0, colon), what);
  if (!num) return Fail(num.error());
  auto den = Count(text.substr(colon + 1), what);
  if (!den) return Fail(den.error());
  return Ratio{*num, *den};
}

// Milliseconds per frame, rounded, at least 1 (the trailer's 0 means the
// default interval, not "as fast as possible").
uint32_t IntervalOf(Ratio rate) {
  if (!rate.Known()) return kDefaultFrameInterval;
  const uint64_t ms = (uint64_t(rate.den) * 1000 + rate.num / 2) / rate.num;
  return uint32_t(std::clamp<uint64_t>(ms, 1, UINT32_MAX));
}

}  // namespace

Result<StreamHeader, Problem> ParseStreamHeader(std::string_view bytes) {
  if (bytes.substr(0, kMagic.size()) != kMagic) return Refuse("the file does not start with YUV4MPEG2");
  const std::string_view window = bytes.substr(0, kMaxStreamHeader);
  const size_t lineEnd = window.find('\n');
  if (lineEnd == std::string_view::npos) {
    if (bytes.size() < kMaxStreamHeader) return Refuse("the stream header has no line end (the file ends within it)");
    return Refuse("the stream header has no line end within its first " + std::to_string(kMaxStreamHeader) + " bytes");
  }
  const std::string_view line = window.substr(0, lineEnd);
  if (line.size() > kMagic.size() && line[kMagic.size()] != ' ')
    return Refuse("the file does not start with YUV4MPEG2 and a space");

  StreamHeader h;
  h.length = lineEnd + 1;
  h.facts.container = "Y4M";
  h.facts.header = std::string(line);
  std::optional<uint32_t> width, height;
  std::string_view sampling = kDefaultSampling;
  size_t at = kMagic.size();
  while (at < line.size()) {
    const size_t next = std::min(line.find(' ', at), line.size());
    const std::string_view tag = line.substr(at, next - at);
    at = next + 1;
    if (tag.empty()) continue;  // a second space between tags
    const std::string_view value = tag.substr(1);
    switch (tag[0]) {
      case 'W':
      case 'H': {
        auto n = Count(value, tag[0] == 'W' ? "width W" : "height H");
        if (!n) return Fail(n.error());
        if (*n == 0) return Refuse(std::string(tag[0] == 'W' ? "width W" : "height H") + " is 0");
        (tag[0] == 'W' ? width : height) = *n;
        break;
      }
      case 'F': {
        auto rate = RatioOf(value, "frame rate F");
        if (!rate) return Fail(rate.error());
        h.facts.frameRate = rate->Known() ? *rate : Ratio{};
        break;
      }
      case 'A': {
        auto aspect = RatioOf(value, "pixel aspect A");
        if (!aspect) return Fail(aspect.error());
        h.facts.pixelAspect = aspect->Known() ? *aspect : Ratio{};
        break;
      }
      case 'I': {
        constexpr std::pair<std::string_view, Interlacing> kModes[] = {
            {"p", Interlacing::kProgressive}, {"t", Interlacing::kTopFieldFirst},
            {"b", Interlacing::kBottomFieldFirst}, {"m", Interlacing::kMixed}, {"?", Interlacing::kUnknown}};
        const auto* mode = std::find_if(std::begin(kModes), std::end(kModes), [&](const auto& m) { return m.first == value; });
        if (mode == std::end(kModes)) return Refuse("unknown interlacing I" + std::string(value));
        h.facts.interlacing = mode->second;
        break;
      }
      case 'C':
        sampling = value;
        break;
      case 'X':
        if (value == "COLORRANGE=LIMITED")
          h.facts.range = YuvRange::kLimited;
        else if (value == "COLORRANGE=FULL")
          h.facts.range = YuvRange::kFull;
        else
          h.facts.otherTags.emplace_back(tag);
        break;
      default:
        // yuv4mpeg(5): a reader skips the tags it does not know.
        h.facts.otherTags.emplace_back(tag);
        break;
    }
  }
  if (!width) return Refuse("no width W in the stream header");
  if (!height) return Refuse("no height H in the stream header");
  const Sampling* s = FindSampling(sampling);
  if (s == nullptr) return Refuse("unknown sampling C" + std::string(sampling));
  if (s->code == 0) return Refuse("sampling C" + std::string(sampling) + " (" + std::string(s->what) + ") has no Corvane format");
  if (!LayoutAgrees(s->code, *width, *height))
    return Refuse("sampling C" + std::string(sampling) + " at the odd size " + std::to_string(*width) + "x" +
                  std::to_string(*height) + " has no Corvane format");
  h.facts.sampling = std::string(sampling);
  h.para = MakePara(s->code, *width, *height, IntervalOf(h.facts.frameRate));
  // Both sides are below 2^32, so their product fits in 64 bits; a product
  // over 2^32 is a frame of 4 GiB or more in any sampling, and refusing it
  // here keeps the format's own size sum from overflowing.
  const uint64_t pixels = uint64_t(*width) * *height;
  const uint64_t frameBytes = pixels > (uint64_t(1) << 32) ? pixels : FrameSize64(*TypeOfCode(s->code), *width, *height);
  if (frameBytes > UINT32_MAX)
    return Refuse("a frame of " + std::to_string(*width) + "x" + std::to_string(*height) + " is 4 GiB or more");
  h.frameSize = uint32_t(frameBytes);
  return h;
}

std::string_view SamplingTagOf(uint32_t code, uint32_t width, uint32_t height) {
  if (!LayoutAgrees(code, width, height)) return {};
  for (const Sampling& s : kSamplings)
    if (s.code == code && code != 0) return s.tag;  // the first of a code's names is the one written
  return {};
}

std::string StreamHeaderFor(const YUVPara& para, Ratio rate) {
  if (rate.Known()) {
    const uint32_t g = std::gcd(rate.num, rate.den);
    rate = {rate.num / g, rate.den / g};
  }
  return std::string(kMagic) + " W" + std::to_string(para.width) + " H" + std::to_string(para.height) + " F" +
         std::to_string(rate.num) + ":" + std::to_string(rate.den) + " Ip A1:1 C" +
         std::string(SamplingTagOf(para.format, para.width, para.height)) + "\n";
}

void FrameIndex::KeepFirst(uint32_t keep) {
  if (keep >= count) return;
  end = keep == 0 ? first : PlanesAt(keep - 1) + frameSize;
  count = keep;
  if (!uniform) planes.resize(keep);
}

Result<void, Problem> ExtendIndex(FrameIndex* index, uint64_t size, const ReadAt& read, const LookAhead& lookAhead) {
  // One read per frame header: "FRAME\n" and the first bytes of the planes
  // behind it, or a whole tagged header in the common case; longer headers
  // are read again up to the limit.
  constexpr size_t kFirstRead = 64;
  std::string buffer(kMaxFrameHeader, '\0');
  uint64_t at = index->end;
  while (at < size && index->count < UINT32_MAX) {
    const auto where = [&] { return "frame " + std::to_string(uint64_t(index->count) + 1) + "'s header at byte " + std::to_string(at); };
    if (lookAhead)
      lookAhead(at, index->count == 0 ? kBareFrameHeader.size() + index->frameSize : (at - index->first) / index->count);
    size_t want = size_t(std::min<uint64_t>(kFirstRead, size - at));
    int64_t got = read(buffer.data(), want, at);
    if (got < 0) return Fail(Problem{{}, errno});
    std::string_view head(buffer.data(), size_t(got));
    // The file ends inside this header: a frame cut short, if what there is
    // reads as the start of one.
    if (head.size() < kFrameMagic.size() + 1) {
      if (kFrameMagic.substr(0, head.size()) != head) return Refuse(where() + " does not start with FRAME");
      break;
    }
    if (head.substr(0, kFrameMagic.size()) != kFrameMagic || (head[5] != '\n' && head[5] != ' '))
      return Refuse(where() + " does not start with FRAME");
    size_t lineEnd = head.find('\n');
    if (lineEnd == std::string_view::npos) {
      want = size_t(std::min<uint64_t>(kMaxFrameHeader, size - at));
      got = read(buffer.data(), want, at);
      if (got < 0) return Fail(Problem{{}, errno});
      head = std::string_view(buffer.data(), size_t(got));
      lineEnd = head.find('\n');
      if (lineEnd == std::string_view::npos) {
        if (head.size() < kMaxFrameHeader) break;  // the file ends inside it
        return Refuse(where() + " is longer than " + std::to_string(kMaxFrameHeader) + " bytes");
      }
    }
    const uint64_t planes = at + lineEnd + 1;
    if (planes + index->frameSize > size) break;  // the last frame, cut short
    if (index->uniform && lineEnd + 1 != kBareFrameHeader.size()) {
      // The first tagged header: from here on every frame is looked up.
      index->planes.reserve(size_t(index->count) + 1024);
      for (uint32_t k = 0; k < index->count; ++k) index->planes.push_back(index->PlanesAt(k));
      index->uniform = false;
    }
    if (!index->uniform) index->planes.push_back(planes);
    ++index->count;
    at = planes + index->frameSize;
    index->end = at;
  }
  return {};
}

}  // namespace corvane::y4m
