// "参数设置": the frame parameters of a raw file (format, frame rate, frame
// size), picked from fixed lists while a preview shows the file's first frame
// decoded with them. A file whose own header fixes them (a Y4M file) shows
// them in the lists, disabled, with a line saying the header sets them, and
// one button that closes: nothing is chosen or stored. The result is one YUVPara; "保存并播放" (or, for the
// tools and read-only files, "设定参数") also asks for it to be stored in the
// file as a one-record trailer (SavedToFile): the code that runs the dialog
// writes it (SaveParametersToFile), the dialog never writes.
//
// The dialog works on a path: it opens the file for reading through the
// video file interface (formats/video_file.h), whoever else has it open. The
// preview draws through an engine Display of its own into its own
// VideoWidget, as the player window does. It reads the first frame with the
// lists' parameters through the interface (positional reads, so a reader
// thread playing the same file is never disturbed), and reads again only
// when format or size change.
//
// Threads: the preview reader is a platform::LatestWorker of the dialog's
// own. The GUI thread posts "frame 1 with these parameters" (a newer post
// replaces one not yet started, and the read running gives way to it); the
// worker alone sets the file's parameters and reads, and hands the frame to
// the GUI thread through one queued call on the dialog. The destructor stops
// and joins the worker first, so nothing reads a file already closed, and a
// call still queued dies with the dialog.
#pragma once

#include <QDialog>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "engine/frame_info.h"
#include "formats/name_guess.h"
#include "formats/yuv_format.h"
#include "platform/latest_worker.h"
#include "session/player_session.h"
#include "tools/file_splice.h"

class QComboBox;
class QPushButton;

namespace corvane {
class Display;
class VideoFile;
}  // namespace corvane

namespace ui {

class VideoWidget;

// Stores `para` in the file at `path` as its one-record trailer, for the
// code whose parameter dialog ended with "保存并播放"/"设定参数". A file
// that cannot be written or is spliced keeps its trailer: the parameters
// are taken either way, and nothing is said.
void SaveParametersToFile(const QString& path, const corvane::YUVPara& para);

// The lists, label and value per position, exactly as the dialog shows them.
struct RateItem {
  const char* label;
  uint32_t interval;  // ms
};
struct SizeItem {
  const char* label;
  uint32_t width;
  uint32_t height;
};
inline constexpr std::array<RateItem, 13> kRateItems{{
    {" 1/10", 10000}, {" 1/8", 8000}, {" 1/4", 4000}, {" 1/2", 2000}, {" 1", 1000}, {" 2", 500}, {" 4", 250},
    {" 8", 125}, {" 10", 100}, {" 16", 63}, {" 20", 50}, {" 25", 40}, {" 30", 33},
}};
inline constexpr int kRateDefaultPosition = 11;  // " 25"
// Position 0 stands for the custom size; its width and height are the dialog's.
inline constexpr std::array<SizeItem, 17> kSizeItems{{
    {QT_TRANSLATE_NOOP("ui::ParameterDialog", " 自定义宽高"), 0, 0},
    {" 176  * 120    (QCIF)", 176, 120},
    {" 176  * 144    (QCIF)", 176, 144},
    {" 320  * 240    (QVGA)", 320, 240},
    {" 352  * 240    (CIF)", 352, 240},
    {" 352  * 288    (CIF)", 352, 288},
    {" 704  * 480    (4CIF)", 704, 480},
    {" 704  * 576    (4CIF)", 704, 576},
    {" 720  * 480    (4CIF)", 720, 480},
    {" 720  * 576    (4CIF)", 720, 576},
    {" 640  * 480    (VGA)", 640, 480},
    {" 800  * 600    (SVGA)", 800, 600},
    {"1024 * 768    (XGA)", 1024, 768},
    {"1280 * 1024  (SXGA)", 1280, 1024},
    {"1600 * 1200  (UXGA)", 1600, 1200},
    {"1280 * 720    (720HD)", 1280, 720},
    {"1920 * 1080  (1080HD)", 1920, 1080},
}};
inline constexpr int kSizeCustomPosition = 0;
inline constexpr int kSizeDefaultPosition = 5;        // 352 × 288
inline constexpr int kSizeCustomCancelPosition = 4;   // 352 × 240

// What the dialog selects when it opens, and the working values behind it.
struct ParaPreselection {
  int formatPos = 0;
  uint32_t format = 0;
  int ratePos = kRateDefaultPosition;
  uint32_t interval = corvane::kDefaultFrameInterval;
  int sizePos = kSizeDefaultPosition;
  uint32_t width = 352, height = 288;
  uint32_t customWidth = 352, customHeight = 288;
};

class ParameterDialog : public QDialog {
  Q_OBJECT

