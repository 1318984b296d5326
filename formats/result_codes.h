// Result codes of the engine and capture operations: 0 is success, failures
// are negative. The values are stable; callers and logs compare them.
#pragma once

#include <cstdint>

namespace corvane {

constexpr int32_t kOk = 0;
constexpr int32_t kFail = static_cast<int32_t>(0x80000001u);         // open, read, allocation, format, buffer too small
constexpr int32_t kNotReady = static_cast<int32_t>(0x80000002u);     // no file, no frame, refused seek, bad argument
constexpr int32_t kNullArg = static_cast<int32_t>(0x80000003u);
constexpr int32_t kGeneralFail = static_cast<int32_t>(0x80004005u);
constexpr int32_t kOutOfMemory = static_cast<int32_t>(0x8007000Eu);
// The display's own codes.
constexpr int32_t kDisplaySetupFail = static_cast<int32_t>(0x80000000u);
constexpr int32_t kNoObject = static_cast<int32_t>(0x80000007u);
constexpr int32_t kNoSurface = static_cast<int32_t>(0x80000010u);
constexpr int32_t kDeviceLost = static_cast<int32_t>(0x80000011u);
// A draw ended early on request (Display::Draw with a RenderStop): nothing
// was presented.
constexpr int32_t kDrawCancelled = static_cast<int32_t>(0x80000012u);
// Still capture's refusals, so that a caller can say why a frame cannot be
// saved: the still format does not take the frame's format; the width or
// height is outside the still limits; the size is inside them but not aligned
// as the format needs (JPEG: width a multiple of 16; UYVY to BMP: even width
// and height).
constexpr int32_t kUnsupportedFormat = static_cast<int32_t>(0x80000020u);
constexpr int32_t kUnsupportedSize = static_cast<int32_t>(0x80000021u);
constexpr int32_t kUnalignedSize = static_cast<int32_t>(0x80000022u);

inline bool Succeeded(int32_t r) { return r >= 0; }
inline bool Failed(int32_t r) { return r < 0; }

}  // namespace corvane
