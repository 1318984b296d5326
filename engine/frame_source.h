// FrameSource: the open video file and the reader thread that keeps the
// frame queue topped up, forwards or backwards, with seeking, repeat and the
// segments of spliced files. The reader knows frames by number only: their
// bytes come from the file's VideoFile (formats/video_file.h), raw or Y4M
// alike. The source owns the file, so it also writes a raw file's
// one-record trailer.
//
// Threads: the user-interface thread calls every public operation; the
// reader thread reads frames, checks repeat and handles the ends. Lock order:
// m_lock, then the host's locks (renderer), then the queue's lock.
#pragma once

#include <atomic>
#include <memory>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "engine/engine_error.h"
#include "engine/frame_queue.h"
#include "engine/source_host.h"
#include "formats/trailer.h"
#include "formats/video_file.h"
#include "formats/yuv_format.h"
#include "platform/file.h"

namespace corvane {

class FrameSource {
 public:
  explicit FrameSource(SourceHost* graph);
  virtual ~FrameSource();
  FrameSource(const FrameSource&) = delete;
  FrameSource& operator=(const FrameSource&) = delete;

  // Opens any video file (OpenVideoFile: a Y4M file by its first bytes, read
  // only; a raw file read-write, or read-only when it is marked read-only or
  // cannot be opened for writing; readOnly tells which). Empty path:
  // kNotReady; open failure (with its errno), a header refused or an empty
  // file: kFail.
  // A coded file is opened with `decode` (its cache bound; a progress
  // callback, called on this thread, while its index needs a decoding scan).
  EngineResult<OpenedFile> Open(const std::string& path, const DecodeOptions& decode = {});
  // Takes a file opened by the caller (on a thread of its own, say, while a
  // coded file's index is built); the source owns it from now on.
  EngineResult<OpenedFile> Open(std::unique_ptr<VideoFile> file);

  // The parameters the file carries: a raw file's trailer (hasTrailer when
  // the file ends in the magic) or a stream header's (fromHeader). out
  // receives the first record, or every record when all is set (out must
  // then have room for GetSegmentCount() records, else kFail). A damaged
  // trailer gives kFail; the file stays open and plays with other parameters.
  EngineResult<FileParameters> ReadTrailer(std::span<YUVPara> out, bool all);
  // Whether the open file is raw and ends in the trailer magic, damaged
  // trailer or not.
  bool HasTrailer() const;
  // The open file's stream facts (a Y4M file's exact rate, interlacing,
  // range); null for a raw file or none. Valid until Open or Close. User-
  // interface thread, as Open and Close.
  const StreamFacts* GetFacts() const;
  // What a coded file's stream says of frame n; none for other files. Any
  // thread while the file is open (the file's getters are thread-safe).
  std::optional<CodedFrame> GetCoded(uint32_t n) const;

  // Parameters of the file (of its first segment when spliced).
  EngineResult<> SetPara(const YUVPara* para);
  // Recomputes size and frame count, returns them and passes them to the host.
  EngineResult<FileInfo> GetFileInfo();

  void SetQueue(FrameQueue* queue);  // lent by the graph; set while the thread is stopped
  EngineResult<> StartThread();
  EngineResult<> StopThread();

  EngineResult<> Seek(uint32_t frame);
  void SetReverse(bool reverse);
  void SetRepeat(bool repeat);
  bool GetReverse() const { return m_reverse.load(); }
  bool GetRepeat() const { return m_repeat.load(); }
  uint32_t GetSegmentCount() const;

  EngineResult<> SavePara(const YUVPara* para);
  void Close();

  // The open raw file, for the readers of its trailer (a spliced file's
  // segments). Null when no file is open or it is not a raw file.
  const platform::File* GetFile() const { return Raw() ? &Raw()->File() : nullptr; }
  // The open file as frames (its parameters as set), for a second reader;
  // null when no file is open. Valid until Open or Close.
  const VideoFile* GetVideo() const { return m_video.get(); }
  bool IsThreadRunning() const { return m_threadRunning.load(); }
  uint32_t GetFrameCount() const { return m_frameCount.load(); }
  // Byte position of frame n (1-based) in a raw file; 0 past the end or in
  // a file with headers.
  uint64_t FramePositionOf(uint32_t n) const;

  // One pass of the reader thread: 0 go on, 1 pause, negative: end the thread.
  // Public so that tests can drive the reader without a thread.
  int32_t ReadFrame();

 private:
  // The open file when it is a raw one (its trailer, its byte ranges).
  const RawVideoFile* Raw() const { return dynamic_cast<const RawVideoFile*>(m_video.get()); }
  RawVideoFile* Raw() { return dynamic_cast<RawVideoFile*>(m_video.get()); }
  void ThreadMain(std::stop_token stop);
  void RestartAtEndIfRepeating();                // reader thread, without m_lock
  int32_t ReadInto(FrameBuffer* b, FrameQueue* queue);  // takes m_lock; hands b back either way
  void HandleEnd();                              // under m_lock
  void LocateSegment();                          // under m_lock
  void ApplyTrailer(const TrailerInfo& info);    // under m_lock
  void RecountFrames();                          // under m_lock
  void WakeReader();
  void IdleWait(std::chrono::milliseconds timeout);

  SourceHost* const m_graph;
  // Opened, measured and written by the UI thread while the reader is
  // stopped (or under m_lock); read by the reader under m_lock.
  std::unique_ptr<VideoFile> m_video;

  std::jthread m_thread;                 // UI thread only
  std::atomic<bool> m_threadRunning{false};
  std::atomic<bool> m_reverse{false};
  std::atomic<bool> m_repeat{false};
  // Threads about to take m_lock to stop or reposition the reader: a frame
  // being read gives way to them between two chunks.
  std::atomic<int> m_waiting{0};

  // A leaf of its own, not m_lock: a reader in the middle of a huge frame
  // holds m_lock for the whole frame, and waking it (play, repeat) must not
  // wait for that.
  std::mutex m_wakeLock;
  std::condition_variable m_wakeCv;  // with m_wakeLock: the idle reader waits here; seek, direction, repeat and stop wake it
  uint64_t m_wakeSeq = 0;            // guarded by m_wakeLock

  mutable std::mutex m_lock;               // guards everything below
  std::atomic<uint32_t> m_frameCount{0};  // written under m_lock, read anywhere
  uint32_t m_nextFrame = 1;             // number of the next frame to read
  bool m_pastEnd = false;                // stopped at an end: every read fails until a seek or a wrap
  FrameQueue* m_queue = nullptr;      // set while the reader is stopped
  uint32_t m_frameSize = 0;             // of the current segment
  YUVType m_type = YUV_NONE;
  uint32_t m_curSegment = 0;
  uint32_t m_recordCount = 1;
  YUVPara m_para{};                      // of the current segment
};

}  // namespace corvane
