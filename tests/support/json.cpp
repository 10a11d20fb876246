#include "json.h"

#include <charconv>
#include <cstdlib>

namespace kestrin::test {

class JsonParser {
 public:
  explicit JsonParser(std::string_view text) : s_(text) {}

  Json document() {
    Json v = value();
    blanks();
    if (i_ != s_.size()) fail("trailing text");
    return v;
  }

 private:
  [[noreturn]] void fail(const std::string& what) const {
    throw std::runtime_error("json: " + what + " at " + std::to_string(i_));
  }
  void blanks() {
    while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\n' || s_[i_] == '\r' || s_[i_] == '\t')) ++i_;
  }
  bool take(std::string_view word) {
    if (s_.substr(i_, word.size()) != word) return false;
    i_ += word.size();
    return true;
  }
  void expect(char c) {
    blanks();
    if (i_ >= s_.size() || s_[i_] != c) fail(std::string("expected ") + c);
    ++i_;
  }

  Json value() {
    blanks();
    if (i_ >= s_.size()) fail("unexpected end");
    Json v;
    const char c = s_[i_];
    if (c == '{') {
      v.type_ = Json::Type::Object;
      ++i_;
      blanks();
      if (i_ < s_.size() && s_[i_] == '}') return ++i_, v;
      for (;;) {
        blanks();
        std::string key = str();
        expect(':');
        v.object_[key] = value();
        blanks();
        if (i_ < s_.size() && s_[i_] == ',') { ++i_; continue; }
        expect('}');
        return v;
      }
    }
    if (c == '[') {
      v.type_ = Json::Type::Array;
      ++i_;
      blanks();
      if (i_ < s_.size() && s_[i_] == ']') return ++i_, v;
      for (;;) {
        v.array_.push_back(value());
        blanks();
        if (i_ < s_.size() && s_[i_] == ',') { ++i_; continue; }
        expect(']');
        return v;
      }
    }
    if (c == '"') {
      v.type_ = Json::Type::String;
      v.string_ = str();
      return v;
    }
    if (take("true")) { v.type_ = Json::Type::Bool; v.bool_ = true; return v; }
    if (take("false")) { v.type_ = Json::Type::Bool; return v; }
    if (take("null")) return v;
    const std::size_t start = i_;
    while (i_ < s_.size() && std::string_view("+-0123456789.eE").find(s_[i_]) != std::string_view::npos) ++i_;
    if (i_ == start) fail("unexpected character");
    v.type_ = Json::Type::Number;
    const std::string digits(s_.substr(start, i_ - start));
    char* end = nullptr;
    v.number_ = std::strtod(digits.c_str(), &end);
    if (end != digits.c_str() + digits.size()) fail("bad number");
    return v;
  }

  std::string str() {
    expect('"');
    std::string out;
    while (i_ < s_.size() && s_[i_] != '"') {
      char c = s_[i_++];
      if (c == '\\') {
        if (i_ >= s_.size()) fail("bad escape");
        const char e = s_[i_++];
        switch (e) {
          case 'n': out += '\n'; break;
          case 't': out += '\t'; break;
          case 'r': out += '\r'; break;
          case 'b': out += '\b'; break;
          case 'f': out += '\f'; break;
          case 'u': {
            unsigned code = 0;
            const auto r = std::from_chars(s_.data() + i_, s_.data() + i_ + 4, code, 16);
            if (r.ec != std::errc()) fail("bad \\u escape");
            i_ += 4;
            out += static_cast<char>(code);  // traces escape only control characters
            break;
          }
          default: out += e;
        }
      } else {
        out += c;
      }
    }
    expect('"');
    return out;
  }

  std::string_view s_;
  std::size_t i_ = 0;
};

Json Json::parse(std::string_view text) { return JsonParser(text).document(); }

bool Json::boolean() const {
  if (type_ != Type::Bool) throw std::runtime_error("json: not a boolean");
  return bool_;
}
double Json::number() const {
  if (type_ != Type::Number) throw std::runtime_error("json: not a number");
  return number_;
}
const std::string& Json::string() const {
  if (type_ != Type::String) throw std::runtime_error("json: not a string");
  return string_;
}
const std::vector<Json>& Json::array() const {
  if (type_ != Type::Array) throw std::runtime_error("json: not an array");
  return array_;
}
const std::map<std::string, Json>& Json::object() const {
  if (type_ != Type::Object) throw std::runtime_error("json: not an object");
  return object_;
}
bool Json::has(const std::string& key) const {
  return type_ == Type::Object && object_.count(key) != 0;
}
const Json& Json::operator[](const std::string& key) const {
  const auto it = object().find(key);
  if (it == object_.end()) throw std::runtime_error("json: no member " + key);
  return it->second;
}

}  // namespace kestrin::test
