#include "session/scope_feed.h"

#include <algorithm>
#include <utility>

#include "analysis/planar_frame.h"
#include "engine/playback_graph.h"
#include "session/player_session.h"

namespace session {

ScopeFeed::ScopeFeed(PlayerSession& session, Deliver deliver)
    : m_session(session),
      m_deliver(std::move(deliver)),
      m_worker([this](std::shared_ptr<Captured> frame, uint64_t, std::stop_token) { Compute(std::move(frame)); }) {}

ScopeFeed::~ScopeFeed() { m_worker.Stop(); }

void ScopeFeed::Request(const ScopeRequest& request) {
  m_session.RunOnGraph([this, request](corvane::PlaybackGraph* graph) { Capture(graph, request); });
}

void ScopeFeed::Capture(corvane::PlaybackGraph* graph, const ScopeRequest& request) {
  auto captured = std::make_shared<Captured>();
  captured->request = request;
  {
    std::scoped_lock lock(m_lock);
    captured->bytes.swap(m_spare);
  }
  // The frame on screen, copied while the renderer's lock holds it still.
  auto copy = [&captured](const corvane::FrameBuffer* b) {
    if (!b || !b->Bytes() || b->nType == corvane::YUV_NONE) return false;
    const uint64_t size = std::min<uint64_t>(corvane::FrameSize64(b->nType, b->nWidth, b->nHeight), b->nSize);
    if (size == 0 || size > kMaxFrameBytes) return false;
    captured->bytes.assign(b->Bytes(), b->Bytes() + size);
    captured->type = b->nType;
    captured->width = b->nWidth;
    captured->height = b->nHeight;
    captured->frame = b->nFrameNo;
    return true;
  };
  bool have = false;
  if (graph && request.source == ScopeSource::kOpenFile) {
    have = graph->Render()->WithCurrent(copy);
  } else if (graph && request.source == ScopeSource::kReferencePane) {
    // B's view changes only under the graph lock, which this runs under.
    if (const ReferenceView* b = m_session.Reference()) have = b->WithShown(copy);
  }
  if (!have) captured->type = corvane::YUV_NONE;
  m_worker.Post(std::move(captured));
}

void ScopeFeed::Compute(std::shared_ptr<Captured> frame) {
  if (frame->type == corvane::YUV_NONE) {
    m_deliver(nullptr);
    return;
  }
  namespace an = corvane::analysis;
  // P010 keeps its 10 bits in the words' high bits: read at 10 bits, its
  // own depth (the comparison reads a pair of them at 16).
  const int depth = frame->type == corvane::YUV_P010 ? 10 : 0;
  const an::PlanarFrame planes =
      an::ToPlanar(frame->type, frame->width, frame->height, frame->bytes.data(), &m_scratch, depth);
  auto result = std::make_shared<ScopeResult>();
  result->frame = frame->frame;
  result->type = frame->type;
  result->width = frame->width;
  result->height = frame->height;
  result->request = frame->request;
  result->scopes = an::ComputeScopes(planes, frame->request.options);
  {
    std::scoped_lock lock(m_lock);
    m_spare.swap(frame->bytes);
  }
  m_deliver(std::move(result));
}

}  // namespace session
