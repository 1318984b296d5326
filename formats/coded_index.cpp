#include "formats/coded_index.h"

#include <algorithm>
#include <numeric>

namespace corvane {

bool CodedIndex::TimestampsOrder() const {
  std::vector<int64_t> times;
  times.reserve(m_packets.size());
  for (const CodedPacket& p : m_packets) {
    if (p.discard) continue;
    if (p.pts == CodedPacket::kNoTime) return false;
    times.push_back(p.pts);
  }
  std::sort(times.begin(), times.end());
  return std::adjacent_find(times.begin(), times.end()) == times.end();
}

void CodedIndex::OrderByTimestamps() {
  m_decodeOf.clear();
  m_decodeOf.reserve(m_packets.size());
  for (uint32_t d = 0; d < m_packets.size(); ++d)
    if (!m_packets[d].discard) m_decodeOf.push_back(d);
  std::stable_sort(m_decodeOf.begin(), m_decodeOf.end(),
                   [this](uint32_t a, uint32_t b) { return m_packets[a].pts < m_packets[b].pts; });
  Number();
}

void CodedIndex::OrderByOutput(std::span<const uint32_t> shown) {
  m_decodeOf.clear();
  m_decodeOf.reserve(shown.size());
  std::vector<bool> seen(m_packets.size(), false);
  for (const uint32_t d : shown) {
    if (d >= m_packets.size() || seen[d]) continue;
    seen[d] = true;
    m_decodeOf.push_back(d);
  }
  Number();
}

void CodedIndex::Number() {
  for (CodedPacket& p : m_packets) p.frame = 0;
  for (uint32_t f = 0; f < m_decodeOf.size(); ++f) m_packets[m_decodeOf[f]].frame = f + 1;
  m_keys.clear();
  for (uint32_t d = 0; d < m_packets.size(); ++d)
    if (m_packets[d].key) m_keys.push_back({d, m_packets[d].frame});
}

uint32_t CodedIndex::StartFor(uint32_t n) const {
  const uint32_t own = DecodeIndexOf(n);
  auto it = std::upper_bound(m_keys.begin(), m_keys.end(), own,
                             [](uint32_t d, const Key& key) { return d < key.decodeIndex; });
  while (it != m_keys.begin()) {
    --it;
    if (it->frame != 0 && it->frame <= n) return it->decodeIndex;
  }
  return 0;
}

CodedFrame CodedIndex::Frame(uint32_t n) const {
  const uint32_t d = DecodeIndexOf(n);
  const CodedPacket& p = m_packets[d];
  CodedFrame frame;
  frame.pts = p.pts == CodedPacket::kNoTime ? int64_t(d) : p.pts;
  frame.type = p.type;
  frame.key = p.key;
  frame.bytes = p.bytes;
  return frame;
}

}  // namespace corvane
