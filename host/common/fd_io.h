#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kestrin::io {

// Plain read(2) and write(2) on file descriptors, every call checked, for the
// tools that read scripts and write traces, pictures and reports. A failure
// is an errno kept for the message, never an exception from deep inside a
// stream buffer, nor a stream flag that nobody looks at. Interrupted calls
// are retried, and a descriptor left non-blocking is waited on.

// Every tool calls this first, before it opens anything. Signals a failed
// write would otherwise raise (a reader gone: SIGPIPE; a file past its size
// limit: SIGXFSZ) are ignored, so the write itself fails with EPIPE or EFBIG
// and the tool can say so. A standard descriptor the tool was started
// without is held by /dev/null opened the wrong way round (stdin for
// writing, stdout and stderr for reading): no file the tool or a library
// opens later takes its number, and so its output, and reading or writing
// it still fails with EBADF, as it would have.
void guardStandardStreams();

// Up to size bytes from fd: the count read, 0 at the end, -1 on failure
// (errno says why).
long readSome(int fd, char* buffer, std::size_t size);

// A file opened for reading, close-on-exec, retried when interrupted: the
// descriptor, or -1 with errno saying why. Outputs are opened as
// output_file.h says.
int openForReading(const char* path);

// All of bytes to fd: 0, or the errno of the write that failed. written,
// if given, is how many of the bytes went out, also when a write failed.
int writeAll(int fd, std::string_view bytes, std::size_t* written = nullptr);

// "what: reason" for an errno, as the tools print it after their name; the
// reason is worded alike whatever C library the tool was built with.
std::string describe(std::string_view what, int error);

// Buffered output to a descriptor. The first write that fails is kept, and
// nothing is written after it: the output is then known to be incomplete.
//
// What it writes is lines, and a line is whole or absent: when a write
// fails part-way (a full disk, a file size limit) and the descriptor is a
// regular file, the file is cut back to the end of the last whole line this
// writer put there, so what it holds still reads, line by line. The file is
// only cut where nothing but this writer has written since it started;
// anything else (a pipe, a terminal, a file another program appends to) is
// left as it is.
class FdWriter {
 public:
  explicit FdWriter(int fd, std::size_t capacity = 64 * 1024);
  FdWriter(const FdWriter&) = delete;
  FdWriter& operator=(const FdWriter&) = delete;
  ~FdWriter();  // flushes what is left; call flush() to know whether it went

  // False once any write has failed.
  bool write(std::string_view bytes);
  bool print(const char* format, ...) __attribute__((format(printf, 2, 3)));
  bool flush();

  bool failed() const { return error_ != 0; }
  int error() const { return error_; }

 private:
  void writeOut(std::string_view bytes);  // keeps the first error, and cuts back on it
  void cutToWholeLines();

  int fd_;
  std::size_t capacity_;
  std::string buffer_;
  int error_ = 0;
  long long start_ = -1;      // the file's offset when this writer began; -1: not a file
  long long written_ = 0;     // bytes this writer has put in the file
  long long wholeLines_ = 0;  // of them, those up to the end of the last whole line
};

}  // namespace kestrin::io
