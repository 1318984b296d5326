// VideoFile: a video file as every reader sees it. Its segments (one set of
// parameters each; a plain file is one segment), its frame count, and frame
// n, read into the caller's memory or lent in place. Nobody above this
// interface knows where a frame's bytes lie in the file: a raw file has them
// at n × size (or in a spliced file's segments), a file with a stream header
// and per-frame headers at offsets of an index, a decoded stream nowhere at
// all (its frames come out of a decoder). Each kind is one implementation;
// the readers (the engine's reader thread, B's reference view, the
// comparison, the parameter dialog's preview, the command line) stay as
// they are.
//
// RawVideoFile is the implementation for the files the player writes and
// plays: frames with no headers, the parameter trailer after them.
// Y4mVideoFile (formats/y4m_file.h) is a file that carries its own stream
// header and a header before every frame. OpenVideoFile (below) tells them
// apart by the file's first bytes; callers that open "a file" use it.
//
// Threads: opening, UseParameters, Refresh and WriteParameters belong to
// the owner, with no reader running; Read, Lend, Shape, Holds and the
// getters may then be called from any number of threads at once
// (positional reads, no shared file position).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "formats/colour_space.h"
#include "formats/trailer.h"
#include "formats/yuv_format.h"
#include "platform/file.h"
#include "platform/result.h"

namespace corvane {

// Why a file could not be opened, measured or written. `code` is one of
// formats/result_codes.h (kNotReady for an empty path, kFail otherwise);
// `error` the errno, platform::kNotRegularFile, or 0 where none applies
// (parameters refused, a short read, a header refused); `step` what failed,
// so that a message can say "cannot open" or "cannot read". kHeader: the
// file's own header (or a frame's) is not one this reader accepts.
// `reason`, when not empty, is a clause a message can show as it is ("no
// W tag in the stream header", "its header fixes its parameters"); English,
// as the command line prints it.
struct VideoFileError {
  enum class Step { kOpen, kRead, kWrite, kParameters, kHeader };
  VideoFileError(int32_t c = 0, int err = 0, std::string p = {}, Step s = Step::kOpen, std::string why = {})
      : code(c), error(err), path(std::move(p)), step(s), reason(std::move(why)) {}
  int32_t code = 0;
  int error = 0;
  std::string path;
  Step step = Step::kOpen;
  std::string reason;
};

// How a file may be opened. A file that carries its own header is only ever
// read, whatever is asked.
enum class FileAccess {
  kRead,          // read only
  kReadOrWrite,   // read and write, or read only when the file cannot be written
};

// An exact ratio of two counts: a frame rate (frames per second as
// num/den, 30000:1001) or a pixel aspect ratio. 0:0 is unknown.
struct Ratio {
  uint32_t num = 0;
  uint32_t den = 0;
  bool Known() const { return num != 0 && den != 0; }
  friend bool operator==(const Ratio&, const Ratio&) = default;
};

enum class Interlacing { kProgressive, kTopFieldFirst, kBottomFieldFirst, kMixed, kUnknown };
// "progressive", "top field first", "bottom field first", "mixed", "unknown".
std::string_view InterlacingName(Interlacing interlacing);

// What a file with a stream header says beyond its frames' parameters.
// Frames are shown as frames whatever the interlacing (no deinterlacing).
struct StreamFacts {
  std::string container;                  // "Y4M", or the demuxer's name of a coded file ("mov,mp4,m4a,3gp,3g2,mj2")
  Ratio frameRate;                        // exact; unknown: the frames play at kDefaultFrameInterval
  Interlacing interlacing = Interlacing::kProgressive;
  Ratio pixelAspect;                      // width:height of one pixel; unknown is 0:0
  std::optional<YuvRange> range;          // the header's, when it names one
  std::string sampling;                   // the header's own name of the sampling ("420jpeg", "420p10")
  std::string header;                     // the stream header as read, without its line end
  std::vector<std::string> otherTags;     // tags kept but not acted on (XYSCSS=420P10, ...)
  bool uniformFrameHeaders = true;        // every frame header is the bare 6 bytes "FRAME\n"
  uint64_t leftOverBytes = 0;             // bytes after the last whole frame (a frame cut short)

