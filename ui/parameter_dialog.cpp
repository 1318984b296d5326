#include "ui/parameter_dialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "engine/display.h"
#include "formats/video_file.h"
#include "formats/result_codes.h"
#include "ui/coded_open.h"
#include "ui/custom_size_dialog.h"
#include "ui/format_lists.h"
#include "ui/messages.h"
#include "ui/prompts.h"
#include "ui/resource_ids.h"
#include "ui/transport_bar.h"
#include "ui/video_widget.h"
#include "ui/window_frames.h"

namespace ui {

using corvane::kOk;

namespace {
// The picture control's size: a CIF frame at 100 %.
constexpr int kPreviewWidth = 352;
constexpr int kPreviewHeight = 288;
// A coded file opened for the preview keeps at most this much of decoded frames.
constexpr uint64_t kPreviewCacheBytes = uint64_t(64) << 20;
}  // namespace

int ParameterDialog::RatePositionFor(uint32_t interval) {
  for (size_t i = 0; i < kRateItems.size(); ++i)
    if (kRateItems[i].interval == interval) return int(i);
  return kRateDefaultPosition;
}

std::optional<int> ParameterDialog::SizePositionFor(uint32_t width, uint32_t height) {
  for (size_t i = 1; i < kSizeItems.size(); ++i)
    if (kSizeItems[i].width == width && kSizeItems[i].height == height) return int(i);
  return std::nullopt;
}

ParaPreselection ParameterDialog::Preselect(const corvane::YUVPara& para,
                                            const std::optional<corvane::NameGuess>& guess) {
  ParaPreselection p;
  uint32_t code = para.format;
  uint32_t interval = para.frameInterval;
  uint32_t width = para.width, height = para.height;
  if (guess) {
    if (guess->format) code = *guess->format;
    if (guess->frameInterval) interval = *guess->frameInterval;
    if (guess->width && guess->height) {
      width = *guess->width;
      height = *guess->height;
    }
  }
  const DialogSelection f = ParaDialogSelectionForCode(code);
  p.formatPos = f.position;
  p.format = f.workingCode;
  // An interval that is not listed is kept until the lists are next read,
  // which writes the listed one of " 25".
  p.interval = interval > 0 ? interval : corvane::kDefaultFrameInterval;
  p.ratePos = RatePositionFor(p.interval);
  if (const std::optional<int> pos = SizePositionFor(width, height)) {
    p.sizePos = *pos;
    p.width = p.customWidth = width;
    p.height = p.customHeight = height;
  } else if (width != 0 && height != 0) {
    // The file's own size, kept as the custom entry: confirming after a
    // change of rate only must not store another size.
    p.sizePos = kSizeCustomPosition;
    p.width = p.customWidth = width;
    p.height = p.customHeight = height;
  }  // else 352 × 288, the list's default
  return p;
}

ParameterDialog::ParameterDialog(const QString& path, const Options& options, QWidget* parent)
    : QDialog(parent),
      m_reader([this](PreviewRead read, uint64_t ticket, std::stop_token stop) { ReadOnWorker(read, ticket, stop); }) {
  UseDialogFrame(this);
  // Opened as a player would open it, to learn whether it can take a
  // trailer, or whether its own header fixes its parameters (a Y4M file, a
  // coded file). A coded file keeps few decoded frames here: the preview
  // reads its first only.
  if (!path.isEmpty()) {
    corvane::DecodeOptions decode;
    decode.cacheBytes = kPreviewCacheBytes;
    OpenedVideo file = CodedOpen::Open(parent, path, corvane::FileAccess::kReadOrWrite, decode);
    if (file.file && file.file->FileSize() > 0) m_file = std::move(file.file);
  }
  const auto* raw = dynamic_cast<const corvane::RawVideoFile*>(m_file.get());
  const int readOnly = m_file && (!raw || raw->ReadOnly()) ? 1 : 0;
  m_fixed = m_file && m_file->ParametersFixed() && !m_file->OwnParameters().empty();
  setWindowTitle(options.title.isEmpty() ? tr("参数设置") : options.title);

  m_previewWnd = new VideoWidget(this);
  m_previewWnd->setObjectName(QStringLiteral("picture%1").arg(ids::kParaPreview));
  m_previewWnd->setFixedSize(kPreviewWidth, kPreviewHeight);
  auto* left = new QVBoxLayout;
  left->addWidget(new QLabel(tr("预览窗口(根据设置的参数显示第一帧图像)"), this));
  left->addWidget(m_previewWnd);
  left->addStretch();

  auto combo = [this](int id) {
    auto* c = new QComboBox(this);
    c->setObjectName(QStringLiteral("combo%1").arg(id));
    return c;
  };
  m_cbFormat = combo(ids::kParaFormatList);
  for (const FormatEntry& e : kParaDialogFormats)
    m_cbFormat->addItem(QString::fromLatin1(e.label.data(), qsizetype(e.label.size())));
  m_cbRate = combo(ids::kParaRateList);
  for (const RateItem& r : kRateItems) m_cbRate->addItem(QString::fromUtf8(r.label));
  m_cbSize = combo(ids::kParaSizeList);
  for (const SizeItem& s : kSizeItems) m_cbSize->addItem(tr(s.label));

  auto* group = new QGroupBox(tr("参数设置"), this);
  auto* form = new QGridLayout(group);
  form->addWidget(new QLabel(tr("YUV 类型:"), group), 0, 0);
  form->addWidget(m_cbFormat, 0, 1);
  form->addWidget(new QLabel(tr("帧率(帧/s):"), group), 1, 0);
  form->addWidget(m_cbRate, 1, 1);
  form->addWidget(new QLabel(tr("分辨率:"), group), 2, 0);
  form->addWidget(m_cbSize, 2, 1);
  form->setRowStretch(3, 1);

  m_btnPlay = new QPushButton(tr("播放"), this);
  m_btnPlay->setObjectName(QStringLiteral("btn%1").arg(ids::kIdOk));
  m_btnSave = new QPushButton(this);
  m_btnSave->setObjectName(QStringLiteral("btn%1").arg(ids::kParaSaveButton));
  auto* cancel = new QPushButton(tr("取消"), this);
  cancel->setObjectName(QStringLiteral("btn%1").arg(ids::kIdCancel));
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(m_btnPlay);
  buttons->addWidget(m_btnSave);
  buttons->addWidget(cancel);

  auto* right = new QVBoxLayout;
  right->addWidget(group, 1);
  if (m_fixed) {
    const corvane::StreamFacts* facts = m_file->Facts();
    auto* note = new QLabel(facts && !facts->codec.empty() ? tr("这些参数由视频流规定，不能更改。")
                                                           : tr("这些参数由文件头规定，不能更改。"),
                            this);
    note->setObjectName(QStringLiteral("headerNote"));
    note->setWordWrap(true);
    right->addWidget(note);
  }
  right->addLayout(buttons);
  auto* top = new QHBoxLayout(this);
  top->addLayout(left);
  top->addLayout(right);

  // Buttons: playing is offered only when the parameters are for playing
  // and the file can take a trailer. Return presses the button shown, so in
  // tool mode it sets the parameters rather than ending without saving.
  if (!options.toolMode && readOnly == 0) {
    m_btnSave->setText(tr("保存并播放"));
    m_btnPlay->setDefault(true);
  } else {
    m_btnPlay->hide();
    m_btnSave->setText(tr("设定参数"));
    m_btnSave->setDefault(true);
  }

  // A header's parameters are the file's: no guess, no other start.
  const ParaPreselection p = m_fixed ? Preselect(m_file->OwnParameters().front(), std::nullopt)
                                     : Preselect(options.para, options.guess);
  m_cbFormat->setCurrentIndex(p.formatPos);
  m_workPara.format = p.format;
  m_interval = m_workPara.frameInterval = p.interval;
  m_cbRate->setCurrentIndex(p.ratePos);
  m_cbSize->setCurrentIndex(p.sizePos);
  m_workPara.width = p.width;
  m_workPara.height = p.height;
  m_customWidth = p.customWidth;
  m_customHeight = p.customHeight;
  if (p.sizePos == kSizeCustomPosition) ShowCustomSize();
  if (m_fixed) ShowHeaderParameters(cancel);

  // Only the user's choices act (Qt's `activated`), never a selection made
  // here; a rate has no bearing on the first frame.
  connect(m_cbFormat, &QComboBox::activated, this, &ParameterDialog::ShowPreview);
  connect(m_cbSize, &QComboBox::activated, this, &ParameterDialog::OnResolutionChange);
  connect(m_btnPlay, &QPushButton::clicked, this, &ParameterDialog::accept);
  connect(m_btnSave, &QPushButton::clicked, this, &ParameterDialog::OnSaveAndPlay);
  connect(cancel, &QPushButton::clicked, this, &ParameterDialog::reject);
}

bool ParameterDialog::AskForTool(QWidget* parent, const QString& path, const session::DefaultParameters& defaults,
                                 const corvane::tools::SpliceSource& probe, corvane::YUVPara* chosen) {
  Options o;
  o.toolMode = true;
  if (!probe.records.empty())
    o.para = probe.records.front();
  else
    o.para = session::OfferForNewFile(path.toStdString(), defaults, &o.guess);
  ParameterDialog dialog(path, o, parent);
  if (RunModal(dialog) != QDialog::Accepted) return false;
  *chosen = dialog.WorkPara();
  if (dialog.SavedToFile()) SaveParametersToFile(path, *chosen);
  return true;
}

void SaveParametersToFile(const QString& path, const corvane::YUVPara& para) {
  // Through the factory: a Y4M file is never taken for a raw one and given
  // a trailer (its WriteParameters refuses).
  auto file = corvane::OpenVideoFile(path.toStdString(), corvane::FileAccess::kReadOrWrite);
  if (file && (*file)->FileSize() > 0) (void)(*file)->WriteParameters(para);
}

ParameterDialog::~ParameterDialog() {
  m_reader.Stop();  // joined: it reads the file closed below, and posts no more
  ReleasePreview();
  m_file.reset();
}

void ParameterDialog::ShowHeaderParameters(QPushButton* close) {
  // The rate the header states, exactly as the status line shows it, when
  // the list has no entry of that text (29.97 is not " 30").
  if (const corvane::StreamFacts* facts = m_file->Facts(); facts && facts->frameRate.Known()) {
    const QString rate = u' ' + StatusStrip::RateText(facts->frameRate);
    int at = m_cbRate->findText(rate);
    if (at < 0) {
      m_cbRate->addItem(rate);
      at = m_cbRate->count() - 1;
    }
    m_cbRate->setCurrentIndex(at);
  }
  m_workPara = m_file->OwnParameters().front();
  for (QComboBox* c : {m_cbFormat, m_cbRate, m_cbSize}) c->setEnabled(false);
  // Nothing to play with or store: the one button closes.
  m_btnPlay->hide();
  m_btnSave->hide();
  close->setText(tr("关闭"));
  close->setDefault(true);
}

void ParameterDialog::ReadControls() {
  if (m_fixed) return;  // the header's parameters, whatever the lists show
  m_workPara.tag = corvane::kParaTag;
  m_workPara.format = ParaDialogCodeForPosition(m_cbFormat->currentIndex());
  const int size = m_cbSize->currentIndex();
  if (size == kSizeCustomPosition) {
    m_workPara.width = m_customWidth;
    m_workPara.height = m_customHeight;
  } else {
    const SizeItem& s = kSizeItems[size > 0 && size < int(kSizeItems.size()) ? size_t(size) : kSizeDefaultPosition];
    m_workPara.width = s.width;
    m_workPara.height = s.height;
  }
  const int rate = m_cbRate->currentIndex();
  m_interval = kRateItems[rate >= 0 && rate < int(kRateItems.size()) ? size_t(rate) : kRateDefaultPosition].interval;
  m_workPara.frameInterval = m_interval;
}

void ParameterDialog::OnResolutionChange(int position) {
  if (position == kSizeCustomPosition) {
    CustomSizeDialog input(this);
    // It starts from the size in force, to be changed rather than typed anew.
    input.SetResolution(m_workPara.width, m_workPara.height);
    if (RunModal(input) == QDialog::Accepted) {
      input.GetResolution(&m_customWidth, &m_customHeight);
      m_workPara.width = m_customWidth;
      m_workPara.height = m_customHeight;
      ShowCustomSize();
    } else {
      m_cbSize->setCurrentIndex(kSizeCustomCancelPosition);
    }
  }
  ShowPreview();
}

void ParameterDialog::ShowCustomSize() {
  // The entry says which size it stands for: the file's own or a typed one.
  m_cbSize->setItemText(kSizeCustomPosition, tr(kSizeItems[kSizeCustomPosition].label) +
                                                 QStringLiteral(" (%1×%2)").arg(m_customWidth).arg(m_customHeight));
}

void ParameterDialog::OnSaveAndPlay() {
  ReadControls();
  m_saved = true;  // the caller writes the trailer
  ReleasePreview();
  QDialog::accept();
}

void ParameterDialog::accept() {
  ReadControls();
  ReleasePreview();
  QDialog::accept();
}

void ParameterDialog::reject() {
  ReleasePreview();
  QDialog::reject();
}

void ParameterDialog::ReleasePreview() {
  // No frame is wanted any more: a read waiting never runs, and the one
  // running gives way and posts nothing.
  m_wanted.reset();
  m_reader.DropPending();
  // The display goes before the frame it may still read.
  if (m_preview) m_preview->ReleaseSurfaces();

  m_preview.reset();
  m_frame = {};
  m_frameInfo = {};
  m_drawn = false;
}

void ParameterDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  m_previewWnd->SyncSnapshot();
  // After the window is really on screen: the display needs the geometry.
  QMetaObject::invokeMethod(this, &ParameterDialog::ShowPreview, Qt::QueuedConnection);
}

