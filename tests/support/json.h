#pragma once

#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kestrin::test {

// Just enough JSON to read trace lines back in tests.
class Json {
 public:
  enum class Type { Null, Bool, Number, String, Array, Object };

  static Json parse(std::string_view text);

  Type type() const { return type_; }
  bool isNull() const { return type_ == Type::Null; }
  bool boolean() const;
  double number() const;
  const std::string& string() const;
  const std::vector<Json>& array() const;
  const std::map<std::string, Json>& object() const;

  bool has(const std::string& key) const;
  const Json& operator[](const std::string& key) const;  // throws if missing

 private:
  Type type_ = Type::Null;
  bool bool_ = false;
  double number_ = 0;
  std::string string_;
  std::vector<Json> array_;
  std::map<std::string, Json> object_;

  friend class JsonParser;
};

}  // namespace kestrin::test
