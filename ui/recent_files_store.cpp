#include "ui/recent_files_store.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <algorithm>

#include "formats/yuv_format.h"

namespace ui {

namespace {

QSettings OpenStore() { return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Corvane")); }

const QString kFiles = QStringLiteral("files");

QString FormatName(uint32_t code) {
  const std::string_view name = corvane::UserFormatName(code);
  if (name.empty()) return QStringLiteral("0x%1").arg(code, 8, 16, QLatin1Char('0'));
  return QString::fromLatin1(name.data(), qsizetype(name.size()));
}

}  // namespace

const QString RecentFilesStore::kGroup = QStringLiteral("RecentFiles");

std::vector<session::RecentFile> RecentFilesStore::Load() {
  QSettings store = OpenStore();
  store.beginGroup(kGroup);
  const int n = store.beginReadArray(kFiles);
  std::vector<session::RecentFile> list;
  for (int i = 0; i < n && list.size() < session::kMaxRecentFiles; ++i) {
    store.setArrayIndex(i);
    session::RecentFile f;
    f.path = store.value(QStringLiteral("path")).toString().toStdString();
    bool ok[5] = {};
    const uint32_t format = store.value(QStringLiteral("format")).toUInt(&ok[0]);
    const uint32_t width = store.value(QStringLiteral("width")).toUInt(&ok[1]);
    const uint32_t height = store.value(QStringLiteral("height")).toUInt(&ok[2]);
    const uint32_t interval = store.value(QStringLiteral("interval")).toUInt(&ok[3]);
    f.size = store.value(QStringLiteral("size")).toULongLong(&ok[4]);
    if (f.path.empty() || !std::all_of(std::begin(ok), std::end(ok), [](bool b) { return b; })) continue;
    // Older players stored the path as typed: relative to a folder no one remembers.
    if (QDir::isRelativePath(QString::fromStdString(f.path))) continue;
    f.para = corvane::MakePara(format, width, height, interval);
    list.push_back(std::move(f));
  }
  store.endArray();
  return list;
}

void RecentFilesStore::Save(const std::vector<session::RecentFile>& list) {
  QSettings store = OpenStore();
  store.beginGroup(kGroup);
  store.remove(QString());  // the whole group: a shorter list leaves no stale entries
  store.beginWriteArray(kFiles, int(list.size()));
  for (int i = 0; i < int(list.size()); ++i) {
    const session::RecentFile& f = list[size_t(i)];
    store.setArrayIndex(i);
    store.setValue(QStringLiteral("path"), QString::fromStdString(f.path));
    store.setValue(QStringLiteral("format"), f.para.format);
    store.setValue(QStringLiteral("width"), f.para.width);
    store.setValue(QStringLiteral("height"), f.para.height);
    store.setValue(QStringLiteral("interval"), f.para.frameInterval);
    store.setValue(QStringLiteral("size"), qulonglong(f.size));
  }
  store.endArray();
}

QString RecentMenuText(int n, const session::RecentFile& f) {
  QString name = QFileInfo(QString::fromStdString(f.path)).fileName();
  // The first nine get an accelerator digit.
  return QStringLiteral("%1%2  %3  (%4 %5×%6)")
      .arg(n < 9 ? QStringLiteral("&") : QString())
      .arg(n + 1)
      .arg(name.replace(QLatin1Char('&'), QStringLiteral("&&")))
      .arg(FormatName(f.para.format))
      .arg(f.para.width)
      .arg(f.para.height);
}

}  // namespace ui
