// RAII file with 64-bit positional I/O. Reads and writes never move a shared
// file position, so a second reader (a preview, the command line) can use the
// same file while the reader thread plays it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "platform/result.h"

namespace platform {

// File::Open's answer for a path that names something other than a regular
// file or a directory (a FIFO, a device, a socket): not an errno value, so
// ErrorText words it. Reading such a thing as video would hang on a FIFO
// with no writer, or read for ever from /dev/zero.
constexpr int kNotRegularFile = 0x10000;

// The reason for an errno value or kNotRegularFile, as a clause for a
// message: "No such file or directory", "not a regular file".
std::string ErrorText(int error);

// How a file operation that can fail ends: done, or the errno (or
// kNotRegularFile) of the step that failed.
struct IoError {
  int code = 0;
};
using IoResult = corvane::Result<void, IoError>;
inline corvane::Failure<IoError> IoFail(int code) { return {IoError{code}}; }
// Failed with `code`, or done when it is 0.
inline IoResult FailIf(int code) {
  if (code != 0) return IoFail(code);
  return {};
}
// 0 when done, else the errno: for messages that word the reason.
inline int ErrnoOf(const IoResult& r) { return r ? 0 : r.error().code; }

class File {
 public:
  enum class Mode {
    kRead,       // existing file, read only
    kReadWrite,  // existing file, read and write
    kCreate,     // create or truncate, read and write
  };

  File() = default;
  ~File();
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Done, or failed with an errno value (EISDIR for a directory) or kNotRegularFile.
  // Any file already open is closed first. Only regular files are opened: the
  // open does not block (a FIFO without a writer answers at once), and the
  // type is checked on the descriptor before it blocks again as usual.
  IoResult Open(const std::string& path, Mode mode);
  void Close();
  bool IsOpen() const { return m_fd >= 0; }
  int Descriptor() const { return m_fd; }

  // Current size in bytes, or -1 on error.
  int64_t Size() const;

  // Reads up to len bytes at offset; loops over short reads and EINTR.
  // Returns the bytes read (less than len only at the end of the file), or -1.
  int64_t ReadAt(void* buf, size_t len, uint64_t offset) const;
  // Writes all len bytes at offset. Returns the bytes written, or -1.
  int64_t WriteAt(const void* buf, size_t len, uint64_t offset) const;
  // Done, or failed with an errno value.
  IoResult Truncate(uint64_t size) const;
  IoResult Sync() const;
  // Hands the descriptor to the caller, who closes it; the file is then closed.
  int Release() {
    const int fd = m_fd;
    m_fd = -1;
    return fd;
  }

 private:
  int m_fd = -1;
};

// A read-only view of a byte range of an open file, mapped into memory so
// that large stretches are read in place (from the page cache) instead of
// being copied into buffers. The kernel is told the range is read in order,
// so that it reads ahead of the faults when the file is not cached.
// The range must lie within the file: a mapped page past the end of a file
// that shrinks meanwhile raises SIGBUS, which is why Map checks the size and
// why mapped bytes are read inside ReadMapped.
class MappedRange {
 public:
  MappedRange() = default;
  ~MappedRange();
  MappedRange(MappedRange&& other) noexcept;
  MappedRange& operator=(MappedRange&& other) noexcept;
  MappedRange(const MappedRange&) = delete;
  MappedRange& operator=(const MappedRange&) = delete;

  // Maps [offset, offset + len) of `file` (any offset). Done, or EINVAL
  // for an empty range or one that ends past the file's end, or an errno
  // value. Any range already mapped is unmapped first.
  // The kernel is told the range is read in order unless `sequential` is
  // false.
  IoResult Map(const File& file, uint64_t offset, size_t len, bool sequential = true);
  void Unmap();
  // The byte at `offset`; null when nothing is mapped.
  const unsigned char* Data() const { return m_data; }
  size_t Size() const { return m_len; }

