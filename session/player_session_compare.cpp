// The player session's second file: opening B beside the open file A,
// the measured region, the coded frames of the pair and closing B.
#include "session/player_session.h"

#include <algorithm>
#include <cerrno>
#include <limits>
#include <optional>
#include <utility>

#include "formats/result_codes.h"
#include "formats/trailer.h"
#include "formats/video_file.h"

namespace session {

CompareSide PlayerSession::SideOfOpenFile() const {
  CompareSide a;
  a.path = m_transport.Path();
  a.para = m_transport.Para();
  corvane::PlaybackGraph* graph = m_transport.Graph();
  if (graph && graph->GetFileHandle()) a.trailer = corvane::ReadTrailer(*graph->GetFileHandle());
  return a;
}

ReferenceResult PlayerSession::OpenReference(const std::string& path, const DefaultParameters& defaults,
                                             const corvane::YUVPara* chosen) {
  return OpenReference(path, defaults, chosen, {});
}

ReferenceResult PlayerSession::OpenReference(const std::string& path, const DefaultParameters& defaults,
                                             const AskParameters& ask) {
  return OpenReference(path, defaults, nullptr, ask);
}

ReferenceResult PlayerSession::OpenReference(const std::string& path, const DefaultParameters& defaults,
                                             const corvane::YUVPara* chosen, const AskParameters& ask) {
  if (!m_transport.Graph() || !m_compare.HasPane() || m_transport.State() == PlayState::NoFile)
    return {ReferenceOutcome::kFailed, EINVAL};
  // B's file is opened here, once: its trailer read from it, then handed to
  // B's view, which the quality track reads through too.
  auto opened = corvane::OpenVideoFile(path, corvane::FileAccess::kRead, m_transport.Decode());
  if (!opened) return {ReferenceOutcome::kFailed, opened.error().error ? opened.error().error : EIO};
  return OpenReference(std::move(*opened), defaults, chosen, ask);
}

ReferenceResult PlayerSession::OpenReference(std::unique_ptr<corvane::VideoFile> file,
                                             const DefaultParameters& defaults, const AskParameters& ask) {
  return OpenReference(std::move(file), defaults, nullptr, ask);
}

ReferenceResult PlayerSession::OpenReference(std::unique_ptr<corvane::VideoFile> file,
                                             const DefaultParameters& defaults, const corvane::YUVPara* chosen,
                                             const AskParameters& ask) {
  if (!file || !m_transport.Graph() || !m_compare.HasPane() || m_transport.State() == PlayState::NoFile)
    return {ReferenceOutcome::kFailed, EINVAL};
  CompareSide b;
  b.path = file->Path();
  // A raw file's record is its trailer's; a Y4M or coded file's, its stream.
  bool record = file->ParametersFixed();
  if (const auto* raw = dynamic_cast<const corvane::RawVideoFile*>(file.get())) {
    b.trailer = raw->Trailer();
    record = (b.trailer.kind == corvane::TrailerKind::kPlain || b.trailer.kind == corvane::TrailerKind::kSpliced) &&
             !b.trailer.records.empty();
  }
  if (record) {
    b.para = file->OwnParameters().front();
  } else if (chosen) {
    b.para = *chosen;
  } else if (defaults.use && IsValidCustomSize(defaults.width, defaults.height)) {
    b.para.width = defaults.width;
    b.para.height = defaults.height;
    b.para.format = defaults.format;
    b.para.frameInterval = corvane::kDefaultFrameInterval;
  } else if (const std::optional<corvane::YUVPara> chosen = ask ? ask() : std::nullopt) {
    // Asked with no lock held: the caller may pause A meanwhile.
    b.para = *chosen;
  } else {
    return {ReferenceOutcome::kNeedsParameters, 0};
  }
  m_transport.DropPendingSeek();
  std::scoped_lock lock(m_transport.GraphLock());
  if (!m_transport.Graph() || m_transport.State() == PlayState::NoFile) return {ReferenceOutcome::kFailed, EINVAL};
  return AttachReference(std::move(file), b);
}

ReferenceResult PlayerSession::AttachReference(std::unique_ptr<corvane::VideoFile> file, const CompareSide& b) {
  return m_compare.Attach(std::move(file), b, SideOfOpenFile(), *m_transport.Graph(), m_look);
}

bool PlayerSession::SetCompareRegion(std::optional<corvane::analysis::Region> region) {
  std::scoped_lock lock(m_transport.GraphLock());
  return m_compare.SetRegion(region, [this] { return SideOfOpenFile(); });
}

PlayerSession::CodedFrames PlayerSession::CodedFramesOfPair() const {
  CodedFrames coded;
  auto take = [&coded](char side, uint32_t count, const auto& frameOf) {
    if (count == 0 || !frameOf(1)) return false;
    coded.side = side;
    coded.frames.reserve(count);
    for (uint32_t n = 1; n <= count; ++n) coded.frames.push_back(frameOf(n).value_or(corvane::CodedFrame{}));
    return true;
  };
  const corvane::PlaybackGraph* graph = m_transport.Graph();
  if (graph && take('A', m_transport.Total(), [graph](uint32_t n) { return graph->GetCodedFrame(n); })) return coded;
  if (const ReferenceView* b = m_compare.Reference(); b && b->ReferenceFile()) {
    const corvane::VideoFile* file = b->ReferenceFile();
    take('B', file->FrameCount(), [file](uint32_t n) { return file->Coded(n); });
  }
  return coded;
}

void PlayerSession::CloseReference() {
  std::scoped_lock lock(m_transport.GraphLock());
  m_compare.Close(m_transport.Graph());
}

}  // namespace session
