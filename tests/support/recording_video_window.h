// A video window for tests: an OffscreenWindow (geometry settable, client
// area painted into a canvas) that also records every picture presented to
// it. Thread-safe: pictures may arrive on any thread while the test reads.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/offscreen_window.h"

namespace testsupport {

class RecordingVideoWindow : public corvane::OffscreenWindow {
 public:
  struct Presented {
    std::shared_ptr<const platform::Picture> picture;  // null once dropped (see SetKeepPictures)
    platform::Rect dest;                               // client coordinates: the whole picture
    uint32_t width = 0, height = 0;                    // of the picture
    std::chrono::steady_clock::time_point when;
    std::thread::id thread;
  };

  using corvane::OffscreenWindow::OffscreenWindow;

  // Pictures are kept for the last `keep` presents only (their metadata for
  // all), so that long playback tests do not hold every frame.
  void SetKeepPictures(size_t keep) {
    std::scoped_lock lock(m_mutex);
    m_keep = keep;
  }

  void Present(std::shared_ptr<const platform::Picture> picture) override {
    corvane::OffscreenWindow::Present(picture);
    {
      std::scoped_lock lock(m_mutex);
      Presented p;
      p.width = picture ? picture->width : 0;
      p.height = picture ? picture->height : 0;
      p.picture = std::move(picture);
      p.dest = {0, 0, int32_t(p.width), int32_t(p.height)};
      p.when = std::chrono::steady_clock::now();
      p.thread = std::this_thread::get_id();
      m_presented.push_back(std::move(p));
      if (m_presented.size() > m_keep) m_presented[m_presented.size() - 1 - m_keep].picture.reset();
    }
    m_cv.notify_all();
  }

  size_t PresentCount() const {
    std::scoped_lock lock(m_mutex);
    return m_presented.size();
  }
  std::vector<Presented> Presents() const {
    std::scoped_lock lock(m_mutex);
    return {m_presented.begin(), m_presented.end()};
  }
  Presented Last() const {
    std::scoped_lock lock(m_mutex);
    return m_presented.empty() ? Presented{} : m_presented.back();
  }
  void ClearPresents() {
    std::scoped_lock lock(m_mutex);
    m_presented.clear();
  }
  // Waits until at least n pictures have been presented in all.
  bool WaitForPresents(size_t n, std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    std::unique_lock lock(m_mutex);
    return m_cv.wait_for(lock, timeout, [&] { return m_presented.size() >= n; });
  }

 private:
  std::condition_variable_any m_cv;  // with m_mutex
  std::deque<Presented> m_presented;  // guarded by m_mutex
  size_t m_keep = SIZE_MAX;          // guarded by m_mutex
};

}  // namespace testsupport