  // From now until the range is unmapped, a page the file no longer has
  // (it was cut short meanwhile) reads as zeros on any thread, instead of
  // raising SIGBUS, so its bytes may be read outside ReadMapped, under
  // locks. False when nothing is mapped or every guard is taken (a few
  // dozen at a time): read inside ReadMapped then.
  bool GuardLostPages();
  // Tells the kernel that this process has done with the pages wholly
  // inside [p, p + len) for now: they leave its resident memory and stay
  // in the page cache; reading them again maps them again.
  void LetGo(const unsigned char* p, size_t len) const;
  // Maps the pages of [p, p + len) now, reading from the disk what is not
  // in the page cache yet, so that whoever reads them later neither waits
  // nor faults. False when a page lies past the file's end (cut short).
  bool MakePresent(const unsigned char* p, size_t len) const;

 private:
  void* m_base = nullptr;  // page-aligned start of the mapping
  size_t m_mapped = 0;     // bytes mapped from m_base
  const unsigned char* m_data = nullptr;
  size_t m_len = 0;
  int m_guard = -1;        // slot in the table of guarded ranges, or -1
};

// Runs `read`, which reads mapped bytes, on this thread. False when a read
// hit a page the file no longer has (it was cut short meanwhile: SIGBUS):
// `read` was then left where it was, so it must hold no lock and own nothing
// it has not finished building. Other SIGBUS signals keep their default
// (fatal) action.
bool ReadMapped(const std::function<void()>& read);

// Whether two paths name one file (the same device and inode), however they
// are spelled: "./a.yuv", "dir/../a.yuv", a hard link or a symbolic link to
// it. False when either cannot be reached.
bool SameFile(const std::string& a, const std::string& b);
// The same for an open descriptor (standard output, say) and a path.
bool SameFile(int fd, const std::string& path);

// Writing `target` would destroy one of `inputs`. `written` is the name
// that is that input: the target itself, or the temporary name a
// ReplacingFile creates (and truncates) first.
struct InputAtRisk {
  size_t input = 0;
  std::string written;
};
// The one check every writer makes before anything is opened for writing:
// the first input that `target` or its temporary name is, or nothing.
std::optional<InputAtRisk> FindInputAtRisk(const std::string& target, std::span<const std::string> inputs);

// Writes a new file under a temporary name beside the target ("<path>.part")
// and renames it into place on Commit, so that a failure, a cancel or a crash
// never leaves a half-written target and an existing target stays as it was
// until the new one is complete. Commit makes the new file durable (the file
// before the rename, the folder after it): a target reported saved is on
// disk.
//
// A target that exists and is neither a regular file nor a folder (a
// device such as /dev/null, a FIFO) cannot be replaced by a rename, and
// must not be: it is written in place, front to back. A target that is a
// symbolic link replaces the file the link names.
class ReplacingFile {
 public:
  ReplacingFile() = default;
  ~ReplacingFile();  // Abandon() unless committed
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;

  // The file a target path names: for a symbolic link, the file it points
  // to, which is replaced while the link stays a link (so that
  // "/dev/stdout" redirected to a file is that file, never the link in
  // /dev); otherwise (a dangling link too) the path itself.
  static std::string ReplacedPath(const std::string& path);
  // The temporary name used for a target path, beside ReplacedPath. Callers
  // that must not clobber some other file check this name too: opening it
  // truncates whatever is there.
  static std::string TempPathFor(const std::string& path) { return ReplacedPath(path) + ".part"; }

  // Creates the temporary file (EISDIR at once for a folder). Done, or an
  // errno value.
  IoResult Open(const std::string& path);
  // Writes all len bytes at offset. Done, or an errno value. A target
  // written in place takes its bytes in order only (ESPIPE otherwise).
  IoResult WriteAt(const void* buf, size_t len, uint64_t offset);
  // Syncs and closes the temporary file, renames it over the target and
  // syncs the folder. Done, or the errno of the first step that failed; on
  // failure the temporary file is removed.
  IoResult Commit();
  // Closes and removes the temporary file (only one this object created);
  // the target is untouched. errno is left as it was, so that a caller
  // that abandons on a failure still reads that failure's errno.
  void Abandon();

 private:
  File m_file;
  std::string m_path;
  std::string m_temp;      // set while a temporary file of ours exists
  int m_inPlaceFd = -1;       // a device or FIFO target, written directly
  uint64_t m_inPlaceAt = 0; // the next offset it takes
};

// Whether the file should be opened read only: it has no write permission bit,
// we may not write it, or its attributes cannot be read.
bool IsReadOnlyFile(const std::string& path);

}  // namespace platform
