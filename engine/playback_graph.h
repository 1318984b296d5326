// PlaybackGraph: the one object through which the window drives playback. It owns
// the frame source, the renderer (with the queue and the display), the frame
// clock and the still-capture object, and answers the source's questions.
//
// Threads: the user-interface thread calls every public operation; the timer
// thread presents frames through OnTimerTick; the reader thread calls the
// SourceHost operations. Lock order: source, renderer, display or queue; the
// graph's own m_paraLock is a leaf.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>

#include "capture/still_encoder.h"
#include "engine/engine_error.h"
#include "engine/frame_source.h"
#include "engine/frame_clock.h"
#include "engine/renderer.h"
#include "engine/renderer_host.h"
#include "engine/source_host.h"
#include "platform/video_window.h"

namespace corvane {

// The computer's physical memory in bytes (UINT64_MAX when it cannot be read).
uint64_t PhysicalMemoryBytes();

class PlaybackGraph : public SourceHost, public RendererHost {
 public:
  // How long SeekToFrame waits for the reader to deliver the frame sought.
  // The reader needs a few milliseconds; a second covers a slow disk, and the
  // wait ends even when the frame never comes.
  static constexpr std::chrono::milliseconds kSeekWait{1000};

  explicit PlaybackGraph(platform::VideoWindow* videoWnd);  // the window is not owned
  ~PlaybackGraph() override;
  PlaybackGraph(const PlaybackGraph&) = delete;
  PlaybackGraph& operator=(const PlaybackGraph&) = delete;

  EngineResult<> Create();
  void Release();

  // A coded file opens with `decode` (FrameSource::Open).
  EngineResult<OpenedFile> OpenFile(const std::string& path, const DecodeOptions& decode = {});
  // A file the caller opened; the graph owns it from now on.
  EngineResult<OpenedFile> OpenFile(std::unique_ptr<VideoFile> file);
  EngineResult<FileParameters> ReadFilePara(std::span<YUVPara> out, bool all);
  // Applies parameters: retimes the clock, sets the source, makes the display
  // and a new queue. Playback that is running is stopped first, since the
  // queue the reader fills is replaced. Parameters whose frames would need
  // more memory to play than MemoryLimit() (Renderer::MemoryFor) are
  // refused with kOutOfMemory before anything is stopped or allocated.
  EngineResult<> SetPara(const YUVPara* para, platform::VideoWindow* videoWnd);
  // The computer's physical memory unless set otherwise (tests lower it).
  uint64_t MemoryLimit() const { return m_memoryLimit.load(); }
  void SetMemoryLimit(uint64_t bytes) { m_memoryLimit = bytes; }
  EngineResult<FileInfo> GetFileInfo();
  uint32_t GetSegmentCount() const;

  EngineResult<> Run();
  // Pause, Stop and Close cut a presentation under way short (a huge frame's
  // draw would hold them for a second) instead of waiting for it to end.
  EngineResult<> Pause();
  EngineResult<> Stop();
  EngineResult<> SetSpeed(float speed);
  float GetSpeed() const override { return m_speed.load(); }
  EngineResult<> SpeedUp();
  EngineResult<> SpeedDown();
  EngineResult<> SetReverse(bool reverse);
  EngineResult<> SetRepeat(bool repeat);

  // Positions on frame n and shows it. Refused (kNotReady) when n is 0 or
  // beyond the last frame or the reader is not running. Waits up to kSeekWait
  // for the frame; kNotReady when it did not come, or came but could not be
  // drawn (hidden window): the frame is then current all the same, so a
  // refresh shows it, and playback goes on after it.
  EngineResult<> SeekToFrame(uint32_t n);
  EngineResult<> GoToStart();
  EngineResult<> GoToEnd();
  EngineResult<> StepForward();
  EngineResult<> StepBackward();
  EngineResult<uint32_t> GetCurrentFrame() const;
  EngineResult<> Refresh();
  // Cuts the presentation or refresh under way short (a seek's or a tick's;
  // the tick's frame is shown by the next one). From any thread, without
  // the caller's locks: a command that waits for another thread's seek calls
  // it first.
  void CancelPresentation();

  EngineResult<> SetComponentMode(uint32_t mode);  // kOk taken; kNotReady for mode > 3 or no display
  uint32_t GetComponentMode() const;
  EngineResult<> SetAspectMode(int mode);
  int GetAspectMode() const;  // 0 (the whole window) before Create
  // How YUV frames are read as colours; kNotReady before Create.
  EngineResult<> SetColourSpace(ColourSpace colour);
  // The free zoom and pan of the picture (view_transform.h); shown from the
  // next presentation (Refresh shows it at once).
  void SetView(const PictureView& view);
  bool SetNotifyWindow(platform::FrameSizeListener* listener);
  bool GetPara(YUVPara* out) const;

