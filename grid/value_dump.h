#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// A value's bytes as the viewer pages through them: 16 to a line, each line with
// its offset, the bytes in hexadecimal and the printable ASCII ones as text.

constexpr std::size_t kDumpLineBytes = 16;
// The bytes of one page of the dump.
constexpr std::size_t kDumpPageBytes = 4096;

// The lines (CR LF between them) for `bytes`, which start at `offset` of the value.
std::string dump_text(const std::string& bytes, std::int64_t offset);

// A count with a comma every three digits: 4,194,304.
std::string grouped_number(std::int64_t number);

// Where the page before and after the one at `offset` start in a value of `total`
// bytes; -1 when there is none.
std::int64_t previous_page_offset(std::int64_t offset);
std::int64_t next_page_offset(std::int64_t offset, std::int64_t total);
