#include "ui/transport_bar.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QFrame>
#include <QWheelEvent>
#include <algorithm>

#include "controls/color_label.h"
#include "controls/icon_button.h"
#include "controls/seek_slider.h"
#include "session/button_looks.h"
#include "ui/command_table.h"
#include "ui/resource_ids.h"

namespace ui {

namespace {

using session::PlayState;
using session::Tip;

// Places in the strip: the slider on top, the row 26 pixels below its top.
constexpr int kSliderHeight = 22;
constexpr int kRowTop = 26;
constexpr int kButtonSide = 20;
constexpr int kSeparatorX[2] = {90, 182};

QString TipText(Tip tip) {
  static const char* const kTexts[] = {
      nullptr,                                       // kKeep
      QT_TRANSLATE_NOOP("ui::TransportBar", "播放"), QT_TRANSLATE_NOOP("ui::TransportBar", "暂停"),
      QT_TRANSLATE_NOOP("ui::TransportBar", "停止"), QT_TRANSLATE_NOOP("ui::TransportBar", "减速"),
      QT_TRANSLATE_NOOP("ui::TransportBar", "加速"), QT_TRANSLATE_NOOP("ui::TransportBar", "回退"),
      QT_TRANSLATE_NOOP("ui::TransportBar", "步进"), QT_TRANSLATE_NOOP("ui::TransportBar", "开始"),
      QT_TRANSLATE_NOOP("ui::TransportBar", "末尾"), QT_TRANSLATE_NOOP("ui::TransportBar", "抓图"),
      QT_TRANSLATE_NOOP("ui::TransportBar", "正放"), QT_TRANSLATE_NOOP("ui::TransportBar", "倒放"),
      QT_TRANSLATE_NOOP("ui::TransportBar", "重复"), QT_TRANSLATE_NOOP("ui::TransportBar", "取消重复")};
  const char* text = kTexts[int(tip)];
  return text ? QCoreApplication::translate("ui::TransportBar", text) : QString();
}

}  // namespace

TransportBar::TransportBar(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("transportBar"));
  m_slider = new controls::SeekSlider(this);
  m_slider->setObjectName(QStringLiteral("slider%1").arg(ids::kSlider));
  m_slider->setRange(0, session::PlayerSession::kSliderMax);
  m_slider->setValue(0);
  m_slider->installEventFilter(this);
  connect(m_slider, &controls::SeekSlider::thumbTracked, this, &TransportBar::seekRequested);

  size_t i = 0;
  for (const CommandUi* r : ButtonRows()) {
    auto* b = new controls::IconButton(this);
    b->setObjectName(QStringLiteral("btn%1").arg(r->button.id));
    b->SetCheckBoxMode(r->button.checkBox);
    b->setFocusPolicy(Qt::NoFocus);
    connect(b, &QAbstractButton::clicked, this, [this, c = r->command] { emit commandClicked(c); });
    m_buttons[i++] = b;
  }
  m_separators[0] = new QFrame(this);
  m_separators[0]->setObjectName(QStringLiteral("sep%1").arg(ids::kSeparatorLine));
  static_cast<QFrame*>(m_separators[0])->setFrameStyle(QFrame::VLine | QFrame::Sunken);
  auto* box = new QFrame(this);
  box->setObjectName(QStringLiteral("sep%1").arg(ids::kSeparatorFrame));
  box->setFrameStyle(QFrame::Box | QFrame::Sunken);
  box->setLineWidth(1);
  m_separators[1] = box;
}

controls::IconButton* TransportBar::Button(int id) const {
  size_t i = 0;
  for (const CommandUi* r : ButtonRows()) {
    if (r->button.id == id) return m_buttons[i];
    ++i;
  }
  return nullptr;
}

void TransportBar::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  m_slider->setGeometry(0, 0, width(), kSliderHeight);
  size_t i = 0;
  for (const CommandUi* r : ButtonRows()) m_buttons[i++]->setGeometry(r->button.x, kRowTop, kButtonSide, kButtonSide);
  for (int s = 0; s < 2; ++s) m_separators[s]->setGeometry(kSeparatorX[s], kRowTop, 2, kButtonSide);
}

