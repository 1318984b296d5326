#include "ui/settings_store.h"

#include <QDir>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <algorithm>
#include <iterator>
#include <optional>

namespace ui {

const QString SettingsStore::kUseDefaultPara = QStringLiteral("是否启动默认参数");
const QString SettingsStore::kDefaultWidth = QStringLiteral("默认宽度");
const QString SettingsStore::kDefaultHeight = QStringLiteral("默认高度");
const QString SettingsStore::kDefaultFormat = QStringLiteral("默认YUV类型");
const QString SettingsStore::kCapturePath = QStringLiteral("默认截图路径");
const QString SettingsStore::kCaptureType = QStringLiteral("默认截图类型");
const QString SettingsStore::kDisplayType = QStringLiteral("默认显示类型");
const QString SettingsStore::kInterfaceGroup = QStringLiteral("Interface");
const QString SettingsStore::kLanguage = QStringLiteral("Language");

namespace {

// A fresh object per access: QSettings re-reads the file when another process
// has changed it, and nothing stays open between accesses.
QSettings OpenStore() { return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Corvane")); }

// The stored text as a 32-bit value, or nothing when it is not a decimal
// integer that fits in 32 bits. Signed fields take −2^31..2^31−1; the format
// code, stored unsigned, takes 0..2^32−1. Whitespace, hex, fractions and
// anything a user may have typed into the file by hand count as "not a
// number", so loading stops there as it does at a value of the wrong type.
std::optional<int64_t> ReadInteger(const QSettings& store, const QString& name, bool isUnsigned) {
  const QVariant v = store.value(name);
  if (!v.isValid()) return std::nullopt;
  const QString text = v.toString();
  static const QRegularExpression kDecimal(QStringLiteral("^[+-]?[0-9]{1,19}$"));
  if (!kDecimal.match(text).hasMatch()) return std::nullopt;
  bool ok = false;
  const qlonglong n = text.toLongLong(&ok);
  if (!ok) return std::nullopt;
  const int64_t lo = isUnsigned ? 0 : INT32_MIN, hi = isUnsigned ? int64_t(UINT32_MAX) : INT32_MAX;
  if (n < lo || n > hi) return std::nullopt;
  return n;
}

}  // namespace

bool SettingsStore::HasStoredSettings() {
  const QSettings store = OpenStore();
  return ReadInteger(store, kUseDefaultPara, false).has_value();
}

void SettingsStore::Load(PlayerSettings& s) {
  const QSettings store = OpenStore();
  if (store.status() != QSettings::NoError) return;
  // The display type comes before the capture type and the path, so a bad
  // display type also leaves those two as they were.
  struct Field {
    const QString& name;
    bool isUnsigned;
    void (*set)(PlayerSettings&, int64_t);
  };
  const Field fields[] = {
      {kUseDefaultPara, false, [](PlayerSettings& p, int64_t v) { p.useDefaultPara = int32_t(v); }},
      {kDefaultWidth, false, [](PlayerSettings& p, int64_t v) { p.defaultWidth = int32_t(v); }},
      {kDefaultHeight, false, [](PlayerSettings& p, int64_t v) { p.defaultHeight = int32_t(v); }},
      {kDefaultFormat, true, [](PlayerSettings& p, int64_t v) { p.defaultFormat = uint32_t(v); }},
      {kDisplayType, false, [](PlayerSettings& p, int64_t v) { p.displayType = int32_t(v); }},
      {kCaptureType, false, [](PlayerSettings& p, int64_t v) { p.captureType = int32_t(v); }},
  };
  for (const Field& f : fields) {
    const std::optional<int64_t> v = ReadInteger(store, f.name, f.isUnsigned);
    if (!v) return;
    f.set(s, *v);
  }
  s.capturePath = store.value(kCapturePath).toString().left(kPathCapacity - 1);
}

void SettingsStore::Save(const PlayerSettings& s) {
  QSettings store = OpenStore();
  store.setValue(kUseDefaultPara, s.useDefaultPara);
  store.setValue(kDefaultWidth, s.defaultWidth);
  store.setValue(kDefaultHeight, s.defaultHeight);
  store.setValue(kDefaultFormat, s.defaultFormat);
  store.setValue(kCapturePath, s.capturePath.left(kPathCapacity - 1));
  store.setValue(kCaptureType, s.captureType);
  store.setValue(kDisplayType, s.displayType);
  store.sync();
}

corvane::ColourSpace SettingsStore::LoadColourSpace() {
  const QSettings store = OpenStore();
  corvane::ColourSpace c;
  const std::string matrix = store.value(QStringLiteral("Colour/Matrix")).toString().toStdString();
  const std::string range = store.value(QStringLiteral("Colour/Range")).toString().toStdString();
  if (auto m = corvane::MatrixForName(matrix)) c.matrix = *m;
  if (auto r = corvane::RangeForName(range)) c.range = *r;
  return c;
}

void SettingsStore::SaveColourSpace(corvane::ColourSpace colour) {
  QSettings store = OpenStore();
  auto text = [](std::string_view v) { return QString::fromLatin1(v.data(), qsizetype(v.size())); };
  store.setValue(QStringLiteral("Colour/Matrix"), text(corvane::MatrixName(colour.matrix)));
  store.setValue(QStringLiteral("Colour/Range"), text(corvane::RangeName(colour.range)));
  store.sync();
}

QString SettingsStore::DefaultCapturePath() {
  const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
  if (!pictures.isEmpty() && QDir(pictures).exists()) return QDir::toNativeSeparators(pictures);
  return QDir::toNativeSeparators(QDir::homePath());
}

void SettingsStore::InitAtStartup(PlayerSettings& s) {
  s.capturePath = DefaultCapturePath().left(kPathCapacity - 1);
  if (HasStoredSettings())
    Load(s);
  else
    Save(s);
}

const QString SettingsStore::kDecodingGroup = QStringLiteral("Decoding");
const QString SettingsStore::kCacheMiB = QStringLiteral("CacheMiB");

int SettingsStore::LoadCacheMiB() {
  QSettings store = OpenStore();
  store.beginGroup(kDecodingGroup);
  bool number = false;
  const int mib = store.value(kCacheMiB).toString().toInt(&number);
  const auto [low, high] = std::minmax_element(std::begin(kCacheChoices), std::end(kCacheChoices));
  return number && mib >= *low && mib <= *high ? mib : kDefaultCacheMiB;
}

void SettingsStore::SaveCacheMiB(int mib) {
  QSettings store = OpenStore();
  store.beginGroup(kDecodingGroup);
  store.setValue(kCacheMiB, QString::number(mib));
  store.endGroup();
  store.sync();
}

QString SettingsStore::LoadLanguage() {
  QSettings store = OpenStore();
  store.beginGroup(kInterfaceGroup);
  return store.value(kLanguage).toString();
}

void SettingsStore::SaveLanguage(const QString& code) {
  QSettings store = OpenStore();
  store.beginGroup(kInterfaceGroup);
  store.setValue(kLanguage, code);
  store.endGroup();
  store.sync();
}

}  // namespace ui
