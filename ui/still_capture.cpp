#include "ui/still_capture.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
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
#include "ui/prompts.h"
#include "ui/settings_store.h"

namespace ui {

namespace {

using corvane::StillEncoder;
using corvane::StillKind;

QString CaptureFilePath(const QString& folder, StillFormat format, uint32_t n) {
  const QLatin1String ext = format == StillFormat::kJpeg  ? QLatin1String("jpg")
                            : format == StillFormat::kPng ? QLatin1String("png")
                                                          : QLatin1String("bmp");
  // At least two digits: capture00 .. capture99, then capture100.
  const QString name = QStringLiteral("capture%1.%2").arg(n, 2, 10, QLatin1Char('0')).arg(ext);
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

void StillCapture::Capture(const corvane::YUVPara& para) {
  if (para.width == 0 || para.height == 0) return;
  // The options sheet of this or of another running player may have changed
  // the type or the folder since the last capture.
  PlayerSettings settings;
  SettingsStore::Load(settings);
  const StillFormat format = settings.captureType != 0 ? StillFormat::kJpeg : StillFormat::kBmp;
  const QString folder = CaptureFolder(settings);
  m_session->RunOnGraph([this, format, folder](corvane::PlaybackGraph* graph) {
    if (graph) Encode(*graph, format, folder);
  });
}

void StillCapture::CapturePng() {
  PlayerSettings settings;
  SettingsStore::Load(settings);
  m_session->RunOnGraph([this, folder = CaptureFolder(settings)](corvane::PlaybackGraph* graph) {
    if (!graph) return;
    platform::Picture picture;
    if (corvane::Failed(graph->CapturePicture(&picture))) {
      Tell(Texts::tr("无法取得当前画面!"), MessageKind::kWarning);
      return;
    }
    const std::vector<uint8_t> png = corvane::EncodePNG(picture.pixels.get(), picture.width, picture.height,
                                                        picture.stride);
    if (png.empty()) {
      Tell(Texts::tr("申请内存失败!"), MessageKind::kError);
      return;
    }
    Write(StillFormat::kPng, folder, png.data(), uint32_t(png.size()));
  });
}

bool StillCapture::CopyToClipboard() {
  corvane::PlaybackGraph* graph = m_session->Graph();
  platform::Picture picture;
  if (!graph || corvane::Failed(graph->CapturePicture(&picture))) {
    Prompts::Current().ShowMessage(m_parent, Texts::tr("无法取得当前画面!"), MessageKind::kWarning);
    return false;
  }
  const QImage image(picture.pixels.get(), int(picture.width), int(picture.height), int(picture.stride),
                     QImage::Format_RGB32);
  QGuiApplication::clipboard()->setImage(image.copy());
  return true;
}

void StillCapture::Tell(const QString& text, MessageKind kind) {
  QMetaObject::invokeMethod(
      m_parent, [parent = m_parent, text, kind] { Prompts::Current().ShowMessage(parent, text, kind); },
      Qt::QueuedConnection);
}

void StillCapture::Encode(corvane::PlaybackGraph& graph, StillFormat format, const QString& folder) {
  const bool jpeg = format == StillFormat::kJpeg;
  corvane::YUVPara para{};
  if (!graph.GetPara(&para)) return;  // the segment on screen, which may differ from the first
  corvane::YUVType type = corvane::YUV_NONE;
  uint32_t frameSize = 0;
  corvane::GetTypeAndFrameSize(&para, &type, &frameSize);
  // Room for the kind asked for, from the encoder's own sizes and in 64
  // bits: a line-doubled 704x288 frame needs 54 + 4*704*576 bytes as BMP,
  // more than any fixed bytes-per-pixel guess allows. A frame the kind does
  // not take gets a token buffer: the encoder refuses it before it writes.
  const StillKind kind = jpeg ? StillKind::kJpeg : StillKind::kBmp;
  uint64_t need = 1;
  if (StillEncoder::CheckFrame(kind, type, para.width, para.height) == corvane::kOk)
    need = std::max(need, StillEncoder::OutputCapacity(kind, type, para.width, para.height));
  std::unique_ptr<uint8_t[]> buffer(need > UINT32_MAX ? nullptr : new (std::nothrow) uint8_t[size_t(need)]);
  if (!buffer) {
    Tell(Texts::tr("申请内存失败!"), MessageKind::kError);
    return;
  }
  uint32_t len = 0;
  const int32_t r = jpeg ? graph.CaptureJPEG(buffer.get(), uint32_t(need), &len, kJpegQuality)
                         : graph.CaptureBMP(buffer.get(), uint32_t(need), &len);
  if (corvane::Failed(r)) {
    Tell(jpeg ? Texts::tr("暂不支持该类型的JPEG抓图!") : Texts::tr("暂不支持该类型的BMP抓图!"), MessageKind::kWarning);
    return;
  }
  Write(format, folder, buffer.get(), len);
}

bool StillCapture::Write(StillFormat format, const QString& folder, const uint8_t* buffer, uint32_t len) {
  std::atomic<uint32_t>& counter = format == StillFormat::kJpeg  ? m_jpegCount
                                  : format == StillFormat::kPng ? m_pngCount
                                                                : m_bmpCount;
  // The counters start at 0 with every run; numbers whose file is already
  // there (from an earlier run, or another player) are skipped rather than
  // overwritten. Creating with NewOnly makes the check and the creation one
  // step, so a file that appears meanwhile is skipped too.
  for (uint64_t n = counter.load(); n <= UINT32_MAX; ++n) {
    const QString path = CaptureFilePath(folder, format, uint32_t(n));
    if (NameTaken(path)) continue;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
      if (NameTaken(path)) continue;
      // No folder, or no right to write there: said, not swallowed.
      Tell(QStringLiteral("%1\n%2").arg(path, file.errorString()), MessageKind::kError);
      return false;
    }
    if (file.write(reinterpret_cast<const char*>(buffer), qint64(len)) != qint64(len) || !file.flush()) {
      // A cut-off picture is not kept under a capture name; the counter
      // stays, so the next capture tries this number again.
      const QString error = file.errorString();
      file.close();
      file.remove();
      Tell(QStringLiteral("%1\n%2").arg(path, error), MessageKind::kError);
      return false;
    }
    file.close();
    counter = uint32_t(std::min<uint64_t>(n + 1, UINT32_MAX));
    return true;
  }
  return false;  // every number is taken
}

}  // namespace ui