  // A coded file (frames out of a decoder); empty for Y4M.
  std::string codec;                      // the decoder's name ("h264", "hevc", "av1")
  std::optional<YuvMatrix> matrix;        // the stream's colour description, when it gives one
  std::string transfer;                   // "PQ", "HLG"; empty for any other transfer or none
  std::string decodedFormat;              // the decoder's pixel format name ("yuv420p10le")
  bool converted = false;                 // frames are converted from decodedFormat, not taken as they are
};

// What a coded stream says of one of its frames.
enum class PictureType : uint8_t { kUnknown, kI, kP, kB };
// "I", "P", "B", "?".
std::string_view PictureTypeName(PictureType type);
struct CodedFrame {
  int64_t pts = 0;           // the stream's timestamp in its time base (the index's own count when it has none)
  PictureType type = PictureType::kUnknown;
  bool key = false;
  uint32_t bytes = 0;        // the coded size of the frame's packet
};

// How a coded file is opened: the bound of the decoded frames it keeps for
// backward play and steps, the decoder's threads (0: as many as cores),
// and, for an index that has to decode the whole stream, the share done
// (0..1) after each piece; returning false from it abandons the open.
struct DecodeOptions {
  uint64_t cacheBytes = uint64_t(1) << 30;
  unsigned threads = 0;
  std::function<bool(double)> progress;
};

// Why frame n could not be read.
enum class ReadStatus {
  kPastEnd,  // n is 0 or beyond the last frame
  kShort,    // the file holds fewer bytes than the frame now (cut short meanwhile)
  kFailed,   // the read failed (errno in ReadFailure::error)
  kStopped,  // the caller's give-way asked the read to stop
  kTooSmall, // the caller's buffer is smaller than the frame
  kDecodeFailed, // a coded frame the decoder could not decode (the frames around it may still play)
};
struct ReadFailure {
  ReadStatus status = ReadStatus::kFailed;
  int error = 0;
};

// One stretch of frames with one set of parameters.
struct VideoSegment {
  YUVPara para{};
  uint32_t firstFrame = 1;  // number of its first frame (frames are numbered from 1)
  uint32_t frameCount = 0;
  uint32_t frameSize = 0;   // bytes of one frame in memory
};

// What frame n is: its segment's parameters, its size in memory and the
// index of that segment.
struct FrameShape {
  YUVPara para{};
  YUVType type = YUV_NONE;
  uint32_t size = 0;
  uint32_t segment = 0;
};

// Frames lent by the file, valid while this object lives (it holds the
// mapping, or the memory a file without one read them into). Bytes of a
// mapping are read inside platform::ReadMapped: a file cut short after the
// loan raises SIGBUS on the pages it lost.
class LentFrames {
 public:
  LentFrames() = default;
  LentFrames(std::shared_ptr<const void> keep, std::vector<const uint8_t*> frames, std::vector<FrameShape> shapes,
             bool mapped)
      : m_keep(std::move(keep)), m_frames(std::move(frames)), m_shapes(std::move(shapes)), m_mapped(mapped) {}

  size_t Count() const { return m_frames.size(); }
  const uint8_t* Data(size_t i) const { return m_frames[i]; }
  const FrameShape& Shape(size_t i) const { return m_shapes[i]; }
  // True when the bytes are the file's pages lent for reading in order
  // (Lend): read them inside platform::ReadMapped.
  bool Mapped() const { return m_mapped; }
  // What keeps the bytes alive, for a holder that outlives this object.
  const std::shared_ptr<const void>& Keep() const { return m_keep; }

 private:
  std::shared_ptr<const void> m_keep;
  std::vector<const uint8_t*> m_frames;
  std::vector<FrameShape> m_shapes;
  bool m_mapped = false;
};

// One frame lent where it lies for as long as `keep` lives (the frames a
// player holds and shows). Unlike LentFrames, its bytes may be read on any
// thread, under any lock, without ReadMapped: a page the file loses
// meanwhile reads as zeros. The pages of ended loans stay mapped for a
// while (FrameLender), then leave the process's resident memory; they stay
// in the page cache.
struct FrameLoan {
  const uint8_t* data = nullptr;
  FrameShape shape;
  std::shared_ptr<const void> keep;
};

class VideoFile {
 public:
  virtual ~VideoFile() = default;

  const std::string& Path() const { return m_path; }

  // The parameters the file carries itself (a raw file's trailer records),
  // empty when it carries none and the user must give them.
  virtual std::span<const YUVPara> OwnParameters() const = 0;
  // The segments frames are read in, after UseParameters (an empty list
  // until then for a file that carries no parameters).
  virtual std::span<const VideoSegment> Segments() const = 0;
  virtual uint32_t FrameCount() const = 0;
  // Bytes of the file on disk as last measured (Refresh).
  virtual uint64_t FileSize() const = 0;