  // Y, U, V of pixel (x, y) of the frame on screen, for the YUV formats
  // (NV16 included, from its own layout; the deep formats at their depth,
  // grey ones with −1 for U and V); kNotReady for the RGB formats, without
  // a frame, or outside it.
  EngineResult<PixelValue> GetPixelValue(uint32_t x, uint32_t y) const;
  // Still pictures of the frame on screen into the caller's buffer: kNotReady
  // without a frame on screen; kFail when the frame's buffer holds less than
  // its format's frame size; otherwise StillEncoder::EncodeBMP's and
  // EncodeJPEG's results (which frames they take, how much room they need).
  // The value is the length written.
  EngineResult<uint32_t> CaptureBMP(void* buf, uint32_t len);
  EngineResult<uint32_t> CaptureJPEG(void* buf, uint32_t len, int quality);
  // The frame on screen at its own size as the display converts it
  // (FrameToPicture): kNotReady without a frame on screen, else its result.
  EngineResult<> CapturePicture(platform::Picture* out) const;

  EngineResult<> SaveParaToFile(const YUVPara* para);
  const platform::File* GetFileHandle() const;  // a raw file's; null without one
  // The open file's stream facts (exact rate, interlacing, range); null
  // for a raw file. Valid until the file is closed.
  const StreamFacts* GetStreamFacts() const;  // the thread that opens and closes files
  // What a coded file's stream says of frame n (type, key, bytes); none for
  // other files. Any thread while the file is open.
  std::optional<CodedFrame> GetCodedFrame(uint32_t n) const;
  // Frame n is the one on screen and its decoder could not decode it (the
  // picture before it stays).
  bool DecodeFailedAt(uint32_t n) const;
  // Over the last second or so of play, frames were not ready when the
  // clock asked for them (decoding or reading slower than the speed set):
  // the clock waits for them, so the rate is held below the speed. Any thread.
  bool FallingBehind() const;
  EngineResult<> Close();

  // Where the engine's one notice goes (the window turns it into a message
  // box); without a handler it is dropped: the call that raised it fails too.
  void SetNoticeHandler(std::function<void(Notice)> handler);

  // For the presenting side.
  void OnTimerTick(const FrameClock& clock);

  // SourceHost.
  bool IsPaused() const override;
  uint32_t GetLastPresentedFrame() const override;
  void SetSegmentPara(const YUVPara& para) override;
  void FlushQueue() override;
  void SetFileInfo(uint64_t size, uint32_t frameCount) override;
  void ShowNotice(Notice notice) override;

  // RendererHost.
  void OnFormatChange(const YUVPara& para) override;
  bool IsMinimized() const override;

  // Parts, for the command line and tests; null before Create.
  FrameSource* Source() const { return m_source.get(); }
  Renderer* Render() const { return m_renderer.get(); }
  FrameClock* Timer() const { return m_clock.get(); }

 private:
  // Counts one tick of play (clock thread), starved when it found no frame ready.
  void CountTick(bool starved);
  // Pauses the clock, then cancels the presentation under way.
  void CutPresentationShort();
  // CaptureBMP and CaptureJPEG; quality is used for JPEG only.
  EngineResult<uint32_t> CaptureStill(StillKind kind, void* buf, uint32_t len, int quality);

  platform::VideoWindow* const m_videoWindow;
  mutable std::mutex m_paraLock;  // guards m_para
  YUVPara m_para{};
  std::unique_ptr<FrameSource> m_source;
  std::unique_ptr<Renderer> m_renderer;
  std::unique_ptr<FrameClock> m_clock;
  std::unique_ptr<StillEncoder> m_stillEncoder;
  std::atomic<float> m_speed{1.0f};
  std::atomic<uint64_t> m_memoryLimit;
  // The clock's count of ticks that found no frame ready (clock thread only),
  // and until when (steady clock, ns) FallingBehind holds.
  struct PaceWindow {
    int64_t start = 0;
    uint32_t ticks = 0, starved = 0;
  } m_pace;
  std::atomic<int64_t> m_behindUntil{0};
  std::mutex m_noticeLock;  // guards m_notice
  std::function<void(Notice)> m_notice;
};

}  // namespace corvane
