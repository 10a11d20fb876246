# The WebAssembly build (the `web` preset, emscripten): the model, the games,
# the designs, host/common, host/headless and kestrin-replay for node. No Qt,
# no X, and none of the native build's tests or benchmarks: its own tests
# (tests/web) compare it with the native build.
if(KESTRIN_BUILD_QT OR KESTRIN_BUILD_TESTS OR KESTRIN_BUILD_BENCH)
  message(FATAL_ERROR "The WebAssembly build has no Qt host, tests or benchmarks: configure it "
                      "with the `web` preset (cmake --preset web)")
endif()

# Handlers end the program and report run-time errors by throwing
# (ProgramEnd, RuntimeError), so exceptions must be caught, not turned into
# an abort. `wasm`: WebAssembly's own exception handling (-fwasm-exceptions;
# node 17 and later, every current browser); `js`: emscripten's emulation of
# it in JavaScript (-fexceptions), for engines without. docs/performance.md
# compares the two.
set(KESTRIN_WEB_EXCEPTIONS wasm CACHE STRING "How the WebAssembly build throws: wasm or js")
set_property(CACHE KESTRIN_WEB_EXCEPTIONS PROPERTY STRINGS wasm js)
if(KESTRIN_WEB_EXCEPTIONS STREQUAL "wasm")
  add_compile_options(-fwasm-exceptions)
  add_link_options(-fwasm-exceptions)
elseif(KESTRIN_WEB_EXCEPTIONS STREQUAL "js")
  add_compile_options(-fexceptions)
  add_link_options(-fexceptions)
else()
  message(FATAL_ERROR "KESTRIN_WEB_EXCEPTIONS is wasm or js, not '${KESTRIN_WEB_EXCEPTIONS}'")
endif()

# Optimised across the whole program at link time: each program is then
# optimised as its link says, the page for size (host/web). The objects are
# made for speed: made for size, they saved the page 11.6 KB of gzipped
# WebAssembly, but kestrin-replay under node then took longer than its
# tests allow (120 s) for a day of ticks (docs/performance.md, "The web
# page").
add_compile_options(-flto)
add_link_options(-flto)

# Linking runs emscripten's JavaScript optimiser under node, which needs
# acorn. Debian installs it in /usr/share/nodejs, where only Debian's own node
# looks by itself.
set(KESTRIN_NODE_PATH "/usr/share/nodejs" CACHE PATH
    "Where node finds the modules emscripten's tools need (acorn)")
if(DEFINED ENV{NODE_PATH} AND NOT "$ENV{NODE_PATH}" STREQUAL "")
  set(KESTRIN_NODE_PATH_FOR_LINK "${KESTRIN_NODE_PATH}:$ENV{NODE_PATH}")
else()
  set(KESTRIN_NODE_PATH_FOR_LINK "${KESTRIN_NODE_PATH}")
endif()
set(CMAKE_CXX_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env "NODE_PATH=${KESTRIN_NODE_PATH_FOR_LINK}")

# The native build that the comparisons run against.
set(KESTRIN_NATIVE_BUILD "${PROJECT_SOURCE_DIR}/build" CACHE PATH
    "The native build whose tools the web build's tests compare with")
