#include "formats/coded_file.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <mutex>

#include "formats/coded_decoder.h"
#include "formats/result_codes.h"
#include "platform/file.h"

namespace corvane {

using namespace av;

namespace {

// The probe: the first bytes read, and the score a format must reach. 51
// is what libavformat's raw H.264, HEVC and MPEG video probes give a
// stream with its parameter sets and a random-access picture; containers
// score near 100; random bytes and raw frames stay far below.
constexpr size_t kProbeBytes = 64 << 10;
constexpr int kCodedProbeScore = AVPROBE_SCORE_EXTENSION + 1;

}  // namespace

Result<std::unique_ptr<CodedVideoFile>, VideoFileError> CodedVideoFile::Open(const std::string& path,
                                                                             const DecodeOptions& options) {
  if (path.empty()) return Fail(VideoFileError{kNotReady, ENOENT, path});
  QuietLibraries();
  platform::File file;
  if (const int err = platform::ErrnoOf(file.Open(path, platform::File::Mode::kRead)))
    return Fail(VideoFileError{kFail, err, path});
  const int64_t size = file.Size();
  if (size < 0) return Fail(VideoFileError{kFail, errno, path, VideoFileError::Step::kRead});

  auto decoder = std::make_unique<Decoder>();
  decoder->path = path;
  decoder->options = options;
  if (auto opened = decoder->OpenInput(nullptr); !opened) return Fail(opened.error());
  if (auto indexed = decoder->BuildIndex(); !indexed) return Fail(indexed.error());
  if (auto ready = decoder->OpenDecoder(); !ready) return Fail(ready.error());
  if (!decoder->byTimestamps)
    if (auto scanned = decoder->Scan(); !scanned) return Fail(scanned.error());
  if (auto first = decoder->FirstFrame(); !first) return Fail(first.error());

  std::unique_ptr<CodedVideoFile> coded(new CodedVideoFile(path));
  coded->m_options = options;
  coded->m_fileSize = uint64_t(size);
  const AVStream* st = decoder->format->streams[decoder->stream];
  StreamFacts& facts = coded->m_facts;
  facts.container = decoder->format->iformat->name;
  facts.codec = avcodec_get_name(st->codecpar->codec_id);
  facts.decodedFormat = av_get_pix_fmt_name(decoder->sourceFormat);
  facts.converted = decoder->convert != nullptr;
  facts.frameRate = RatioOf(st->avg_frame_rate);
  if (!facts.frameRate.Known()) facts.frameRate = RatioOf(st->r_frame_rate);
  facts.interlacing = InterlacingOf(Raw(st->codecpar->field_order));
  facts.pixelAspect = RatioOf(st->sample_aspect_ratio.num > 0 ? st->sample_aspect_ratio
                                                               : st->codecpar->sample_aspect_ratio);
  // The decoder's description where it has one, else the container's.
  auto described = [](int decoder, int container, int unspecified) { return decoder != unspecified ? decoder : container; };
  const AVCodecContext& context = *decoder->context;
  const AVCodecParameters& par = *st->codecpar;
  const int range = described(Raw(context.color_range), Raw(par.color_range), AVCOL_RANGE_UNSPECIFIED);
  if (FullRangeFormat(decoder->sourceFormat) || range == AVCOL_RANGE_JPEG)
    facts.range = YuvRange::kFull;
  else if (range == AVCOL_RANGE_MPEG)
    facts.range = YuvRange::kLimited;
  facts.matrix = MatrixOf(described(Raw(context.colorspace), Raw(par.color_space), AVCOL_SPC_UNSPECIFIED));
  facts.transfer = TransferOf(described(Raw(context.color_trc), Raw(par.color_trc), AVCOL_TRC_UNSPECIFIED));
  uint32_t interval = 0;
  if (facts.frameRate.Known())
    interval = uint32_t(std::max<uint64_t>(1, (uint64_t(facts.frameRate.den) * 1000 + facts.frameRate.num / 2) /
                                                  facts.frameRate.num));
  coded->m_para = MakePara(decoder->code, uint32_t(decoder->width), uint32_t(decoder->height),
                           interval == 0 ? kDefaultFrameInterval : interval);
  coded->m_segment = VideoSegment{coded->m_para, 1, decoder->index.FrameCount(), decoder->frameSize};
  coded->m_decoder = std::move(decoder);
  return coded;
}

CodedVideoFile::CodedVideoFile(std::string path) : VideoFile(std::move(path)) {}
CodedVideoFile::~CodedVideoFile() = default;

Result<void, VideoFileError> CodedVideoFile::UseParameters(const YUVPara& para, bool) {
  return AcceptOwnParameters(Path(), m_para, para, "its stream fixes its parameters");
}

Result<void, VideoFileError> CodedVideoFile::Refresh() {
  platform::File file;
  if (const int err = platform::ErrnoOf(file.Open(Path(), platform::File::Mode::kRead)))
    return Fail(VideoFileError{kFail, err, Path()});
  const int64_t size = file.Size();
  if (size < 0) return Fail(VideoFileError{kFail, errno, Path(), VideoFileError::Step::kRead});
  if (uint64_t(size) == m_fileSize) return {};
  auto again = Open(Path(), m_options);
  if (!again) return Fail(again.error());
  std::lock_guard lock(m_mutex);
  m_decoder = std::move((*again)->m_decoder);
  m_facts = std::move((*again)->m_facts);
  m_para = (*again)->m_para;
  m_segment = (*again)->m_segment;
  m_fileSize = (*again)->m_fileSize;
  return {};
}

Result<void, VideoFileError> CodedVideoFile::WriteParameters(const YUVPara&) {
  return Fail(VideoFileError{kFail, 0, Path(), VideoFileError::Step::kWrite,
                             "a coded stream's parameters are its own; none are written into it"});
}

Result<FrameShape, ReadFailure> CodedVideoFile::Read(uint32_t n, std::span<uint8_t> out, const GiveWay& giveWay) const {
  if (n == 0 || n > FrameCount()) return Fail(ReadFailure{ReadStatus::kPastEnd, 0});
  FrameShape shape;
  shape.para = m_para;
  shape.size = m_segment.frameSize;
  uint32_t size = 0;
  GetTypeAndFrameSize(&shape.para, &shape.type, &size);
  if (out.size() < shape.size) return Fail(ReadFailure{ReadStatus::kTooSmall, 0});
  out = out.first(shape.size);

  std::lock_guard lock(m_mutex);
  Decoder& d = *m_decoder;
  if (auto it = d.cache.find(n); it != d.cache.end()) {
    std::memcpy(out.data(), it->second.get(), shape.size);
    return shape;
  }
  const uint32_t start = d.index.StartFor(n);
  uint32_t target = d.index.DecodeIndexOf(n);
  // Forward from where the decoder is when it will give n out on its way;
  // from the keyframe when that is nearer or the decoder is past n.
  const bool onItsWay = d.running && !d.drained && d.lastOut < n && d.runStart <= start && start <= d.nextFeed;
  // Playing forward keeps a few frames behind for steps back; a seek keeps
  // as many as the bound holds of the frames before n, for playing back.
  d.keepNow = onItsWay ? std::min(d.capacity, kKeptPlayingForward) : d.capacity;
  if (!onItsWay && !d.SeekTo(start)) return Fail(ReadFailure{ReadStatus::kDecodeFailed, 0});
  if (auto decoded = d.Decode(n, out, giveWay, &target); !decoded) return Fail(decoded.error());
  return shape;
}

Result<LentFrames, ReadFailure> CodedVideoFile::Lend(uint32_t first, uint32_t count) const {
  if (count == 0 || first == 0 || first > FrameCount() || count > FrameCount() - first + 1)
    return Fail(ReadFailure{ReadStatus::kPastEnd, 0});
  const uint32_t size = m_segment.frameSize;
  const size_t need = size_t(size) * count;
  std::vector<uint8_t> buffer;
  {
    std::lock_guard lock(m_loans->mutex);
    // The first that is large enough, else the last given back (it grows once).
    auto& free = m_loans->free;
    auto fits = std::find_if(free.begin(), free.end(), [need](const auto& b) { return b.size() >= need; });
    if (fits == free.end() && !free.empty()) fits = free.end() - 1;
    if (fits != free.end()) {
      buffer = std::move(*fits);
      free.erase(fits);
    }
  }
  if (buffer.size() < need) buffer.resize(need);
  constexpr size_t kLoansKept = 3;  // a reader's loan, the next one and one spare
  std::shared_ptr<std::vector<uint8_t>> memory(
      new std::vector<uint8_t>(std::move(buffer)), [pool = std::weak_ptr<LoanPool>(m_loans)](std::vector<uint8_t>* b) {
        if (const auto loans = pool.lock()) {
          std::lock_guard lock(loans->mutex);
          if (loans->free.size() < kLoansKept) loans->free.push_back(std::move(*b));
        }
        delete b;
      });
  std::vector<const uint8_t*> frames;
  std::vector<FrameShape> shapes;
  for (uint32_t i = 0; i < count; ++i) {
    const std::span<uint8_t> into(memory->data() + size_t(size) * i, size);
    auto read = Read(first + i, into);
    if (!read) return Fail(read.error());
    frames.push_back(into.data());
    shapes.push_back(*read);
  }
  return LentFrames(std::shared_ptr<const void>(memory, memory->data()), std::move(frames), std::move(shapes), false);
}

std::optional<CodedFrame> CodedVideoFile::Coded(uint32_t n) const {
  if (n == 0 || n > FrameCount()) return std::nullopt;
  return m_decoder->index.Frame(n);
}

uint64_t CodedVideoFile::CachedBytes() const {
  std::lock_guard lock(m_mutex);
  const uint64_t held = m_decoder->cache.size() + (m_decoder->spare ? 1 : 0);
  return held * m_decoder->frameSize;
}

const CodedIndex& CodedVideoFile::Index() const { return m_decoder->index; }
bool CodedVideoFile::OrderedByTimestamps() const { return m_decoder->byTimestamps; }

bool NamedRaw(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const std::string_view base = std::string_view(path).substr(slash == std::string::npos ? 0 : slash + 1);
  const size_t dot = base.find_last_of('.');
  if (dot == std::string_view::npos) return false;
  std::string ext(base.substr(dot + 1));
  for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
  if (ext == "yuv" || ext == "rgb" || ext == "raw") return true;
  return CodeForUserFormatName(ext).has_value() || CodeForFfmpegName(ext).has_value();
}

bool LooksCoded(const std::string& path) {
  platform::File file;
  if (!file.Open(path, platform::File::Mode::kRead)) return false;
  std::vector<uint8_t> head(kProbeBytes + AVPROBE_PADDING_SIZE, 0);
  const int64_t got = file.ReadAt(head.data(), kProbeBytes, 0);
  if (got <= 0) return false;
  QuietLibraries();
  AVProbeData probe{};
  probe.filename = path.c_str();
  probe.buf = head.data();
  probe.buf_size = int(got);
  int score = 0;
  return av_probe_input_format2(&probe, 1, &score) != nullptr && score >= kCodedProbeScore;
}

}  // namespace corvane
