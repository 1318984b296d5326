// make_manual: turns the user manual's HTML source into the PDF that the
// player's "用户手册" command opens. Runs at build time, without a display.
//
//   make_manual manual.html "Corvane用户手册V1.0.0.1.pdf"
//   make_manual manual_en.html CorvaneUserManualV1.0.0.1.pdf
//
// A4, 20 mm margins, a running head from the second page on and a page
// number at the foot of every page. The table of contents is written here,
// from the document's chapter headings (h1), with their page numbers.
#include <QAbstractTextDocumentLayout>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>

#include <cstdio>
#include <vector>

namespace {

constexpr int kResolution = 300;           // dots per inch of the PDF's device space
constexpr double kMarginMm = 20.0;         // left, right, top and bottom
constexpr double kHeadMm = 12.0;           // running head: distance of its rule from the top edge
constexpr double kFootMm = 11.0;           // page number: distance of its baseline from the bottom edge
constexpr double kBodyPointSize = 9.5;
const QString kPreferredFamily = QStringLiteral("Noto Sans CJK SC");
const QString kTocMarker = QStringLiteral("@@TOC@@");

double MmToDots(double mm) { return mm / 25.4 * kResolution; }

// A family that has Simplified Chinese glyphs: the preferred one when
// installed (Debian: fonts-noto-cjk), otherwise the first CJK family found.
QString ChooseFamily() {
  const QStringList families = QFontDatabase::families();
  if (families.contains(kPreferredFamily)) return kPreferredFamily;
  for (const QString& f : QFontDatabase::families(QFontDatabase::SimplifiedChinese))
    if (!QFontDatabase::isPrivateFamily(f)) return f;
  std::fprintf(stderr, "make_manual: warning: no font with Simplified Chinese glyphs; install fonts-noto-cjk\n");
  return families.isEmpty() ? QString() : families.first();
}

struct Heading {
  int level;
  QString text;
  QTextBlock block;
};

std::vector<Heading> Headings(const QTextDocument& doc) {
  std::vector<Heading> out;
  for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
    const int level = b.blockFormat().headingLevel();
    if (level == 1) out.push_back({level, b.text().trimmed(), b});
  }
  return out;
}

// Replaces the paragraph that holds the marker by a two-column table of the
// headings; the page column is filled in once the layout is known.
QTextTable* InsertContents(QTextDocument& doc, const std::vector<Heading>& headings) {
  QTextCursor c = doc.find(kTocMarker);
  if (c.isNull() || headings.empty()) return nullptr;
  c.removeSelectedText();
  QTextTableFormat tf;
  tf.setBorder(0);
  tf.setCellPadding(2);
  tf.setCellSpacing(0);
  tf.setWidth(QTextLength(QTextLength::PercentageLength, 100));
  tf.setColumnWidthConstraints({QTextLength(QTextLength::PercentageLength, 88),
                                QTextLength(QTextLength::PercentageLength, 12)});
  QTextTable* table = c.insertTable(int(headings.size()), 2, tf);
  for (size_t i = 0; i < headings.size(); ++i) {
    QTextCharFormat cf;
    cf.setFontPointSize(11.5);
    QTextCursor title = table->cellAt(int(i), 0).firstCursorPosition();
    QTextBlockFormat bf;
    bf.setTopMargin(4);
    title.setBlockFormat(bf);
    title.insertText(headings[i].text, cf);
    QTextCursor page = table->cellAt(int(i), 1).firstCursorPosition();
    QTextBlockFormat right;
    right.setAlignment(Qt::AlignRight);
    right.setTopMargin(bf.topMargin());
    page.setBlockFormat(right);
    page.insertText(QStringLiteral("00"), cf);  // as wide as the real number, so the layout holds
  }
  return table;
}

// The page of a block's first line. The block's own rectangle may start on
// the page before, when the layout pushed its first line over a page break.
int PageOf(const QTextDocument& doc, const QTextBlock& block) {
  double top = doc.documentLayout()->blockBoundingRect(block).top();
  if (block.layout() && block.layout()->lineCount() > 0) top += block.layout()->lineAt(0).y();
  return int(top / doc.pageSize().height()) + 1;
}

// A heading left alone at the foot of a page starts the next page instead.
// Each move shifts what follows, so the document is laid out again after it.
void KeepHeadingsWithText(QTextDocument& doc) {
  const QSizeF pageSize = doc.pageSize();
  for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
    const QTextBlock next = b.next();
    if (b.blockFormat().headingLevel() == 0 || !next.isValid()) continue;
    (void)doc.pageCount();
    if (PageOf(doc, next) <= PageOf(doc, b)) continue;
    QTextBlockFormat f = b.blockFormat();
    f.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    QTextCursor(b).setBlockFormat(f);
    doc.setPageSize(pageSize);
  }
}

}  // namespace

