// Renderer: between the frame queue and the display. On each request (a
// timer tick or a seek) it takes the next full buffer, makes it the current
// frame, notices when the frame's interval, geometry or format differs from
// the one before (a spliced file changing segment), tells the graph and the
// window, and has the display draw it.
//
// Lock order: the frame source's lock, then m_lock, then m_currentLock, then
// the display's lock or the queue's lock.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

#include "engine/frame_queue.h"
#include "engine/frame_clock.h"
#include "engine/display.h"
#include "engine/renderer_host.h"
#include "formats/yuv_format.h"
#include "platform/video_window.h"

namespace corvane {

class Renderer {
 public:
  // Frames in the queue, each of one frame size, 32-byte aligned: ten, or
  // as many as fit in kQueueBytes, but at least FrameQueue::kMinCount (a
  // 4K frame keeps ten; a 1.6 GB one three).
  static constexpr uint32_t kQueueSize = 10;
  static constexpr uint64_t kQueueBytes = uint64_t(256) << 20;
  static uint32_t QueueCountFor(uint32_t frameSize) {
    return FrameQueue::CountFor(frameSize, kQueueSize, kQueueBytes);
  }
  // What playing frames of frameSize bytes holds at most: the queue's
  // buffers and one frame-sized surface the display copies into.
  static uint64_t MemoryFor(uint32_t frameSize) { return (uint64_t(QueueCountFor(frameSize)) + 1) * frameSize; }

  explicit Renderer(RendererHost* host);  // the host is not owned and outlives the renderer
  virtual ~Renderer();
  Renderer(const Renderer&) = delete;
  Renderer& operator=(const Renderer&) = delete;

  // Makes the display for the window (not owned; it must outlive the
  // renderer) and a new queue for the frame size. Null arguments: kNotReady.
  int32_t SetPara(const YUVPara* para, platform::VideoWindow* videoWnd);

  // Presents the next full buffer: kNotReady when none is waiting (nothing
  // changes) or when it could not be drawn (the frame number stays);
  // kDrawCancelled when CancelPresentation cut it short: the frame on screen
  // stays current and the one taken is the next full buffer again (unless a
  // flush came meanwhile). The buffer before is handed back to the reader
  // only once the new one is drawn, so that it stays whole until then.
  // With a clock, nothing is presented while it is paused; the check is made
  // under the renderer's lock, so once a seek has held the clock no tick can
  // take the frame the seek waits for.
  // A seek passes the stop it took (CancelToken) when it began, so that a
  // cancel while it waited for its frame cuts its presentation short too.
  int32_t PresentNext(const FrameClock* clock = nullptr, std::optional<RenderStop> since = std::nullopt);
  void Flush();
  int32_t Refresh();
  // Ends the presentation or refresh under way, if any, within milliseconds
  // (a huge frame's draw reads it between bands of rows); one that starts
  // after the call is not affected. From any thread, without a lock. A
  // caller that must not wait for a tick's presentation pauses the clock
  // first, then cancels: a tick then either sees the pause or is cut short.
  void CancelPresentation() { m_cancels.fetch_add(1); }
  // A stop that every CancelPresentation after this call requests.
  RenderStop CancelToken() const { return RenderStop(m_cancels, m_cancels.load()); }
  // Returns once no presentation is under way: one that began before the
  // call has ended, and one after it sees whatever the caller changed first.
  void WaitForPresentation() const { std::scoped_lock lock(m_lock); }

  FrameQueue* GetQueue() const { return m_queue.get(); }  // valid until the next SetPara
  uint32_t GetCurrentFrame() const { return m_curFrame.load(); }
  // The frame presented last when its decoder could not decode it (the
  // picture before it on screen), else 0.
  uint32_t GetFailedFrame() const { return m_failedFrame.load(); }
  void SetSegmentPara(const YUVPara& para);  // from the reader thread
  void SetFrameCount(uint32_t frameCount) { m_frameCount = frameCount; }
  uint32_t GetFrameCount() const { return m_frameCount.load(); }
  int32_t SetComponentMode(uint32_t mode);  // kOk taken; kNotReady for mode > 3 or no display
  uint32_t GetComponentMode() const;
  int32_t SetAspectMode(int mode);
  // The free zoom and pan (Display::SetView); kept for the displays made later.
  void SetView(const PictureView& view);
  // The mode the display fits the picture by: the window maps pointer
  // positions back to frame pixels with it.
  int GetAspectMode() const;
  // Kept for displays made later, like the modes above.
  void SetColourSpace(ColourSpace colour);
  ColourSpace GetColourSpace() const;
  void SetNotifyWindow(platform::FrameSizeListener* listener);
  YUVPara GetPara() const;

  // Runs fn with the current buffer (null when there is none) under
  // m_currentLock, so that the buffer cannot change meanwhile, but without
  // waiting for a presentation under way (a huge frame's takes a second).
  // For still capture and pixel lookup.
  template <typename Fn>
  auto WithCurrent(Fn&& fn) const {
    std::scoped_lock lock(m_currentLock);
    return fn(m_queue ? m_queue->GetCurrent() : nullptr);
  }

  // Called after every successful presentation with the frame's number, on the
  // presenting thread (for headless players and tests).
  void SetPresentedCallback(std::function<void(const FrameBuffer&)> cb);

 private:
  int32_t Present(FrameBuffer* b, const RenderStop& stop);  // under m_lock
  void MakeCurrent(FrameBuffer* b);                          // under m_lock

  mutable std::mutex m_lock;  // guards everything below unless marked atomic
  // Guards which buffer is current (m_queue's current, and m_queue itself,
  // which is replaced under both locks): held only to swap it or to read the
  // current frame, never across a draw.
  mutable std::mutex m_currentLock;
  std::atomic<uint64_t> m_cancels{0};  // moves on with every CancelPresentation
  uint32_t m_width = 0;
  uint32_t m_height = 0;
  YUVType m_type = YUV_NONE;
  std::unique_ptr<Display> m_display;
  std::unique_ptr<FrameQueue> m_queue;  // replaced only while the reader is stopped
  std::atomic<uint32_t> m_curFrame{1};
  std::atomic<uint32_t> m_failedFrame{0};
  std::atomic<uint32_t> m_frameCount{0};
  uint32_t m_frameSize = 0;
  YUVType m_lastType = YUV_NONE;
  uint32_t m_lastInterval = 0;
  // Written under m_lock, read without it: the window asks for them on every
  // update, and a presentation of a huge frame holds m_lock for a second.
  std::atomic<uint32_t> m_componentMode{0};
  std::atomic<int> m_aspectMode{0};
  ColourSpace m_colour;
  PictureView m_view;
  YUVPara m_para{};
  platform::FrameSizeListener* m_notify = nullptr;
  std::function<void(const FrameBuffer&)> m_presented;
  RendererHost* const m_host;
};

}  // namespace corvane
