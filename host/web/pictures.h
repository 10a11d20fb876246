#pragma once

#include <string_view>
#include <vector>

namespace kestrin::web {

// The designs' pictures as the page has them: files fetched with the page,
// in the browser's own formats, known to the drawing commands by number.
// A picture that has not arrived yet draws nothing; the page has every
// window painted again when one does.
class Pictures {
 public:
  // Every picture the designs name, numbered from 0 in the order given.
  explicit Pictures(std::vector<std::string_view> names) : names_(std::move(names)) {}

  const std::vector<std::string_view>& names() const { return names_; }
  // The picture's number, or -1 where no design names it.
  int number(std::string_view name) const {
    for (std::size_t i = 0; i < names_.size(); ++i) {
      if (names_[i] == name) return static_cast<int>(i);
    }
    return -1;
  }

 private:
  std::vector<std::string_view> names_;
};

}  // namespace kestrin::web
