#include "runtime_error.h"

namespace kestrin {

std::string_view errorName(ErrorKind kind) {
  switch (kind) {
    case ErrorKind::Overflow: return "Overflow";
    case ErrorKind::TypeMismatch: return "Type mismatch";
    case ErrorKind::SubscriptOutOfRange: return "Subscript out of range";
  }
  return "Error";
}

}  // namespace kestrin
