#pragma once

#include <string_view>

#include <QString>

namespace kestrin::qt {

// The model's text (UTF-8, in views that need not end in a NUL) as Qt takes it.
inline QString toQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace kestrin::qt
