#include "rect.h"

#include "runtime_error.h"

namespace kestrin {

[[noreturn]] void detail::conversionOverflow() { throw RuntimeError(ErrorKind::Overflow); }

}  // namespace kestrin
