#include "ui/options_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include "controls/resources.h"
#include "ui/custom_size_dialog.h"
#include "ui/format_lists.h"
#include "ui/prompts.h"
#include "ui/window_frames.h"

namespace ui {

PendingSettings PendingFrom(const PlayerSettings& s) {
  PendingSettings p;
  p.useDefaultPara = s.useDefaultPara;
  p.defaultWidth = s.defaultWidth;
  p.defaultHeight = s.defaultHeight;
  p.defaultFormat = s.defaultFormat;
  p.captureType = -1;
  p.capturePath.clear();
  p.displayType = s.displayType;
  return p;
}

void ApplyPendingSettings(PlayerSettings& s, const PendingSettings& p) {
  s.useDefaultPara = p.useDefaultPara;
  s.defaultWidth = p.defaultWidth;
  s.defaultHeight = p.defaultHeight;
  s.defaultFormat = p.defaultFormat;
  if (!p.capturePath.isEmpty() || p.captureType != -1) {
    s.captureType = p.captureType;
    s.capturePath = p.capturePath.left(SettingsStore::kPathCapacity - 1);
    s.displayType = p.displayType;
  }
}

namespace {

const QColor kSelectColor(0, 132, 255);
const QColor kLineColor(0, 132, 255);
const QColor kBandColor(92, 132, 255);
const QColor kFrameColor(141, 141, 141);

// The page rows: a filled row when selected, the icon, the text 8 pixels to
// its right, and an underline fading from blue to white.
class PageRowDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QRect r = option.rect.adjusted(3, 3, -3, -3);
    if (index.row() == 0) r.adjust(0, 3, 0, 0);
    const bool selected = option.state & QStyle::State_Selected;
    p->save();
    p->fillRect(r, selected ? kSelectColor : QColor(Qt::white));
    const QIcon icon = index.data(Qt::DecorationRole).value<QIcon>();
    const QRect iconRect(r.left(), r.top() + (r.height() - 16) / 2, 16, 16);
    icon.paint(p, iconRect);
    QFont font(QStringLiteral("宋体"));
    font.setPointSize(9);
    p->setFont(font);
    p->setPen(selected ? Qt::white : Qt::black);
    p->drawText(r.adjusted(16 + 8, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, index.data().toString());
    QLinearGradient line(r.left(), 0, r.right(), 0);
    line.setColorAt(0, kLineColor);
    line.setColorAt(1, Qt::white);
    p->fillRect(QRect(r.left(), r.bottom() - 1, r.width(), 2), line);
    p->restore();
  }

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    // Rows as tall as a line of the list's 24-point font.
    QFont font(QStringLiteral("宋体"));
    font.setPointSize(24);
    return QSize(QStyledItemDelegate::sizeHint(option, index).width(), QFontMetrics(font).height());
  }
};

// The band above the page: a gradient from blue to white, the page's icon
// and its title in white with a dark shadow.
class TitleBand : public QWidget {
 public:
  explicit TitleBand(QWidget* parent) : QWidget(parent) { setFixedHeight(24); }
  void Set(const QIcon& icon, const QString& title) {
    m_icon = icon;
    m_title = title;
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    QLinearGradient g(0, 0, width(), 0);
    g.setColorAt(0, kBandColor);
    g.setColorAt(1, Qt::white);
    p.fillRect(rect(), g);
    m_icon.paint(&p, QRect(4, 3, 16, 16));
    QFont font(QStringLiteral("宋体"));
    font.setPointSize(11);
    p.setFont(font);
    const int base = QFontMetrics(font).ascent();
    p.setPen(Qt::black);
    p.drawText(26, 5 + base, m_title);
    p.setPen(Qt::white);
    p.drawText(25, 4 + base, m_title);
  }

 private:
  QIcon m_icon;
  QString m_title;
};

}  // namespace

// ---- Basic page -------------------------------------------------------------