 public:
  struct Options {
    corvane::YUVPara para;                     // the parameters to start from (then the guess)
    bool toolMode = false;                     // set parameters only: for the tools (a read-only file too)
    std::optional<corvane::NameGuess> guess;   // what the file's name says, for a file without a record
    QString title;                             // empty: "参数设置"
  };

  // `path` may be empty or unreadable: the lists still work, without preview.
  ParameterDialog(const QString& path, const Options& options, QWidget* parent);
  ~ParameterDialog() override;

  // The position for an interval (" 25" for any interval not listed), and
  // for a size (nothing when the size is not listed).
  static int RatePositionFor(uint32_t interval);
  static std::optional<int> SizePositionFor(uint32_t width, uint32_t height);
  // The selection at opening: `para`'s values, each overridden by what the
  // name guess says. A size not in the list selects the custom entry holding
  // that size; a size with a zero side selects 352 × 288.
  static ParaPreselection Preselect(const corvane::YUVPara& para, const std::optional<corvane::NameGuess>& guess);

  // For the file tools: the dialog in tool mode ("设定参数" saves the
  // record) on `path`, starting from its first record when `probe` found
  // one, else from the offer every road makes. True when confirmed.
  static bool AskForTool(QWidget* parent, const QString& path, const session::DefaultParameters& defaults,
                         const corvane::tools::SpliceSource& probe, corvane::YUVPara* chosen);

  // The chosen parameters, after exec() returned Accepted.
  const corvane::YUVPara& WorkPara() const { return m_workPara; }
  // Whether the file's own header fixes the parameters (shown, not changed).
  bool ParametersFixed() const { return m_fixed; }
  // Whether "保存并播放"/"设定参数" ended the dialog (the trailer was asked for).
  bool SavedToFile() const { return m_saved; }
  // The preview widget, for tests.
  VideoWidget* Preview() const { return m_previewWnd; }

  // Reads the lists into the working parameters.
  void ReadControls();
  // Reads the first frame for the current parameters (when they changed)
  // and draws it; silently nothing on any failure.
  void ShowPreview();

 public slots:
  void accept() override;
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;
  void moveEvent(QMoveEvent* event) override;

 private:
  void OnResolutionChange(int position);
  void ShowCustomSize();
  // The header's parameters shown, nothing to change (m_fixed).
  void ShowHeaderParameters(QPushButton* close);
  void OnSaveAndPlay();
  void ReleasePreview();
  // One read of the first frame: the parameters, and what they make of it.
  struct PreviewRead {
    corvane::YUVPara para{};
    corvane::FrameInfo info;
    uint32_t frameSize = 0;
  };
  // Posts the read of the first frame for `info` to m_reader; the GUI thread
  // takes the frame (and draws it) when it is still the one wanted.
  void ReadFrame(const corvane::FrameInfo& info, uint32_t frameSize);
  // On the worker: the file set to `read.para`, frame 1 read and posted back.
  void ReadOnWorker(const PreviewRead& read, uint64_t ticket, const std::stop_token& stop);
  // On the GUI thread: the frame a read gave (empty when it failed).
  void TakeFrame(const corvane::FrameInfo& info, std::vector<uint8_t> frame);

  // The file, read only; null when it cannot be opened. Once the dialog is
  // built, only m_reader touches it (parameters and reads).
  std::unique_ptr<corvane::VideoFile> m_file;
  bool m_fixed = false;  // the file's header fixes its parameters
  corvane::YUVPara m_workPara{};
  uint32_t m_interval = corvane::kDefaultFrameInterval;
  uint32_t m_customWidth = 0;
  uint32_t m_customHeight = 0;
  bool m_saved = false;

  QComboBox* m_cbFormat = nullptr;
  QComboBox* m_cbRate = nullptr;
  QComboBox* m_cbSize = nullptr;
  QPushButton* m_btnPlay = nullptr;
  QPushButton* m_btnSave = nullptr;
  VideoWidget* m_previewWnd = nullptr;

  // The preview's display and the one frame it shows, kept until format or
  // size change (the display reads the frame again on redraw).
  std::unique_ptr<corvane::Display> m_preview;
  std::vector<uint8_t> m_frame;
  corvane::FrameInfo m_frameInfo;  // what m_frame was read for
  bool m_drawn = false;           // m_frame is on the preview
  // The frame the lists ask for while its read is on its way (GUI thread):
  // always the last read posted.
  std::optional<corvane::FrameInfo> m_wanted;
  // The preview reader: it only sets the file's parameters, reads and posts
  // the bytes back. Last: it ends before everything it touches.
  platform::LatestWorker<PreviewRead> m_reader;
};

}  // namespace ui
