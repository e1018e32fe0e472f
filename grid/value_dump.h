#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// A value's bytes as the viewer pages through them: 16 to a line, each line with
// its offset, the bytes in hexadecimal and the printable ASCII ones as text; in a
// text value, every character that starts on the line.

constexpr std::size_t kDumpLineBytes = 16;
// The bytes of one page of the dump.
constexpr std::size_t kDumpPageBytes = 4096;

// The lines (CR LF between them, UTF-8) for `bytes`, which start at `offset` of the
// value. `as_text`: the value is a text (UTF-8), whose characters are shown under
// their first byte, the room of their other bytes kept so that lines stay aligned.
std::string dump_text(const std::string& bytes, std::int64_t offset, bool as_text = false);

// A count with a comma every three digits: 4,194,304.
std::string grouped_number(std::int64_t number);

// Where the page before and after the one at `offset` start in a value of `total`
// bytes; -1 when there is none.
std::int64_t previous_page_offset(std::int64_t offset);
std::int64_t next_page_offset(std::int64_t offset, std::int64_t total);