BasicOptionsPage::BasicOptionsPage(QWidget* parent) : QWidget(parent) {
  setWindowTitle(tr("基本设置"));
  m_check = new QCheckBox(tr("是否启动默认参数"), this);
  m_check->setObjectName(QStringLiteral("chk1072"));
  auto* group = new QGroupBox(tr("默认参数设置"), this);
  m_editWidth = new QLineEdit(group);
  m_editWidth->setObjectName(QStringLiteral("edit1021"));
  m_editHeight = new QLineEdit(group);
  m_editHeight->setObjectName(QStringLiteral("edit1023"));
  m_combo = new QComboBox(group);
  m_combo->setObjectName(QStringLiteral("combo1080"));
  for (const FormatEntry& e : kBasicPageFormats)
    m_combo->addItem(QString::fromLatin1(e.label.data(), qsizetype(e.label.size())));
  auto* grid = new QGridLayout(group);
  grid->addWidget(new QLabel(tr("默认宽度:"), group), 0, 0);
  grid->addWidget(m_editWidth, 0, 1);
  grid->addWidget(new QLabel(tr("默认高度:"), group), 1, 0);
  grid->addWidget(m_editHeight, 1, 1);
  grid->addWidget(new QLabel(tr("默认YUV类型"), group), 2, 0);
  grid->addWidget(m_combo, 2, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_check);
  layout->addWidget(group);
  layout->addStretch();

  connect(m_check, &QCheckBox::clicked, this, &BasicOptionsPage::OnUseDefaultClicked);
  // The code changes only when the user picks another entry: a stored code
  // the list does not show (NV16) survives a sheet confirmed untouched.
  connect(m_combo, &QComboBox::activated, this,
          [this](int position) { m_format = BasicPageCodeForPosition(position); });
}

void BasicOptionsPage::SetInitialValues(const PlayerSettings& s) {
  m_width = uint32_t(s.defaultWidth);
  m_height = uint32_t(s.defaultHeight);
  m_useDefault = s.useDefaultPara;
  m_format = s.defaultFormat;
  m_editWidth->setText(QString::number(m_width));
  m_editHeight->setText(QString::number(m_height));
  m_check->setChecked(m_useDefault != 0);
  m_combo->setCurrentIndex(BasicPagePositionForCode(m_format));
  EnableFields();
}

void BasicOptionsPage::OnUseDefaultClicked(bool checked) {
  m_useDefault = checked ? 1 : 0;
  EnableFields();
}

void BasicOptionsPage::EnableFields() {
  const bool on = m_check->isChecked();
  m_editWidth->setEnabled(on);
  m_editHeight->setEnabled(on);
  m_combo->setEnabled(on);
}

bool BasicOptionsPage::ExchangeData() {
  uint32_t w = 0, h = 0;
  for (auto [edit, value] : {std::pair{m_editWidth, &w}, std::pair{m_editHeight, &h}}) {
    const std::optional<uint32_t> v = CustomSizeDialog::ParseUnsigned(edit->text());
    if (v) *value = *v;
    if (!v) {
      Prompts::Current().ShowMessage(this, tr("请输入一个正整数。"), MessageKind::kWarning);
      edit->setFocus();
      edit->selectAll();
      return false;
    }
  }
  // The defaults are used without the custom-size dialog's check, so they
  // get it here: the same limits, the same message. Outside them a default
  // would reach the engine as a frame size (0, or buffers of gigabytes).
  if (!CustomSizeDialog::IsValidSize(w, h)) {
    Prompts::Current().ShowMessage(this, tr("宽高值不合法或超过范围\n"), MessageKind::kWarning);
    QLineEdit* bad = CustomSizeDialog::IsValidSize(w, 1) ? m_editHeight : m_editWidth;
    bad->setFocus();
    bad->selectAll();
    return false;
  }
  m_width = w;
  m_height = h;
  return true;
}

