// The second file of a comparison (the reference, B) on its own pane of the
// picture area. It has no clock and no reader of its own: it shows the frame
// whose number the open file's graph has just presented (plus the offset the
// user shifted B by), so both sides stay on the same pair of frames whatever
// plays, steps, seeks or turns round. Outside B's frames it shows black.
//
// In the difference view it shows, instead of B, the difference picture of
// the open file's frame and B's (analysis/difference_picture.h), through the
// same display, so the component view, the colour space and the zoom apply
// to it as to any frame.
//
// Threads: Show and the setters may be called from any thread (Show comes
// from the presenting thread of the other graph, under its renderer's lock,
// so it only posts); one platform::LatestWorker reads, computes and
// presents: a new request replaces one not yet started. Locks: m_lock
// guards the frame asked for, the difference settings and the frames kept
// for the readout; the worker's lock is taken inside it (a leaf), the
// renderer's lock without it.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <stop_token>
#include <string>
#include <utility>
#include <vector>

#include "analysis/compare.h"
#include "capture/still_encoder.h"
#include "engine/renderer.h"
#include "engine/renderer_host.h"
#include "formats/frame_locator.h"
#include "formats/trailer.h"
#include "formats/yuv_format.h"
#include "platform/file.h"
#include "platform/latest_worker.h"

namespace session {

// A file as a comparison reads it: its path, parameters and trailer.
using CompareSide = corvane::analysis::CompareInput;

class ReferenceView : private corvane::RendererHost {
 public:
  // The pane is not owned and outlives the view.
  explicit ReferenceView(platform::VideoWindow* pane);
  ~ReferenceView() override;
  ReferenceView(const ReferenceView&) = delete;
  ReferenceView& operator=(const ReferenceView&) = delete;

  // Takes B (open already, its parameters chosen) and opens A (read for
  // the difference picture). 0 or an errno value; EINVAL when B's
  // parameters give no frame.
  int Open(std::unique_ptr<corvane::VideoFile> reference, const CompareSide& a,
           const corvane::DecodeOptions& decode = {});
  // B, for others that read it while the view lives (the quality track).
  const corvane::VideoFile* ReferenceFile() const { return m_reference.get(); }
  // A, as the view opened it, for the same readers.
  const corvane::VideoFile* PlayedFile() const { return m_played.get(); }
  uint32_t FrameCount() const { return m_reference ? m_reference->FrameCount() : 0; }
  // B's parameters at frame n (its first segment's past its end).
  corvane::YUVPara ParaAt(uint32_t n) const;

  // Shows the frame paired with A's frame n (posted; the latest request wins).
  void Show(uint32_t n);
  // B's frame n + offset is paired with A's frame n; shown again at once.
  void SetOffset(int32_t offset);
  // The difference picture instead of B, amplified by `gain`; shown again at once.
  void SetDifference(bool on, int gain);
  // Display settings, as the open file's graph has them; the frame shown is
  // drawn again at once (the colour space: composed again, on the worker).
  void SetComponentMode(uint32_t mode);
  void SetAspectMode(int mode);
  void SetColourSpace(corvane::ColourSpace colour);
  void SetView(const corvane::PictureView& view);
  // The frame last shown, drawn again now (the pane changed size or place).
  void Refresh();

  // The picture on B's pane now (B's frame, the difference picture, or
  // black past B's end) for a still: as BMP or JPEG into `out` (the still
  // encoder's codes, as the playback graph's capture gives them), or
  // converted at its own size as the display shows it.
  int32_t CaptureStill(corvane::StillKind kind, int quality, std::vector<uint8_t>* out);
  int32_t CapturePicture(platform::Picture* out) const;

  // Runs fn with the frame on B's pane now (B's frame, the difference
  // picture or black; null before the first) under B's renderer's lock, so
  // that it cannot change meanwhile: the scopes copy it.
  template <typename Fn>
  auto WithShown(Fn&& fn) const {
    return m_renderer.WithCurrent(std::forward<Fn>(fn));
  }

  // B's Y, U, V at (x, y) of the frame last shown: false past B's end, for
  // RGB frames or outside the frame.
  bool SamplesAt(uint32_t x, uint32_t y, int v[3]) const;
  uint32_t ShownFrame() const;  // A's number of the pair last shown
  // Waits until no request is pending or running; false on timeout.
  bool WaitIdle(std::chrono::milliseconds timeout);

 private:
  void OnFormatChange(const corvane::YUVPara&) override {}
  bool IsMinimized() const override { return false; }
  void Post(std::optional<uint32_t> frame);
  // On the worker: frame n composed and presented.
  void ShowNow(uint32_t n);
  // On the worker: the picture for A's frame n (B's frame n + offset
  // itself, or the difference or black in m_picture), its type and size.
  std::span<const uint8_t> Compose(uint32_t n, int32_t offset, bool difference, int gain, corvane::YUVType* type,
                                   uint32_t* w, uint32_t* h);
  void Present(std::span<const uint8_t> bytes, corvane::YUVType type, uint32_t w, uint32_t h, uint32_t n);

  platform::VideoWindow* const m_pane;
  corvane::Renderer m_renderer{this};
  corvane::StillEncoder m_still;  // used under the renderer's lock only
  std::unique_ptr<corvane::VideoFile> m_reference, m_played;  // B and A, read through the interface
  corvane::YUVPara m_first{};

  mutable std::mutex m_lock;
  uint32_t m_last = 0;                // guarded by m_lock: the frame last asked for
  bool m_difference = false;          // guarded by m_lock
  int m_gain = 1;                     // guarded by m_lock
  int32_t m_offset = 0;               // guarded by m_lock
  // B's frame as shown, for the readout (guarded by m_lock; the worker,
  // its only writer, reads it without).
  struct Shown {
    std::vector<uint8_t> bytes;
    corvane::YUVType type = corvane::YUV_NONE;
    uint32_t width = 0, height = 0;
    uint32_t frame = 0;
  };
  Shown m_shown;
  // Worker only.
  std::vector<uint8_t> m_referenceBytes, m_aBytes, m_picture, m_scratch[2];
  platform::LatestWorker<uint32_t> m_worker;  // last: it starts once everything above exists
};

}  // namespace session
