// The capture button: the frame on screen as the next numbered still picture
// (captureNN.bmp or .jpg) in the capture folder of the settings. The numbers
// start at 0 with every run and skip names already taken.
//
// Threads: GUI thread only.
#pragma once

#include <QString>
#include <cstdint>

#include "engine/playback_graph.h"

class QWidget;

namespace ui {

class StillCapture {
 public:
  // JPEG stills are made at the best quality: they are for looking at single
  // frames closely, not for saving space.
  static constexpr int kJpegQuality = 100;

  explicit StillCapture(QWidget* parent) : m_parent(parent) {}

  // Captures the frame on screen of `graph`, whose parameters are `para`
  // (a spliced file's segment on screen is asked for). False when nothing was
  // written; every
  // failure but "no frame" is told to the user.
  bool Capture(corvane::PlaybackGraph& graph, corvane::YUVPara para);
  // Encodes into the caller's buffer of `size` bytes and writes the file.
  bool Write(corvane::PlaybackGraph& graph, uint8_t* buffer, uint32_t size);

  uint32_t BmpCount() const { return m_bmpCount; }
  uint32_t JpegCount() const { return m_jpegCount; }

 private:
  QWidget* const m_parent;
  uint32_t m_bmpCount = 0;   // the next BMP number
  uint32_t m_jpegCount = 0;  // the next JPEG number
};

}  // namespace ui
