#pragma once

#include <cstdlib>

// A key a test reads that a trace line does not have stops the test there,
// in every build type, rather than reading past the end of an object.
#define JSON_ASSERT(condition) ((condition) ? static_cast<void>(0) : std::abort())
#include <nlohmann/json.hpp>

namespace kestrin::test {

// Trace lines read back in tests.
using Json = nlohmann::json;

}  // namespace kestrin::test
