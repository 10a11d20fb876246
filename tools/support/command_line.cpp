#include "tools/support/command_line.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include <QCommandLineParser>
#include <QStringList>

#include "shell/decimal.h"

namespace kestrin::tools {

namespace {

bool allDigits(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Latin-1 carries every byte to a character and back unchanged, so a path
// that is not valid text in the locale reaches the tool as it was typed.
QString fromBytes(std::string_view bytes) {
  return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}
std::string toBytes(const QString& text) { return text.toLatin1().toStdString(); }

}  // namespace

std::optional<double> decimalNumber(std::string_view text) {
  const std::size_t point = text.find('.');
  if (!allDigits(text.substr(0, point)) ||
      (point != std::string_view::npos && !allDigits(text.substr(point + 1)))) {
    return std::nullopt;
  }
  return readFixed(text);  // as the program reads its numbers, whatever the locale
}

std::optional<std::int64_t> wholeNumber(std::string_view text) {
  std::int64_t value = 0;
  if (!allDigits(text)) return std::nullopt;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

CommandLine::CommandLine(std::string_view tool, std::string_view usage, std::vector<Option> options,
                         std::size_t leastWords, std::size_t mostWords)
    : tool_(tool), usage_(usage), options_(std::move(options)), leastWords_(leastWords),
      mostWords_(mostWords) {}

bool CommandLine::mistake(std::string_view what) {
  std::fprintf(stderr, "%s: %.*s\n%s", tool_.c_str(), static_cast<int>(what.size()), what.data(),
               usage_.c_str());
  std::fflush(stderr);
  status_ = 2;
  return false;
}

bool CommandLine::parse(int argc, char** argv) {
  QCommandLineParser parser;
  parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
  const QCommandLineOption help(QStringLiteral("help"));
  parser.addOption(help);
  for (const Option& o : options_) {
    QCommandLineOption option(QString::fromLatin1(o.name), QString::fromLatin1(o.help));
    if (o.valueName != nullptr) option.setValueName(QString::fromLatin1(o.valueName));
    parser.addOption(option);
  }
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << fromBytes(argv[i]);
  if (!parser.parse(arguments)) return mistake(toBytes(parser.errorText()));

  if (parser.isSet(help)) {
    std::string text = usage_;
    for (const Option& o : options_) {
      std::string name = std::string("  --") + o.name;
      if (o.valueName != nullptr) name += std::string(" ") + o.valueName;
      name.resize(std::max<std::size_t>(name.size() + 2, 20), ' ');
      text += name + o.help + "\n";
    }
    std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
    status_ = 0;
    return false;
  }
  for (const Option& o : options_) {
    const QString name = QString::fromLatin1(o.name);
    const QStringList given = o.valueName != nullptr ? parser.values(name) : QStringList();
    if (given.size() > 1) return mistake(std::string("--") + o.name + " given twice");
    if (o.valueName == nullptr && parser.isSet(name)) values_.emplace_back(o.name, "");
    if (given.size() == 1) values_.emplace_back(o.name, toBytes(given.front()));
  }
  for (const QString& word : parser.positionalArguments()) words_.push_back(toBytes(word));
  if (words_.size() < leastWords_ || words_.size() > mostWords_) {
    return mistake(words_.size() < leastWords_ ? "too few arguments" : "too many arguments");
  }
  return true;
}

bool CommandLine::isSet(std::string_view name) const {
  return std::any_of(values_.begin(), values_.end(), [name](const auto& v) { return v.first == name; });
}

std::optional<std::string> CommandLine::value(std::string_view name) const {
  for (const auto& [option, value] : values_) {
    if (option == name) return value;
  }
  return std::nullopt;
}

bool CommandLine::number(std::string_view name, double least, double most, double& value) {
  const std::optional<std::string> text = this->value(name);
  if (!text) return true;
  const std::optional<double> n = decimalNumber(*text);
  if (n && *n >= least && *n <= most) {
    value = *n;
    return true;
  }
  char range[64];
  std::snprintf(range, sizeof range, "%g to %g", least, most);
  return mistake("--" + std::string(name) + " takes a decimal number from " + range + ", not '" +
                 *text + "'");
}

bool CommandLine::whole(std::string_view name, std::int64_t least, std::int64_t most,
                        std::int64_t& value) {
  const std::optional<std::string> text = this->value(name);
  if (!text) return true;
  const std::optional<std::int64_t> n = wholeNumber(*text);
  if (n && *n >= least && *n <= most) {
    value = *n;
    return true;
  }
  return mistake("--" + std::string(name) + " takes a whole number from " + std::to_string(least) +
                 " to " + std::to_string(most) + ", not '" + *text + "'");
}

}  // namespace kestrin::tools
