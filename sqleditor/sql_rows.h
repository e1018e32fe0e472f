#pragma once

#include <sqlite3.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The rows of a free SQL run, kept as the result list shows them: each value by
// what its cell can show (a text by its first characters, a BLOB by its size), the
// rows packed one after another. Up to a memory budget: past it the rows are
// counted but no longer kept, so a result of any size is listed without running
// out of memory.
class SqlRows {
public:
    // What the list may hold. The 32-bit program has 2 GiB of address space in all.
    static constexpr std::size_t kDefaultBudget = std::size_t{192} << 20;
    // The characters of a text that are kept: a cell shows at most 254 bytes, and
    // every character takes at least one.
    static constexpr std::size_t kKeptCharacters = 255;

    explicit SqlRows(std::size_t budget = kDefaultBudget) : budget_(budget) {}

    void set_columns(int columns);
    // Keeps the statement's present row; false (and the row only counted) when the
    // budget is spent.
    bool add_row(sqlite3_stmt* statement);

    int columns() const { return columns_; }
    // The rows kept.
    int rows() const { return static_cast<int>(row_starts_.size()); }
    // Every row the statements gave, kept or not.
    std::int64_t rows_returned() const { return rows_returned_; }
    bool complete() const { return rows_returned_ == static_cast<std::int64_t>(rows()); }
    std::size_t bytes_used() const;

    bool is_null(int row, int column) const;
    // The size of a BLOB value, -1 for any other.
    long long blob_size(int row, int column) const;
    // A number or a text as kept (UTF-8); empty for NULL and BLOB values.
    std::string_view text(int row, int column) const;

private:
    enum Tag : unsigned char { tag_null = 0, tag_text = 1, tag_blob = 2 };
    struct Cell {
        Tag tag = tag_null;
        std::uint64_t number = 0;  // a BLOB's size, or a text's length
        const char* bytes = nullptr;
    };
    Cell cell(int row, int column) const;
    // Room for `size` more bytes of the present row, which must stay in one chunk.
    char* reserve(std::size_t size);

    static constexpr std::size_t kChunkSize = std::size_t{1} << 20;
    std::size_t budget_;
    int columns_ = 0;
    std::int64_t rows_returned_ = 0;
    std::vector<std::unique_ptr<char[]>> chunks_;
    std::size_t chunk_size_ = 0;
    std::size_t chunk_used_ = 0;
    std::size_t chunk_bytes_ = 0;
    // Where each row starts: chunk index and offset.
    std::vector<std::uint32_t> row_starts_;
    bool full_ = false;
    std::string row_buffer_;
};
