// The player's seven persisted settings and the store that keeps them in the
// user's settings file. Every access opens the store afresh, so that a second
// running player sees what this one wrote at its next load (last writer wins).
#pragma once

#include <QString>
#include <cstdint>

#include "formats/colour_space.h"

namespace ui {

struct PlayerSettings {
  int32_t useDefaultPara = 0;
  int32_t defaultWidth = 352;
  int32_t defaultHeight = 288;
  uint32_t defaultFormat = 0x59563132u;  // YV12
  QString capturePath;                    // empty: the fixed capture folder
  int32_t captureType = 0;                // 0 BMP, otherwise JPEG
  int32_t displayType = 4;                // aspect mode; 4 is the frame's own ratio

  friend bool operator==(const PlayerSettings&, const PlayerSettings&) = default;
};

class SettingsStore {
 public:
  // The value names in the store. Every running player reads and writes the
  // same names, so they never change.
  static const QString kUseDefaultPara;
  static const QString kDefaultWidth;
  static const QString kDefaultHeight;
  static const QString kDefaultFormat;
  static const QString kCapturePath;
  static const QString kCaptureType;
  static const QString kDisplayType;

  // The capture path is kept in a fixed field of this many characters, the
  // terminating zero included; longer text is cut.
  static constexpr int kPathCapacity = 260;

  // True when the first value exists and holds a 32-bit integer: the store
  // has been written before.
  static bool HasStoredSettings();
  // Reads the numeric values in their fixed order and stops at the first one
  // that is missing or not a 32-bit decimal integer: values read before it
  // are taken, it and all later ones keep what `s` held. Only when all six
  // were read is the capture path replaced (by empty when it is missing).
  static void Load(PlayerSettings& s);
  // Writes all seven values.
  static void Save(const PlayerSettings& s);

  // The folder still pictures go to by default: the user's pictures folder
  // when it exists, otherwise the home folder.
  static QString DefaultCapturePath();

  // First start writes the defaults with the default capture folder; later
  // starts load what is stored. `s` starts as the defaults.
  static void InitAtStartup(PlayerSettings& s);

  // Settings added later live in groups of their own, beside the seven.
  // The display's colour space: group "Colour", values "Matrix" (601, 709,
  // 2020) and "Range" (limited, full); missing or unknown values read as
  // BT.601 limited range.
  static corvane::ColourSpace LoadColourSpace();
  static void SaveColourSpace(corvane::ColourSpace colour);

  // The interface language the user chose (ui/language.h), in a group of
  // its own beside the seven values: "system", "zh_CN" or "en"; empty when
  // none was chosen.
  static const QString kInterfaceGroup;
  static const QString kLanguage;
  static QString LoadLanguage();
  static void SaveLanguage(const QString& code);

  // How many MiB of decoded frames a coded file keeps for backward play and
  // steps: group "Decoding", value "CacheMiB" (a decimal count of MiB).
  // Missing, not a number or outside kCacheChoices' range reads as 1024.
  static const QString kDecodingGroup;
  static const QString kCacheMiB;
  static constexpr int kDefaultCacheMiB = 1024;
  static constexpr int kCacheChoices[] = {256, 512, 1024, 2048, 4096};
  static int LoadCacheMiB();
  static void SaveCacheMiB(int mib);
};

}  // namespace ui
