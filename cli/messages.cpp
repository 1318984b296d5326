#include "cli/messages.h"

#include <cstdio>

#include "formats/result_codes.h"

namespace cli {

std::string NoticeText(corvane::Notice notice) {
  switch (notice) {
    case corvane::Notice::kSplicedParaRefused: return "该文件为拼接文件，参数不可设置.";
  }
  return "notice " + std::to_string(int32_t(notice));
}

std::string ResultText(int32_t code) {
  using namespace corvane;
  switch (code) {
    case kOk: return "success";
    case kFail: return "the operation failed";
    case kNotReady: return "not ready, or an argument out of range";
    case kNullArg: return "a required argument is missing";
    case kGeneralFail: return "general failure";
    case kOutOfMemory: return "out of memory";
    case kDisplaySetupFail: return "the display could not be set up";
    case kNoObject: return "memory for a picture could not be had";
    case kNoSurface: return "the device refuses the frame's format and every fallback";
    case kDeviceLost: return "the display device was lost";
  }
  char hex[32];
  std::snprintf(hex, sizeof hex, "result 0x%08X", unsigned(code));
  return hex;
}

}  // namespace cli
