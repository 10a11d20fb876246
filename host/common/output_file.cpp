#include "host/common/output_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <utility>

#include "host/common/fd_io.h"

namespace kestrin::io {

namespace {

std::optional<FileId> idOf(const struct stat& file) {
  if (!S_ISREG(file.st_mode)) return std::nullopt;
  return FileId{.device = static_cast<std::uint64_t>(file.st_dev),
                .inode = static_cast<std::uint64_t>(file.st_ino)};
}

bool among(const std::optional<FileId>& id, const std::vector<FileId>& ids) {
  return id && std::find(ids.begin(), ids.end(), *id) != ids.end();
}

int openRetried(const char* path, int flags) {
  int fd = -1;
  do {
    fd = ::open(path, flags, 0666);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

}  // namespace

std::optional<FileId> regularFileId(int fd) {
  struct stat file {};
  if (::fstat(fd, &file) != 0) return std::nullopt;
  return idOf(file);
}

std::optional<FileId> regularFileIdAt(const std::string& path) {
  struct stat file {};
  if (::stat(path.c_str(), &file) != 0) return std::nullopt;
  return idOf(file);
}

std::string describe(std::string_view what, const Failure& failure) {
  switch (failure.refusal) {
    case Refusal::None: break;
    case Refusal::IsInput: return std::string(what) + ": is the script being read";
    case Refusal::IsAnotherOutput: return std::string(what) + ": is the script being written";
    case Refusal::Exists: return std::string(what) + ": exists; --overwrite writes over it";
    case Refusal::Locked: return std::string(what) + ": is being written by another program";
    case Refusal::NoReader: return std::string(what) + ": is a pipe that no program reads";
    case Refusal::Socket: return std::string(what) + ": is a socket, not a file";
  }
  return describe(what, failure.error);
}

int exitStatus(const Failure& failure) {
  switch (failure.refusal) {
    case Refusal::IsInput:
    case Refusal::IsAnotherOutput:
    case Refusal::Exists: return 2;
    default: return 1;
  }
}

OutputFile OutputFile::open(std::string path, const OutputRules& rules) {
  OutputFile out;
  out.path_ = std::move(path);
  const char* p = out.path_.c_str();
  // Never O_TRUNC here: the file is only cut once every check has passed.
  constexpr int kFlags = O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
  int fd = openRetried(p, kFlags);
  if (fd < 0 && errno == ENOENT) {
    fd = openRetried(p, kFlags | O_CREAT | O_EXCL);
    out.created_ = fd >= 0;
    // Made meanwhile by another program; or a link to a file yet to be
    // made, which O_EXCL never follows.
    if (fd < 0 && errno == EEXIST) {
      fd = openRetried(p, kFlags);
      if (fd < 0 && errno == ENOENT) {
        fd = openRetried(p, kFlags | O_CREAT);
        out.created_ = fd >= 0;
      }
    }
  }
  if (fd < 0) {
    const int error = errno;
    struct stat there {};
    if (error == ENXIO && ::stat(p, &there) == 0 && (S_ISFIFO(there.st_mode) || S_ISSOCK(there.st_mode))) {
      out.failure_.refusal = S_ISFIFO(there.st_mode) ? Refusal::NoReader : Refusal::Socket;
    } else {
      out.failure_.error = error;
    }
    return out;
  }
  out.fd_ = fd;
  out.id_ = regularFileId(fd);
  if (among(out.id_, rules.inputs)) {
    out.failure_.refusal = Refusal::IsInput;
  } else if (among(out.id_, rules.otherOutputs)) {
    out.failure_.refusal = Refusal::IsAnotherOutput;
  } else if (rules.keepExisting && out.id_ && !out.created_) {
    out.failure_.refusal = Refusal::Exists;
  } else if (rules.lock && out.id_ && ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
    // A file system without locks leaves the file unlocked, not refused.
    out.failure_.refusal = Refusal::Locked;
  }
  if (out.failure_) out.release();
  return out;
}

OutputFile::OutputFile(OutputFile&& other) noexcept { *this = std::move(other); }

OutputFile& OutputFile::operator=(OutputFile&& other) noexcept {
  if (this == &other) return *this;
  release();
  path_ = std::move(other.path_);
  fd_ = std::exchange(other.fd_, -1);
  failure_ = other.failure_;
  id_ = other.id_;
  created_ = other.created_;
  begun_ = other.begun_;
  return *this;
}

OutputFile::~OutputFile() { release(); }

void OutputFile::release() {
  if (fd_ < 0) return;
  if (created_ && !begun_) ::unlink(path_.c_str());  // as if never opened
  ::close(fd_);
  fd_ = -1;
}

bool OutputFile::begin() {
  if (!ok()) return false;
  begun_ = true;
  if (!id_ || created_) return true;
  int result = 0;
  while ((result = ::ftruncate(fd_, 0)) != 0 && errno == EINTR) {
  }
  if (result != 0) failure_.error = errno;
  return result == 0;
}

bool OutputFile::close() {
  if (fd_ < 0) return !failure_;
  const int fd = std::exchange(fd_, -1);
  // Some file systems report a failed write only when the file is closed.
  if (::close(fd) != 0 && errno != EINTR && !failure_) failure_.error = errno;
  return !failure_;
}

Failure writeFile(const std::string& path, std::string_view bytes) {
  OutputFile out = OutputFile::open(path);
  if (!out.ok() || !out.begin()) return out.failure();
  const int error = writeAll(out.fd(), bytes);
  out.close();
  return error != 0 ? Failure{.error = error} : out.failure();
}

Failure replaceFile(const std::string& path, std::string_view bytes) {
  struct stat there {};
  if (::stat(path.c_str(), &there) == 0 && !S_ISREG(there.st_mode)) {
    return S_ISDIR(there.st_mode) ? Failure{.error = EISDIR} : writeFile(path, bytes);
  }
  std::string temporary = path + ".XXXXXX";
  int fd = -1;
  do {
    fd = ::mkostemp(temporary.data(), O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return {.error = errno};
  // As open(2) would have made it: 0666 less the umask.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  int error = ::fchmod(fd, 0666 & ~mask) == 0 ? 0 : errno;
  if (error == 0) error = writeAll(fd, bytes);
  if (::close(fd) != 0 && error == 0 && errno != EINTR) error = errno;
  if (error == 0 && ::rename(temporary.c_str(), path.c_str()) != 0) error = errno;
  if (error != 0) ::unlink(temporary.c_str());
  return {.error = error};
}

}  // namespace kestrin::io
