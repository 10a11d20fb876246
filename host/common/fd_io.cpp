#include "fd_io.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <optional>

#ifdef __EMSCRIPTEN__
#include <emscripten.h>
#endif

namespace kestrin::io {

namespace {

// Waits until a non-blocking descriptor is ready; false if even that fails.
bool waitFor(int fd, short events) {
  pollfd p{.fd = fd, .events = events, .revents = 0};
  while (::poll(&p, 1, -1) < 0) {
    if (errno != EINTR) return false;
  }
  return true;
}

}  // namespace

void guardStandardStreams() {
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);
  for (int fd = 0; fd <= 2; ++fd) {
    // open() takes the lowest free number: the closed one.
    if (::fcntl(fd, F_GETFD) < 0 && errno == EBADF) {
      ::open("/dev/null", (fd == 0 ? O_WRONLY : O_RDONLY) | O_CLOEXEC);
    }
  }
}

long readSome(int fd, char* buffer, std::size_t size) {
  for (;;) {
    const ssize_t n = ::read(fd, buffer, size);
    if (n >= 0) return static_cast<long>(n);
    if (errno == EINTR) continue;
    if ((errno == EAGAIN || errno == EWOULDBLOCK) && waitFor(fd, POLLIN)) continue;
    return -1;
  }
}

int writeAll(int fd, std::string_view bytes, std::size_t* written) {
  std::size_t done = 0;
  int error = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
      continue;
    }
    if (n == 0) {
      error = EIO;  // no progress and no reason: never loop on it
      break;
    }
    if (errno == EINTR) continue;
    if ((errno == EAGAIN || errno == EWOULDBLOCK) && waitFor(fd, POLLOUT)) continue;
    error = errno;
    break;
  }
  if (written != nullptr) *written = done;
  return error;
}

namespace {

// The reasons a tool's files and streams can fail for, worded as the GNU C
// library words them, whatever library the tool was built with (musl and
// emscripten's say "I/O error", "Symbolic link loop"): the same failure
// reads the same from every build.
struct Reason {
  int error;
  const char* text;
};
constexpr Reason kReasons[] = {
    {EPERM, "Operation not permitted"},
    {ENOENT, "No such file or directory"},
    {EINTR, "Interrupted system call"},
    {EIO, "Input/output error"},
    {ENXIO, "No such device or address"},
    {EBADF, "Bad file descriptor"},
    {EAGAIN, "Resource temporarily unavailable"},
    {ENOMEM, "Cannot allocate memory"},
    {EACCES, "Permission denied"},
    {EBUSY, "Device or resource busy"},
    {EEXIST, "File exists"},
    {EXDEV, "Invalid cross-device link"},
    {ENODEV, "No such device"},
    {ENOTDIR, "Not a directory"},
    {EISDIR, "Is a directory"},
    {EINVAL, "Invalid argument"},
    {ENFILE, "Too many open files in system"},
    {EMFILE, "Too many open files"},
    {ENOTTY, "Inappropriate ioctl for device"},
    {ETXTBSY, "Text file busy"},
    {EFBIG, "File too large"},
    {ENOSPC, "No space left on device"},
    {ESPIPE, "Illegal seek"},
    {EROFS, "Read-only file system"},
    {EPIPE, "Broken pipe"},
    {ENAMETOOLONG, "File name too long"},
    {ELOOP, "Too many levels of symbolic links"},
    {EOVERFLOW, "Value too large for defined data type"},
    {EDQUOT, "Disk quota exceeded"},
    {ESTALE, "Stale file handle"},
    {ECONNRESET, "Connection reset by peer"},
    {ETIMEDOUT, "Connection timed out"},
};

}  // namespace

std::string describe(std::string_view what, int error) {
  for (const Reason& r : kReasons) {
    if (r.error == error) return std::string(what) + ": " + r.text;
  }
  return std::string(what) + ": " + std::strerror(error);
}

