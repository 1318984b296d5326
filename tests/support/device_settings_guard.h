// Restores the process-wide surface device's settings (native formats and
// pitch alignment) when a test that changed them ends.
#pragma once

#include <cstdint>

#include "engine/surface_device.h"

namespace testsupport {

class DeviceSettingsGuard {
 public:
  DeviceSettingsGuard()
      : m_native(corvane::SurfaceDevice::Instance().NativeFormats()),
        m_align(corvane::SurfaceDevice::Instance().PitchAlignment()) {}
  ~DeviceSettingsGuard() {
    corvane::SurfaceDevice::Instance().SetNativeFormats(m_native);
    corvane::SurfaceDevice::Instance().SetPitchAlignment(m_align);
  }
  DeviceSettingsGuard(const DeviceSettingsGuard&) = delete;
  DeviceSettingsGuard& operator=(const DeviceSettingsGuard&) = delete;

 private:
  uint32_t m_native;
  uint32_t m_align;
};

}  // namespace testsupport
