# One warnings target that every target of the project links.
# Designated initialisers leave the fields they omit at their defaults on
# purpose (design rows name only what differs), so that warning is off.
add_library(kestrin_warnings INTERFACE)
target_compile_options(kestrin_warnings INTERFACE
  $<$<CXX_COMPILER_ID:GNU,Clang>:-Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
    -Wnon-virtual-dtor -Wold-style-cast -Woverloaded-virtual
    -Wno-missing-field-initializers>
  $<$<AND:$<CXX_COMPILER_ID:GNU,Clang>,$<BOOL:${KESTRIN_WERROR}>>:-Werror>)
