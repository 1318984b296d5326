// The index of a coded stream: one small record per packet in decode order
// (what the demuxer said of it), and the presentation order that numbers
// the frames. Frame n (1-based) is the n-th frame in presentation order.
// The order comes either from the packets' presentation timestamps (sorted;
// ties keep decode order) or, for a stream without them, from the order in
// which a decoder gave the pictures out (a decoding scan). Pure bookkeeping:
// no library type appears here, so it is tested and fuzzed on its own.
#pragma once

#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <vector>

#include "formats/video_file.h"

namespace corvane {

struct CodedPacket {
  static constexpr int64_t kNoTime = std::numeric_limits<int64_t>::min();
  int64_t pts = kNoTime;      // in the stream's time base
  int64_t dts = kNoTime;
  int64_t pos = -1;           // byte position in the file, -1 when unknown
  uint32_t bytes = 0;
  uint32_t frame = 0;         // presentation index + 1; 0: the packet shows no frame
  PictureType type = PictureType::kUnknown;
  bool key = false;
  bool discard = false;       // the container says its picture is not shown
};

class CodedIndex {
 public:
  // Packets are added in decode order.
  void Add(const CodedPacket& packet) { m_packets.push_back(packet); }
  void Reserve(size_t count) { m_packets.reserve(count); }
  std::span<const CodedPacket> Packets() const { return m_packets; }
  CodedPacket& PacketAt(uint32_t decodeIndex) { return m_packets[decodeIndex]; }

  // Whether every packet that is shown has a presentation timestamp, all of
  // them different: then their order is the frames' order.
  bool TimestampsOrder() const;
  // Numbers the frames by the packets' presentation timestamps
  // (TimestampsOrder() must hold).
  void OrderByTimestamps();
  // Numbers the frames by a decoder's output: `shown` lists the decode index
  // of the packet that carried each picture, in the order the pictures came
  // out. A packet listed twice, or not at all, shows no frame of its own
  // (the first listing counts).
  void OrderByOutput(std::span<const uint32_t> shown);

  uint32_t FrameCount() const { return uint32_t(m_decodeOf.size()); }
  // The decode index of the packet that carries frame n (1..FrameCount()).
  uint32_t DecodeIndexOf(uint32_t n) const { return m_decodeOf[n - 1]; }
  // The frame packet d shows (1-based), 0 for none.
  uint32_t FrameOf(uint32_t decodeIndex) const { return m_packets[decodeIndex].frame; }
  // Where decoding must start for frame n to come out right: the last
  // keyframe in decode order, at or before frame n's own packet, whose
  // frame is shown at or before n. A leading picture of an open group
  // (shown before its keyframe, decoded after it) so starts at the
  // keyframe before. The first packet when no keyframe qualifies.
  uint32_t StartFor(uint32_t n) const;
  // What the stream says of frame n; a missing timestamp is the frame's own
  // decode index.
  CodedFrame Frame(uint32_t n) const;
  void Clear() {
    m_packets.clear();
    m_decodeOf.clear();
    m_keys.clear();
  }

 private:
  void Number();  // m_keys and each packet's frame from m_decodeOf

  std::vector<CodedPacket> m_packets;
  std::vector<uint32_t> m_decodeOf;  // frame - 1 -> decode index
  // The keyframes in decode order: StartFor finds the last one at or
  // before a packet by binary search and walks back past leading ones.
  struct Key {
    uint32_t decodeIndex;
    uint32_t frame;        // the keyframe's own frame (1-based), 0 when it shows none
  };
  std::vector<Key> m_keys;
};

}  // namespace corvane