void BasicOptionsPage::HandBack(PendingSettings& p) const {
  p.useDefaultPara = m_useDefault;
  p.defaultWidth = int32_t(m_width);
  p.defaultHeight = int32_t(m_height);
  p.defaultFormat = m_format;
}

// ---- Capture page -----------------------------------------------------------

CaptureOptionsPage::CaptureOptionsPage(QWidget* parent) : QWidget(parent) {
  setWindowTitle(tr("其他设置"));
  auto* still = new QGroupBox(tr("截图"), this);
  m_editPath = new QLineEdit(still);
  m_editPath->setObjectName(QStringLiteral("edit1076"));
  // Wide enough for a usual path; a longer one shows its end (the folder's
  // own name) and the whole of it in the tooltip.
  m_editPath->setMinimumWidth(m_editPath->fontMetrics().averageCharWidth() * kPathFieldChars);
  connect(m_editPath, &QLineEdit::textChanged, m_editPath, &QLineEdit::setToolTip);
  auto* browse = new QPushButton(tr("..."), still);
  browse->setObjectName(QStringLiteral("btn1069"));
  m_combo = new QComboBox(still);
  m_combo->setObjectName(QStringLiteral("combo1078"));
  m_combo->addItems({tr(".BMP"), tr(".JPG")});
  auto* grid = new QGridLayout(still);
  grid->addWidget(new QLabel(tr("默认保存路径："), still), 0, 0);
  grid->addWidget(m_editPath, 0, 1);
  grid->addWidget(browse, 0, 2);
  grid->addWidget(new QLabel(tr("默认保存类型："), still), 1, 0);
  grid->addWidget(m_combo, 1, 1);

  auto* ratio = new QGroupBox(tr("显示比例"), this);
  auto* radios = new QVBoxLayout(ratio);
  m_radios = new QButtonGroup(this);
  const struct {
    int id;
    const char* text;
    int aspect;
  } kRadios[] = {{1071, QT_TR_NOOP("原始比例"), 4},
                 {1072, QT_TR_NOOP("16:9"), 1},
                 {1073, QT_TR_NOOP("5:4"), 3},
                 {1074, QT_TR_NOOP("4:3"), 2},
                 {1075, QT_TR_NOOP("铺满窗口"), 0}};
  for (const auto& r : kRadios) {
    auto* b = new QRadioButton(tr(r.text), ratio);
    b->setObjectName(QStringLiteral("radio%1").arg(r.id));
    m_radios->addButton(b, r.aspect);
    radios->addWidget(b);
  }
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(still);
  layout->addWidget(ratio);
  layout->addStretch();

  connect(browse, &QPushButton::clicked, this, &CaptureOptionsPage::OnBrowse);
  connect(m_combo, &QComboBox::activated, this, [this](int position) { m_captureType = position; });
  connect(m_radios, &QButtonGroup::idClicked, this, [this](int aspect) { m_displayType = aspect; });
}

void CaptureOptionsPage::SetInitialValues(const PlayerSettings& s) {
  m_capturePath = s.capturePath;
  m_captureType = s.captureType;
  m_displayType = s.displayType;
  ShowPath(m_capturePath);
  m_combo->setCurrentIndex(m_captureType >= 0 && m_captureType < m_combo->count() ? m_captureType : -1);
  const int aspect = (m_displayType >= 1 && m_displayType <= 4) ? m_displayType : 0;
  m_radios->button(aspect)->setChecked(true);
}

void CaptureOptionsPage::OnBrowse() {
  if (std::optional<QString> dir = Prompts::Current().ChooseFolder(this, m_editPath->text());
      dir && !dir->isEmpty())
    m_capturePath = *dir;
  if (!m_capturePath.isEmpty()) ShowPath(m_capturePath);
}

void CaptureOptionsPage::ShowPath(const QString& path) {
  m_editPath->setText(path);
  m_editPath->setCursorPosition(int(path.size()));
}

bool CaptureOptionsPage::ExchangeData() {
  m_capturePath = m_editPath->text();
  return true;
}

