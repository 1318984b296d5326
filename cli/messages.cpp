#include "cli/messages.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "formats/result_codes.h"
#include "platform/file.h"

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
    case kUnsupportedFormat: return "the still format does not take the frame's format";
    case kUnsupportedSize: return "the frame size is outside the still limits";
    case kUnalignedSize: return "the frame size is not aligned as the still format needs";
  }
  char hex[32];
  std::snprintf(hex, sizeof hex, "result 0x%08X", unsigned(code));
  return hex;
}

std::string StillRefusalText(int32_t code, corvane::StillKind kind, const std::string& formatLabel,
                             const std::string& geometryLabel) {
  using corvane::StillEncoder;
  const bool jpeg = kind == corvane::StillKind::kJpeg;
  const std::string name = jpeg ? "JPEG" : "BMP";
  switch (code) {
    case corvane::kUnsupportedFormat:
      return "cannot capture " + formatLabel + " frames as " + name + ": " + name + " capture takes " +
             (jpeg ? "I420, YV12, I444, NV21, GRAY, I010, I210, I410, I012, GRAY10, P010 and P016"
                   : "I420, YV12, UYVY, RGB32, I444, NV21, GRAY, I010, I210, I410, I012, GRAY10, P010, P016 and V210") +
             " only";
    case corvane::kUnsupportedSize:
      return "cannot capture a " + geometryLabel + " frame: stills need " + std::to_string(StillEncoder::kMinWidth) +
             ".." + std::to_string(StillEncoder::kMaxWidth) + " x " + std::to_string(StillEncoder::kMinHeight) +
             ".." + std::to_string(StillEncoder::kMaxHeight);
    case corvane::kUnalignedSize:
      return "cannot capture a " + geometryLabel + " frame as " + name + ": " +
             (jpeg ? "the width must be a multiple of 16" : "UYVY needs an even width and height");
  }
  return name + " capture of " + geometryLabel + " failed";
}

std::string InputAtRiskText(const std::string& written, const std::string& input) {
  return "writing '" + written + "' would destroy '" + input + "', a file it is made from";
}

std::string ToolResultText(const corvane::tools::ToolResult& result, std::span<const std::string> inputs) {
  using corvane::tools::ToolCode;
  const corvane::tools::ToolError r = corvane::tools::ErrorOf(result);
  const std::string file = "'" + r.path + "'";
  const std::string why = !r.reason.empty() ? ": " + r.reason : r.error ? ": " + platform::ErrorText(r.error) : std::string();
  switch (r.code) {
    case ToolCode::kOk: return "success";
    case ToolCode::kCancelled: return "cancelled";
    case ToolCode::kNoTarget: return "no output file given";
    case ToolCode::kTargetExists: return file + " exists; give --force to replace it";
    case ToolCode::kTargetIsSource:
      if (r.input < inputs.size()) return InputAtRiskText(r.path, inputs[r.input]);
      return "writing " + file + " would destroy a file it is made from";
    case ToolCode::kNoParameters:
      if (!r.reason.empty()) return "cannot write the frames of " + file + why;
      if (!r.path.empty())
        return "the frame parameters of " + file + " give no frame (an unknown format code, or a width or height of 0)";
      return "the frame parameters give no frame size";
    case ToolCode::kBadRange: return "the frame range is outside the frames of " + file;
    case ToolCode::kSplicedSource: return file + " is a spliced file; a spliced file cannot be cut";
    case ToolCode::kNoInputs: return "no input files";
    case ToolCode::kNoTrailer:
      return file + " has no parameter trailer; give it one with 'corvane-tool setpara'";
    case ToolCode::kDamagedTrailer: return file + " has a damaged parameter trailer";
    case ToolCode::kRecordCountChanged:
      return "the trailer of " + file + " changed since it was added (its record count is not the same)";
    case ToolCode::kEmptyInput: return file + " holds no whole frame before its trailer";
    case ToolCode::kTooManySegments: return "the spliced file would have more segments than a trailer may hold";
    case ToolCode::kOpenSourceFailed: return "cannot open " + file + why;
    case ToolCode::kCreateTargetFailed: return "cannot create " + file + why;
    case ToolCode::kReadFailed:
      if (r.error == 0 && r.reason.empty()) return "cannot read " + file + ": it ended early (it changed while it was copied)";
      return "cannot read " + file + why;
    case ToolCode::kWriteFailed: return "cannot write " + file + why;
    case ToolCode::kOutOfMemory: return "out of memory";
  }
  return corvane::tools::ToolCodeName(r.code);
}

