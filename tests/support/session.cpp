#include "session.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace kestrin::test {

Session::Session()
    : replay_([this](std::string_view line) {
        std::string_view l = line;
        if (!l.empty() && l.back() == '\n') l.remove_suffix(1);
        lines_.emplace_back(l);
      }) {}

void Session::run(std::string_view script) {
  std::size_t start = 0;
  while (start <= script.size()) {
    std::size_t end = script.find('\n', start);
    if (end == std::string_view::npos) end = script.size();
    const std::string_view line = script.substr(start, end - start);
    std::string error;
    if (!replay_.runLine(line, error)) {
      ADD_FAILURE() << "script line '" << line << "' rejected: " << error;
      return;
    }
    start = end + 1;
  }
}

std::string Session::rejected(std::string_view line) {
  std::string error;
  if (replay_.runLine(line, error)) ADD_FAILURE() << "line '" << line << "' was accepted";
  return error;
}

std::vector<Json> Session::since(std::size_t mark) const {
  std::vector<Json> out;
  for (std::size_t i = mark; i < lines_.size(); ++i) out.push_back(line(i));
  return out;
}

Screen* Session::screen(std::string_view name) {
  Screen* s = program().findScreen(name);
  return s != nullptr && s->loaded() ? s : nullptr;
}

Control& Session::control(std::string_view screenName, std::string_view name, int index) {
  Screen* s = screen(screenName);
  if (s == nullptr) throw std::runtime_error("screen not loaded: " + std::string(screenName));
  Control* c = s->form()->find(name, index);
  if (c == nullptr) throw std::runtime_error("no control " + std::string(name));
  return *c;
}

int Session::var(std::string_view screenName, std::string_view name) {
  Screen* s = screen(screenName);
  if (s == nullptr) throw std::runtime_error("screen not loaded: " + std::string(screenName));
  for (const Form::Variable& v : s->form()->variables()) {
    if (v.name == name) return *v.value;
  }
  throw std::runtime_error("no variable " + std::string(name));
}

void Session::setVar(std::string_view screenName, std::string_view name, int value) {
  Screen* s = screen(screenName);
  if (s == nullptr) throw std::runtime_error("screen not loaded: " + std::string(screenName));
  for (const Form::Variable& v : s->form()->variables()) {
    if (v.name == name) {
      *v.value = value;
      return;
    }
  }
  throw std::runtime_error("no variable " + std::string(name));
}

const Json& traced(const Json& line, const std::string& screen, const std::string& control) {
  return line["screens"][screen]["controls"][control];
}

}  // namespace kestrin::test
