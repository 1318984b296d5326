// make_manual: turns the user manual's HTML source into the PDF that the
// player's "用户手册" command opens. Runs at build time, without a display.
//
//   make_manual manual.html "Corvane用户手册V1.0.0.1.pdf"
//   make_manual manual_en.html CorvaneUserManualV1.0.0.1.pdf
//
// A4, 20 mm margins, a running head from the second page on and a page
// number at the foot of every page. The table of contents is written here,
// from the document's chapter headings (h1), with their page numbers.
//
// The PDF's text layer (search, copy, pdftotext) must hold the characters
// drawn. Two things stand in the way with Qt's PDF writer and Noto CJK:
// - Shaping picks glyphs no character maps to (Noto CJK's digits in Latin
//   runs): Qt's ToUnicode map has no entry for them, and digits vanished
//   from the text. The fonts here ask for no shaping, which these texts do
//   not need, so every glyph drawn is the font's glyph of its character.
// - Qt names each glyph's character by the lowest code point the font maps
//   to that glyph. Noto CJK draws 文 (U+6587) and the Kangxi radical ⽂
//   (U+2F42) with one glyph, 户 and ⼾, a space and a tab, so the text read
//   ⽂件 where 文件 was drawn. After writing, the ToUnicode maps are
//   rewritten to name the character the document has (FixToUnicodeMaps).
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
#include <QRawFont>
#include <QSaveFile>
#include <QSet>

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
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


// ---- The PDF's text layer -----------------------------------------------------

// For each code point that the writer would name for a glyph while the
// document drew another character with that glyph: the character drawn.
// `fonts` are the fonts the document draws with, `text` all it draws.
QHash<char32_t, char32_t> DrawnCharacters(const QList<QFont>& fonts, const QString& text) {
  std::set<char32_t> used;
  for (char32_t c : text.toUcs4()) used.insert(c);
  QHash<char32_t, char32_t> out;
  // The whole Basic Multilingual Plane, as the writer looks at it (a zero
  // for each surrogate, which maps to no glyph).
  std::vector<QChar> all(0x10000);
  for (char32_t c = 1; c < 0x10000; ++c) all[c] = QChar::isSurrogate(c) ? QChar() : QChar(char16_t(c));
  std::vector<quint32> glyphs(all.size());
  for (const QFont& font : fonts) {
    const QRawFont raw = QRawFont::fromFont(font);
    int n = int(glyphs.size());
    if (!raw.isValid() || !raw.glyphIndexesForChars(all.data(), n, glyphs.data(), &n)) continue;
    std::map<quint32, char32_t> lowest;  // glyph -> the lowest code point mapped to it
    for (char32_t c = 1; c < char32_t(n); ++c)
      if (glyphs[c] != 0) lowest.emplace(glyphs[c], c);
    for (char32_t c : used) {
      if (c >= char32_t(n) || glyphs[c] == 0) continue;
      const char32_t named = lowest[glyphs[c]];
      if (named != c && !used.count(named) && !out.contains(named)) out.insert(named, c);
    }
  }
  return out;
}

// One ToUnicode CMap's glyph -> character entries (Qt writes bfrange lines,
// each either an array or a run of consecutive characters).
std::map<unsigned, char32_t> ParseCMap(const QByteArray& cmap) {
  std::map<unsigned, char32_t> out;
  static const QRegularExpression kRange(
      QStringLiteral("<([0-9A-Fa-f]{4})>\\s*<([0-9A-Fa-f]{4})>\\s*(\\[[^\\]]*\\]|<[0-9A-Fa-f]{4,8}>)"));
  static const QRegularExpression kHex(QStringLiteral("<([0-9A-Fa-f]{4})>"));
  const QString text = QString::fromLatin1(cmap);
  qsizetype from = 0;
  while (true) {
    const qsizetype begin = text.indexOf(QStringLiteral("beginbfrange"), from);
    if (begin < 0) break;
    const qsizetype end = text.indexOf(QStringLiteral("endbfrange"), begin);
    const QString section = text.mid(begin, end - begin);
    for (auto it = kRange.globalMatch(section); it.hasNext();) {
      const auto m = it.next();
      const unsigned first = m.captured(1).toUInt(nullptr, 16), last = m.captured(2).toUInt(nullptr, 16);
      const QString target = m.captured(3);
      if (target.startsWith(u'[')) {
        unsigned cid = first;
        for (auto h = kHex.globalMatch(target); h.hasNext() && cid <= last; ++cid)
          out[cid] = char32_t(h.next().captured(1).toUInt(nullptr, 16));
      } else {
        const char32_t start = char32_t(target.mid(1, target.size() - 2).toUInt(nullptr, 16));
        for (unsigned cid = first; cid <= last; ++cid) out[cid] = start + (cid - first);
      }
    }
    from = end;
  }
  return out;
}

