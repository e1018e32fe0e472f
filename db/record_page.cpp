#include "db/record_page.h"

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "db/record_identity.h"
#include "db/result_table.h"
#include "db/sql_text.h"
#include "db/text_convert.h"

namespace {

// Cuts a UTF-8 text after kPageTextBytes, before the lead byte of a character.
void cut_text(std::string& text) {
    text.resize(utf8_cut(text.data(), text.size(), kPageTextBytes));
}

struct BlobCloser {
    void operator()(sqlite3_blob* blob) const { sqlite3_blob_close(blob); }
};

// Reads the first bytes of long texts that the page statement left out, and of
// BLOBs. Through SQLite's incremental I/O, which reads only the pages it needs:
// substr() would read every byte of the value first.
class TextPrefixReader {
public:
    TextPrefixReader(sqlite3* db, const std::string& table, const TableShape& shape)
        : db_(db), table_(table), shape_(shape), blobs_(shape.columns.size()) {}

    bool read(sqlite3_int64 rowid, std::size_t column, std::string& text) {
        text.clear();
        if (stored_as_utf8() && read_stored_bytes(rowid, column, kPageTextBytes + 4, text)) {
            cut_text(text);
            return true;
        }
        return read_by_query(rowid, column, text);
    }

    // A BLOB's first bytes; empty when they cannot be read.
    void read_head(sqlite3_int64 rowid, std::size_t column, std::string& head) {
        if (!read_stored_bytes(rowid, column, kBlobHeadBytes, head)) {
            head.clear();
        }
    }

private:
    // The stored bytes are the text's UTF-8 only in a UTF-8 database.
    bool stored_as_utf8() {
        if (utf8_ < 0) {
            ResultTable encoding;
            utf8_ = encoding.run(db_, "PRAGMA main.encoding;") && encoding.rows() == 1 &&
                    encoding.value(0, 0) && std::string(encoding.value(0, 0)) == "UTF-8";
        }
        return utf8_ == 1;
    }

    bool read_stored_bytes(sqlite3_int64 rowid,
                           std::size_t column,
                           std::size_t count,
                           std::string& text) {
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
        const int wanted = std::min(size, static_cast<int>(count));
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
                                quote_identifier(table_) + " WHERE " +
                                record_condition(shape_, {std::to_string(rowid)}) + ";";
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
    int utf8_ = -1;  // not known yet
    std::vector<std::unique_ptr<sqlite3_blob, BlobCloser>> blobs_;
};

// Reads the rows of a page statement (identifying fields, the columns, then
// `order_fields` sort values) and adds them to `records`; false, with `records`
// emptied, when the read failed.
bool read_rows(sqlite3* db,
               const std::string& table,
               const TableShape& shape,
               const std::string& sql,
               const std::vector<FilterValue>& values,
               std::size_t order_fields,
               std::vector<PageRecord>& records) {
    const RecordIdentity& identity = record_identity(shape);
    const int identity_fields = identity.field_count(shape);
    const std::size_t columns = shape.columns.size();
    ResultTable result;
    {
        // The row id or key comes on top of the columns: a table of the most
        // columns SQLite allows would give one result column too many.
        const int needed = identity_fields + static_cast<int>(columns + order_fields);
        const int limit = db ? sqlite3_limit(db, SQLITE_LIMIT_COLUMN, -1) : 0;
        if (db && needed > limit) {
            sqlite3_limit(db, SQLITE_LIMIT_COLUMN, needed);
        }
        const bool read = result.run_typed(db, sql, values);
        if (db && needed > limit) {
            sqlite3_limit(db, SQLITE_LIMIT_COLUMN, limit);
        }
        if (!read) {
            records.clear();
            return false;
        }
    }
    if (result.rows() > 0 &&
        result.columns() != identity_fields + static_cast<int>(columns + order_fields)) {
        records.clear();
        return false;
    }
    TextPrefixReader long_texts(db, table, shape);
    // Only a record with a row id can be opened for its first bytes alone.
    const bool heads = identity.has_rowid() && !shape.is_virtual;
    const std::size_t first = records.size();
    records.resize(first + static_cast<std::size_t>(result.rows()));
    for (int row = 0; row < result.rows(); ++row) {
        PageRecord& record = records[first + static_cast<std::size_t>(row)];
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
                if (heads && cell.blob_bytes > 0) {
                    long_texts.read_head(identity.rowid(record.identity), column, cell.head);
                }
            } else if (blob == 0) {
                // An empty BLOB stands for a text too long to be read whole.
                cell.kind = PageValue::Kind::value;
                if (!long_texts.read(identity.rowid(record.identity), column, cell.text)) {
                    records.clear();
                    return false;
                }
            } else if (value) {
                cell.kind = PageValue::Kind::value;
                cell.text = value;
                cut_text(cell.text);
            }
        }
        for (std::size_t key = 0; key < order_fields; ++key) {
            const char* literal =
                result.value(row, identity_fields + static_cast<int>(columns + key));
            record.order_values.emplace_back(literal ? literal : "");
        }
    }
    return true;
}

}  // namespace

bool read_record_page(sqlite3* db,
                      const std::string& table,
                      const TableShape& shape,
                      std::int64_t offset,
                      int count,
                      std::vector<PageRecord>& records) {
    PageStart start;
    start.offset = offset;
    return read_record_page(db, table, shape, start, count, records);
}

bool read_record_page(sqlite3* db,
                      const std::string& table,
                      const TableShape& shape,
                      const RecordView& view,
                      const PageStart& start,
                      int count,
                      std::vector<PageRecord>& records) {
    if (view.plain()) {
        return read_record_page(db, table, shape, start, count, records);
    }
    records.clear();
    bool backwards = false;
    const std::vector<ViewStatement> statements =
        view_page_statements(table, shape, view, start, count, backwards);
    if (statements.empty()) {
        return false;
    }
    for (const ViewStatement& statement : statements) {
        const int wanted = count - static_cast<int>(records.size());
        if (wanted <= 0) {
            break;
        }
        // The last parameter of each statement is its LIMIT: what the runs
        // before it left to fill.
        std::vector<FilterValue> values = statement.values;
        values.back().integer = wanted;
        if (!read_rows(db, table, shape, statement.sql, values, view.order.size(), records)) {
            return false;
        }
    }
    if (backwards) {
        std::reverse(records.begin(), records.end());
    }
    return true;
}

DatabaseStamp read_database_stamp(sqlite3* db) {
    DatabaseStamp stamp;
    if (!db || !sqlite3_get_autocommit(db)) {
        return stamp;
    }
    unsigned version = 0;
    if (sqlite3_file_control(db, "main", SQLITE_FCNTL_DATA_VERSION, &version) != SQLITE_OK) {
        return stamp;
    }
    stamp.data_version = version;
    stamp.own_changes = sqlite3_total_changes64(db);
    stamp.valid = true;
    return stamp;
}

bool read_record_page(sqlite3* db,
                      const std::string& table,
                      const TableShape& shape,
                      const PageStart& start,
                      int count,
                      std::vector<PageRecord>& records) {
    records.clear();
    if (!read_rows(db, table, shape, record_page_sql(table, shape, start, count), {}, 0, records)) {
        return false;
    }
    if (start.from == PageStart::From::before && pages_by_key(shape)) {
        std::reverse(records.begin(), records.end());
    }
    return true;
}