int main(int argc, char** argv) {
  // Build machines have no display; the offscreen platform still has fonts.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_manual IN.html OUT.pdf\n");
    return 2;
  }
  const QString inPath = QString::fromLocal8Bit(argv[1]);
  const QString outPath = QString::fromLocal8Bit(argv[2]);

  QFile in(inPath);
  if (!in.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "make_manual: cannot read %s\n", argv[1]);
    return 1;
  }
  const QString html = QString::fromUtf8(in.readAll());
  // The page numbers speak the document's language (<html lang="...">).
  static const QRegularExpression kChineseDocument(QStringLiteral("<html[^>]*\\blang=\"zh"));
  const QString pageNumber = kChineseDocument.match(html).hasMatch() ? QStringLiteral("第 %1 页 / 共 %2 页")
                                                                      : QStringLiteral("Page %1 of %2");

  QPdfWriter writer(outPath);
  writer.setResolution(kResolution);
  writer.setPageSize(QPageSize(QPageSize::A4));
  writer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);  // margins are drawn below
  writer.setCreator(QStringLiteral("Corvane make_manual"));

  const QString family = ChooseFamily();
  QFont body(family);
  body.setPointSizeF(kBodyPointSize);

  QTextDocument doc;
  doc.setDefaultFont(body);
  doc.setDocumentMargin(0);
  // The manuals share their look: manual.css beside the source, if there.
  QFile css(QFileInfo(inPath).dir().filePath(QStringLiteral("manual.css")));
  if (css.open(QIODevice::ReadOnly)) doc.setDefaultStyleSheet(QString::fromUtf8(css.readAll()));
  doc.setHtml(html);
  writer.setTitle(doc.metaInformation(QTextDocument::DocumentTitle));
  // Lay the text out in the PDF's own units, so point sizes and CSS lengths
  // are scaled to 300 dpi by the layout rather than by the painter.
  doc.documentLayout()->setPaintDevice(&writer);

  const QRectF full = writer.pageLayout().fullRectPixels(kResolution);
  const double margin = MmToDots(kMarginMm);
  const QSizeF textSize(full.width() - 2 * margin, full.height() - 2 * margin);
  doc.setPageSize(textSize);

  const std::vector<Heading> headings = Headings(doc);
  QTextTable* toc = InsertContents(doc, headings);
  // Edits after a layout leave the layout's checkpoints stale, and the
  // paragraphs after them would not be drawn: setting the page size again
  // lays the whole document out afresh.
  doc.setPageSize(textSize);
  (void)doc.pageCount();  // finishes the layout, which otherwise runs lazily
  if (toc) {
    for (size_t i = 0; i < headings.size(); ++i) {
      QTextCursor cell = toc->cellAt(int(i), 1).firstCursorPosition();
      cell.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
      cell.insertText(QString::number(PageOf(doc, headings[i].block)));
    }
    doc.setPageSize(textSize);
  }
  KeepHeadingsWithText(doc);

  const int pages = doc.pageCount();
  const QString head = doc.metaInformation(QTextDocument::DocumentTitle);
  QFont small(family);
  small.setPointSizeF(8.5);

  QPainter p;
  if (!p.begin(&writer)) {
    std::fprintf(stderr, "make_manual: cannot write %s\n", argv[2]);
    return 1;
  }
  p.setRenderHint(QPainter::Antialiasing);
  for (int i = 0; i < pages; ++i) {
    if (i > 0) writer.newPage();
    p.save();
    p.translate(margin, margin - i * textSize.height());
    const QRectF clip(0, i * textSize.height(), textSize.width(), textSize.height());
    p.setClipRect(clip);
    QAbstractTextDocumentLayout::PaintContext ctx;
    ctx.clip = clip;
    ctx.palette.setColor(QPalette::Text, Qt::black);
    doc.documentLayout()->draw(&p, ctx);
    p.restore();

    p.setFont(small);
    p.setPen(QColor(0x55, 0x55, 0x55));
    if (i > 0) {
      const double rule = MmToDots(kHeadMm);
      p.drawText(QRectF(margin, 0, textSize.width(), rule - MmToDots(1)), Qt::AlignRight | Qt::AlignBottom, head);
      p.setPen(QPen(QColor(0x1f, 0x4e, 0x79), MmToDots(0.25)));
      p.drawLine(QPointF(margin, rule), QPointF(full.width() - margin, rule));
      p.setPen(QColor(0x55, 0x55, 0x55));
    }
    const double foot = full.height() - MmToDots(kFootMm);
    p.drawText(QRectF(margin, foot - MmToDots(5), textSize.width(), MmToDots(5)), Qt::AlignHCenter | Qt::AlignBottom,
               pageNumber.arg(i + 1).arg(pages));
  }
  if (!p.end()) {
    std::fprintf(stderr, "make_manual: writing %s failed\n", argv[2]);
    return 1;
  }
  std::printf("make_manual: %d pages, font \"%s\"\n", pages, family.toUtf8().constData());
  return 0;
}