namespace {

#ifdef __EMSCRIPTEN__
// Under node, emscripten's standard streams are devices of its own with no
// file behind them to stat; node's descriptor for each stream knows the file.
EM_JS(double, nodeRegularFileSize, (int fd), {
  try {
    var stream = typeof FS !== 'undefined' ? FS.getStream(fd) : null;
    if (!stream || stream.nfd === undefined) return -1;
    var file = require('fs').fstatSync(stream.nfd);
    return file.isFile() ? file.size : -1;
  } catch (e) {
    return -1;
  }
});
#endif

// The size of the regular file behind fd; none for a pipe, a device or a
// socket, whose bytes cannot be taken back.
std::optional<long long> regularFileSize(int fd) {
#ifdef __EMSCRIPTEN__
  const double size = nodeRegularFileSize(fd);
  if (size >= 0) return static_cast<long long>(size);
#endif
  struct stat file {};
  if (::fstat(fd, &file) != 0 || !S_ISREG(file.st_mode)) return std::nullopt;
  return file.st_size;
}

}  // namespace

FdWriter::FdWriter(int fd, std::size_t capacity) : fd_(fd), capacity_(capacity) {
  buffer_.reserve(capacity_);
  const std::optional<long long> size = regularFileSize(fd_);
  if (!size) return;
  // Appending, every write lands at the end, wherever the offset stands.
  const int flags = ::fcntl(fd_, F_GETFL);
  start_ = flags >= 0 && (flags & O_APPEND) != 0 ? *size : ::lseek(fd_, 0, SEEK_CUR);
}

FdWriter::~FdWriter() { flush(); }

bool FdWriter::write(std::string_view bytes) {
  if (error_ != 0) return false;
  if (buffer_.size() + bytes.size() > capacity_ && !flush()) return false;
  if (bytes.size() >= capacity_) {
    writeOut(bytes);
    return error_ == 0;
  }
  buffer_.append(bytes);
  return true;
}

bool FdWriter::print(const char* format, ...) {
  char text[1024];
  va_list args;
  va_start(args, format);
  const int n = std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  if (n < 0) return write("");
  return write(std::string_view(text, std::min(static_cast<std::size_t>(n), sizeof text - 1)));
}

bool FdWriter::flush() {
  if (error_ == 0 && !buffer_.empty()) writeOut(buffer_);
  buffer_.clear();
  return error_ == 0;
}

void FdWriter::writeOut(std::string_view bytes) {
  std::size_t n = 0;
  error_ = writeAll(fd_, bytes, &n);
  if (const std::size_t end = bytes.substr(0, n).rfind('\n'); end != std::string_view::npos) {
    wholeLines_ = written_ + static_cast<long long>(end) + 1;
  }
  written_ += static_cast<long long>(n);
  if (error_ != 0) cutToWholeLines();
}

void FdWriter::cutToWholeLines() {
  if (start_ < 0 || wholeLines_ == written_) return;
  // Something else has written to the file since: its end is not ours to cut.
  if (regularFileSize(fd_) != start_ + written_) return;
  while (::ftruncate(fd_, start_ + wholeLines_) != 0 && errno == EINTR) {
  }
}

namespace {

#ifdef __EMSCRIPTEN__
// Emscripten's file system on node cuts each name in a path to 255 bytes
// before it opens it, so a name the system refuses as too long would open
// another file, the one named by its first 255 bytes. Refused here as the
// system refuses it.
bool hasOverlongName(std::string_view path) {
  constexpr std::size_t kLongestName = 255;
  while (!path.empty()) {
    const std::size_t end = std::min(path.find('/'), path.size());
    if (end > kLongestName) return true;
    path.remove_prefix(std::min(end + 1, path.size()));
  }
  return false;
}
#endif

int openRetried(const char* path, int flags) {
#ifdef __EMSCRIPTEN__
  if (hasOverlongName(path)) {
    errno = ENAMETOOLONG;
    return -1;
  }
#endif
  int fd = -1;
  do {
    fd = ::open(path, flags | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

}  // namespace

int openForReading(const char* path) { return openRetried(path, O_RDONLY); }

}  // namespace kestrin::io
