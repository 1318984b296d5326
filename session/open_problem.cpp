#include "session/open_problem.h"

#include <cerrno>
#include <cstdint>

#include "engine/renderer.h"
#include "formats/trailer.h"
#include "formats/y4m_file.h"
#include "platform/file.h"

namespace session {

namespace {

// A refusal with a reason by a file that is not Y4M (whose header reasons
// DiagnoseOpen words itself) is a coded file's; nothing otherwise.
OpenProblem ProblemOf(const corvane::VideoFileError& error) {
  OpenProblem p;
  if (!error.reason.empty()) {
    p.kind = OpenProblem::Kind::kCodedRefused;
    p.damage = error.reason;
  }
  return p;
}

}  // namespace

OpenProblem ProblemOfOpen(const std::string& path, const corvane::VideoFileError& error) {
  if (!corvane::IsY4mFile(path))
    if (OpenProblem coded = ProblemOf(error); coded.kind != OpenProblem::Kind::kUnknown) return coded;
  return DiagnoseOpen(path);
}

OpenProblem DiagnoseOpen(const std::string& path) {
  OpenProblem p;
  platform::File file;
  if (const int err = platform::ErrnoOf(file.Open(path, platform::File::Mode::kRead))) {
    p.kind = err == EISDIR              ? OpenProblem::Kind::kFolder
             : err == platform::kNotRegularFile ? OpenProblem::Kind::kNotRegular
                                                : OpenProblem::Kind::kSystem;
    p.error = err;
    return p;
  }
  if (corvane::IsY4mFile(path)) {
    // Its header is the file's own description: the reader says what in it
    // is refused (an unknown sampling, a missing size, no whole frame).
    auto opened = corvane::Y4mVideoFile::Open(path);
    if (!opened && opened.error().step == corvane::VideoFileError::Step::kHeader) {
      p.kind = OpenProblem::Kind::kBadHeader;
      p.damage = opened.error().reason;
    } else if (!opened) {
      p.kind = OpenProblem::Kind::kSystem;
      p.error = opened.error().error != 0 ? opened.error().error : EIO;
    }
    return p;
  }
  if (auto opened = corvane::OpenVideoFile(path); !opened) {
    if (OpenProblem coded = ProblemOf(opened.error()); coded.kind != OpenProblem::Kind::kUnknown) return coded;
  }
  const corvane::TrailerInfo trailer = corvane::ReadTrailer(file);
  if (trailer.ioError) {
    p.kind = OpenProblem::Kind::kSystem;
    p.error = errno != 0 ? errno : EIO;
  } else if (trailer.fileSize == 0) {
    p.kind = OpenProblem::Kind::kEmpty;
  } else if (trailer.kind == corvane::TrailerKind::kDamaged) {
    p.kind = OpenProblem::Kind::kDamagedTrailer;
    p.damage = trailer.damage;
  }
  return p;
}

OpenProblem DiagnoseParameters(const corvane::YUVPara& para, uint64_t memoryLimit) {
  OpenProblem p;
  p.para = para;
  const auto type = corvane::TypeOfCode(para.format);
  if (!type || para.width == 0 || para.height == 0) {
    p.kind = OpenProblem::Kind::kNoFrameSize;
  } else if (const uint64_t frame = corvane::FrameSize64(*type, para.width, para.height); frame > UINT32_MAX) {
    p.kind = OpenProblem::Kind::kFrameTooLarge;
  } else if (const uint64_t need = corvane::Renderer::MemoryFor(uint32_t(frame)); need > memoryLimit) {
    p.kind = OpenProblem::Kind::kNeedsMoreMemory;
    p.needBytes = need;
    p.haveBytes = memoryLimit;
  }
  return p;
}

}  // namespace session
