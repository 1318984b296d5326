// A coded file as the window and the engine see one, for tests that need
// what a decoder does rarely or on purpose: a frame it cannot decode, frames
// slower to come than playback asks. The frames are a raw clip's (read
// through a RawVideoFile with fixed parameters); the stream's facts and each
// frame's type and size are the test's. Real coded files are tested with
// files made by ffmpeg; this stands in only at the VideoFile interface.
#pragma once

#include <chrono>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "formats/result_codes.h"
#include "formats/video_file.h"

namespace testsupport {

class CodedStandIn final : public corvane::VideoFile {
 public:
  struct Options {
    corvane::StreamFacts facts;
    std::vector<corvane::CodedFrame> frames;  // frame n at n - 1
    std::set<uint32_t> failing;               // frames the "decoder" cannot decode
    std::chrono::milliseconds readTime{0};    // each read takes at least this long
  };

  static std::unique_ptr<CodedStandIn> Open(const std::string& rawPath, const corvane::YUVPara& para,
                                            Options options) {
    auto raw = corvane::RawVideoFile::Open(rawPath);
    if (!raw || !(*raw)->UseParameters(para, false)) return nullptr;
    auto file = std::unique_ptr<CodedStandIn>(new CodedStandIn(rawPath));
    file->m_raw = std::move(*raw);
    file->m_para = para;
    file->m_options = std::move(options);
    return file;
  }

  std::span<const corvane::YUVPara> OwnParameters() const override { return {&m_para, 1}; }
  std::span<const corvane::VideoSegment> Segments() const override { return m_raw->Segments(); }
  uint32_t FrameCount() const override { return m_raw->FrameCount(); }
  uint64_t FileSize() const override { return m_raw->FileSize(); }
  corvane::Result<void, corvane::VideoFileError> UseParameters(const corvane::YUVPara& para, bool) override {
    if (para.format != m_para.format || para.width != m_para.width || para.height != m_para.height)
      return corvane::Fail(corvane::VideoFileError{corvane::kFail});
    return {};
  }
  corvane::Result<void, corvane::VideoFileError> Refresh() override { return {}; }
  corvane::Result<void, corvane::VideoFileError> WriteParameters(const corvane::YUVPara&) override {
    return corvane::Fail(corvane::VideoFileError{corvane::kFail});
  }
  corvane::Result<corvane::FrameShape, corvane::ReadFailure> Read(uint32_t n, std::span<uint8_t> out,
                                                                  const GiveWay& giveWay = {}) const override {
    if (m_options.readTime.count() > 0) std::this_thread::sleep_for(m_options.readTime);
    if (m_options.failing.count(n)) return corvane::Fail(corvane::ReadFailure{corvane::ReadStatus::kDecodeFailed});
    return m_raw->Read(n, out, giveWay);
  }
  corvane::Result<corvane::LentFrames, corvane::ReadFailure> Lend(uint32_t first, uint32_t count) const override {
    return m_raw->Lend(first, count);
  }
  bool Holds(uint32_t n) const override { return m_raw->Holds(n); }
  const corvane::StreamFacts* Facts() const override { return &m_options.facts; }
  std::optional<corvane::CodedFrame> Coded(uint32_t n) const override {
    if (n == 0 || n > m_options.frames.size()) return std::nullopt;
    return m_options.frames[n - 1];
  }

 private:
  explicit CodedStandIn(std::string path) : VideoFile(std::move(path)) {}
  std::unique_ptr<corvane::RawVideoFile> m_raw;
  corvane::YUVPara m_para{};
  Options m_options;
};

}  // namespace testsupport
