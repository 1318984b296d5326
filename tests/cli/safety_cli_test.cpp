// corvane-tool against what users get wrong and what goes wrong under it:
// an output that is one of the inputs, inputs that are not regular files or
// give no frame, a stats file that cannot be finished, a full standard output.
#include <gtest/gtest.h>

#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#include "formats/trailer.h"
#include "formats/yuv_format.h"
#include "support/run_tool.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using testsupport::ReadBytes;
using testsupport::TempDir;

// Under `timeout`, so that a command that hangs (on a FIFO) fails the test
// with status 124 instead of hanging it.
testsupport::RunResult Tool(std::vector<std::string> args, const char* stdoutPath = nullptr) {
  args.insert(args.begin(), {"timeout", "60", CORVANE_TOOL});
  return testsupport::Run(args, stdoutPath);
}

void Gen(const std::string& out, const std::string& size, int frames) {
  const auto r = Tool({"gen", out, "--format", "I420", "--size", size, "--frames", std::to_string(frames), "--trailer"});
  ASSERT_EQ(r.status, 0) << r.err;
}

std::vector<std::string> Listing(const TempDir& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir.Path())) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// Every command that writes a file refuses one that is an input, however it
// is named, before it opens anything for writing: the inputs keep every byte
// and nothing new appears.
TEST(SafetyCli, AnOutputThatIsAnInputIsRefused) {
  TempDir dir;
  const std::string a = dir.File("a.yuv"), b = dir.File("b.yuv");
  Gen(a, "64x48", 3);
  Gen(b, "64x48", 3);
  fs::create_symlink(a, dir.File("link.yuv"));
  fs::create_hard_link(a, dir.File("hard.yuv"));
  fs::create_symlink(b, dir.File("s.log.part"));  // the temporary name of s.log
  const auto aBytes = ReadBytes(a), bBytes = ReadBytes(b);
  const auto before = Listing(dir);
  const struct {
    std::vector<std::string> args;
    std::string written, destroyed;
  } rows[] = {
      {{"compare", a, b, "--stats-file", b}, b, b},
      {{"compare", a, b, "--stats-file", dir.File("link.yuv")}, dir.File("link.yuv"), a},
      {{"compare", a, b, "--stats-file", dir.File("hard.yuv")}, dir.File("hard.yuv"), a},
      {{"compare", a, b, "--psnr", "--stats-file", dir.File("s.log")}, dir.File("s.log.part"), b},
      {{"render", a, "-o", dir.File("link.yuv")}, dir.File("link.yuv"), a},
      {{"render", a, "-o", dir.File("x.png"), "--dump-surface", dir.File("hard.yuv")}, dir.File("hard.yuv"), a},
      {{"capture", a, "--frame", "1", "--png", "-o", dir.File("hard.yuv")}, dir.File("hard.yuv"), a},
      {{"cut", a, "--from", "1", "--to", "1", "-o", dir.File("link.yuv"), "--force"}, dir.File("link.yuv"), a},
      {{"splice", "-o", dir.File("hard.yuv"), b, a, "--force"}, dir.File("hard.yuv"), a},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.args[0] + " -> " + r.written);
    const auto result = Tool(r.args);
    EXPECT_EQ(result.status, 1) << result.err;
    EXPECT_NE(result.err.find("writing '" + r.written + "' would destroy '" + r.destroyed + "'"), std::string::npos)
        << result.err;
    EXPECT_EQ(ReadBytes(a), aBytes);
    EXPECT_EQ(ReadBytes(b), bBytes);
    EXPECT_EQ(Listing(dir), before);
  }
  // Standard output appended to an input ("info a.yuv >> a.yuv") would put
  // the report after a's trailer.
  const auto appended = Tool({"info", dir.File("link.yuv")}, a.c_str());
  EXPECT_EQ(appended.status, 1);
  EXPECT_NE(appended.err.find("writing to standard output would destroy"), std::string::npos) << appended.err;
  EXPECT_EQ(ReadBytes(a), aBytes);
}