void TransportBar::Show(const session::PlayerView& view) {
  size_t i = 0;
  for (const CommandUi* r : ButtonRows()) {
    controls::IconButton* b = m_buttons[i++];
    const session::ButtonLook look = session::LookOf(r->command, view);
    b->SetIcon(look.image, look.outImage);
    if (b->IsCheckBox()) b->SetCheck(look.pressed ? 1 : 0);
    b->setEnabled(look.enabled);
    // A disabled button shows no tooltip: it would offer a command that is
    // not available. Its text is kept for when it is enabled again.
    if (look.tip != Tip::kKeep) m_tips[i - 1] = look.tip;
    b->SetTooltipText(TipText(m_tips[i - 1]), look.enabled);
  }
  if (view.state == PlayState::Playing) {
    m_slider->setEnabled(true);
    m_slider->update();
  } else if (view.state != PlayState::Paused) {
    m_slider->setValue(0);
    m_slider->setEnabled(false);
  }
}

void TransportBar::ShowPosition(const session::PlayerView& view) {
  // The thumb stays where the user holds it; the next tick after the release
  // moves it again.
  if (m_slider->isSliderDown() || m_slider->IsTracking()) return;
  m_slider->setValue(session::PlayerSession::SliderPosForFrame(view.frame, view.total));
  m_slider->update();
}

void TransportBar::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() != QEvent::LanguageChange) return;
  for (size_t i = 0; i < m_buttons.size(); ++i) m_buttons[i]->SetTooltipText(TipText(m_tips[i]), m_buttons[i]->isEnabled());
}

bool TransportBar::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_slider && event->type() == QEvent::Wheel) {
    // One notch moves the thumb one position and seeks there, as a click on
    // that place would.
    m_wheelDelta += static_cast<QWheelEvent*>(event)->angleDelta().y();
    const int notches = m_wheelDelta / 120;
    m_wheelDelta %= 120;
    if (notches != 0 && m_slider->isEnabled()) {
      m_slider->setValue(std::clamp(m_slider->value() + notches, 0, session::PlayerSession::kSliderMax));
      emit seekRequested(m_slider->value());
    }
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

// ---- Status strip ----------------------------------------------------------------

StatusStrip::StatusStrip(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("statusStrip"));
  m_status = new controls::ColorLabel(Qt::AlignLeft | Qt::AlignVCenter, this);
  m_status->setObjectName(QStringLiteral("status%1").arg(ids::kStatusText));
  m_counter = new controls::ColorLabel(Qt::AlignRight | Qt::AlignVCenter, this);
  m_counter->setObjectName(QStringLiteral("status%1").arg(ids::kCounterText));
  for (controls::ColorLabel* label : {m_status, m_counter}) {
    label->SetTextColor(Qt::white, false);
    label->SetBkColor(Qt::black, false);
    label->SetBold(true, false);
  }
  // Between the two, in grey and not bold: facts beside the state.
  m_facts = new controls::ColorLabel(Qt::AlignHCenter | Qt::AlignVCenter, this);
  m_facts->setObjectName(QStringLiteral("frameFacts"));
  m_facts->SetTextColor(QColor(0xB0, 0xB0, 0xB0), false);
  m_facts->SetBkColor(Qt::black, false);
  QFont small = m_facts->Font();
  small.setPointSizeF(small.pointSizeF() * 0.85);
  m_facts->SetFont(small, false);
}

void StatusStrip::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const int w = width();
  m_status->setGeometry(0, 0, w / 2, kHeight);
  m_counter->setGeometry(w / 2, 0, w / 2, kHeight);
  PlaceFacts();
}

void StatusStrip::PlaceFacts() {
  // Between the state's text (left-aligned) and the counter's (right-
  // aligned), over the inner ends of their halves, with a gap each side.
  constexpr int kGap = 8;
  auto textWidth = [](const controls::ColorLabel* l) {
    QFont f = l->Font();
    f.setBold(true);
    return QFontMetrics(f).horizontalAdvance(l->Text());
  };
  const int left = textWidth(m_status) + kGap, right = width() - textWidth(m_counter) - kGap;
  m_facts->setGeometry(left, 0, std::max(0, right - left), kHeight);
  m_facts->raise();
}

QString StatusStrip::FactsText() const { return m_facts->Text(); }

QString StatusStrip::RateText(corvane::Ratio rate) {
  // Two decimals at most, none that are 0: 30000:1001 is 29.97, 25:1 is 25.
  QString text = QString::number(double(rate.num) / double(rate.den), 'f', 2);
  while (text.endsWith(u'0')) text.chop(1);
  if (text.endsWith(u'.')) text.chop(1);
  return text;
}