QByteArray Hex4(unsigned v) { return QByteArray::number(v, 16).toUpper().rightJustified(4, '0'); }

// The CMap with its entries replaced: one bfchar line per glyph, at most
// 100 to a section as the format asks.
QByteArray WriteCMap(const QByteArray& cmap, const std::map<unsigned, char32_t>& entries) {
  const qsizetype head = cmap.indexOf("endcodespacerange");
  const qsizetype tail = cmap.lastIndexOf("endcmap");
  QByteArray out = cmap.left(head + qsizetype(qstrlen("endcodespacerange\n")));
  std::vector<std::pair<unsigned, char32_t>> list(entries.begin(), entries.end());
  for (size_t i = 0; i < list.size(); i += 100) {
    const size_t n = std::min<size_t>(100, list.size() - i);
    out += QByteArray::number(qulonglong(n)) + " beginbfchar\n";
    for (size_t k = i; k < i + n; ++k) {
      QByteArray target;
      for (QChar unit : QString::fromUcs4(&list[k].second, 1)) target += Hex4(unit.unicode());
      out += "<" + Hex4(list[k].first) + "> <" + target + ">\n";
    }
    out += "endbfchar\n";
  }
  return out + cmap.mid(tail);
}

// Rewrites the uncompressed ToUnicode streams of a PDF as Qt writes it (a
// classic cross-reference table, one object after another), sending each
// character named in `drawn` to the one drawn; every later object moves,
// so the table is written again. Empty on a file of another shape.
QByteArray FixToUnicodeMaps(const QByteArray& pdf, const QHash<char32_t, char32_t>& drawn, int* changed) {
  *changed = 0;
  const qsizetype startxref = pdf.lastIndexOf("startxref");
  if (startxref < 0) return {};
  const qsizetype xref = pdf.mid(startxref + 9).trimmed().split('\n').value(0).trimmed().toLongLong();
  if (xref <= 0 || !pdf.mid(xref).startsWith("xref")) return {};
  const qsizetype trailer = pdf.indexOf("trailer", xref);
  const QList<QByteArray> table = pdf.mid(xref, trailer - xref).split('\n');
  // "xref", "0 N", then N entries "OFFSET GEN n|f".
  if (table.size() < 3 || !table[1].startsWith("0 ")) return {};
  const int count = table[1].mid(2).trimmed().toInt();
  struct Entry {
    qsizetype offset;
    int gen;
    bool used;
  };
  std::vector<Entry> entries;
  for (int i = 0; i < count; ++i) {
    const QList<QByteArray> f = table.value(2 + i).simplified().split(' ');
    if (f.size() < 3) return {};
    entries.push_back({f[0].toLongLong(), f[1].toInt(), f[2] == "n"});
  }
  // The objects in file order; each runs to the next one (or the table).
  std::vector<int> order;
  for (int i = 0; i < count; ++i)
    if (entries[size_t(i)].used) order.push_back(i);
  std::sort(order.begin(), order.end(), [&](int a, int b) { return entries[size_t(a)].offset < entries[size_t(b)].offset; });
  if (order.empty()) return {};
  QByteArray out = pdf.left(entries[size_t(order.front())].offset);
  std::vector<qsizetype> moved(size_t(count), 0);
  static const QRegularExpression kLength(QStringLiteral("/Length (\\d+)"));
  for (size_t k = 0; k < order.size(); ++k) {
    const Entry& e = entries[size_t(order[k])];
    const qsizetype end = k + 1 < order.size() ? entries[size_t(order[k + 1])].offset : xref;
    QByteArray object = pdf.mid(e.offset, end - e.offset);
    const qsizetype stream = object.indexOf("stream\n");
    const auto length = kLength.match(QString::fromLatin1(object.left(stream)));
    if (stream > 0 && object.contains("/CIDInit /ProcSet findresource") && length.hasMatch()) {
      const qsizetype dataAt = stream + 7;
      const qsizetype oldLength = length.captured(1).toLongLong();
      const QByteArray cmap = object.mid(dataAt, oldLength);
      std::map<unsigned, char32_t> map = ParseCMap(cmap);
      bool any = false;
      for (auto& [cid, c] : map)
        if (auto it = drawn.find(c); it != drawn.end()) c = it.value(), any = true;
      if (any) {
        ++*changed;
        const QByteArray rewritten = WriteCMap(cmap, map);
        QByteArray head = object.left(dataAt);
        head.replace(QByteArray("/Length ") + QByteArray::number(oldLength),
                     QByteArray("/Length ") + QByteArray::number(rewritten.size()));
        object = head + rewritten + object.mid(dataAt + oldLength);
      }
    }
    moved[size_t(order[k])] = out.size();
    out += object;
  }
  const qsizetype newXref = out.size();
  out += "xref\n0 " + QByteArray::number(count) + "\n";
  for (int i = 0; i < count; ++i) {
    const Entry& e = entries[size_t(i)];
    out += QByteArray::number(e.used ? moved[size_t(i)] : e.offset).rightJustified(10, '0') + ' ' +
           QByteArray::number(e.gen).rightJustified(5, '0') + (e.used ? " n \n" : " f \n");
  }
  out += pdf.mid(trailer, startxref - trailer);
  out += "startxref\n" + QByteArray::number(newXref) + "\n%%EOF\n";
  return out;
}