  // Reads the file with these parameters: a file that carries one set
  // (or none) takes `para`; a spliced file keeps its segments when
  // `useSegments`, else it is read as one run of `para` frames.
  virtual Result<void, VideoFileError> UseParameters(const YUVPara& para, bool useSegments) = 0;
  // Measures the file again (it may have grown or been cut short) and
  // recounts its frames. Owner only, no reader running.
  virtual Result<void, VideoFileError> Refresh() = 0;
  // Stores `para` in the file as its one set of parameters (a raw file's
  // one-record trailer). Refused (kFail) by a file opened read-only, a
  // spliced file or one that changed on disk meanwhile.
  virtual Result<void, VideoFileError> WriteParameters(const YUVPara& para) = 0;

  // Frame n's parameters and size; nullopt for n = 0 or past the end.
  std::optional<FrameShape> Shape(uint32_t n) const;

  // Asked between the pieces of a large frame; true stops the read (kStopped).
  using GiveWay = std::function<bool()>;
  // Reads frame n into `out` (at least the frame's size).
  virtual Result<FrameShape, ReadFailure> Read(uint32_t n, std::span<uint8_t> out,
                                               const GiveWay& giveWay = {}) const = 0;
  // Frames first .. first + count - 1 (all within FrameCount), in place
  // where the file allows it (a mapping: no copy), else read into memory
  // the loan owns.
  virtual Result<LentFrames, ReadFailure> Lend(uint32_t first, uint32_t count) const = 0;
  // Frame n lent where it lies, its pages made present (read from the disk
  // when they are not cached, in pieces, asking `giveWay` between them:
  // kStopped), so that reading it later neither waits nor faults. A file
  // whose frames do not lie in it as they are shown (a decoded stream), or
  // a mapping the system refuses, fails with kFailed: Read the frame then.
  virtual Result<FrameLoan, ReadFailure> LendFrame(uint32_t n, const GiveWay& giveWay = {}) const;
  // Whether frame n can be read whole now (false for a frame the file lost
  // when it was cut short after it was opened).
  virtual bool Holds(uint32_t n) const = 0;

  // The facts of a file that carries its own stream header; null for a raw
  // file. Its pointer stays valid while the file lives; Refresh may change
  // leftOverBytes (owner only, as Refresh itself).
  virtual const StreamFacts* Facts() const { return nullptr; }
  // A file whose header fixes its parameters: UseParameters refuses any
  // other parameters than its own, WriteParameters refuses to write.
  bool ParametersFixed() const { return Facts() != nullptr; }
  // What the stream says of frame n (1..FrameCount()); nullopt for a file
  // that is not coded.
  virtual std::optional<CodedFrame> Coded(uint32_t /*n*/) const { return std::nullopt; }

 protected:
  explicit VideoFile(std::string path) : m_path(std::move(path)) {}

 private:
  std::string m_path;
};

// For the implementations: reads `size` bytes at `at` of `file` into `out`
// in pieces, asking `giveWay` between them; maps the frames at `offsets`
// (each of its shape's size, all within the file as it is now) into one
// loan.
Result<void, ReadFailure> ReadFrameBytes(const platform::File& file, uint64_t at, uint32_t size,
                                         std::span<uint8_t> out, const VideoFile::GiveWay& giveWay);
Result<LentFrames, ReadFailure> MapFrames(const platform::File& file, std::span<const uint64_t> offsets,
                                          std::vector<FrameShape> shapes);

// Lends single frames of one file (VideoFile::LendFrame) from a guarded
// mapping of the whole file, kept for the loans after it and made again
// once the file has grown past it; loans of the old one keep it alive.
// The pages of frames whose loans have ended stay mapped, the latest
// kKeptBytes of them: a clip played round and round is not mapped again
// on every pass (making 12 MB present costs about as much as copying it).
class FrameLender {
 public:
  static constexpr uint64_t kKeptBytes = uint64_t(512) << 20;
  Result<FrameLoan, ReadFailure> Lend(const platform::File& file, uint64_t at, const FrameShape& shape,
                                      const VideoFile::GiveWay& giveWay) const;
  struct Mapping;

