#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "db/file_encoding.h"

// Reading a CSV file record by record, in bounded memory, for an import. Fields
// come back in UTF-8: an unquoted empty field as no value (NULL), a quoted one as
// an empty text, as the export writes them. A malformed record (an unclosed
// quote, a character after a closing quote) and bytes not valid in the chosen
// encoding are errors with the line they start on, never substituted.
//
// The file is read and decoded in large blocks (Shift-JIS through the system's
// conversion, once per block rather than once per value), and each record is
// parsed in place in the decoded text: a record costs no allocation.

// What the first bytes of a file suggest: a UTF-8 byte-order mark, else text that
// is valid UTF-8 throughout the sample, else Shift-JIS.
FileEncoding detect_csv_encoding(std::string_view head);
// Tab when the first line holds more tabs than commas, else comma.
char detect_csv_separator(std::string_view head);
// True when the bytes are valid UTF-8; a character cut at the very end of the
// sample counts as valid when `cut_at_end` allows it.
bool is_valid_utf8(std::string_view bytes, bool cut_at_end = false);

using CsvField = std::optional<std::string>;

// One field of the record just read: its UTF-8 bytes, valid until the next read.
struct CsvValue {
    const char* data = nullptr;
    std::size_t size = 0;
    bool null = false;
};

class CsvReader {
public:
    enum Result { record, end, malformed, not_encoded, read_failed };

    // The bytes read and decoded at a time; a record longer than this is read
    // whole, in as many blocks as it takes.
    static constexpr std::size_t kBlockBytes = std::size_t{1} << 20;

    CsvReader(std::FILE* file, FileEncoding encoding, char separator);

    // The next record; its fields are then values().
    Result next();
    const std::vector<CsvValue>& values() const { return values_; }
    // The next record's fields, copied.
    Result next(std::vector<CsvField>& fields);
    // The line on which the last record (or the error) starts, from 1.
    std::int64_t line() const { return record_line_; }

private:
    struct FieldSpan {
        std::size_t at;
        std::size_t size;
        bool unquoted_copy;  // in unquoted_, its doubled quotes made single
        bool null;
    };
    enum class Parse { done, need_more, malformed, not_encoded };

    Parse parse_record();
    // Reads and decodes another block after what is held; false at the end of the
    // file (or on a read failure, or once undecodable bytes were met).
    bool fill();
    void decode(std::string_view raw);

    std::FILE* file_;
    FileEncoding encoding_;
    char separator_;
    // Bytes read but not decoded yet: what follows the last safe cut of a block.
    std::string raw_;
    std::vector<char> block_;
    // Decoded text; the record being read starts at `start_`.
    std::string text_;
    std::size_t start_ = 0;
    // Where decoding stopped at bytes the encoding does not allow (or npos).
    std::size_t bad_at_ = std::string::npos;
    bool at_end_ = false;
    bool failed_ = false;
    bool started_ = false;
    std::int64_t line_ = 1;
    std::int64_t record_line_ = 0;
    std::vector<FieldSpan> spans_;
    std::string unquoted_;
    std::vector<CsvValue> values_;
    std::string converted_;
    std::wstring wide_;
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
