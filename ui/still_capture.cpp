#include "ui/still_capture.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QWidget>
#include <algorithm>
#include <memory>
#include <new>

#include "capture/png_writer.h"
#include "capture/still_encoder.h"
#include "formats/result_codes.h"
#include "session/reference_view.h"
#include "ui/prompts.h"
#include "ui/settings_store.h"

namespace ui {

namespace {

using corvane::StillEncoder;
using corvane::StillKind;

QString CaptureFilePath(const QString& folder, StillFormat format, uint32_t n, const QString& suffix) {
  const QLatin1String ext = format == StillFormat::kJpeg  ? QLatin1String("jpg")
                            : format == StillFormat::kPng ? QLatin1String("png")
                                                          : QLatin1String("bmp");
  // At least two digits: capture00 .. capture99, then capture100.
  const QString name = QStringLiteral("capture%1%2.%3").arg(n, 2, 10, QLatin1Char('0')).arg(suffix, ext);
  return QDir::toNativeSeparators(QDir(folder).filePath(name));
}

// The folder of the settings as they are now (the options sheet of this or
// another running player may have changed it); the home folder without one.
QString CaptureFolder(const PlayerSettings& settings) {
  return settings.capturePath.isEmpty() ? QDir::homePath() : settings.capturePath;
}

// True when something, even a dangling link, already has this name.
bool NameTaken(const QString& path) {
  const QFileInfo info(path);
  return info.exists() || info.isSymLink();
}

// The texts' context, as lupdate and the translators see it.
struct Texts {
  Q_DECLARE_TR_FUNCTIONS(ui::StillCapture)
};

}  // namespace

std::vector<StillPart> StillCapture::PartsOnScreen() const {
  const session::PlayerView v = m_session->View();
  if (!v.reference) return {{false, QString()}};
  switch (v.compareView) {
    case session::CompareView::kA: return {{false, QStringLiteral("_a")}};
    case session::CompareView::kB: return {{true, QStringLiteral("_b")}};
    case session::CompareView::kDiff: return {{true, QStringLiteral("_diff")}};
    case session::CompareView::kSide:
    case session::CompareView::kWipe: break;
  }
  return {{false, QStringLiteral("_a")}, {true, QStringLiteral("_b")}};
}

void StillCapture::Capture(const corvane::YUVPara& para) {
  if (para.width == 0 || para.height == 0) return;
  // The options sheet of this or of another running player may have changed
  // the type or the folder since the last capture.
  PlayerSettings settings;
  SettingsStore::Load(settings);
  const StillFormat format = settings.captureType != 0 ? StillFormat::kJpeg : StillFormat::kBmp;
  const QString folder = CaptureFolder(settings);
  m_session->RunOnGraph([this, format, folder, parts = PartsOnScreen()](corvane::PlaybackGraph* graph) {
    if (graph) Encode(*graph, parts, format, folder);
  });
}

int32_t StillCapture::PictureOf(corvane::PlaybackGraph& graph, const StillPart& part,
                                platform::Picture* picture) const {
  if (!part.compared) return corvane::CodeOf(graph.CapturePicture(picture));
  // The compared file is closed only under the graph's lock, which the
  // seeker holds, or on the GUI thread.
  const session::ReferenceView* b = m_session->Reference();
  return b ? b->CapturePicture(picture) : corvane::kNotReady;
}

void StillCapture::CapturePng() {
  PlayerSettings settings;
  SettingsStore::Load(settings);
  m_session->RunOnGraph([this, folder = CaptureFolder(settings), parts = PartsOnScreen()](corvane::PlaybackGraph* graph) {
    if (!graph) return;
    std::vector<std::vector<uint8_t>> bytes;
    for (const StillPart& part : parts) {
      platform::Picture picture;
      if (corvane::Failed(PictureOf(*graph, part, &picture))) {
        Tell(Texts::tr("无法取得当前画面!"), MessageKind::kWarning);
        return;
      }
      bytes.push_back(corvane::EncodePNG(picture.pixels.get(), picture.width, picture.height, picture.stride));
      if (bytes.back().empty()) {
        Tell(Texts::tr("申请内存失败!"), MessageKind::kError);
        return;
      }
    }
    Write(StillFormat::kPng, folder, parts, bytes);
  });
}

bool StillCapture::CopyToClipboard() {
  corvane::PlaybackGraph* graph = m_session->Graph();
  std::vector<QImage> images;
  for (const StillPart& part : PartsOnScreen()) {
    platform::Picture picture;
    if (!graph || corvane::Failed(PictureOf(*graph, part, &picture))) {
      Prompts::Current().ShowMessage(m_parent, Texts::tr("无法取得当前画面!"), MessageKind::kWarning);
      return false;
    }
    images.push_back(QImage(picture.pixels.get(), int(picture.width), int(picture.height), int(picture.stride),
                            QImage::Format_RGB32)
                         .copy());
  }
  QImage image = images.front();
  if (images.size() == 2) {
    // A and B side by side, each whole, on black.
    image = QImage(images[0].width() + images[1].width(), std::max(images[0].height(), images[1].height()),
                   QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    painter.drawImage(0, 0, images[0]);
    painter.drawImage(images[0].width(), 0, images[1]);
  }
  QGuiApplication::clipboard()->setImage(image);
  return true;
}

void StillCapture::Tell(const QString& text, MessageKind kind) {
  QMetaObject::invokeMethod(
      m_parent, [parent = m_parent, text, kind] { Prompts::Current().ShowMessage(parent, text, kind); },
      Qt::QueuedConnection);
}

void StillCapture::Encode(corvane::PlaybackGraph& graph, const std::vector<StillPart>& parts, StillFormat format,
                          const QString& folder) {
  std::vector<std::vector<uint8_t>> bytes(parts.size());
  for (size_t i = 0; i < parts.size(); ++i)
    if (!EncodePart(graph, parts[i], format == StillFormat::kJpeg, &bytes[i])) return;
  Write(format, folder, parts, bytes);
}

bool StillCapture::EncodePart(corvane::PlaybackGraph& graph, const StillPart& part, bool jpeg,
                              std::vector<uint8_t>* bytes) {
  const StillKind kind = jpeg ? StillKind::kJpeg : StillKind::kBmp;
  int32_t r = corvane::kOk;
  try {
    if (part.compared) {
      session::ReferenceView* b = m_session->Reference();  // stable: the seeker holds the graph's lock
      if (!b) {
        Tell(Texts::tr("无法取得当前画面!"), MessageKind::kWarning);
        return false;
      }
      r = b->CaptureStill(kind, kJpegQuality, bytes);
    } else {
      corvane::YUVPara para{};
      if (!graph.GetPara(&para)) return false;  // the segment on screen, which may differ from the first
      corvane::YUVType type = corvane::YUV_NONE;
      uint32_t frameSize = 0;
      corvane::GetTypeAndFrameSize(&para, &type, &frameSize);
      // Room for the kind asked for, from the encoder's own sizes and in 64
      // bits: a line-doubled 704x288 frame needs 54 + 4*704*576 bytes as BMP,
      // more than any fixed bytes-per-pixel guess allows. A frame the kind does
      // not take gets a token buffer: the encoder refuses it before it writes.
      uint64_t need = 1;
      if (StillEncoder::CheckFrame(kind, type, para.width, para.height) == corvane::kOk)
        need = std::max(need, StillEncoder::OutputCapacity(kind, type, para.width, para.height));
      if (need > UINT32_MAX) throw std::bad_alloc();
      bytes->resize(size_t(need));
      const auto written = jpeg ? graph.CaptureJPEG(bytes->data(), uint32_t(need), kJpegQuality)
                                : graph.CaptureBMP(bytes->data(), uint32_t(need));
      r = corvane::CodeOf(written);
      bytes->resize(written.value_or(0));
    }
  } catch (const std::bad_alloc&) {
    Tell(Texts::tr("申请内存失败!"), MessageKind::kError);
    return false;
  }
  if (corvane::Failed(r)) {
    Tell(jpeg ? Texts::tr("暂不支持该类型的JPEG抓图!") : Texts::tr("暂不支持该类型的BMP抓图!"), MessageKind::kWarning);
    return false;
  }
  return true;
}

bool StillCapture::Write(StillFormat format, const QString& folder, const std::vector<StillPart>& parts,
                         const std::vector<std::vector<uint8_t>>& bytes) {
  std::atomic<uint32_t>& counter = format == StillFormat::kJpeg  ? m_jpegCount
                                  : format == StillFormat::kPng ? m_pngCount
                                                                : m_bmpCount;
  // The counters start at 0 with every run; numbers whose file is already
  // there (from an earlier run, or another player) are skipped rather than
  // overwritten, for any of the parts. Creating with NewOnly makes the check
  // and the creation one step, so a file that appears meanwhile is skipped
  // too. The parts of a still are all written or none is kept.
  for (uint64_t n = counter.load(); n <= UINT32_MAX; ++n) {
    std::vector<QString> paths;
    for (const StillPart& part : parts) paths.push_back(CaptureFilePath(folder, format, uint32_t(n), part.suffix));
    if (std::any_of(paths.begin(), paths.end(), NameTaken)) continue;
    std::vector<QString> written;
    const auto dropWritten = [&] {
      for (const QString& w : written) QFile::remove(w);
    };
    bool taken = false;
    for (size_t i = 0; i < paths.size(); ++i) {
      QFile file(paths[i]);
      if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        dropWritten();
        if (NameTaken(paths[i])) {
          taken = true;
          break;
        }
        // No folder, or no right to write there: said, not swallowed.
        Tell(QStringLiteral("%1\n%2").arg(paths[i], file.errorString()), MessageKind::kError);
        return false;
      }
      written.push_back(paths[i]);
      const qint64 len = qint64(bytes[i].size());
      if (file.write(reinterpret_cast<const char*>(bytes[i].data()), len) != len || !file.flush()) {
        // A cut-off picture is not kept under a capture name; the counter
        // stays, so the next capture tries this number again.
        const QString error = file.errorString();
        file.close();
        dropWritten();
        Tell(QStringLiteral("%1\n%2").arg(paths[i], error), MessageKind::kError);
        return false;
      }
    }
    if (taken) continue;
    counter = uint32_t(std::min<uint64_t>(n + 1, UINT32_MAX));
    return true;
  }
  return false;  // every number is taken
}

}  // namespace ui
