#include "platform/file.h"

#include <csetjmp>
#include <csignal>
#include <cerrno>
#include <mutex>
#include <cstdio>
#include <utility>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

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

int File::Open(const std::string& path, Mode mode) {
  Close();
  int flags = O_CLOEXEC;
  switch (mode) {
    case Mode::kRead: flags |= O_RDONLY; break;
    case Mode::kReadWrite: flags |= O_RDWR; break;
    case Mode::kCreate: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
  }
  int fd;
  do {
    fd = ::open(path.c_str(), flags, 0644);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return errno;
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    return EISDIR;
  }
  m_fd = fd;
  return 0;
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

int File::Truncate(uint64_t size) const {
  if (m_fd < 0) return EBADF;
  return ::ftruncate(m_fd, static_cast<off_t>(size)) == 0 ? 0 : errno;
}

int File::Sync() const {
  if (m_fd < 0) return EBADF;
  return ::fsync(m_fd) == 0 ? 0 : errno;
}

MappedRange::~MappedRange() { Unmap(); }

MappedRange::MappedRange(MappedRange&& other) noexcept
    : m_base(other.m_base), m_mapped(other.m_mapped), m_data(other.m_data), m_len(other.m_len) {
  other.m_base = nullptr, other.m_mapped = 0, other.m_data = nullptr, other.m_len = 0;
}

MappedRange& MappedRange::operator=(MappedRange&& other) noexcept {
  if (this != &other) {
    Unmap();
    std::swap(m_base, other.m_base), std::swap(m_mapped, other.m_mapped);
    std::swap(m_data, other.m_data), std::swap(m_len, other.m_len);
  }
  return *this;
}

int MappedRange::Map(const File& file, uint64_t offset, size_t len) {
  Unmap();
  if (!file.IsOpen()) return EBADF;
  const int64_t size = file.Size();
  if (len == 0 || size < 0 || offset + len > uint64_t(size)) return EINVAL;
  const uint64_t page = uint64_t(::sysconf(_SC_PAGESIZE));
  const uint64_t start = offset / page * page;
  const size_t mapped = size_t(offset - start) + len;
  void* base = ::mmap(nullptr, mapped, PROT_READ, MAP_SHARED, file.Descriptor(), off_t(start));
  if (base == MAP_FAILED) return errno;
  ::madvise(base, mapped, MADV_SEQUENTIAL);  // advice only: a failure changes nothing
  m_base = base;
  m_mapped = mapped;
  m_data = static_cast<const unsigned char*>(base) + (offset - start);
  m_len = len;
  return 0;
}

void MappedRange::Unmap() {
  if (m_base) ::munmap(m_base, m_mapped);
  m_base = nullptr, m_mapped = 0, m_data = nullptr, m_len = 0;
}

ReplacingFile::~ReplacingFile() { Abandon(); }

int ReplacingFile::Open(const std::string& path) {
  Abandon();
  m_strPath = path;
  m_strTemp = TempPathFor(path);
  return m_file.Open(m_strTemp, File::Mode::kCreate);
}

int ReplacingFile::WriteAt(const void* buf, size_t len, uint64_t offset) {
  if (!m_file.IsOpen()) return EBADF;
  if (m_file.WriteAt(buf, len, offset) == int64_t(len)) return 0;
  return errno != 0 ? errno : EIO;
}

int ReplacingFile::Commit() {
  if (!m_file.IsOpen()) return EBADF;
  m_file.Close();
  if (std::rename(m_strTemp.c_str(), m_strPath.c_str()) != 0) {
    const int err = errno;
    std::remove(m_strTemp.c_str());
    m_strTemp.clear();
    return err;
  }
  m_strTemp.clear();
  return 0;
}

void ReplacingFile::Abandon() {
  m_file.Close();
  if (!m_strTemp.empty()) std::remove(m_strTemp.c_str());
  m_strTemp.clear();
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

void OnBusError(int signal, siginfo_t*, void*) {
  if (sigjmp_buf* jump = t_mappedRead) siglongjmp(*jump, 1);
  // Not a read of ours: the default action, as if we had not been here.
  ::signal(signal, SIG_DFL);
  ::raise(signal);
}

}  // namespace

bool ReadMapped(const std::function<void()>& read) {
  static std::once_flag installed;
  std::call_once(installed, [] {
    struct sigaction action {};
    action.sa_sigaction = OnBusError;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    sigaction(SIGBUS, &action, nullptr);
  });
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
