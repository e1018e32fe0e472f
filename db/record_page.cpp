#include "db/record_page.h"

#include <cstdlib>
#include <memory>

#include "db/result_table.h"
#include "db/sql_text.h"

namespace {

// Cuts a UTF-8 text after kPageTextBytes, before the lead byte of a character.
void cut_text(std::string& text) {
    if (text.size() <= kPageTextBytes) {
        return;
    }
    std::size_t cut = kPageTextBytes;
    while (cut < text.size() && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) {
        ++cut;
    }
    text.resize(cut);
}

struct BlobCloser {
    void operator()(sqlite3_blob* blob) const { sqlite3_blob_close(blob); }
};
struct StatementDeleter {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};

// Reads the first bytes of long texts that the page statement left out. Through
// SQLite's incremental I/O, which reads only the pages it needs: substr() would
// read every byte of the text first.
class TextPrefixReader {
public:
    TextPrefixReader(sqlite3* db, const std::string& table, const TableShape& shape)
        : db_(db), table_(table), shape_(shape), blobs_(shape.columns.size()) {
        sqlite3_stmt* raw = nullptr;
        if (sqlite3_prepare_v2(db, "PRAGMA main.encoding;", -1, &raw, nullptr) == SQLITE_OK) {
            std::unique_ptr<sqlite3_stmt, StatementDeleter> statement(raw);
            if (sqlite3_step(raw) == SQLITE_ROW) {
                const unsigned char* encoding = sqlite3_column_text(raw, 0);
                utf8_ = encoding && std::string(reinterpret_cast<const char*>(encoding)) == "UTF-8";
            }
        }
    }

    bool read(sqlite3_int64 rowid, std::size_t column, std::string& text) {
        text.clear();
        if (utf8_ && read_stored_bytes(rowid, column, text)) {
            cut_text(text);
            return true;
        }
        return read_by_query(rowid, column, text);
    }

private:
    bool read_stored_bytes(sqlite3_int64 rowid, std::size_t column, std::string& text) {
        std::unique_ptr<sqlite3_blob, BlobCloser>& blob = blobs_[column];
        if (blob) {
            if (sqlite3_blob_reopen(blob.get(), rowid) != SQLITE_OK) {
                blob.reset();
                return false;
            }
        } else {
            sqlite3_blob* raw = nullptr;
            const int code = sqlite3_blob_open(db_, "main", table_.c_str(),
                                               shape_.columns[column].name.c_str(), rowid, 0, &raw);
            blob.reset(raw);
            if (code != SQLITE_OK) {
                blob.reset();
                return false;
            }
        }
        const int size = sqlite3_blob_bytes(blob.get());
        const int wanted = size < static_cast<int>(kPageTextBytes) + 4
                               ? size
                               : static_cast<int>(kPageTextBytes) + 4;
        text.resize(static_cast<std::size_t>(wanted));
        if (wanted > 0 && sqlite3_blob_read(blob.get(), &text[0], wanted, 0) != SQLITE_OK) {
            text.clear();
            return false;
        }
        return true;
    }

    bool read_by_query(sqlite3_int64 rowid, std::size_t column, std::string& text) {
        const std::string sql = "SELECT substr(" + quote_identifier(shape_.columns[column].name) +
                                ", 1, " + std::to_string(kPageTextBytes) + ") FROM " +
                                quote_identifier(table_) + " WHERE " + shape_.rowid_name + " = " +
                                std::to_string(rowid) + ";";
        ResultTable result;
        if (!result.run(db_, sql) || result.rows() < 1 || result.columns() < 1) {
            return false;
        }
        const char* value = result.value(0, 0);
        text = value ? value : "";
        cut_text(text);
        return true;
    }

    sqlite3* db_;
    const std::string& table_;
    const TableShape& shape_;
    bool utf8_ = false;
    std::vector<std::unique_ptr<sqlite3_blob, BlobCloser>> blobs_;
};

}  // namespace

bool read_record_page(sqlite3* db,
                      const std::string& table,
                      const TableShape& shape,
                      std::int64_t offset,
                      int count,
                      std::vector<PageRecord>& records) {
    records.clear();
    ResultTable result;
    {
        // The row id or key comes on top of the columns: a table of the most
        // columns SQLite allows would give one result column too many.
        const int needed = identity_field_count(shape) + static_cast<int>(shape.columns.size());
        const int limit = db ? sqlite3_limit(db, SQLITE_LIMIT_COLUMN, -1) : 0;
        if (db && needed > limit) {
            sqlite3_limit(db, SQLITE_LIMIT_COLUMN, needed);
        }
        const bool read = result.run_typed(db, record_page_sql(table, shape, offset, count));
        if (db && needed > limit) {
            sqlite3_limit(db, SQLITE_LIMIT_COLUMN, limit);
        }
        if (!read) {
            return false;
        }
    }
    const int identity_fields = identity_field_count(shape);
    const std::size_t columns = shape.columns.size();
    if (result.columns() != identity_fields + static_cast<int>(columns)) {
        return false;
    }
    TextPrefixReader long_texts(db, table, shape);
    records.resize(static_cast<std::size_t>(result.rows()));
    for (int row = 0; row < result.rows(); ++row) {
        PageRecord& record = records[static_cast<std::size_t>(row)];
        for (int field = 0; field < identity_fields; ++field) {
            const char* literal = result.value(row, field);
            record.identity.emplace_back(literal ? literal : "");
        }
        record.values.resize(columns);
        for (std::size_t column = 0; column < columns; ++column) {
            const int field = identity_fields + static_cast<int>(column);
            const char* value = result.value(row, field);
            PageValue& cell = record.values[column];
            const long long blob = result.blob_size(row, field);
            if (blob > 0) {
                // A BLOB field holds the size of the value in digits.
                cell.kind = PageValue::Kind::blob;
                cell.blob_bytes = std::strtoll(value, nullptr, 10);
            } else if (blob == 0) {
                // An empty BLOB stands for a text too long to be read whole.
                cell.kind = PageValue::Kind::value;
                const sqlite3_int64 rowid = std::strtoll(record.identity[0].c_str(), nullptr, 10);
                if (!long_texts.read(rowid, column, cell.text)) {
                    records.clear();
                    return false;
                }
            } else if (value) {
                cell.kind = PageValue::Kind::value;
                cell.text = value;
                cut_text(cell.text);
            }
        }
    }
    return true;
}
