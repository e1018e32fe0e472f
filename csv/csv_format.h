#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The CSV form of values, as office spreadsheets read and write it: fields
// separated by a comma or a tab, records ended by CR LF, a field in double quotes
// when it holds a quote, the separator or a line break, a quote inside doubled.
// Written here rather than taken from a library: none that is packaged builds
// cleanly into the static Windows program, and the rules fit on a page.

constexpr char kCsvLineEnd[] = "\r\n";
constexpr char kUtf8ByteOrderMark[] = "\xEF\xBB\xBF";

// Appends one field. A NULL is an empty field; an empty text is written as "" so
// that the two stay apart when the file is read back.
void append_csv_field(std::string& line, std::string_view value, char separator);
void append_csv_empty_text(std::string& line);

// A BLOB's bytes as upper-case hexadecimal digits, two per byte.
void append_hex(std::string& out, const unsigned char* bytes, std::size_t size);
