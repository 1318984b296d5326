// The scopes of the picture on screen, computed off the window's thread for
// the latest picture only. A request copies the frame the display shows now
// (A's current frame, or what B's pane shows: B's frame or the difference
// picture) on the session's seeker, with the graph lock held so that no file
// closes under it, and under the renderer's lock for the length of one
// memcpy; a worker of its own then computes the scopes and hands them over.
//
// A copy rather than a second read of the file: the difference picture and
// B's black past its end exist only in B's renderer, and the copy costs the
// presenting thread nothing (it waits on the renderer's lock at most for the
// copy: under 0.1 ms for a 1080p 4:2:0 frame in memory, as is a read of the
// frame again from the page cache; bench/scopes_bench.cpp).
//
// Threads: Request from any thread (the window's); the copy on the session's
// seeker (PlayerSession::RunOnGraph), the computing and `deliver` on the
// feed's worker. Locks: m_lock (the spare buffer) is a leaf. The session
// must stop its seeker before the feed goes (the window destroys the
// session first), and the feed's worker stops in its destructor.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "analysis/scopes.h"
#include "formats/yuv_format.h"
#include "platform/latest_worker.h"

namespace corvane {
class PlaybackGraph;
}

namespace session {

class PlayerSession;

// Which picture the scopes read.
enum class ScopeSource : uint8_t {
  kOpenFile,       // A's frame on screen
  kReferencePane,  // B's pane: B's frame or the difference picture
};

struct ScopeRequest {
  ScopeSource source = ScopeSource::kOpenFile;
  corvane::analysis::ScopeOptions options;
};

struct ScopeResult {
  uint32_t frame = 0;  // the frame's number (B's pane: the number it follows)
  corvane::YUVType type = corvane::YUV_NONE;
  uint32_t width = 0, height = 0;  // the whole frame's
  ScopeRequest request;
  corvane::analysis::Scopes scopes;
};

class ScopeFeed {
 public:
  // Frames larger than this are not copied (a frame of a gigabyte would
  // hold the renderer for a presentation's time and double the memory
  // playback needs); their scopes are not shown. 8K at 16 bits 4:4:4 fits.
  static constexpr uint64_t kMaxFrameBytes = uint64_t(256) << 20;

  // Called on the worker with each result; null when there was no picture
  // to read (no file, nothing on B's pane yet, a frame over kMaxFrameBytes).
  using Deliver = std::function<void(std::shared_ptr<const ScopeResult>)>;

  ScopeFeed(PlayerSession& session, Deliver deliver);
  ~ScopeFeed();
  ScopeFeed(const ScopeFeed&) = delete;
  ScopeFeed& operator=(const ScopeFeed&) = delete;

  // The scopes of the picture on screen now; a request not yet computed is
  // replaced by a later one.
  void Request(const ScopeRequest& request);
  // Waits until the worker has nothing left; false on timeout. (The copy
  // runs on the seeker: PlayerSession::WaitForSeeks waits for it.)
  bool WaitIdle(std::chrono::milliseconds timeout) { return m_worker.WaitIdle(timeout); }

 private:
  struct Captured {
    std::vector<uint8_t> bytes;
    uint32_t frame = 0;
    corvane::YUVType type = corvane::YUV_NONE;
    uint32_t width = 0, height = 0;
    ScopeRequest request;
  };
  void Capture(corvane::PlaybackGraph* graph, const ScopeRequest& request);  // seeker, graph lock held
  void Compute(std::shared_ptr<Captured> frame);                             // worker

  PlayerSession& m_session;
  const Deliver m_deliver;
  std::mutex m_lock;
  std::vector<uint8_t> m_spare;  // guarded by m_lock: a buffer back from the worker, reused
  std::vector<uint8_t> m_scratch;  // worker only: unpacked planes
  platform::LatestWorker<std::shared_ptr<Captured>> m_worker;  // last: it starts once everything above exists
};

}  // namespace session
