#pragma once

#include <cstdint>
#include <string>

// A value a statement compares with, bound to it as a parameter, never spliced
// into its text.
struct FilterValue {
    enum class Kind { text, integer, real, null, blob };
    Kind kind = Kind::text;
    std::string text;  // UTF-8; a BLOB's bytes
    std::int64_t integer = 0;
    double real = 0.0;
};
