#include "csv/csv_reader.h"

#include <cstring>

#include "csv/csv_format.h"
#include "db/text_convert.h"

namespace {

constexpr std::size_t kReadBytes = std::size_t{1} << 16;

}  // namespace

bool is_valid_utf8(std::string_view bytes, bool cut_at_end) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        std::size_t length = c < 0x80           ? 1
                             : (c >> 5) == 0x6  ? 2
                             : (c >> 4) == 0xE  ? 3
                             : (c >> 3) == 0x1E ? 4
                                                : 0;
        if (length == 0 || (length == 2 && c < 0xC2) || (length == 4 && c > 0xF4)) {
            return false;
        }
        if (i + length > bytes.size()) {
            if (!cut_at_end) {
                return false;
            }
            length = bytes.size() - i;
        }
        for (std::size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80) {
                return false;
            }
        }
        i += length;
    }
    return true;
}

FileEncoding detect_csv_encoding(std::string_view head) {
    if (head.substr(0, 3) == kUtf8ByteOrderMark) {
        return FileEncoding::utf8_bom;
    }
    return is_valid_utf8(head, true) ? FileEncoding::utf8 : FileEncoding::shift_jis;
}

char detect_csv_separator(std::string_view head) {
    const std::string_view line = head.substr(0, head.find_first_of("\r\n"));
    std::size_t tabs = 0;
    std::size_t commas = 0;
    for (char c : line) {
        tabs += c == '\t';
        commas += c == ',';
    }
    return tabs > commas ? '\t' : ',';
}

CsvReader::CsvReader(std::FILE* file, FileEncoding encoding, char separator)
    : file_(file), encoding_(encoding), separator_(separator), buffer_(kReadBytes) {}

int CsvReader::peek() {
    if (at_ == size_) {
        if (failed_ || !file_) {
            return -1;
        }
        size_ = std::fread(buffer_.data(), 1, buffer_.size(), file_);
        at_ = 0;
        if (size_ == 0) {
            failed_ = std::ferror(file_) != 0;
            return -1;
        }
    }
    return static_cast<unsigned char>(buffer_[at_]);
}

int CsvReader::get() {
    const int c = peek();
    if (c >= 0) {
        ++at_;
    }
    return c;
}

bool CsvReader::convert(std::string& field) {
    if (encoding_ == FileEncoding::shift_jis) {
        bool ascii = true;
        for (char c : field) {
            ascii = ascii && static_cast<unsigned char>(c) < 0x80;
        }
        if (ascii) {
            return true;
        }
        if (!convert_exact(field, true, converted_)) {
            return false;
        }
        field.swap(converted_);
        return true;
    }
    return is_valid_utf8(field);
}

CsvReader::Result CsvReader::next(std::vector<CsvField>& fields) {
    fields.clear();
    if (!started_) {
        started_ = true;
        if (encoding_ != FileEncoding::shift_jis) {
            // The mark is no part of the first field, whether it was expected or not.
            if (peek() >= 0 && size_ - at_ >= 3 &&
                std::memcmp(&buffer_[at_], kUtf8ByteOrderMark, 3) == 0) {
                at_ += 3;
            }
        }
    }
    record_line_ = line_;
    if (peek() < 0) {
        return failed_ ? read_failed : end;
    }
    std::string field;
    bool quoted = false;
    for (;;) {
        int c = get();
        if (c == '"' && field.empty() && !quoted) {
            quoted = true;
            // Up to the closing quote: separators and line breaks are part of the value.
            for (;;) {
                c = get();
                if (c < 0) {
                    return failed_ ? read_failed : malformed;
                }
                if (c == '"') {
                    if (peek() == '"') {
                        get();
                        field.push_back('"');
                        continue;
                    }
                    break;
                }
                if (c == '\n') {
                    ++line_;
                }
                field.push_back(static_cast<char>(c));
            }
            c = get();
            if (c >= 0 && c != separator_ && c != '\r' && c != '\n') {
                return malformed;
            }
        } else {
            while (c >= 0 && c != separator_ && c != '\r' && c != '\n') {
                if (c == '"') {
                    return malformed;  // a quote inside an unquoted field
                }
                field.push_back(static_cast<char>(c));
                c = get();
            }
        }
        if (!quoted && field.empty()) {
            fields.emplace_back(std::nullopt);
        } else {
            if (!convert(field)) {
                return not_encoded;
            }
            fields.emplace_back(std::move(field));
        }
        field.clear();
        quoted = false;
        if (c == separator_) {
            continue;
        }
        if (c == '\r' && peek() == '\n') {
            get();
        }
        if (c == '\r' || c == '\n') {
            ++line_;
        }
        if (c < 0 && failed_) {
            return read_failed;
        }
        return record;
    }
}

std::vector<std::vector<CsvField>> read_csv_head(const std::string& path,
                                                 FileEncoding encoding,
                                                 char separator,
                                                 std::size_t count,
                                                 CsvReader::Result& result,
                                                 std::int64_t& line) {
    std::vector<std::vector<CsvField>> records;
    result = CsvReader::read_failed;
    line = 0;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        return records;
    }
    CsvReader reader(file, encoding, separator);
    std::vector<CsvField> fields;
    while (records.size() < count && (result = reader.next(fields)) == CsvReader::record) {
        records.push_back(fields);
    }
    line = reader.line();
    std::fclose(file);
    return records;
}
