#include "platform/file.h"

#include <atomic>
#include <csetjmp>
#include <csignal>
#include <cerrno>
#include <mutex>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

// Guarded mappings (MappedRange::GuardLostPages): a slot of the table the
// SIGBUS handler reads, or -1 when every slot is taken.
static int BeginGuard(const void* base, size_t len);
static void EndGuard(int slot);

std::string ErrorText(int error) {
  if (error == kNotRegularFile) return "not a regular file";
  return std::strerror(error);
}

File::~File() { Close(); }

File::File(File&& other) noexcept : m_fd(other.m_fd) { other.m_fd = -1; }

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Close();
    m_fd = other.m_fd;
    other.m_fd = -1;
  }
  return *this;
}

IoResult File::Open(const std::string& path, Mode mode) {
  Close();
  int flags = O_CLOEXEC;
  switch (mode) {
    case Mode::kRead: flags |= O_RDONLY; break;
    case Mode::kReadWrite: flags |= O_RDWR; break;
    case Mode::kCreate: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
  }
  int fd;
  do {
    fd = ::open(path.c_str(), flags | O_NONBLOCK, 0644);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return IoFail(errno);
  struct stat st {};
  int err = ::fstat(fd, &st) != 0 ? errno : S_ISDIR(st.st_mode) ? EISDIR : !S_ISREG(st.st_mode) ? kNotRegularFile : 0;
  // Back to blocking reads and writes, as every caller expects.
  if (err == 0 && ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) err = errno;
  if (err != 0) {
    ::close(fd);
    return IoFail(err);
  }
  m_fd = fd;
  return {};
}

void File::Close() {
  if (m_fd >= 0) {
    ::close(m_fd);
    m_fd = -1;
  }
}

int64_t File::Size() const {
  if (m_fd < 0) return -1;
  struct stat st {};
  if (::fstat(m_fd, &st) != 0) return -1;
  return static_cast<int64_t>(st.st_size);
}

int64_t File::ReadAt(void* buf, size_t len, uint64_t offset) const {
  if (m_fd < 0) return -1;
  auto* p = static_cast<unsigned char*>(buf);
  size_t done = 0;
  while (done < len) {
    ssize_t n = ::pread(m_fd, p + done, len - done, static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return static_cast<int64_t>(done);
}

int64_t File::WriteAt(const void* buf, size_t len, uint64_t offset) const {
  if (m_fd < 0) return -1;
  const auto* p = static_cast<const unsigned char*>(buf);
  size_t done = 0;
  while (done < len) {
    ssize_t n = ::pwrite(m_fd, p + done, len - done, static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    done += static_cast<size_t>(n);
  }
  return static_cast<int64_t>(done);
}

IoResult File::Truncate(uint64_t size) const {
  if (m_fd < 0) return IoFail(EBADF);
  return FailIf(::ftruncate(m_fd, static_cast<off_t>(size)) == 0 ? 0 : errno);
}

IoResult File::Sync() const {
  if (m_fd < 0) return IoFail(EBADF);
  return FailIf(::fsync(m_fd) == 0 ? 0 : errno);
}

MappedRange::~MappedRange() { Unmap(); }

MappedRange::MappedRange(MappedRange&& other) noexcept
    : m_base(other.m_base), m_mapped(other.m_mapped), m_data(other.m_data), m_len(other.m_len), m_guard(other.m_guard) {
  other.m_base = nullptr, other.m_mapped = 0, other.m_data = nullptr, other.m_len = 0, other.m_guard = -1;
}

MappedRange& MappedRange::operator=(MappedRange&& other) noexcept {
  if (this != &other) {
    Unmap();
    std::swap(m_base, other.m_base), std::swap(m_mapped, other.m_mapped);
    std::swap(m_data, other.m_data), std::swap(m_len, other.m_len), std::swap(m_guard, other.m_guard);
  }
  return *this;
}

IoResult MappedRange::Map(const File& file, uint64_t offset, size_t len, bool sequential) {
  Unmap();
  if (!file.IsOpen()) return IoFail(EBADF);
  const int64_t size = file.Size();
  if (len == 0 || size < 0 || offset + len > uint64_t(size)) return IoFail(EINVAL);
  const uint64_t page = uint64_t(::sysconf(_SC_PAGESIZE));
  const uint64_t start = offset / page * page;
  const size_t mapped = size_t(offset - start) + len;
  void* base = ::mmap(nullptr, mapped, PROT_READ, MAP_SHARED, file.Descriptor(), off_t(start));
  if (base == MAP_FAILED) return IoFail(errno);
  if (sequential) ::madvise(base, mapped, MADV_SEQUENTIAL);  // advice only: a failure changes nothing
  m_base = base;
  m_mapped = mapped;
  m_data = static_cast<const unsigned char*>(base) + (offset - start);
  m_len = len;
  return {};
}

void MappedRange::Unmap() {
  EndGuard(m_guard);
  m_guard = -1;
  if (m_base) ::munmap(m_base, m_mapped);
  m_base = nullptr, m_mapped = 0, m_data = nullptr, m_len = 0;
}

bool MappedRange::GuardLostPages() {
  if (!m_base) return false;
  if (m_guard < 0) m_guard = BeginGuard(m_base, m_mapped);
  return m_guard >= 0;
}

namespace {

// The pages of [p, p + len): only those wholly inside it, or every page it
// touches.
std::pair<uintptr_t, size_t> PagesOf(const unsigned char* p, size_t len, bool whole) {
  const uintptr_t page = uintptr_t(::sysconf(_SC_PAGESIZE));
  const uintptr_t from = (uintptr_t(p) + (whole ? page - 1 : 0)) / page * page;
  const uintptr_t to = (uintptr_t(p) + len + (whole ? 0 : page - 1)) / page * page;
  return {from, to > from ? size_t(to - from) : 0};
}

}  // namespace

void MappedRange::LetGo(const unsigned char* p, size_t len) const {
  const auto [from, bytes] = PagesOf(p, len, true);
  if (bytes > 0) ::madvise(reinterpret_cast<void*>(from), bytes, MADV_DONTNEED);
}

bool MappedRange::MakePresent(const unsigned char* p, size_t len) const {
#ifndef MADV_POPULATE_READ
  constexpr int MADV_POPULATE_READ = 22;  // Linux 5.14; older kernels say EINVAL
#endif
  const auto [from, bytes] = PagesOf(p, len, false);
  if (::madvise(reinterpret_cast<void*>(from), bytes, MADV_POPULATE_READ) == 0) return true;
  // EINVAL: a kernel without it; the pages are then mapped on first touch.
  return errno == EINVAL;
}

namespace {

// stat() follows symbolic links: a link and the file it names are one.
bool Same(const struct stat& a, const std::string& path) {
  struct stat b {};
  return ::stat(path.c_str(), &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Closes a descriptor that was written: the close's own error (a write the
// file system refused only now, NFS, quotas) counts.
int CloseWritten(int fd) {
  if (::close(fd) != 0 && errno != EINTR) return errno;
  return 0;
}

// Makes the folder's entry for `path` durable after a rename. A folder that
// cannot be synced at all (EINVAL: the file system has no such thing) is no
// failure of ours.
int SyncFolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return errno;
  int err = ::fsync(fd) == 0 || errno == EINVAL ? 0 : errno;
  ::close(fd);
  return err;
}

}  // namespace

bool SameFile(const std::string& a, const std::string& b) {
  struct stat st {};
  return ::stat(a.c_str(), &st) == 0 && Same(st, b);
}

bool SameFile(int fd, const std::string& path) {
  struct stat st {};
  return ::fstat(fd, &st) == 0 && Same(st, path);
}

std::optional<InputAtRisk> FindInputAtRisk(const std::string& target, std::span<const std::string> inputs) {
  // The new file is created under its temporary name and renamed over the
  // target, so both names must be kept clear of every input: creating the
  // temporary file truncates whatever it names, and the rename unlinks the
  // target's name (a hard link's data would survive, but not as that name).
  const std::string temp = ReplacingFile::TempPathFor(target);
  for (size_t i = 0; i < inputs.size(); ++i) {
    if (SameFile(target, inputs[i])) return InputAtRisk{i, target};
    if (SameFile(temp, inputs[i])) return InputAtRisk{i, temp};
  }
  return std::nullopt;
}

ReplacingFile::~ReplacingFile() { Abandon(); }

std::string ReplacingFile::ReplacedPath(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  char* real = ::realpath(path.c_str(), nullptr);
  if (!real) return path;
  std::string resolved(real);
  std::free(real);
  return resolved;
}

IoResult ReplacingFile::Open(const std::string& path) {
  Abandon();
  m_path = ReplacedPath(path);
  struct stat st {};
  const bool exists = ::stat(m_path.c_str(), &st) == 0;
  // A folder would refuse the rename only at the end, after all the work.
  if (exists && S_ISDIR(st.st_mode)) return IoFail(EISDIR);
  if (exists && !S_ISREG(st.st_mode)) {
    int fd;
    do {
      fd = ::open(m_path.c_str(), O_WRONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return IoFail(errno);
    m_inPlaceFd = fd;
    m_inPlaceAt = 0;
    return {};
  }
  const std::string temp = m_path + ".part";
  if (IoResult opened = m_file.Open(temp, File::Mode::kCreate); !opened) return opened;
  m_temp = temp;
  return {};
}

IoResult ReplacingFile::WriteAt(const void* buf, size_t len, uint64_t offset) {
  if (m_inPlaceFd >= 0) {
    if (offset != m_inPlaceAt) return IoFail(ESPIPE);
    const auto* p = static_cast<const unsigned char*>(buf);
    for (size_t done = 0; done < len;) {
      const ssize_t n = ::write(m_inPlaceFd, p + done, len - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return IoFail(n < 0 ? errno : EIO);
      done += size_t(n);
    }
    m_inPlaceAt += len;
    return {};
  }
  if (!m_file.IsOpen()) return IoFail(EBADF);
  errno = 0;
  if (m_file.WriteAt(buf, len, offset) == int64_t(len)) return {};
  return IoFail(errno != 0 ? errno : EIO);
}

IoResult ReplacingFile::Commit() {
  if (m_inPlaceFd >= 0) {
    const int fd = std::exchange(m_inPlaceFd, -1);
    return FailIf(CloseWritten(fd));
  }
  if (!m_file.IsOpen()) return IoFail(EBADF);
  // Data first, then the name: after a crash the target is either the old
  // file or the whole new one, never a new name over blocks not yet written.
  int err = ErrnoOf(m_file.Sync());
  const int closed = CloseWritten(m_file.Release());
  if (err == 0) err = closed;
  if (err == 0 && std::rename(m_temp.c_str(), m_path.c_str()) != 0) err = errno;
  if (err != 0) {
    Abandon();
    return IoFail(err);
  }
  m_temp.clear();
  return FailIf(SyncFolderOf(m_path));
}

void ReplacingFile::Abandon() {
  const int saved = errno;
  m_file.Close();
  if (m_inPlaceFd >= 0) ::close(std::exchange(m_inPlaceFd, -1));
  if (!m_temp.empty()) ::unlink(m_temp.c_str());
  m_temp.clear();
  errno = saved;
}

bool IsReadOnlyFile(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return true;  // unknown attributes: play it safe
  // No write bit at all is the read-only attribute; root could still write,
  // but the user marked the file as not to be changed.
  if ((st.st_mode & 0222) == 0) return true;
  return ::access(path.c_str(), W_OK) != 0;
}

namespace {

// The jump of the thread inside ReadMapped, null elsewhere.
thread_local sigjmp_buf* t_mappedRead = nullptr;

// Guarded mappings, read by the signal handler: a slot is taken by writing
// its end, then its start (0: free); it is freed start first.
constexpr int kGuards = 64;
std::atomic<uintptr_t> g_guardStart[kGuards];
std::atomic<uintptr_t> g_guardEnd[kGuards];
uintptr_t g_pageSize = 4096;

// Puts a page of zeros where a guarded mapping lost its page. Only system
// calls: this runs in the signal handler.
bool ZeroLostPage(void* address) {
  const uintptr_t at = uintptr_t(address);
  for (int i = 0; i < kGuards; ++i) {
    const uintptr_t start = g_guardStart[i].load(std::memory_order_acquire);
    if (start == 0 || at < start || at >= g_guardEnd[i].load(std::memory_order_acquire)) continue;
    void* page = reinterpret_cast<void*>(at / g_pageSize * g_pageSize);
    return ::mmap(page, g_pageSize, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) != MAP_FAILED;
  }
  return false;
}

void OnBusError(int signal, siginfo_t* info, void*) {
  if (sigjmp_buf* jump = t_mappedRead) siglongjmp(*jump, 1);
  // A guarded mapping's lost page reads as zeros: the read is retried.
  if (info && ZeroLostPage(info->si_addr)) return;
  // Not a read of ours: the default action, as if we had not been here.
  ::signal(signal, SIG_DFL);
  ::raise(signal);
}

void InstallBusHandler() {
  static std::once_flag installed;
  std::call_once(installed, [] {
    g_pageSize = uintptr_t(::sysconf(_SC_PAGESIZE));
    struct sigaction action {};
    action.sa_sigaction = OnBusError;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    sigaction(SIGBUS, &action, nullptr);
  });
}

}  // namespace

static int BeginGuard(const void* base, size_t len) {
  InstallBusHandler();
  static std::mutex slots;  // between threads taking and freeing slots; the handler needs none
  std::scoped_lock lock(slots);
  for (int i = 0; i < kGuards; ++i) {
    if (g_guardEnd[i].load(std::memory_order_relaxed) != 0) continue;
    g_guardEnd[i].store(uintptr_t(base) + len, std::memory_order_release);
    g_guardStart[i].store(uintptr_t(base), std::memory_order_release);
    return i;
  }
  return -1;
}

static void EndGuard(int slot) {
  if (slot < 0 || slot >= kGuards) return;
  g_guardStart[slot].store(0, std::memory_order_release);
  g_guardEnd[slot].store(0, std::memory_order_release);
}

bool ReadMapped(const std::function<void()>& read) {
  InstallBusHandler();
  sigjmp_buf jump;
  if (sigsetjmp(jump, 1) != 0) {
    t_mappedRead = nullptr;
    return false;
  }
  t_mappedRead = &jump;
  read();
  t_mappedRead = nullptr;
  return true;
}

}  // namespace platform
