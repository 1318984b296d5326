// What File and ReplacingFile promise about the files around them: two names
// of one file are one file, only regular files are read, and a failed
// replacement keeps its reason and touches nothing it did not make.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <thread>

#include "platform/file.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using platform::File;
using platform::ReplacingFile;
using testsupport::TempDir;

TEST(File, InputsAtRiskAreFoundByDeviceAndInode) {
  TempDir dir;
  fs::create_directory(dir.Path() / "sub");
  const std::string a = dir.File("a.yuv"), b = dir.File("b.yuv");
  testsupport::WriteBytes(a, {1, 2, 3});
  testsupport::WriteBytes(b, {4, 5, 6});
  fs::create_symlink(a, dir.File("link.yuv"));
  fs::create_hard_link(a, dir.File("hard.yuv"));
  fs::create_symlink(b, dir.File("out.yuv.part"));
  const std::vector<std::string> inputs = {b, a};
  const struct {
    std::string target;
    std::optional<size_t> input;
    std::string written;
  } rows[] = {
      {a, 1, a},
      {dir.File("sub/../a.yuv"), 1, dir.File("sub/../a.yuv")},
      {dir.File("link.yuv"), 1, dir.File("link.yuv")},
      {dir.File("hard.yuv"), 1, dir.File("hard.yuv")},
      {dir.File("out.yuv"), 0, dir.File("out.yuv.part")},  // its temporary name is b
      {dir.File("new.yuv"), std::nullopt, ""},
      {dir.File("sub"), std::nullopt, ""},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.target);
    const auto risk = platform::FindInputAtRisk(r.target, inputs);
    ASSERT_EQ(risk.has_value(), r.input.has_value());
    if (!risk) continue;
    EXPECT_EQ(risk->input, *r.input);
    EXPECT_EQ(risk->written, r.written);
  }
}

// A FIFO with no writer used to block the open for ever; /dev/zero would be
// read without end.
TEST(File, OnlyRegularFilesOpenAndNothingBlocks) {
  TempDir dir;
  const std::string fifo = dir.File("pipe.yuv"), plain = dir.File("plain.yuv");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  testsupport::WriteBytes(plain, {1, 2, 3});
  const struct {
    std::string path;
    int error;
  } rows[] = {{fifo, platform::kNotRegularFile}, {"/dev/zero", platform::kNotRegularFile},
              {dir.Path().string(), EISDIR}, {plain, 0}};
  for (const auto& r : rows) {
    for (File::Mode mode : {File::Mode::kRead, File::Mode::kReadWrite}) {
      SCOPED_TRACE(r.path + (mode == File::Mode::kRead ? " read" : " read-write"));
      auto opened = std::async(std::launch::async, [&] {
        File file;
        const int err = platform::ErrnoOf(file.Open(r.path, mode));
        return std::pair{err, err == 0 ? ::fcntl(file.Descriptor(), F_GETFL) : 0};
      });
      if (opened.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        ADD_FAILURE() << "the open blocked";
        ::close(::open(fifo.c_str(), O_WRONLY | O_NONBLOCK));  // lets it go
      }
      const auto [err, flags] = opened.get();
      EXPECT_EQ(err, r.error);
      if (err == 0) {
        EXPECT_EQ(flags & O_NONBLOCK, 0) << "reads must block again";
      }
    }
  }
  EXPECT_EQ(platform::ErrorText(platform::kNotRegularFile), "not a regular file");
}

// A temporary name that cannot be created (here: a folder has it) fails the
// open with that reason; abandoning keeps errno for the caller's message and
// removes nothing it did not create.
TEST(ReplacingFile, AFailedOpenKeepsItsReasonAndOthersFiles) {
  TempDir dir;
  for (bool emptyFolder : {true, false}) {
    SCOPED_TRACE(emptyFolder ? "empty folder" : "folder with a file");
    const std::string target = dir.File(emptyFolder ? "e.csv" : "f.csv");
    const std::string part = ReplacingFile::TempPathFor(target);
    fs::create_directory(part);
    if (!emptyFolder) testsupport::WriteBytes(part + "/keep", {1});
    {
      ReplacingFile file;
      EXPECT_EQ(platform::ErrnoOf(file.Open(target)), EISDIR);
      errno = EISDIR;
      file.Abandon();
      EXPECT_EQ(errno, EISDIR);
      errno = EISDIR;
    }  // and the destructor
    EXPECT_EQ(errno, EISDIR);
    EXPECT_TRUE(fs::is_directory(part));
    EXPECT_FALSE(fs::exists(target));
  }
  // A folder as the target is refused at the open, not at the rename after
  // all the writing.
  ReplacingFile file;
  EXPECT_EQ(platform::ErrnoOf(file.Open(dir.Path().string())), EISDIR);
  EXPECT_FALSE(fs::exists(dir.Path().string() + ".part"));
}

// A FIFO (or a device) cannot be replaced by a rename: it is written in
// place, and stays what it was.
TEST(ReplacingFile, ATargetThatIsNotARegularFileIsWrittenInPlace) {
  TempDir dir;
  const std::string fifo = dir.File("out.fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  auto read = std::async(std::launch::async, [&] {
    std::ifstream in(fifo, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  });
  ReplacingFile file;
  ASSERT_EQ(platform::ErrnoOf(file.Open(fifo)), 0);
  EXPECT_EQ(platform::ErrnoOf(file.WriteAt("abc", 3, 0)), 0);
  EXPECT_EQ(platform::ErrnoOf(file.WriteAt("x", 1, 7)), ESPIPE);  // front to back only
  EXPECT_EQ(platform::ErrnoOf(file.WriteAt("def", 3, 3)), 0);
  EXPECT_EQ(platform::ErrnoOf(file.Commit()), 0);
  if (read.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
    ADD_FAILURE() << "nothing reached the FIFO";
    ::close(::open(fifo.c_str(), O_WRONLY | O_NONBLOCK));  // lets the reader go
  }
  EXPECT_EQ(read.get(), "abcdef");
  struct stat st {};
  ASSERT_EQ(::stat(fifo.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  EXPECT_FALSE(fs::exists(fifo + ".part"));
}

// A target that is a symbolic link: the file it names is replaced and the
// link stays a link ("/dev/stdout" redirected to a file is never replaced
// in /dev).
TEST(ReplacingFile, ALinkedTargetReplacesTheFileItNames) {
  TempDir dir;
  const std::string file = dir.File("real.log"), link = dir.File("link.log");
  testsupport::WriteBytes(file, {'o', 'l', 'd'});
  fs::create_symlink(file, link);
  EXPECT_EQ(ReplacingFile::TempPathFor(link), file + ".part");
  ReplacingFile out;
  ASSERT_EQ(platform::ErrnoOf(out.Open(link)), 0);
  ASSERT_EQ(platform::ErrnoOf(out.WriteAt("new", 3, 0)), 0);
  ASSERT_EQ(platform::ErrnoOf(out.Commit()), 0);
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(testsupport::ReadBytes(file), (std::vector<uint8_t>{'n', 'e', 'w'}));
  EXPECT_FALSE(fs::exists(file + ".part"));
}

}  // namespace
