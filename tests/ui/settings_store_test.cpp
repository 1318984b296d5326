// The settings store against the real settings file of a private home.
#include "ui/settings_store.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QSettings>

#include "ui_fixture.h"

namespace {

using ui::PlayerSettings;
using ui::SettingsStore;

QSettings Store() { return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Corvane")); }

TEST(SettingsStore, FirstStartWritesAllSevenWithTheDefaultCaptureFolder) {
  struct Case {
    bool picturesExists;
  };
  for (Case c : {Case{false}, Case{true}}) {
    SCOPED_TRACE(c.picturesExists);
    uitest::ClearStore();
    const QString pictures = QDir::home().filePath(QStringLiteral("Pictures"));
    QDir(pictures).removeRecursively();
    if (c.picturesExists) QDir().mkpath(pictures);

    PlayerSettings s;
    ASSERT_FALSE(SettingsStore::HasStoredSettings());
    SettingsStore::InitAtStartup(s);
    const QString expectedPath = c.picturesExists ? pictures : QDir::homePath();
    EXPECT_EQ(s.capturePath, expectedPath);

    const QSettings store = Store();
    EXPECT_EQ(store.allKeys().size(), 7);
    EXPECT_EQ(store.value(SettingsStore::kUseDefaultPara).toString(), "0");
    EXPECT_EQ(store.value(SettingsStore::kDefaultWidth).toString(), "352");
    EXPECT_EQ(store.value(SettingsStore::kDefaultHeight).toString(), "288");
    EXPECT_EQ(store.value(SettingsStore::kDefaultFormat).toString(), QString::number(0x59563132u));
    EXPECT_EQ(store.value(SettingsStore::kCapturePath).toString(), expectedPath);
    EXPECT_EQ(store.value(SettingsStore::kCaptureType).toString(), "0");
    EXPECT_EQ(store.value(SettingsStore::kDisplayType).toString(), "4");
    EXPECT_TRUE(SettingsStore::HasStoredSettings());
    QDir(pictures).removeRecursively();
  }
}

TEST(SettingsStore, RoundTripIsSeenByAFreshReader) {
  uitest::ClearStore();
  PlayerSettings written;
  written.useDefaultPara = 1;
  written.defaultWidth = -7;  // values are taken as stored, unchecked
  written.defaultHeight = 1080;
  written.defaultFormat = 0xFFFFFFFFu;
  written.capturePath = QString(300, QChar(u'图'));  // longer than the field
  written.captureType = 1;
  written.displayType = 2;
  SettingsStore::Save(written);

  PlayerSettings read;
  SettingsStore::Load(read);
  PlayerSettings expected = written;
  expected.capturePath.truncate(SettingsStore::kPathCapacity - 1);
  EXPECT_EQ(read, expected);
}

// Loading stops at the first value that is missing or not a 32-bit decimal
// integer: the ones before it are taken, it and all after it keep their
// values, and the path is read only when all six numbers were.
TEST(SettingsStore, LoadStopsAtTheFirstBadValue) {
  const QString order[] = {SettingsStore::kUseDefaultPara, SettingsStore::kDefaultWidth,
                           SettingsStore::kDefaultHeight,  SettingsStore::kDefaultFormat,
                           SettingsStore::kDisplayType,    SettingsStore::kCaptureType};
  PlayerSettings stored;
  stored.useDefaultPara = 1;
  stored.defaultWidth = 640;
  stored.defaultHeight = 480;
  stored.defaultFormat = 0x55595659u;
  stored.capturePath = QStringLiteral("/stored/path");
  stored.captureType = 1;
  stored.displayType = 0;

  struct Bad {
    const char* text;  // nullptr: the value is missing
  };
  for (int at = 0; at < 6; ++at) {
    // Just outside 32 bits: the format code is unsigned, the others signed.
    const bool isFormat = at == 3;
    const Bad bads[] = {{nullptr}, {"abc"}, {"12.5"}, {"0x10"}, {" 7"}, {""},
                        {isFormat ? "4294967296" : "2147483648"}, {isFormat ? "-1" : "-2147483649"}};
    for (const Bad& bad : bads) {
      SCOPED_TRACE(testing::Message() << "value " << at << " = " << (bad.text ? bad.text : "(missing)"));
      uitest::ClearStore();
      SettingsStore::Save(stored);
      {
        QSettings store = Store();
        if (bad.text)
          store.setValue(order[at], QString::fromLatin1(bad.text));
        else
          store.remove(order[at]);
      }
      PlayerSettings s;  // defaults
      s.capturePath = QStringLiteral("/before");
      const PlayerSettings before = s;
      SettingsStore::Load(s);
      EXPECT_EQ(s.useDefaultPara, at > 0 ? stored.useDefaultPara : before.useDefaultPara);
      EXPECT_EQ(s.defaultWidth, at > 1 ? stored.defaultWidth : before.defaultWidth);
      EXPECT_EQ(s.defaultHeight, at > 2 ? stored.defaultHeight : before.defaultHeight);
      EXPECT_EQ(s.defaultFormat, at > 3 ? stored.defaultFormat : before.defaultFormat);
      EXPECT_EQ(s.displayType, at > 4 ? stored.displayType : before.displayType);
      EXPECT_EQ(s.captureType, before.captureType);
      EXPECT_EQ(s.capturePath, before.capturePath);
    }
  }
  // The unsigned format code takes the whole 32-bit range, the signed values
  // do not; a missing path with all numbers present empties the folder.
  uitest::ClearStore();
  SettingsStore::Save(stored);
  {
    QSettings store = Store();
    store.setValue(SettingsStore::kDefaultFormat, QStringLiteral("4294967295"));
    store.remove(SettingsStore::kCapturePath);
  }
  PlayerSettings s;
  SettingsStore::Load(s);
  EXPECT_EQ(s.defaultFormat, 0xFFFFFFFFu);
  EXPECT_EQ(s.captureType, 1);
  EXPECT_TRUE(s.capturePath.isEmpty());
}

}  // namespace