void CaptureOptionsPage::HandBack(PendingSettings& p) const {
  p.captureType = m_captureType;
  p.capturePath = m_capturePath;
  p.displayType = m_displayType;
}

// ---- The sheet --------------------------------------------------------------

OptionsDialog::OptionsDialog(const PlayerSettings& current, PendingSettings* pending, QWidget* parent)
    : QDialog(parent), m_pending(pending) {
  Q_ASSERT(pending);
  UseDialogFrame(this);
  setWindowTitle(tr("高级选项"));
  m_basic = new BasicOptionsPage;
  m_capture = new CaptureOptionsPage;
  m_basic->SetInitialValues(current);
  m_capture->SetInitialValues(current);

  m_pageList = new QListWidget(this);
  m_pageList->setObjectName(QStringLiteral("pageList"));
  m_pageList->setFixedWidth(140);
  m_pageList->setItemDelegate(new PageRowDelegate(m_pageList));
  m_pageList->setFrameShape(QFrame::Box);
  const int iconIds[] = {207, 208};
  QWidget* pages[] = {m_basic, m_capture};
  m_pages = new QStackedWidget(this);
  for (int i = 0; i < 2; ++i) {
    m_pageList->addItem(new QListWidgetItem(QIcon(controls::IconPath(iconIds[i])), pages[i]->windowTitle()));
    m_pages->addWidget(pages[i]);
  }
  auto* band = new TitleBand(this);
  m_band = band;
  m_title = m_basic->windowTitle();
  band->Set(m_pageList->item(0)->icon(), m_title);

  auto* buttons = new QDialogButtonBox(this);
  QPushButton* ok = buttons->addButton(tr("确定"), QDialogButtonBox::AcceptRole);
  ok->setObjectName(QStringLiteral("btnOk"));
  ok->setDefault(true);
  buttons->addButton(tr("取消"), QDialogButtonBox::RejectRole)->setObjectName(QStringLiteral("btnCancel"));
  connect(buttons, &QDialogButtonBox::accepted, this, &OptionsDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &OptionsDialog::reject);

  auto* right = new QVBoxLayout;
  right->addWidget(m_band);
  right->addWidget(m_pages, 1);
  auto* top = new QHBoxLayout;
  top->addWidget(m_pageList);
  top->addLayout(right, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top, 1);
  layout->addWidget(buttons);

  // A click on a row that the current page refuses to leave puts the
  // selection back on that page's row.
  connect(m_pageList, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
    if (!ShowPage(m_pageList->row(item))) m_pageList->setCurrentRow(CurrentPage());
  });
}

int OptionsDialog::CurrentPage() const { return m_pages->currentIndex(); }

bool OptionsDialog::ShowPage(int i) {
  if (i < 0 || i >= m_pages->count()) return false;
  if (i == CurrentPage()) return true;
  // Leaving a page reads its entries back; a bad entry keeps it.
  const bool left = CurrentPage() == kBasicPage ? m_basic->ExchangeData() : m_capture->ExchangeData();
  if (!left) return false;
  m_pages->setCurrentIndex(i);
  m_shown[i] = true;
  m_title = m_pageList->item(i)->text();
  static_cast<TitleBand*>(m_band)->Set(m_pageList->item(i)->icon(), m_title);
  m_pageList->setCurrentRow(i);
  m_pageList->setFocus();
  return true;
}

void OptionsDialog::accept() {
  const bool ok = CurrentPage() == kBasicPage ? m_basic->ExchangeData() : m_capture->ExchangeData();
  if (!ok) return;
  QDialog::accept();
}

void OptionsDialog::done(int result) {
  // Every page that was shown hands its values back, however the sheet
  // closes; the player uses them only after an OK.
  if (m_shown[kBasicPage]) m_basic->HandBack(*m_pending);
  if (m_shown[kCapturePage]) m_capture->HandBack(*m_pending);
  QDialog::done(result);
}

}  // namespace ui
