#include "csv/csv_reader.h"

#include <algorithm>
#include <cstring>

#include "csv/csv_format.h"
#include "db/part_file.h"
#include "db/text_convert.h"

namespace {

// A byte below 0x40 is a character of its own in Shift-JIS (no second byte is
// that small) and in UTF-8: a block of either can be cut after one without
// splitting a character. Line breaks, commas, tabs and quotes are all such bytes.
constexpr unsigned char kSafeCutBelow = 0x40;

// The length of the longest valid UTF-8 start of the bytes.
std::size_t valid_utf8_length(std::string_view bytes, bool cut_at_end) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        std::size_t length = (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
        if (length == 0 || (length == 2 && c < 0xC2) || (length == 4 && c > 0xF4)) {
            return i;
        }
        if (i + length > bytes.size()) {
            if (!cut_at_end) {
                return i;
            }
            length = bytes.size() - i;
        }
        for (std::size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80) {
                return i;
            }
        }
        i += length;
    }
    return i;
}

}  // namespace

bool is_valid_utf8(std::string_view bytes, bool cut_at_end) {
    return valid_utf8_length(bytes, cut_at_end) == bytes.size();
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
    : file_(file), encoding_(encoding), separator_(separator) {}

void CsvReader::decode(std::string_view raw) {
    if (!started_) {
        started_ = true;
        // The mark is no part of the first field, whether it was expected or not.
        if (encoding_ != FileEncoding::shift_jis && raw.substr(0, 3) == kUtf8ByteOrderMark) {
            raw.remove_prefix(3);
        }
    }
    if (encoding_ != FileEncoding::shift_jis) {
        const std::size_t valid = valid_utf8_length(raw, false);
        text_.append(raw.substr(0, valid));
        if (valid < raw.size()) {
            bad_at_ = text_.size();
        }
        return;
    }
    if (is_ascii(raw)) {
        text_.append(raw);
        return;
    }
    if (convert_block_exact(raw, true, converted_, wide_)) {
        text_.append(converted_);
        return;
    }
    // Somewhere in the block is a byte the code page does not allow: the text
    // before the piece that holds it is decoded, and reading stops there.
    std::size_t from = 0;
    while (from < raw.size()) {
        std::size_t to = from;
        while (to < raw.size() && static_cast<unsigned char>(raw[to]) >= kSafeCutBelow) {
            ++to;
        }
        to += to < raw.size() ? 1 : 0;
        const std::string_view piece = raw.substr(from, to - from);
        if (is_ascii(piece)) {
            text_.append(piece);
        } else if (convert_exact(piece, true, converted_)) {
            text_.append(converted_);
        } else {
            bad_at_ = text_.size();
            return;
        }
        from = to;
    }
}

bool CsvReader::fill() {
    if (at_end_ || bad_at_ != std::string::npos || !file_) {
        at_end_ = true;
        return false;
    }
    if (start_ > 0) {
        text_.erase(0, start_);
        start_ = 0;
    }
    // A record longer than a block: read as much again as is held, so that a
    // huge value costs a few reads rather than one per block.
    const std::size_t want = std::max(kBlockBytes, text_.size());
    block_.resize(want);
    for (;;) {
        const std::size_t got = std::fread(block_.data(), 1, want, file_);
        const bool last = got < want;
        if (last && std::ferror(file_)) {
            failed_ = true;
        }
        raw_.append(block_.data(), got);
        std::size_t cut = raw_.size();
        if (!last) {
            while (cut > 0 && static_cast<unsigned char>(raw_[cut - 1]) >= kSafeCutBelow) {
                --cut;
            }
            if (cut == 0) {
                continue;  // no place to cut yet: read on
            }
        }
        decode(std::string_view(raw_).substr(0, cut));
        raw_.erase(0, cut);
        at_end_ = last;
        return true;
    }
}

CsvReader::Parse CsvReader::parse_record() {
    spans_.clear();
    unquoted_.clear();
    const char* const text = text_.data();
    const std::size_t limit = text_.size();
    const bool bad = bad_at_ != std::string::npos;
    // More text can come after what is held: a record cut at its end is read again.
    const bool more = !at_end_ && !bad;
    const char separator = separator_;
    std::int64_t breaks = 0;
    std::size_t i = start_;
    for (;;) {
        if (i < limit && text[i] == '"') {
            // Up to the closing quote: separators and line breaks are part of the value.
            const std::size_t from = ++i;
            std::size_t copied_at = std::string::npos;
            for (;;) {
                const auto* quote = static_cast<const char*>(std::memchr(text + i, '"', limit - i));
                const std::size_t at = quote ? static_cast<std::size_t>(quote - text) : limit;
                breaks += std::count(text + i, text + at, '\n');
                if (!quote) {
                    return more ? Parse::need_more : bad ? Parse::not_encoded : Parse::malformed;
                }
                if (at + 1 == limit && more) {
                    return Parse::need_more;  // a doubled quote or the closing one
                }
                if (at + 1 < limit && text[at + 1] == '"') {
                    if (copied_at == std::string::npos) {
                        copied_at = unquoted_.size();
                        unquoted_.append(text + from, at - from);
                    } else {
                        unquoted_.append(text + i, at - i);
                    }
                    unquoted_.push_back('"');
                    i = at + 2;
                    continue;
                }
                if (copied_at == std::string::npos) {
                    spans_.push_back({from, at - from, false, false});
                } else {
                    unquoted_.append(text + i, at - i);
                    spans_.push_back({copied_at, unquoted_.size() - copied_at, true, false});
                }
                i = at + 1;
                break;
            }
            if (i == limit && bad) {
                return Parse::malformed;  // what follows the quote is no separator
            }
            if (i < limit && text[i] != separator && text[i] != '\r' && text[i] != '\n') {
                return Parse::malformed;
            }
        } else {
            const std::size_t from = i;
            while (i < limit) {
                const char c = text[i];
                if (c == separator || c == '\r' || c == '\n' || c == '"') {
                    break;
                }
                ++i;
            }
            if (i == limit && (more || bad)) {
                return more ? Parse::need_more : Parse::not_encoded;
            }
            if (i < limit && text[i] == '"') {
                return Parse::malformed;  // a quote inside an unquoted field
            }
            spans_.push_back({from, i - from, false, i == from});
        }
        if (i == limit) {
            break;  // the last record, without a line break
        }
        const char c = text[i++];
        if (c == separator) {
            continue;
        }
        if (c == '\r') {
            if (i == limit && more) {
                return Parse::need_more;
            }
            if (i < limit && text[i] == '\n') {
                ++i;
            }
        }
        ++breaks;
        break;
    }
    start_ = i;
    line_ += breaks;
    values_.clear();
    for (const FieldSpan& span : spans_) {
        const char* base = span.unquoted_copy ? unquoted_.data() : text_.data();
        values_.push_back({base + span.at, span.size, span.null});
    }
    return Parse::done;
}

CsvReader::Result CsvReader::next() {
    values_.clear();
    record_line_ = line_;
    for (;;) {
        if (start_ == text_.size()) {
            if (bad_at_ != std::string::npos) {
                return not_encoded;
            }
            if (!fill()) {
                return failed_ ? read_failed : end;
            }
            continue;
        }
        switch (parse_record()) {
            case Parse::done:
                return record;
            case Parse::need_more:
                fill();
                continue;
            case Parse::malformed:
                return failed_ ? read_failed : malformed;
            case Parse::not_encoded:
                return not_encoded;
        }
    }
}

CsvReader::Result CsvReader::next(std::vector<CsvField>& fields) {
    fields.clear();
    const Result result = next();
    if (result == record) {
        for (const CsvValue& value : values_) {
            if (value.null) {
                fields.emplace_back(std::nullopt);
            } else {
                fields.emplace_back(std::string(value.data, value.size));
            }
        }
    }
    return result;
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
    std::FILE* file = open_file(path, "rb");
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
