#include "formats/name_guess.h"

#include <array>
#include <cctype>
#include <charconv>
#include <string>
#include <vector>

#include "formats/yuv_format.h"

namespace corvane {

namespace {

struct SizeWord {
  std::string_view word;
  uint32_t width, height;
};

// Common names of picture sizes (CIF family as video-coding test sets use
// them, the progressive TV sizes by their line count).
constexpr std::array<SizeWord, 12> kSizeWords{{
    {"sqcif", 128, 96},
    {"qcif", 176, 144},
    {"cif", 352, 288},
    {"4cif", 704, 576},
    {"16cif", 1408, 1152},
    {"vga", 640, 480},
    {"480p", 720, 480},
    {"576p", 720, 576},
    {"720p", 1280, 720},
    {"1080p", 1920, 1080},
    {"2160p", 3840, 2160},
    {"4k", 3840, 2160},
}};

std::optional<uint32_t> Number(std::string_view s) {
  if (s.empty() || s.size() > 9) return std::nullopt;
  uint32_t v = 0;
  auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || p != s.data() + s.size()) return std::nullopt;
  return v;
}

bool IsDigits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s)
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  return true;
}

std::vector<std::string> Words(std::string_view path) {
  const size_t slash = path.find_last_of("/\\");
  if (slash != std::string_view::npos) path.remove_prefix(slash + 1);
  std::vector<std::string> words;
  std::string word;
  for (char c : path) {
    if (std::isalnum(static_cast<unsigned char>(c))) {
      word += char(std::tolower(static_cast<unsigned char>(c)));
    } else if (!word.empty()) {
      words.push_back(std::move(word));
      word.clear();
    }
  }
  if (!word.empty()) words.push_back(std::move(word));
  return words;
}

// "352x288" anywhere in a word, the digits not part of longer numbers.
bool FindSize(std::string_view w, uint32_t* width, uint32_t* height) {
  for (size_t x = w.find('x'); x != std::string_view::npos; x = w.find('x', x + 1)) {
    size_t a = x;
    while (a > 0 && std::isdigit(static_cast<unsigned char>(w[a - 1]))) --a;
    size_t b = x + 1;
    while (b < w.size() && std::isdigit(static_cast<unsigned char>(w[b]))) ++b;
    const auto cw = Number(w.substr(a, x - a)), ch = Number(w.substr(x + 1, b - x - 1));
    if (cw && ch && *cw >= 16 && *ch >= 16 && *cw <= 16384 && *ch <= 16384) {
      *width = *cw;
      *height = *ch;
      return true;
    }
  }
  return false;
}

std::optional<uint32_t> FormatOfWord(const std::string& w) {
  if (w.size() < 4) return std::nullopt;  // "yuv", "raw" and the like say nothing
  return CodeForUserFormatName(w);
}

// Words that say a depth or a chroma sampling without naming a format:
// "10bit", "12bit", "444", "yuv444", "422", "420". Together they name one
// ("_444_10bit" is I410); alone, a depth means 4:2:0 and 4:4:4 means 8-bit
// planar. 4:2:2 or 4:2:0 alone says nothing new.
struct FormatHints {
  int bits = 0;       // 0 unsaid
  int sampling = 0;   // 420, 422, 444; 0 unsaid

  void Read(const std::string& w) {
    if (w == "10bit" || w == "10bits") bits = 10;
    if (w == "12bit" || w == "12bits") bits = 12;
    for (int s : {420, 422, 444})
      if (w == std::to_string(s) || w == "yuv" + std::to_string(s)) sampling = s;
  }
  std::optional<uint32_t> Format() const {
    if (bits == 10) return sampling == 444 ? fmt::I410 : sampling == 422 ? fmt::I210 : fmt::I010;
    if (bits == 12) return sampling == 420 || sampling == 0 ? std::optional<uint32_t>(fmt::I012) : std::nullopt;
    if (sampling == 444) return fmt::I444;
    return std::nullopt;
  }
};

// "25fps", "30hz", "60p" after a size keyword's line count ("1080p50").
std::optional<uint32_t> RateOfWord(std::string_view w) {
  for (std::string_view unit : {"fps", "hz"}) {
    if (w.size() > unit.size() && w.substr(w.size() - unit.size()) == unit)
      return Number(w.substr(0, w.size() - unit.size()));
  }
  return std::nullopt;
}

bool PlausibleRate(uint32_t fps) { return fps >= 1 && fps <= 240; }

}  // namespace

NameGuess GuessFromFileName(std::string_view path) {
  NameGuess g;
  FormatHints hints;
  const std::vector<std::string> words = Words(path);
  size_t sizeWord = words.size();
  for (size_t i = 0; i < words.size(); ++i) {
    const std::string& w = words[i];
    uint32_t width = 0, height = 0;
    if (!g.width) {
      bool found = FindSize(w, &width, &height);
      for (const auto& s : kSizeWords) {
        if (found) break;
        if (w == s.word) {
          width = s.width, height = s.height, found = true;
        } else if (w.size() > s.word.size() && w.compare(0, s.word.size(), s.word) == 0 && s.word.back() == 'p' &&
                   IsDigits(std::string_view(w).substr(s.word.size()))) {
          // "1080p50": the size and the rate in one word.
          width = s.width, height = s.height, found = true;
          if (auto fps = Number(std::string_view(w).substr(s.word.size())); fps && PlausibleRate(*fps) && !g.fps)
            g.fps = fps;
        }
      }
      if (found) {
        g.width = width, g.height = height;
        sizeWord = i;
        continue;
      }
    }
    if (!g.format) {
      if (auto code = FormatOfWord(w)) {
        g.format = code;
        continue;
      }
    }
    hints.Read(w);
    if (!g.fps) {
      if (auto fps = RateOfWord(w); fps && PlausibleRate(*fps)) g.fps = fps;
    }
  }
  // A bare number as the last word before the extension, after the size, is
  // the rate ("BasketballDrive_1920x1080_50.yuv"); leading zeros make it a
  // sequence number instead ("clip_001").
  const std::string_view base = path.substr(path.find_last_of("/\\") == std::string_view::npos
                                                ? 0
                                                : path.find_last_of("/\\") + 1);
  const size_t extWords = base.find('.') != std::string_view::npos ? 1 : 0;
  if (!g.fps && sizeWord < words.size() && words.size() > extWords) {
    const size_t last = words.size() - 1 - extWords;
    const std::string& w = words[last];
    if (last > sizeWord && IsDigits(w) && w[0] != '0') {
      if (auto fps = Number(w); fps && PlausibleRate(*fps)) g.fps = fps;
    }
  }
  if (!g.format) g.format = hints.Format();
  if (g.fps) g.frameInterval = (1000 + *g.fps / 2) / *g.fps;
  return g;
}

}  // namespace corvane