// Every font the document's text is drawn in.
QList<QFont> DocumentFonts(const QTextDocument& doc) {
  QList<QFont> out;
  QSet<QString> seen;
  for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
    for (auto it = b.begin(); !it.atEnd(); ++it) {
      const QFont f = it.fragment().charFormat().font();
      const QString key = f.key();
      if (!seen.contains(key)) seen.insert(key), out << f;
    }
  return out;
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
  // Every glyph the font's own glyph of its character (see the top).
  body.setStyleStrategy(QFont::PreferNoShaping);

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
  small.setStyleStrategy(QFont::PreferNoShaping);

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

  // The text layer: the characters drawn, not the lowest ones of their glyphs.
  QString drawnText = doc.toPlainText() + head;
  for (int i = 0; i < pages; ++i) drawnText += pageNumber.arg(i + 1).arg(pages);
  QList<QFont> fonts = DocumentFonts(doc);
  fonts << small;
  const QHash<char32_t, char32_t> drawn = DrawnCharacters(fonts, drawnText);
  QFile written(outPath);
  if (!written.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "make_manual: cannot read back %s\n", argv[2]);
    return 1;
  }
  int maps = 0;
  const QByteArray fixed = FixToUnicodeMaps(written.readAll(), drawn, &maps);
  written.close();
  if (fixed.isEmpty()) {
    std::fprintf(stderr, "make_manual: %s is not laid out as Qt's PDF writer does; its text layer is left\n", argv[2]);
    return 1;
  }
  QSaveFile save(outPath);
  if (!save.open(QIODevice::WriteOnly) || save.write(fixed) != fixed.size() || !save.commit()) {
    std::fprintf(stderr, "make_manual: cannot write %s\n", argv[2]);
    return 1;
  }
  std::printf("make_manual: %d pages, font \"%s\", %d characters renamed in %d ToUnicode maps\n", pages,
              family.toUtf8().constData(), int(drawn.size()), maps);
  return 0;
}
