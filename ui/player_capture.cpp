// The capture button: the frame on screen as the next numbered still picture
// in the capture folder.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <memory>
#include <new>

#include "capture/still_encoder.h"
#include "formats/result_codes.h"
#include "ui/player_window.h"
#include "ui/prompts.h"

namespace ui {

namespace {

using corvane::StillEncoder;
using corvane::StillKind;

// JPEG stills are made at the best quality: they are for looking at single
// frames closely, not for saving space.
constexpr int kJpegQuality = 100;

QString CaptureFilePath(const QString& folder, bool jpeg, uint32_t n) {
  // At least two digits: capture00 .. capture99, then capture100.
  const QString name = QStringLiteral("capture%1.%2").arg(n, 2, 10, QLatin1Char('0')).arg(jpeg ? QLatin1String("jpg") : QLatin1String("bmp"));
  return QDir::toNativeSeparators(QDir(folder).filePath(name));
}

// True when something, even a dangling link, already has this name.
bool NameTaken(const QString& path) {
  const QFileInfo info(path);
  return info.exists() || info.isSymLink();
}

}  // namespace

void PlayerWindow::CaptureStill() {
  if (!m_pGraph || m_para.width == 0 || m_para.height == 0) return;
  corvane::YUVPara shown{};
  if (!m_pGraph->GetPara(&shown)) return;
  m_para = shown;  // a spliced file's current segment may differ from the first
  corvane::YUVType type = corvane::YUV_NONE;
  uint32_t frameSize = 0;
  corvane::GetTypeAndFrameSize(&m_para, &type, &frameSize);
  // Room for whichever kind the settings ask for, from the encoder's own
  // sizes and in 64 bits: a line-doubled 704×288 frame needs 54 + 4·704·576
  // bytes as BMP, more than any fixed bytes-per-pixel guess allows. A frame
  // neither kind takes gets a token buffer: the encoder refuses it before it
  // writes anything, and the refusal is worded by WriteCapture.
  uint64_t need = 1;
  for (StillKind kind : {StillKind::kBmp, StillKind::kJpeg})
    if (StillEncoder::CheckFrame(kind, type, m_para.width, m_para.height) == corvane::kOk)
      need = std::max(need, StillEncoder::OutputCapacity(kind, type, m_para.width, m_para.height));
  if (need > UINT32_MAX) return;
  std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[size_t(need)]);
  if (!buffer) return;
  WriteCapture(buffer.get(), uint32_t(need));
}

bool PlayerWindow::WriteCapture(uint8_t* buffer, uint32_t size) {
  if (!m_pGraph) return false;
  // The options sheet of this or of another running player may have changed
  // the type or the folder since the last capture.
  SettingsStore::Load(m_settings);
  m_nCaptureType = m_settings.captureType;
  m_strCapturePath = m_settings.capturePath;
  const bool jpeg = m_nCaptureType != 0;

  uint32_t len = 0;
  const int32_t r = jpeg ? m_pGraph->CaptureJPEG(buffer, size, &len, kJpegQuality)
                         : m_pGraph->CaptureBMP(buffer, size, &len);
  if (r < 0) {
    Prompts::Current().ShowMessage(this, jpeg ? tr("暂不支持该类型的JPEG抓图!") : tr("暂不支持该类型的BMP抓图!"), MessageKind::kWarning);
    return false;
  }

  // Without a folder the pictures go to the home folder.
  const QString folder = m_strCapturePath.isEmpty() ? QDir::homePath() : m_strCapturePath;
  uint32_t& counter = jpeg ? m_nJpegCount : m_nBmpCount;
  // The counters start at 0 with every run; numbers whose file is already
  // there (from an earlier run, or another player) are skipped rather than
  // overwritten. Creating with NewOnly makes the check and the creation one
  // step, so a file that appears meanwhile is skipped too.
  for (uint64_t n = counter; n <= UINT32_MAX; ++n) {
    const QString path = CaptureFilePath(folder, jpeg, uint32_t(n));
    if (NameTaken(path)) continue;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
      if (NameTaken(path)) continue;
      return false;  // no folder or no right to write: quietly, as before
    }
    if (file.write(reinterpret_cast<const char*>(buffer), qint64(len)) != qint64(len) || !file.flush()) {
      // A cut-off picture is not kept under a capture name; the counter
      // stays, so the next capture tries this number again.
      const QString error = file.errorString();
      file.close();
      file.remove();
      Prompts::Current().ShowMessage(this, QStringLiteral("%1\n%2").arg(path, error), MessageKind::kError);
      return false;
    }
    file.close();
    counter = uint32_t(std::min<uint64_t>(n + 1, UINT32_MAX));
    return true;
  }
  return false;  // every number is taken
}

}  // namespace ui
