#pragma once

#include <string_view>

#include <QString>
#include <QStringView>

namespace kestrin::qt {

// The model's text (UTF-8, in views that need not end in a NUL) as Qt takes it.
inline QString toQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Qt's text as the face lays it out (draw::Face), without a copy.
inline std::u16string_view utf16Of(QStringView text) {
  return {text.utf16(), static_cast<std::size_t>(text.size())};
}

}  // namespace kestrin::qt
