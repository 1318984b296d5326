#include "cli/cli_common.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <tuple>
#include <unistd.h>

#include "cli/messages.h"
#include "engine/display.h"
#include "platform/file.h"
#include "tools/copy_support.h"

namespace cli {

std::vector<Command>& Registry() {
  static std::vector<Command> commands;
  return commands;
}

Args::Args(const std::vector<std::string>& args, std::vector<std::string> flags,
           std::vector<std::string> options) {
  auto contains = [](const std::vector<std::string>& v, const std::string& s) {
    return std::find(v.begin(), v.end(), s) != v.end();
  };
  bool onlyPositional = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (onlyPositional || a.size() < 2 || a[0] != '-' || a == "-") {
      m_positional.push_back(a);
      continue;
    }
    if (a == "--") {
      onlyPositional = true;
      continue;
    }
    if (a == "-h" || a == "--help") {
      m_help = true;
      continue;
    }
    // The one short option: -o OUT (or -oOUT) for commands that write a file.
    if (a.rfind("-o", 0) == 0 && a.rfind("--", 0) != 0 && contains(options, "output")) {
      if (a.size() > 2) {
        m_values.emplace_back("output", a.substr(a[2] == '=' ? 3 : 2));
      } else {
        if (i + 1 >= args.size()) throw UsageError{"option '-o' needs a value"};
        m_values.emplace_back("output", args[++i]);
      }
      continue;
    }
    if (a.rfind("--", 0) != 0) throw UsageError{"unknown option '" + a + "'"};
    std::string name = a.substr(2), value;
    const size_t eq = name.find('=');
    const bool inlineValue = eq != std::string::npos;
    if (inlineValue) {
      value = name.substr(eq + 1);
      name.resize(eq);
    }
    if (contains(flags, name)) {
      if (inlineValue) throw UsageError{"option '--" + name + "' takes no value"};
      m_values.emplace_back(name, "");
    } else if (contains(options, name)) {
      if (!inlineValue) {
        if (i + 1 >= args.size()) throw UsageError{"option '--" + name + "' needs a value"};
        value = args[++i];
      }
      m_values.emplace_back(name, value);
    } else {
      throw UsageError{"unknown option '--" + name + "'"};
    }
  }
}

bool Args::Has(std::string_view name) const {
  return std::any_of(m_values.begin(), m_values.end(), [&](const auto& kv) { return kv.first == name; });
}

std::optional<std::string> Args::Get(std::string_view name) const {
  std::optional<std::string> last;
  for (const auto& [k, v] : m_values)
    if (k == name) last = v;
  return last;
}

uint32_t ParseUint(std::string_view text, std::string_view what) {
  uint32_t v = 0;
  auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (text.empty() || ec != std::errc() || p != text.data() + text.size())
    throw UsageError{"invalid " + std::string(what) + " '" + std::string(text) + "'"};
  return v;
}

std::pair<uint32_t, uint32_t> ParseSize(std::string_view text) {
  const size_t x = text.find_first_of("xX");
  if (x == std::string_view::npos) throw UsageError{"invalid size '" + std::string(text) + "' (expected WxH)"};
  const uint32_t w = ParseUint(text.substr(0, x), "width");
  const uint32_t h = ParseUint(text.substr(x + 1), "height");
  if (w == 0 || h == 0) throw UsageError{"invalid size '" + std::string(text) + "': width and height must be positive"};
  return {w, h};
}

uint32_t ParseFormat(std::string_view name) {
  if (auto code = corvane::CodeForUserFormatName(name)) return *code;
  throw UsageError{"unknown format '" + std::string(name) +
                   "' (one of I420, IYUV, YV12, NV12, NV16, YUYV, YUY2, YVYU, UYVY, IUYV, IYU2, YV16, "
                   "RGB565, RGB24, RGB32)"};
}

std::string FormatLabel(uint32_t code) {
  std::string_view label = corvane::UserFormatName(code);
  if (label.empty()) return "unknown (" + corvane::CodeName(code) + ")";
  return std::string(label) + " (" + corvane::CodeName(code) + ")";
}

std::string JsonString(std::string_view s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '"' || c == '\\')
      out += '\\', out += c;
    else if (uint8_t(c) < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", c);
      out += buf;
    } else
      out += c;
  }
  return out + "\"";
}

std::shared_ptr<corvane::VideoFile> OpenInput(const std::string& path) {
  auto file = corvane::OpenVideoFile(path, corvane::FileAccess::kRead, corvane::tools::ReadOnceDecoding());
  if (!file && !file.error().reason.empty()) throw Failure{"cannot open '" + path + "': " + file.error().reason};
  if (!file && file.error().step == corvane::VideoFileError::Step::kRead) throw Failure{"cannot read '" + path + "'"};
  if (!file) throw Failure{"cannot open '" + path + "': " + platform::ErrorText(file.error().error)};
  // "info a.yuv >> a.yuv" would append the report after a.yuv's trailer.
  if (platform::SameFile(STDOUT_FILENO, path))
    throw Failure{"writing to standard output would destroy '" + path + "', a file it reads"};
  return std::move(*file);
}

void RefuseInputAtRisk(const std::string& output, std::span<const std::string> inputs) {
  if (const auto risk = platform::FindInputAtRisk(output, inputs))
    throw Failure{InputAtRiskText(risk->written, inputs[risk->input])};
}

