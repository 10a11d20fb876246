#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrin::tools {

// Numbers as the tools take them on a command line: decimal digits, and for
// a fraction a point and more digits. No sign, blank, exponent, base prefix
// ("0x10"), "inf" or "nan"; none for anything else, or past what a double
// or an int64 holds exactly enough to compare with a limit.
std::optional<double> decimalNumber(std::string_view text);
std::optional<std::int64_t> wholeNumber(std::string_view text);

// A tool's command line, read by Qt's parser (QCommandLineParser) with the
// rules every tool keeps: long options, each given at most once, with a
// value or none; positional words within their count; numbers in decimal
// only. A mistake is said on stderr as "TOOL: what is wrong" with the
// usage after it, and is exit status 2; --help prints the usage and the
// options on stdout, status 0.
class CommandLine {
 public:
  struct Option {
    const char* name;       // "trace" for --trace
    const char* valueName;  // "TRACE"; null for an option that takes no value
    const char* help;
  };

  CommandLine(std::string_view tool, std::string_view usage, std::vector<Option> options,
              std::size_t leastWords, std::size_t mostWords);

  // Reads the words after the program's name (the toolkit's own options
  // taken out already, by the application). False when the tool is to end
  // here with status(): a mistake, said, or the help, printed.
  bool parse(int argc, char** argv);
  int status() const { return status_; }
  const std::string& tool() const { return tool_; }

  const std::vector<std::string>& words() const { return words_; }
  bool isSet(std::string_view name) const;
  std::optional<std::string> value(std::string_view name) const;

  // The option's number, if it is given, within least..most; false (and
  // status 2) for anything else, said.
  bool number(std::string_view name, double least, double most, double& value);
  bool whole(std::string_view name, std::int64_t least, std::int64_t most, std::int64_t& value);

  // Says "TOOL: what" and the usage; status 2. Returns false, for `return`.
  bool mistake(std::string_view what);

 private:
  std::string tool_;
  std::string usage_;
  std::vector<Option> options_;
  std::size_t leastWords_;
  std::size_t mostWords_;
  std::vector<std::string> words_;
  std::vector<std::pair<std::string, std::string>> values_;  // option, value ("" for none)
  int status_ = 0;
};

}  // namespace kestrin::tools
