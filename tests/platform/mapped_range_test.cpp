// Mapped reads of a file that is cut short under them: the reader hears of
// it (SIGBUS caught) instead of the process ending.
#include "platform/file.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <numeric>
#include <thread>
#include <vector>

#include "support/temp_dir.h"

namespace {

TEST(MappedRange, ReadsOfAFileCutShortMeanwhileAreReportedNotFatal) {
  testsupport::TempDir dir;
  const std::string path = dir.File("clip.bin");
  const size_t page = size_t(sysconf(_SC_PAGESIZE));
  std::vector<uint8_t> bytes(4 * page);
  std::iota(bytes.begin(), bytes.end(), uint8_t(0));
  testsupport::WriteBytes(path, bytes);
  platform::File file;
  ASSERT_EQ(platform::ErrnoOf(file.Open(path, platform::File::Mode::kRead)), 0);
  platform::MappedRange range;
  ASSERT_EQ(platform::ErrnoOf(range.Map(file, 1, bytes.size() - 1)), 0);
  EXPECT_EQ(platform::ErrnoOf(range.Map(file, 1, bytes.size())), EINVAL);  // past the end
  ASSERT_EQ(platform::ErrnoOf(range.Map(file, 1, bytes.size() - 1)), 0);

  uint64_t sum = 0;
  auto readAll = [&] {
    sum = 0;
    for (size_t i = 0; i < range.Size(); ++i) sum += range.Data()[i];
  };
  EXPECT_TRUE(platform::ReadMapped(readAll));
  EXPECT_EQ(sum, std::accumulate(bytes.begin() + 1, bytes.end(), uint64_t(0)));

  // Another program cuts the file to one page: the pages past it are gone.
  ASSERT_EQ(truncate(path.c_str(), off_t(page)), 0);
  bool read = true;
  std::thread other([&] { read = platform::ReadMapped(readAll); });  // on any thread
  other.join();
  EXPECT_FALSE(read);
  // The first page is still there, and a later read of it works.
  EXPECT_TRUE(platform::ReadMapped([&] { sum = range.Data()[page - 2]; }));
  EXPECT_EQ(sum, bytes[page - 1]);
}

}  // namespace
