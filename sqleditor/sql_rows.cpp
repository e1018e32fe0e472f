#include "sqleditor/sql_rows.h"

#include <cstring>

namespace {

constexpr int kOffsetBits = 20;

void put_number(std::string& out, std::uint64_t number) {
    while (number >= 0x80) {
        out.push_back(static_cast<char>((number & 0x7F) | 0x80));
        number >>= 7;
    }
    out.push_back(static_cast<char>(number));
}

std::uint64_t get_number(const char*& in) {
    std::uint64_t number = 0;
    int shift = 0;
    for (;;) {
        const unsigned char byte = static_cast<unsigned char>(*in++);
        number |= static_cast<std::uint64_t>(byte & 0x7F) << shift;
        if (!(byte & 0x80)) {
            return number;
        }
        shift += 7;
    }
}

// The length of the first `characters` characters of a UTF-8 text.
std::size_t prefix_length(const char* text, std::size_t length, std::size_t characters) {
    std::size_t seen = 0;
    for (std::size_t i = 0; i < length; ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && seen++ == characters) {
            return i;
        }
    }
    return length;
}

}  // namespace

void SqlRows::set_columns(int columns) {
    columns_ = columns;
}

std::size_t SqlRows::bytes_used() const {
    return chunk_bytes_ + row_starts_.capacity() * sizeof(std::uint32_t);
}

char* SqlRows::reserve(std::size_t size) {
    if (chunks_.empty() || chunk_used_ + size > chunk_size_) {
        // A row wider than a chunk (thousands of long texts) gets one of its own.
        chunk_size_ = size > kChunkSize ? size : kChunkSize;
        chunks_.push_back(std::make_unique<char[]>(chunk_size_));
        chunk_bytes_ += chunk_size_;
        chunk_used_ = 0;
    }
    return chunks_.back().get() + chunk_used_;
}

bool SqlRows::add_row(sqlite3_stmt* statement) {
    ++rows_returned_;
    if (full_) {
        return false;
    }
    row_buffer_.clear();
    for (int c = 0; c < columns_; ++c) {
        const int type = sqlite3_column_type(statement, c);
        if (type == SQLITE_NULL) {
            row_buffer_.push_back(static_cast<char>(tag_null));
        } else if (type == SQLITE_BLOB) {
            row_buffer_.push_back(static_cast<char>(tag_blob));
            put_number(row_buffer_, static_cast<std::uint64_t>(sqlite3_column_bytes(statement, c)));
        } else {
            const char* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, c));
            const std::size_t length =
                text ? prefix_length(text,
                                     static_cast<std::size_t>(sqlite3_column_bytes(statement, c)),
                                     kKeptCharacters)
                     : 0;
            row_buffer_.push_back(static_cast<char>(tag_text));
            put_number(row_buffer_, length);
            row_buffer_.append(text ? text : "", length);
        }
    }
    // The row index grows by doubling: count what the next step would take.
    const std::size_t index_growth = row_starts_.size() == row_starts_.capacity()
                                         ? row_starts_.capacity() * sizeof(std::uint32_t)
                                         : 0;
    const std::size_t size = row_buffer_.size();
    const std::size_t new_chunk = chunks_.empty() || chunk_used_ + size > chunk_size_
                                      ? (size > kChunkSize ? size : kChunkSize)
                                      : 0;
    if (bytes_used() + index_growth + new_chunk > budget_ ||
        chunks_.size() >= (std::size_t{1} << (32 - kOffsetBits)) - 1) {
        full_ = true;
        return false;
    }
    char* place = reserve(size);
    if (size > 0) {
        std::memcpy(place, row_buffer_.data(), row_buffer_.size());
    }
    row_starts_.push_back(
        static_cast<std::uint32_t>(((chunks_.size() - 1) << kOffsetBits) | chunk_used_));
    chunk_used_ += row_buffer_.size();
    return true;
}

SqlRows::Cell SqlRows::cell(int row, int column) const {
    Cell found;
    if (row < 0 || row >= rows() || column < 0 || column >= columns_) {
        return found;
    }
    const std::uint32_t start = row_starts_[static_cast<std::size_t>(row)];
    const char* in = chunks_[start >> kOffsetBits].get() + (start & ((1u << kOffsetBits) - 1));
    for (int c = 0;; ++c) {
        found.tag = static_cast<Tag>(*in++);
        if (found.tag != tag_null) {
            found.number = get_number(in);
        }
        found.bytes = in;
        if (c == column) {
            return found;
        }
        if (found.tag == tag_text) {
            in += found.number;
        }
    }
}

bool SqlRows::is_null(int row, int column) const {
    return cell(row, column).tag == tag_null;
}

long long SqlRows::blob_size(int row, int column) const {
    const Cell found = cell(row, column);
    return found.tag == tag_blob ? static_cast<long long>(found.number) : -1;
}

std::string_view SqlRows::text(int row, int column) const {
    const Cell found = cell(row, column);
    if (found.tag != tag_text) {
        return std::string_view();
    }
    return std::string_view(found.bytes, static_cast<std::size_t>(found.number));
}