void WriteOutputFile(const std::string& path, const void* bytes, size_t len) {
  platform::ReplacingFile file;
  if (int err = platform::ErrnoOf(file.Open(path))) throw Failure{"cannot create '" + path + "': " + platform::ErrorText(err)};
  if (int err = platform::ErrnoOf(file.WriteAt(bytes, len, 0))) throw Failure{"cannot write '" + path + "': " + platform::ErrorText(err)};
  if (int err = platform::ErrnoOf(file.Commit())) throw Failure{"cannot write '" + path + "': " + platform::ErrorText(err)};
}

const corvane::RawVideoFile* AsRaw(const corvane::VideoFile& file) {
  return dynamic_cast<const corvane::RawVideoFile*>(&file);
}

FileParams ResolveFileParams(const std::string& path, const Args& args, std::shared_ptr<corvane::VideoFile> open) {
  FileParams fp;
  fp.file = open ? std::move(open) : OpenInput(path);
  const corvane::RawVideoFile* raw = AsRaw(*fp.file);
  if (raw) fp.trailer = raw->Trailer();

  const bool hasFormat = args.Has("format"), hasSize = args.Has("size");
  if (hasFormat != hasSize) throw UsageError{"--format and --size go together"};
  if (fp.file->ParametersFixed()) {
    if (hasFormat || args.Has("interval")) {
      const corvane::StreamFacts& facts = *fp.file->Facts();
      if (facts.codec.empty())
        throw Failure{"'" + path + "' is a " + facts.container +
                      " file: its header gives its format, size and rate; --format, --size and --interval do not apply"};
      throw Failure{"'" + path + "' is a coded file (" + facts.codec +
                    "): its stream gives its format, size and rate; --format, --size and --interval do not apply"};
    }
    fp.para = fp.file->OwnParameters().front();
    return fp;
  }
  if (hasFormat) {
    fp.para = corvane::DefaultPara();
    fp.para.format = ParseFormat(*args.Get("format"));
    std::tie(fp.para.width, fp.para.height) = ParseSize(*args.Get("size"));
    if (auto iv = args.Get("interval")) fp.para.frameInterval = ParseUint(*iv, "interval");
    fp.fromOptions = true;
  } else if (!fp.trailer.records.empty()) {
    fp.para = fp.trailer.records.front();
  } else if (fp.trailer.kind == corvane::TrailerKind::kDamaged) {
    throw Failure{"'" + path + "' has a damaged trailer (" + fp.trailer.damage +
                  "); give --format and --size"};
  } else {
    throw Failure{"'" + path + "' has no parameter trailer; give --format and --size"};
  }
  corvane::YUVType type;
  uint32_t frameSize;
  if (!corvane::GetTypeAndFrameSize(&fp.para, &type, &frameSize)) {
    const auto known = corvane::TypeOfCode(fp.para.format);
    const uint64_t bytes = known ? corvane::FrameSize64(*known, fp.para.width, fp.para.height) : 0;
    throw Failure{"unsupported frame parameters: format " + FormatLabel(fp.para.format) + ", " +
                  std::to_string(fp.para.width) + "x" + std::to_string(fp.para.height) +
                  (bytes > UINT32_MAX ? " (a frame of " + std::to_string(bytes) + " bytes: 4 GiB or more)" : "")};
  }
  if (!fp.file->UseParameters(fp.para, !fp.fromOptions)) throw Failure{"cannot read '" + path + "'"};
  return fp;
}

void ReadFrameInto(const FileParams& fp, const std::string& path, uint32_t n, std::span<uint8_t> out) {
  if (!fp.file->Read(n, out)) throw Failure{"cannot read frame " + std::to_string(n) + " of '" + path + "'"};
}

WindowSize ScreenWindowFor(uint32_t w, uint32_t h, uint32_t maxW, uint32_t maxH) {
  uint64_t ww = w, wh = h;
  if (ww > maxW || wh > maxH) {
    // The tighter side decides; compared exactly as products.
    if (ww * maxH >= wh * maxW) {
      wh = wh * maxW / ww;
      ww = maxW;
    } else {
      ww = ww * maxH / wh;
      wh = maxH;
    }
  }
  const auto atLeast = [](uint64_t n) { return uint32_t(std::max<uint64_t>(n, corvane::Display::kMinDrawSize)); };
  return {atLeast(ww), atLeast(wh)};
}

corvane::ColourSpace ColourSpaceOf(const Args& args, const corvane::VideoFile* file) {
  corvane::ColourSpace c;
  if (const corvane::StreamFacts* facts = file ? file->Facts() : nullptr) {
    if (facts->range) c.range = *facts->range;
    if (facts->matrix) c.matrix = *facts->matrix;
  }
  if (auto m = args.Get("matrix")) {
    const auto matrix = corvane::MatrixForName(*m);
    if (!matrix) throw UsageError{"unknown matrix '" + *m + "' (one of 601, 709, 2020)"};
    c.matrix = *matrix;
  }
  if (auto r = args.Get("range")) {
    const auto range = corvane::RangeForName(*r);
    if (!range) throw UsageError{"unknown range '" + *r + "' (one of limited, full)"};
    c.range = *range;
  }
  return c;
}


}  // namespace cli