void ParameterDialog::moveEvent(QMoveEvent* event) {
  QDialog::moveEvent(event);
  m_previewWnd->SyncSnapshot();
}

void ParameterDialog::ReadFrame(const corvane::FrameInfo& info, uint32_t frameSize) {
  if (m_wanted == info) return;  // on its way: the last read posted always comes back
  m_wanted = info;
  m_reader.Post({m_workPara, info, frameSize});
}

void ParameterDialog::ReadOnWorker(const PreviewRead& read, uint64_t ticket, const std::stop_token& stop) {
  // A newer read, a dropped one or the dialog closing ends this one: its
  // frame would be thrown away.
  const auto giveWay = [this, ticket, &stop] { return stop.stop_requested() || m_reader.Superseded(ticket); };
  std::vector<uint8_t> frame;
  // The file is read as one run of frames of these parameters; only this
  // thread sets them or reads.
  // A file whose header fixes its parameters is read with them as it is.
  if (m_fixed || m_file->UseParameters(read.para, false)) {
    try {
      frame.resize(read.frameSize);
      if (!m_file->Read(1, frame, giveWay)) frame.clear();
    } catch (const std::bad_alloc&) {
      frame.clear();
    }
  }
  if (giveWay()) return;
  // Queued on the dialog: a call still waiting when it is destroyed is
  // dropped with it, and the destructor joins this thread before any member
  // goes.
  QMetaObject::invokeMethod(
      this, [this, info = read.info, frame = std::move(frame)]() mutable { TakeFrame(info, std::move(frame)); },
      Qt::QueuedConnection);
}

