# One warnings target that every target of the project links.
# Designated initialisers leave the fields they omit at their defaults on
# purpose (design rows name only what differs), so that warning is off.
add_library(kestrin_warnings INTERFACE)
target_compile_options(kestrin_warnings INTERFACE
  $<$<CXX_COMPILER_ID:GNU,Clang>:-Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
    -Wnon-virtual-dtor -Wold-style-cast -Woverloaded-virtual
    -Wno-missing-field-initializers>
  # GCC 12 at -O3 reports -Wrestrict inside std::string's own concatenation
  # (a known false positive of that compiler); it finds nothing in our code.
  $<$<CXX_COMPILER_ID:GNU>:-Wno-restrict>
  $<$<AND:$<CXX_COMPILER_ID:GNU,Clang>,$<BOOL:${KESTRIN_WERROR}>>:-Werror>)