 private:
  mutable std::mutex m_lock;
  mutable std::shared_ptr<Mapping> m_map;  // guarded by m_lock
};

// Frames with no headers, the parameter trailer after them (plain or
// spliced).
// The segments of a raw file's frames: the trailer's segments when the file
// is spliced and `useSegments`, else one run of `para` frames over
// `dataSize` bytes (none without `para`).
std::vector<VideoSegment> RawSegments(const TrailerInfo& trailer, uint64_t dataSize, const YUVPara* para,
                                      bool useSegments);

class RawVideoFile final : public VideoFile {
 public:
  using Access = FileAccess;
  // Opens a regular file (never a FIFO or a device) and reads its trailer.
  // An empty path fails with kNotReady; a file that cannot be opened, or
  // whose end cannot be read, with kFail. An empty file opens (no frames);
  // a damaged trailer is no failure either: the file opens, carries no
  // parameters, and TrailerDamaged() says so.
  static Result<std::unique_ptr<RawVideoFile>, VideoFileError> Open(const std::string& path,
                                                                    Access access = Access::kRead);

  std::span<const YUVPara> OwnParameters() const override { return m_trailer.records; }
  std::span<const VideoSegment> Segments() const override { return m_segments; }
  uint32_t FrameCount() const override { return m_frameCount; }
  uint64_t FileSize() const override { return m_fileSize; }
  Result<void, VideoFileError> UseParameters(const YUVPara& para, bool useSegments) override;
  Result<void, VideoFileError> Refresh() override;
  Result<void, VideoFileError> WriteParameters(const YUVPara& para) override;
  Result<FrameShape, ReadFailure> Read(uint32_t n, std::span<uint8_t> out,
                                       const GiveWay& giveWay = {}) const override;
  Result<LentFrames, ReadFailure> Lend(uint32_t first, uint32_t count) const override;
  Result<FrameLoan, ReadFailure> LendFrame(uint32_t n, const GiveWay& giveWay = {}) const override;
  bool Holds(uint32_t n) const override;


  // The trailer as read at open (or after the last write).
  const TrailerInfo& Trailer() const { return m_trailer; }
  bool TrailerDamaged() const { return m_trailer.kind == TrailerKind::kDamaged; }
  bool ReadOnly() const { return m_readOnly; }
  // The open file, for code that copies whole byte ranges of a raw file
  // (cut and splice) and for the trailer's owner.
  const platform::File& File() const { return m_file; }
  // Where frame n's bytes start in this raw file; nullopt past the end. For
  // byte-range tools and checks only: readers read frames with Read or Lend.
  std::optional<uint64_t> ByteOffsetOf(uint32_t n) const {
    FrameShape shape;
    return OffsetOf(n, &shape);
  }

 private:
  explicit RawVideoFile(std::string path) : VideoFile(std::move(path)) {}
  // Where frame n's bytes start; nullopt past the end.
  std::optional<uint64_t> OffsetOf(uint32_t n, FrameShape* shape) const;
  void Lay();  // segments and count from m_trailer, m_para, m_useSegments, m_fileSize

  platform::File m_file;
  bool m_readOnly = true;
  TrailerInfo m_trailer;
  uint64_t m_fileSize = 0;
  uint64_t m_dataSize = 0;     // bytes of frames before the trailer
  YUVPara m_para{};
  bool m_haveParameters = false;
  bool m_useSegments = true;
  std::vector<VideoSegment> m_segments;
  std::vector<uint64_t> m_segmentStarts;  // byte offset of each segment's first frame
  uint32_t m_frameCount = 0;
  FrameLender m_lender;
};

// For a file whose header fixes its parameters: UseParameters accepts
// `para` when it reads the file as `own` does (format, size and interval;
// the tag and offset words are not compared), else refuses it at
// Step::kParameters with `reason`.
Result<void, VideoFileError> AcceptOwnParameters(const std::string& path, const YUVPara& own, const YUVPara& para,
                                                 const char* reason);

// Opens any video file: a Y4M file (its first bytes "YUV4MPEG2") as a
// Y4mVideoFile, read only; a coded stream (a container or an elementary
// stream Debian's libavformat recognises) as a decoded file, read only,
// with `decode`; anything else as a RawVideoFile with `access`. Fails as
// those kinds' Open do.
Result<std::unique_ptr<VideoFile>, VideoFileError> OpenVideoFile(const std::string& path,
                                                                 FileAccess access = FileAccess::kRead,
                                                                 const DecodeOptions& decode = {});
// Whether the file at `path` starts as a Y4M file does (false when it
// cannot be read).
bool IsY4mFile(const std::string& path);

}  // namespace corvane