// Inputs that are not regular files, or give no frame: every command says
// why, by name, at once (a FIFO without a writer used to hang each of them
// in open), and splice writes nothing.
TEST(SafetyCli, InputsThatAreNotVideoAreRefusedByName) {
  TempDir dir;
  const std::string a = dir.File("a.yuv"), out = dir.File("out.yuv");
  Gen(a, "64x48", 2);
  const std::string fifo = dir.File("pipe.yuv"), folder = dir.File("folder.yuv");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  fs::create_directory(folder);
  const auto withRecord = [&](const std::string& name, uint32_t format, uint32_t width, size_t bytes) {
    const std::string path = dir.File(name);
    std::vector<uint8_t> data(bytes, 0x80);
    const auto trailer = corvane::EncodeTrailer(std::vector{corvane::MakePara(format, width, 48)});
    data.insert(data.end(), trailer.begin(), trailer.end());
    testsupport::WriteBytes(path, data);
    return path;
  };
  const std::string unknown = withRecord("unknown.yuv", 0x12345678, 64, 4608);
  const std::string zeroWidth = withRecord("zero.yuv", corvane::fmt::YV12, 0, 4608);
  const std::string partial = withRecord("partial.yuv", corvane::fmt::YV12, 64, 4607);

  const auto commands = [&](const std::string& in) {
    return std::vector<std::vector<std::string>>{
        {"info", in},
        {"compare", in, a},
        {"compare", a, in},
        {"render", in, "-o", dir.File("x.png")},
        {"capture", in, "--frame", "1", "--bmp", "-o", dir.File("x.bmp")},
        {"play", in, "--frames", "1"},
        {"cut", in, "--from", "1", "--to", "1", "-o", out},
        {"splice", "-o", out, a, in},
        {"setpara", in, "--format", "I420", "--size", "64x48"},
    };
  };
  for (const auto& [in, why] : {std::pair{fifo, std::string("not a regular file")},
                                {std::string("/dev/zero"), std::string("not a regular file")},
                                {folder, std::string("Is a directory")}}) {
    for (const auto& args : commands(in)) {
      SCOPED_TRACE(args[0] + " " + in);
      const auto r = Tool(args);
      EXPECT_EQ(r.status, 1) << r.err;
      EXPECT_NE(r.err.find("cannot open '" + in + "': " + why), std::string::npos) << r.err;
    }
  }
  for (const auto& [in, why] : {std::pair{unknown, std::string("give no frame")},
                                {zeroWidth, std::string("give no frame")},
                                {partial, std::string("holds no whole frame")}}) {
    SCOPED_TRACE(in);
    const auto r = Tool({"splice", "-o", out, a, in});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("'" + in + "'"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(why), std::string::npos) << r.err;
  }
  EXPECT_FALSE(fs::exists(out));
}

// A stats file appears only when the run finished: a write that fails says
// the file and the reason, and an input that shrinks mid-run leaves no
// partial file behind (nor its temporary one).
TEST(SafetyCli, TheStatsFileIsWholeOrAbsent) {
  TempDir dir;
  const std::string a = dir.File("a.yuv"), b = dir.File("b.yuv"), stats = dir.File("stats.log");
  Gen(a, "64x48", 2000);  // its JSON fills a pipe long before the end
  fs::copy_file(a, b);

  auto r = Tool({"compare", a, b, "--stats-file", "/dev/full"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("cannot write the stats file '/dev/full': No space left on device"), std::string::npos) << r.err;
  r = Tool({"compare", a, b, "--stats-file", dir.File("no-folder/stats.log")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("cannot create the stats file '" + dir.File("no-folder/stats.log") +
                       "': No such file or directory"),
            std::string::npos)
      << r.err;

  // B is cut short mid-run: the run stands still once the pipe its JSON
  // goes to is full (nothing reads it yet), B loses all but two frames, then
  // the pipe is drained and the run fails on B's missing frames.
  int out[2];
  ASSERT_EQ(::pipe(out), 0);
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int devnull = ::open("/dev/null", O_WRONLY);
    ::dup2(out[1], 1), ::dup2(devnull, 2);
    ::close(out[0]), ::close(out[1]);
    ::execl(CORVANE_TOOL, CORVANE_TOOL, "compare", a.c_str(), b.c_str(), "--json", "--stats-file", stats.c_str(),
            nullptr);
    ::_exit(127);
  }
  ::close(out[1]);
  int queued = 0;
  while (::ioctl(out[0], FIONREAD, &queued) == 0 && queued < 60000)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  fs::resize_file(b, 4608 * 2);
  char buf[65536];
  while (::read(out[0], buf, sizeof buf) > 0) {
  }
  ::close(out[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_FALSE(fs::exists(stats));
  EXPECT_FALSE(fs::exists(stats + ".part"));

  // A finished run puts the whole file in place.
  fs::copy_file(a, b, fs::copy_options::overwrite_existing);
  r = Tool({"compare", a, b, "--psnr", "--frames", "4", "--stats-file", stats});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto lines = ReadBytes(stats);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 4);
}

// Standard output that cannot be written (a full disk) fails the command,
// whatever it printed and however little.
TEST(SafetyCli, AFullStandardOutputFailsEveryCommand) {
  TempDir dir;
  const std::string a = dir.File("a.yuv");
  Gen(a, "64x48", 2);
  const std::vector<std::vector<std::string>> rows = {
      {"info", a},
      {"info", a, "--json"},
      {"compare", a, a},
      {"compare", a, a, "--json"},
      {"compare", a, a, "--stats-file", "-"},
      {"render", a, "-o", dir.File("x.png")},
      {"capture", a, "--frame", "1", "--png", "-o", dir.File("x.png")},
      {"play", a, "--frames", "1"},
      {"--help"},
  };
  for (const auto& args : rows) {
    SCOPED_TRACE(args[0] + (args.size() > 2 ? " " + args.back() : std::string()));
    const auto r = Tool(args, "/dev/full");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot write to standard output"), std::string::npos) << r.err;
  }
}

}  // namespace
