#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrin::io {

// How the tools open what they write, so that no output destroys an input,
// writes over a recording unasked, or hangs the tool before it starts.

// A file as the system knows it (device and inode), whatever path or link
// it was reached by.
struct FileId {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  bool operator==(const FileId&) const = default;
};
// The regular file open on fd, or at path (links followed); none for
// anything else (a pipe, a device) or when it cannot be looked at.
std::optional<FileId> regularFileId(int fd);
std::optional<FileId> regularFileIdAt(const std::string& path);

// Why an output is not written, before anything is.
enum class Refusal : std::uint8_t {
  None,
  IsInput,          // it is the script the tool reads
  IsAnotherOutput,  // it is the script the tool writes too
  Exists,           // a file is there and the tool was not told to write over it
  Locked,           // another program holds its lock: it writes the same file now
  NoReader,         // a pipe no one reads: opening it for writing would wait for ever
  Socket,           // a socket, which no file can be opened on
};

// What went wrong with an output: an errno, or one of the tools' refusals.
struct Failure {
  int error = 0;
  Refusal refusal = Refusal::None;
  explicit operator bool() const { return error != 0 || refusal != Refusal::None; }
};
// "what: reason", as the tools print it after their name.
std::string describe(std::string_view what, const Failure& failure);
// The exit status for it: 2 where the command line asked for what the tool
// will not do (an input, or a file it keeps, as the output), 1 otherwise.
int exitStatus(const Failure& failure);

struct OutputRules {
  std::vector<FileId> inputs;          // refused if the output is one of these
  std::vector<FileId> otherOutputs;    // the same, for what the tool writes besides
  bool keepExisting = false;           // refuse a regular file that is there already
  bool lock = false;                   // hold an exclusive lock on a regular file
};

// An output, opened for writing without ever blocking: O_NONBLOCK, so a
// FIFO with no reader fails at once (ENXIO) instead of waiting in open(2)
// for one, and is refused as such; one with a reader, and a device, are
// written as they come, a write that cannot go on at once waited for.
// Nothing in the file is cut or written by opening it: a regular file that
// was there is emptied by begin(), once every output the tool has is known
// to be good, so a refused output leaves the others untouched too. A file
// that open() created and that was never begun is removed when the
// OutputFile goes.
class OutputFile {
 public:
  static OutputFile open(std::string path, const OutputRules& rules = {});

  OutputFile() = default;
  OutputFile(OutputFile&& other) noexcept;
  OutputFile& operator=(OutputFile&& other) noexcept;
  ~OutputFile();

  bool ok() const { return fd_ >= 0; }
  const Failure& failure() const { return failure_; }
  const std::string& path() const { return path_; }
  int fd() const { return fd_; }
  std::optional<FileId> id() const { return id_; }

  // Empties a regular file that was there; false, with the failure kept,
  // if that fails.
  bool begin();
  // Closes the file: false, with the failure kept, where closing reports a
  // write that failed (some file systems do only then).
  bool close();

 private:
  void release();

  std::string path_;
  int fd_ = -1;
  Failure failure_;
  std::optional<FileId> id_;
  bool created_ = false;
  bool begun_ = false;
};

// Writes bytes as the whole content of the file at path (created, or cut to
// nothing first).
Failure writeFile(const std::string& path, std::string_view bytes);

// The same, but a regular file is written whole or not at all: the bytes go
// to a new file beside it, which is renamed over path once they are all
// written and closed. On a failure that file is removed and path is left as
// it was. Anything else at path (a device, a pipe) is written in place.
Failure replaceFile(const std::string& path, std::string_view bytes);

}  // namespace kestrin::io
