// corvane-tool capture: one frame of a raw video file as a BMP or JPEG still,
// through the same StillEncoder writers the player's capture button uses.
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "capture/png_writer.h"
#include "capture/still_encoder.h"
#include "cli/cli_common.h"
#include "cli/messages.h"
#include "engine/frame_picture.h"
#include "formats/result_codes.h"
#include "platform/file.h"

namespace cli {
namespace {

// The frame to capture: its parameters (a spliced file's segment may differ
// from the first record) and size. Nothing is read yet.
corvane::FrameShape LocateFrame(const FileParams& fp, uint32_t n) {
  const auto shape = fp.file->Shape(n);
  if (!shape)
    throw Failure{"frame " + std::to_string(n) + " is out of range (the file has " +
                  std::to_string(fp.file->FrameCount()) + " frames)"};
  return *shape;
}

std::string Geometry(const corvane::YUVPara& p) {
  return FormatLabel(p.format) + " " + std::to_string(p.width) + "x" + std::to_string(p.height);
}

int RunCapture(const std::vector<std::string>& argv) {
  Args args(argv, {"bmp", "jpeg", "png"},
            {"frame", "output", "quality", "format", "size", "interval", "matrix", "range"});
  if (args.Positional().size() != 1) throw UsageError{"expected one FILE"};
  if (int(args.Has("bmp")) + int(args.Has("jpeg")) + int(args.Has("png")) != 1)
    throw UsageError{"give one of --bmp, --jpeg and --png"};
  const bool png = args.Has("png");
  if (!args.Has("frame")) throw UsageError{"--frame N is required"};
  if (!args.Has("output")) throw UsageError{"-o OUT is required"};
  const bool jpeg = args.Has("jpeg");
  uint32_t quality = 100;  // as the player's capture button
  if (auto q = args.Get("quality")) {
    if (!jpeg) throw UsageError{"--quality applies to --jpeg only"};
    quality = ParseUint(*q, "quality");
    if (quality < 1 || quality > 100) throw UsageError{"quality must be 1..100"};
  }
  const uint32_t n = ParseUint(*args.Get("frame"), "frame number");
  if (n == 0) throw UsageError{"frames are numbered from 1"};
  const std::string& path = args.Positional()[0];
  const std::string out = *args.Get("output");

  RefuseInputAtRisk(out, std::span(&path, 1));
  const FileParams fp = ResolveFileParams(path, args);
  const corvane::FrameShape loc = LocateFrame(fp, n);
  const uint32_t w = loc.para.width, h = loc.para.height;
  const corvane::StillKind kind = jpeg ? corvane::StillKind::kJpeg : corvane::StillKind::kBmp;
  // Refused frames are said in words before the file is read.
  auto fail = [&](int32_t code) {
    return Failure{StillRefusalText(code, kind, FormatLabel(loc.para.format), Geometry(loc.para))};
  };
  if (const int32_t r = corvane::StillEncoder::CheckFrame(kind, loc.type, w, h); !png && corvane::Failed(r))
    throw fail(r);

  std::unique_ptr<uint8_t[]> frame(new (std::nothrow) uint8_t[loc.size]);
  if (!frame) throw Failure{"out of memory"};
  ReadFrameInto(fp, path, n, std::span(frame.get(), loc.size));

  if (png) {
    // The frame as the player's display converts it, any format, any size.
    platform::Picture picture;
    if (corvane::Failed(corvane::FrameToPicture(frame.get(), loc.size, corvane::FrameInfo{w, h, loc.type},
                                                &picture, ColourSpaceOf(args, fp.file.get()))))
      throw Failure{"cannot convert frame " + std::to_string(n) + " (" + Geometry(loc.para) + ")"};
    const std::vector<uint8_t> bytes = corvane::EncodePNG(picture.pixels.get(), w, h, picture.stride);
    if (bytes.empty()) throw Failure{"out of memory"};
    WriteOutputFile(out, bytes.data(), bytes.size());
    std::printf("%s: frame %u, %s, %zu bytes\n", out.c_str(), n, Geometry(loc.para).c_str(), bytes.size());
    return kExitOk;
  }
  corvane::StillEncoder image;
  image.SetPictureConverter(corvane::DisplayPictureConverter(ColourSpaceOf(args, fp.file.get())));
  // Never too small, whatever the frame holds.
  const uint64_t capacity = corvane::StillEncoder::OutputCapacity(kind, loc.type, w, h);
  if (capacity > UINT32_MAX) throw Failure{"frame too large"};
  std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[capacity]);
  if (!buffer) throw Failure{"out of memory"};
  uint32_t len = 0;
  int32_t r;
  if (jpeg) {
    image.SetQuality(quality);
    r = image.EncodeJPEG(loc.type, frame.get(), loc.size, w, h, buffer.get(), uint32_t(capacity), &len);
  } else {
    r = image.EncodeBMP(loc.type, frame.get(), loc.size, w, h, buffer.get(), uint32_t(capacity), &len);
  }
  if (corvane::Failed(r)) throw fail(r);
  WriteOutputFile(out, buffer.get(), len);
  std::printf("%s: frame %u, %s, %u bytes\n", out.c_str(), n, Geometry(loc.para).c_str(), len);
  return kExitOk;
}

const Registrar kCapture(
    {"capture",
     "capture FILE --frame N (--bmp|--jpeg|--png) -o OUT [--quality Q] [--matrix M] [--range R] "
     "[--format NAME --size WxH]",
     "Usage: corvane-tool capture FILE --frame N (--bmp|--jpeg|--png) -o OUT [--quality Q]\n"
     "                            [--matrix 601|709|2020] [--range limited|full]\n"
     "                            [--format NAME --size WxH]\n"
     "Saves frame N (from 1) as a still picture, as the player's capture button does.\n"
     "  --bmp           32-bit BMP; takes I420, YV12, UYVY and RGB32 frames, and every\n"
     "                  added format (I444, NV21, GRAY, I010, I210, I410, I012, GRAY10,\n"
     "                  P010, P016, V210), converted as the display converts them\n"
     "  --jpeg          baseline JPEG; takes I420 and YV12 frames, and the added formats\n"
     "                  but V210 rounded to 8-bit 4:2:0, of a width that is a multiple of 16\n"
     "  --png           RGB PNG of any format and size, converted as the player's\n"
     "                  picture is (the player's PNG still)\n"
     "  -o, --output    the picture file; a failed capture leaves none (and an existing\n"
     "                  one unchanged)\n"
     "  --quality Q     JPEG quality 1..100 (default 100)\n"
     "  --matrix, --range  how PNG and an added format's BMP read YUV (default 601,\n"
     "                  limited); the other stills always use BT.601 limited range\n"
     "  --format, --size  frame parameters when the file has no trailer (or to override it);\n"
     "                  a Y4M file's header gives them (and its XCOLORRANGE the range)\n"
     "Frames of 704x288 and 704x240 in I420 or YV12 are saved line-doubled (704x576,\n"
     "704x480). BMP and JPEG stills need 96..3840 x 64..3072 pixels.",
     RunCapture});

}  // namespace
}  // namespace cli