namespace {

corvane::YUVType TypeOf(const corvane::YUVPara& para) {
  corvane::YUVType type = corvane::YUV_NONE;
  uint32_t size = 0;
  corvane::GetTypeAndFrameSize(&para, &type, &size);
  return type;
}

// "I420 32x16 (4:2:0)", "I010 32x16 (4:2:0, 10-bit)".
std::string Geometry(const corvane::YUVPara& para) {
  const corvane::YUVType type = TypeOf(para);
  std::string name(corvane::UserFormatName(para.format));
  if (name.empty()) name = corvane::CodeName(para.format);
  const int depth = corvane::BitDepthOf(type);
  return name + " " + std::to_string(para.width) + "x" + std::to_string(para.height) + " (" +
         corvane::analysis::SamplingName(corvane::analysis::SamplingOf(type)) +
         (depth > 8 ? ", " + std::to_string(depth) + "-bit" : "") + ")";
}

// "10-bit samples in 3 planes": what a pair of frames is compared as.
std::string Shape(const corvane::YUVPara& a, const corvane::YUVPara& b) {
  const auto shape = corvane::analysis::PlanarShape(TypeOf(a), a.width, a.height,
                                                    corvane::analysis::CompareDepth(TypeOf(a), TypeOf(b)));
  return std::to_string(shape.depth) + "-bit samples in " + std::to_string(shape.planeCount) +
         (shape.planeCount == 1 ? " plane" : " planes");
}

// "'a.yuv'" or "'a.yuv' segment 2" for a spliced file's segment (counted from 1).
std::string Side(const corvane::analysis::CompareStatus& s, const std::string (&paths)[2], int i) {
  std::string text = "'" + paths[i] + "'";
  if (s.spliced[i]) text += " segment " + std::to_string(s.segment[i] + 1);
  return text;
}

}  // namespace

std::string CompareStatusText(const corvane::analysis::CompareStatus& s, const std::string (&paths)[2]) {
  using corvane::analysis::CompareCode;
  const std::string one = s.input >= 0 && s.input < 2 ? "'" + paths[s.input] + "'" : "";
  const std::string pair = " at frame " + std::to_string(s.frame) + ": " + Side(s, paths, 0) + " is " +
                           Geometry(s.para[0]) + ", " + Side(s, paths, 1) + " is " + Geometry(s.para[1]);
  switch (s.code) {
    case CompareCode::kOk: return "compared";
    case CompareCode::kOpenFailed: return "cannot open " + one + ": " + platform::ErrorText(s.error);
    case CompareCode::kNoFrames:
      return one + " holds no whole frame of " + Geometry(s.para[s.input]);
    case CompareCode::kFromBeyondEnd: return "--from is past the last frame of " + one;
    case CompareCode::kSizeMismatch: return "frames of different sizes cannot be compared" + pair;
    case CompareCode::kSamplingMismatch: return "frames of different chroma sampling cannot be compared" + pair;
    case CompareCode::kDepthMismatch: return "frames of different bit depths cannot be compared" + pair;
    case CompareCode::kShapeChanges:
      return "the compared frames change from " + Shape(s.earlier[0], s.earlier[1]) + " to " +
             Shape(s.para[0], s.para[1]) + pair + "; one summary cannot hold both: compare the frames before " +
             std::to_string(s.frame) + " and those from it apart (--frames, --from)";
    case CompareCode::kTooSmallForSsim:
      return "SSIM needs planes of at least 8x8 samples" + pair + "; compare with --psnr only";
    case CompareCode::kReadFailed:
      return "cannot read frame " + std::to_string(s.frame) + " of " + one +
             (s.error ? ": " + platform::ErrorText(s.error) : std::string(": the file is shorter than it was"));
    case CompareCode::kNoPair:
      return "--offset " + std::to_string(s.offset) + " leaves no pair of frames (B's frame n" +
             (s.offset < 0 ? " - " : " + ") + std::to_string(std::abs(int64_t(s.offset))) +
             " is compared with A's frame n): '" + paths[0] + "' has " + std::to_string(s.totalFrames[0]) +
             " frames, '" + paths[1] + "' " + std::to_string(s.totalFrames[1]);
    case CompareCode::kRegionOutside:
    case CompareCode::kRegionOddForChroma: {
      const corvane::analysis::Region r = s.region.value_or(corvane::analysis::Region{});
      const std::string region = "--crop " + std::to_string(r.width) + "x" + std::to_string(r.height) + "+" +
                                 std::to_string(r.x) + "+" + std::to_string(r.y);
      if (s.code == CompareCode::kRegionOutside) return region + " does not lie inside the frames" + pair;
      return region + " cuts chroma samples in two" + pair +
             "; give even offsets and sizes across (4:2:0, 4:2:2) and down (4:2:0)";
    }
  }
  return "comparison failed";
}

std::string StatsFailureText(const corvane::analysis::StatsFailure& f, const std::string& path) {
  using corvane::analysis::StatsCode;
  const std::string file = "'" + path + "'";
  switch (f.code) {
    case StatsCode::kOk: return "measured";
    case StatsCode::kNoFrames: return file + " holds no whole frame";
    case StatsCode::kFromBeyondEnd: return "--from is past the last frame of " + file;
    case StatsCode::kReadFailed:
      return "cannot read frame " + std::to_string(f.frame) + " of " + file +
             (f.error ? ": " + platform::ErrorText(f.error) : std::string(": the file is shorter than it was"));
  }
  return "statistics failed";
}

}  // namespace cli
