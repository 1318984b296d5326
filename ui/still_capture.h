// The capture button: the frame on screen as the next numbered still picture
// (captureNN.bmp or .jpg) in the capture folder of the settings. The numbers
// start at 0 with every run and skip names already taken. Beside them, the
// PNG still (captureNN.png, numbered the same way): the frame at its own
// size converted as the display converts it, in any format; and the same
// picture copied to the clipboard.
//
// While a second file is compared, a still is of the picture on screen and
// its name says which: captureNN_a with A alone, captureNN_b with B alone,
// captureNN_diff in the difference view, and side by side or with the wipe
// both frames, each whole at its own size, as captureNN_a and captureNN_b of
// one number. The clipboard takes the one picture shown, or A and B side by
// side in one.
//
// Threads: Capture runs on the GUI thread and hands the work to the
// session's seeker thread, which encodes the frame on screen and writes the
// file; what goes wrong is told on the GUI thread. The counters are atomics
// written by the seeker only.
#pragma once

#include <QString>
#include <atomic>
#include <cstdint>
#include <vector>

#include "session/player_session.h"
#include "ui/prompts.h"

class QWidget;

namespace ui {

// The still's file format: BMP or JPEG from the stored setting (0 BMP,
// anything else JPEG); PNG by its own command.
enum class StillFormat { kBmp, kJpeg, kPng };

// One picture of a still: the open file's frame (A) or the picture on the
// compared file's pane (B's frame or the difference), and what its name
// gets after the number ("" for a file alone, "_a", "_b", "_diff").
struct StillPart {
  bool compared = false;
  QString suffix;
};
class StillCapture {
 public:
  // JPEG stills are made at the best quality: they are for looking at single
  // frames closely, not for saving space.
  static constexpr int kJpegQuality = 100;

  StillCapture(QWidget* parent, session::PlayerSession* session) : m_parent(parent), m_session(session) {}

  // Captures the frame on screen; `para` are the file's parameters (a
  // spliced file's segment on screen is asked for on the seeker).
  void Capture(const corvane::YUVPara& para);
  // The frame on screen as the next PNG still (on the seeker, like Capture).
  void CapturePng();
  // The frame on screen to the clipboard as an image (GUI thread).
  bool CopyToClipboard();

  // The pictures a still is made of for what the window shows now.
  std::vector<StillPart> PartsOnScreen() const;

  uint32_t BmpCount() const { return m_bmpCount.load(); }
  uint32_t JpegCount() const { return m_jpegCount.load(); }
  uint32_t PngCount() const { return m_pngCount.load(); }

 private:
  // On the seeker: encode each part and write them under one number.
  void Encode(corvane::PlaybackGraph& graph, const std::vector<StillPart>& parts, StillFormat format,
              const QString& folder);
  // On the seeker: the BMP or JPEG of one part into `bytes`; false once the
  // user has been told why not.
  bool EncodePart(corvane::PlaybackGraph& graph, const StillPart& part, bool jpeg, std::vector<uint8_t>* bytes);
  // The picture of one part as the display converts it (any thread that may
  // use the graph).
  int32_t PictureOf(corvane::PlaybackGraph& graph, const StillPart& part, platform::Picture* picture) const;
  // Writes each part's bytes under the next number free for all of them.
  bool Write(StillFormat format, const QString& folder, const std::vector<StillPart>& parts,
             const std::vector<std::vector<uint8_t>>& bytes);
  // Shows `text` over the player on the GUI thread.
  void Tell(const QString& text, MessageKind kind);

  QWidget* const m_parent;
  session::PlayerSession* const m_session;
  std::atomic<uint32_t> m_bmpCount{0};   // the next BMP number
  std::atomic<uint32_t> m_jpegCount{0};  // the next JPEG number
  std::atomic<uint32_t> m_pngCount{0};   // the next PNG number
};

}  // namespace ui