void ParameterDialog::TakeFrame(const corvane::FrameInfo& info, std::vector<uint8_t> frame) {
  if (m_wanted != info) return;  // dropped meanwhile
  m_wanted.reset();
  if (frame.empty()) return;
  m_frame = std::move(frame);
  m_frameInfo = info;
  ShowPreview();
}

void ParameterDialog::ShowPreview() {
  ReadControls();
  if (!m_file) return;
  corvane::YUVType type = corvane::YUV_NONE;
  uint32_t frameSize = 0;
  if (!corvane::GetTypeAndFrameSize(&m_workPara, &type, &frameSize) || frameSize == 0 || type == corvane::YUV_NONE) {
    ReleasePreview();
    return;
  }
  const corvane::FrameInfo info{m_workPara.width, m_workPara.height, type};
  if (!isVisible()) return;  // shown at the show event
  if (!m_preview) {
    m_preview = std::make_unique<corvane::Display>();
    // The frame's own shape, with bars: a 16:9 or 350 x 198 frame stretched
    // to the CIF-shaped preview would look wrong when it is right.
    m_preview->SetAspectMode(corvane::kAspectSource);
  }
  if (info != m_frameInfo || m_frame.empty()) {
    // Other parameters: a new frame, read on the reader thread (a 4K frame
    // is tens of megabytes), then a new surface of its size and format.
    m_preview->ReleaseSurfaces();
    m_frame = {};
    m_frameInfo = {};
    m_drawn = false;
    ReadFrame(info, frameSize);
    return;
  }
  if (m_drawn) return;  // the same frame is on the preview already
  m_preview->ReleaseSurfaces();
  m_preview->Attach(m_previewWnd);
  m_drawn = !corvane::Failed(m_preview->Draw(m_frame.data(), uint32_t(m_frame.size()), &m_frameInfo));
}

}  // namespace ui
