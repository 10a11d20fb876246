# Sanitizer and fuzzing builds. Both apply to every target defined after
# this file is included, tests and tools too, so that a fault is caught
# wherever the code runs, not just in one binary.
#
#   -DKESTRIN_SANITIZE=address,undefined   AddressSanitizer + UBSan
#   -DKESTRIN_FUZZ=ON                      (clang) libFuzzer targets in tools/fuzz
#
# -fno-sanitize-recover=all turns every UBSan finding into an abort, so a
# report fails the test or the fuzz run that caused it instead of scrolling
# past in a log.
set(KESTRIN_SANITIZE "" CACHE STRING "Sanitizers for every target, e.g. address,undefined")
option(KESTRIN_FUZZ "Build the libFuzzer targets (clang only)" OFF)

if(KESTRIN_SANITIZE)
  add_compile_options(-fsanitize=${KESTRIN_SANITIZE} -fno-omit-frame-pointer
                      -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${KESTRIN_SANITIZE})
endif()

if(KESTRIN_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "KESTRIN_FUZZ needs clang (libFuzzer): CMAKE_CXX_COMPILER=clang++-14")
  endif()
  # Coverage feedback for every library; the fuzz targets themselves link
  # with -fsanitize=fuzzer, which brings libFuzzer's main.
  add_compile_options(-fsanitize=fuzzer-no-link
    -fsanitize-coverage-ignorelist=${PROJECT_SOURCE_DIR}/tools/fuzz/coverage-ignore.txt)
endif()