QString StatusStrip::InterlacingText(corvane::Interlacing interlacing) {
  switch (interlacing) {
    case corvane::Interlacing::kProgressive: return {};
    case corvane::Interlacing::kTopFieldFirst: return tr("隔行(顶场优先)");
    case corvane::Interlacing::kBottomFieldFirst: return tr("隔行(底场优先)");
    case corvane::Interlacing::kMixed: return tr("隔行/逐行混合");
    case corvane::Interlacing::kUnknown: return tr("扫描方式未知");
  }
  return {};
}

void StatusStrip::ShowFrameFacts(const std::optional<session::FrameFacts>& f, const corvane::PictureView& view,
                                 const QString& shown) {
  if (!f) {
    m_facts->SetText(QString());
    return;
  }
  const std::string_view name = corvane::UserFormatName(f->format);
  QString text = tr("%1 %2×%3 %4帧/秒")
                     .arg(QString::fromLatin1(name.data(), qsizetype(name.size())))
                     .arg(f->width)
                     .arg(f->height)
                     .arg(f->rate.Known() ? RateText(f->rate) : QString::number(1000.0 / f->interval, 'g', 4));
  if (const QString scan = InterlacingText(f->interlacing); !scan.isEmpty()) text += u' ' + scan;
  if (f->segments > 1) text += tr(" 段%1/%2").arg(f->segment).arg(f->segments);
  const corvane::ZoomStep z = corvane::kZoomSteps[size_t(view.step)];
  if (view.step != corvane::kZoomStepWhole)
    text += z.den == 1 ? QStringLiteral(" %1×").arg(z.num) : QStringLiteral(" 1/%1").arg(z.den);
  if (const QString coded = CodedText(*f); !coded.isEmpty()) text += u' ' + coded;
  // What went wrong comes first, where the narrowest line still shows it.
  QString warnings;
  if (f->decodeFailed) warnings += tr("解码失败") + u' ';
  if (f->behind) warnings += tr("跟不上，速率降低") + u' ';
  m_facts->SetText(warnings + (shown.isEmpty() ? text : shown + u' ' + text));
}

QString StatusStrip::CodedText(const session::FrameFacts& f) {
  if (f.codec.empty()) return {};
  QString text = QString::fromStdString(f.codec);
  if (f.bytes != 0 || f.type != corvane::PictureType::kUnknown || f.key) {
    const std::string_view type = corvane::PictureTypeName(f.type);
    const QString name = QString::fromLatin1(type.data(), qsizetype(type.size()));
    text += u' ' + (f.key ? tr("%1帧(关键帧)") : tr("%1帧")).arg(name);
    text += u' ' + tr("%1字节").arg(f.bytes);
  }
  if (!f.transfer.empty()) text += u' ' + QString::fromStdString(f.transfer);
  if (!f.convertedFrom.empty()) text += u' ' + tr("由%1转换").arg(QString::fromStdString(f.convertedFrom));
  return text;
}

void StatusStrip::Set(const QString& status, const QString& counter) {
  m_status->SetText(status);
  m_counter->SetText(counter);
  PlaceFacts();
}

QString StatusStrip::StatusText() const { return m_status->Text(); }
QString StatusStrip::CounterText() const { return m_counter->Text(); }

void StatusStrip::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::LanguageChange && m_shown) Show(*m_shown);
}

void StatusStrip::Show(const session::PlayerView& view) {
  m_shown = view;
  const QString counter = QStringLiteral("%1/%2").arg(view.frame).arg(view.total);
  switch (view.state) {
    case PlayState::Stopped:
      Set(tr("停止"), QString());
      break;
    case PlayState::Playing: {
      const float s = view.speed;
      if (s == 1.0f)
        Set(tr("正在播放"), counter);
      else if (s > 1.0f)
        Set(tr("速度 X %1").arg(int(s)), counter);
      else if (s > 0.0f)
        Set(tr("速度 / %1").arg(int(1.0f / s)), counter);
      break;
    }
    case PlayState::Paused:
      Set(tr("暂停"), counter);
      break;
    case PlayState::NoFile:
      Set(tr("准备就绪"), QString());
      break;
  }
}

}  // namespace ui
