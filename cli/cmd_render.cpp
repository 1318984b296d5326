// corvane-tool render: one frame through the real display path (surface in
// the frame's format or a fallback, copy, component view, aspect rectangle
// with bars, conversion and scaling) into an offscreen window, saved as PNG.
#include <cstdio>
#include <cstring>
#include <sstream>
#include <tuple>

#include "cli/cli_common.h"
#include "cli/messages.h"
#include "capture/png_writer.h"
#include "engine/display.h"
#include "engine/offscreen_window.h"
#include "formats/result_codes.h"
#include "engine/surface.h"
#include "engine/surface_copy.h"
#include "engine/surface_device.h"

namespace cli {
namespace {

int AspectMode(const std::string& name) {
  if (name == "fill") return corvane::kAspectFill;
  if (name == "16:9") return corvane::kAspect16x9;
  if (name == "4:3") return corvane::kAspect4x3;
  if (name == "5:4") return corvane::kAspect5x4;
  if (name == "source") return corvane::kAspectSource;
  throw UsageError{"unknown aspect '" + name + "' (one of fill, 16:9, 4:3, 5:4, source)"};
}

uint32_t ComponentMode(const std::string& name) {
  if (name == "yuv") return corvane::kComponentAll;
  if (name == "y") return corvane::kComponentY;
  if (name == "u") return corvane::kComponentU;
  if (name == "v") return corvane::kComponentV;
  throw UsageError{"unknown component '" + name + "' (one of yuv, y, u, v)"};
}

uint32_t NativeMaskWithout(const std::string& list) {
  uint32_t mask = corvane::SurfaceDevice::kAllFormats;
  std::stringstream in(list);
  std::string name;
  while (std::getline(in, name, ',')) {
    if (name.empty()) continue;
    auto f = corvane::SurfaceFormatForName(name);
    if (!f)
      throw UsageError{"unknown surface format '" + name +
                       "' (one of YVYU, YUY2, UYVY, IYUV, YV16, RGB32, RGB24, RGB565, RGB555, NV12, YV12, "
                       "IUYV, IYU2, NV16)"};
    mask &= ~(1u << *f);
  }
  return mask;
}

// Restores the process-wide native set when the command ends, however it ends.
struct NativeSetScope {
  explicit NativeSetScope(uint32_t mask) : old(corvane::SurfaceDevice::Instance().NativeFormats()) {
    corvane::SurfaceDevice::Instance().SetNativeFormats(mask);
  }
  ~NativeSetScope() { corvane::SurfaceDevice::Instance().SetNativeFormats(old); }
  uint32_t old;
};

// Frame n's parameters (a spliced file's segment may differ from the first
// record) and size. Nothing is read yet.
corvane::FrameShape LocateFrame(const std::string& path, const FileParams& fp, uint32_t n) {
  const auto shape = fp.file->Shape(n);
  if (!shape) {
    const uint32_t total = fp.file->FrameCount();
    throw Failure{"frame " + std::to_string(n) + " is out of range: '" + path + "' has " + std::to_string(total) +
                  " frame" + (total == 1 ? "" : "s")};
  }
  return *shape;
}

// Draws the frame; a refusal becomes a message that says why.
void DrawFrame(corvane::Display& display, const std::vector<uint8_t>& frame, const corvane::FrameInfo& info,
               const corvane::YUVPara& para, uint32_t ww, uint32_t wh) {
  const int32_t r = display.Draw(frame.data(), uint32_t(frame.size()), &info);
  if (r == corvane::kNoSurface)
    throw Failure{"no surface for " + FormatLabel(para.format) +
                  ": the device refuses its own format and every fallback"};
  if (r == corvane::kNotReady && (ww < 10 || wh < 10))
    throw Failure{"the window is too small to draw into (" + std::to_string(ww) + "x" + std::to_string(wh) +
                  "; at least 10x10)"};
  if (r != corvane::kOk) throw Failure{"drawing failed: " + ResultText(r)};
}

// A failure leaves no file behind (and an existing one unchanged).
void DumpSurface(const corvane::Display& display, const std::string& path) {
  std::vector<uint8_t> bytes;
  display.GetPackedSurface(&bytes);
  WriteOutputFile(path, bytes.data(), bytes.size());
}

int RunRender(const std::vector<std::string>& argv) {
  Args args(argv, {}, {"frame", "output", "window", "aspect", "component", "no-native", "dump-surface", "format",
                       "size", "interval", "matrix", "range"});
  if (args.Positional().size() != 1) throw UsageError{"expected one FILE"};
  const auto out = args.Get("output");
  if (!out || out->empty()) throw UsageError{"-o OUT.png is required"};
  const uint32_t n = args.Has("frame") ? ParseUint(*args.Get("frame"), "frame number") : 1;
  if (n == 0) throw UsageError{"frame numbers start at 1"};
  const int aspect = AspectMode(args.Get("aspect").value_or("fill"));
  const uint32_t component = ComponentMode(args.Get("component").value_or("yuv"));
  const uint32_t native = NativeMaskWithout(args.Get("no-native").value_or(""));
  (void)ColourSpaceOf(args);  // a bad --matrix or --range is a usage error before the file is opened
  const std::string& path = args.Positional()[0];

  RefuseInputAtRisk(*out, std::span(&path, 1));
  if (auto dump = args.Get("dump-surface")) RefuseInputAtRisk(*dump, std::span(&path, 1));
  const FileParams fp = ResolveFileParams(path, args);
  const corvane::ColourSpace colour = ColourSpaceOf(args, fp.file.get());
  const corvane::FrameShape shape = LocateFrame(path, fp, n);
  const corvane::YUVPara& para = shape.para;
  const corvane::YUVType type = shape.type;
  // The window is settled before the frame is read: a refusal comes at once.
  // Without --window it is the frame's size, shrunk (keeping the frame's
  // shape) to the largest window a command draws into.
  constexpr uint32_t kMaxWindow = 16384;
  const WindowSize fit = ScreenWindowFor(para.width, para.height, kMaxWindow, kMaxWindow);
  uint32_t ww = fit.width, wh = fit.height;
  if (auto win = args.Get("window")) {
    std::tie(ww, wh) = ParseSize(*win);
    if (ww > kMaxWindow || wh > kMaxWindow) throw UsageError{"window larger than 16384x16384"};
  }
  std::vector<uint8_t> frame(shape.size);
  ReadFrameInto(fp, path, n, frame);

  NativeSetScope nativeScope(native);
  corvane::OffscreenWindow window{int32_t(ww), int32_t(wh)};
  corvane::Display display;
  if (display.Attach(&window) != corvane::kOk) throw Failure{"cannot create the display"};
  display.SetAspectMode(aspect);
  display.SetComponentMode(component);
  display.SetColourSpace(colour);
  const corvane::FrameInfo info{para.width, para.height, type};
  DrawFrame(display, frame, info, para, ww, wh);
  corvane::Display::SurfaceState st;
  display.GetSurfaceState(&st);
  if (auto dump = args.Get("dump-surface")) DumpSurface(display, *dump);

  const std::vector<uint8_t> canvas = window.Canvas();
  const std::vector<uint8_t> png = corvane::EncodePNG(canvas.data(), ww, wh, ww * 4);
  if (png.empty()) throw Failure{"cannot encode the picture as PNG"};
  WriteOutputFile(*out, png.data(), png.size());

  const platform::Rect pic = corvane::AspectRect(aspect, int32_t(ww), int32_t(wh), info.width, info.height);
  const bool fallback = st.format != type;
  std::printf("frame %u: %ux%u %s on a %s surface%s (pitch %u); window %ux%u, picture %dx%d at %d,%d\n", n,
              info.width, info.height, FormatLabel(para.format).c_str(),
              std::string(corvane::SurfaceFormatName(st.format)).c_str(), fallback ? " (fallback)" : "", st.pitch,
              ww, wh, pic.Width(), pic.Height(), pic.left, pic.top);
  return kExitOk;
}

const Registrar kRender(
    {"render",
     "render FILE --frame N -o OUT.png [--window WxH] [--aspect A] [--component C] [--matrix M] [--range R] "
     "[--no-native FMT,...] [--dump-surface OUT.bin] [--format NAME --size WxH]  draw one frame into a PNG",
     "Usage: corvane-tool render FILE --frame N -o OUT.png [--window WxH]\n"
     "         [--aspect fill|16:9|4:3|5:4|source] [--component yuv|y|u|v]\n"
     "         [--matrix 601|709|2020] [--range limited|full]\n"
     "         [--no-native FMT,...] [--dump-surface OUT.bin] [--format NAME --size WxH]\n"
     "Draws frame N (1-based, default 1) through the player's display into an offscreen\n"
     "window of WxH (default: the frame size, shrunk keeping its shape to fit\n"
     "16384x16384) and writes the whole client area, black\n"
     "bars included, as a PNG. YUV is read with BT.601 limited range unless --matrix\n"
     "and --range say otherwise.\n"
     "  --no-native   make the surface device refuse these surface formats, so the frame\n"
     "                takes its fallback: YVYU, YUY2, UYVY, IYUV, YV16, RGB32, RGB24,\n"
     "                RGB565, RGB555, NV12, YV12, IUYV, IYU2, NV16\n"
     "  --dump-surface  write the surface's bytes after the copy and component view, rows\n"
     "                at their natural length, planes one after another as the surface\n"
     "                holds them\n"
     "Parameters come from the file's trailer (spliced files: the frame's segment) unless\n"
     "--format and --size are given; a Y4M file's from its header (and the range from\n"
     "its XCOLORRANGE tag unless --range is given).",
     RunRender});

}  // namespace
}  // namespace cli
