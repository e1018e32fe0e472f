#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "csv/csv_export.h"

// Reading a CSV file record by record, in bounded memory, for an import. Fields
// come back in UTF-8: an unquoted empty field as no value (NULL), a quoted one as
// an empty text, as the export writes them. A malformed record (an unclosed
// quote, a character after a closing quote) and bytes not valid in the chosen
// encoding are errors with the line they start on, never substituted.

// What the first bytes of a file suggest: a UTF-8 byte-order mark, else text that
// is valid UTF-8 throughout the sample, else Shift-JIS.
FileEncoding detect_csv_encoding(std::string_view head);
// Tab when the first line holds more tabs than commas, else comma.
char detect_csv_separator(std::string_view head);
// True when the bytes are valid UTF-8; a character cut at the very end of the
// sample counts as valid when `cut_at_end` allows it.
bool is_valid_utf8(std::string_view bytes, bool cut_at_end = false);

using CsvField = std::optional<std::string>;

class CsvReader {
public:
    enum Result { record, end, malformed, not_encoded, read_failed };

    CsvReader(std::FILE* file, FileEncoding encoding, char separator);

    // The next record's fields (UTF-8).
    Result next(std::vector<CsvField>& fields);
    // The line on which the last record (or the error) starts, from 1.
    std::int64_t line() const { return record_line_; }

private:
    // The next byte, or -1 at the end of the file (or a read failure).
    int get();
    int peek();
    bool convert(std::string& field);

    std::FILE* file_;
    FileEncoding encoding_;
    char separator_;
    std::vector<char> buffer_;
    std::size_t at_ = 0;
    std::size_t size_ = 0;
    bool failed_ = false;
    bool started_ = false;
    std::int64_t line_ = 1;
    std::int64_t record_line_ = 0;
    std::string converted_;
};

// The first records of a file as an import would read them, for the user to
// check: at most `count`. `result` tells whether reading could go on after them
// (record), or ended, or met a fault (at line `line`).
std::vector<std::vector<CsvField>> read_csv_head(const std::string& path,
                                                 FileEncoding encoding,
                                                 char separator,
                                                 std::size_t count,
                                                 CsvReader::Result& result,
                                                 std::int64_t& line);
