#include "csv/csv_export.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "csv/csv_format.h"
#include "db/part_file.h"
#include "db/result_table.h"
#include "db/run_watch.h"
#include "db/sql_text.h"
#include "db/sqlite_handles.h"
#include "db/text_convert.h"

namespace {

constexpr std::int64_t kProgressRows = 4096;
// Rows written between two looks at the stop request: its clock costs more than
// a row.
constexpr std::int64_t kTickRows = 64;
// Rows are gathered into blocks of about this size, each converted (to
// Shift-JIS) in one call and written in one write.
constexpr std::size_t kBlockBytes = std::size_t{1} << 20;

// Gathers the rows in UTF-8 and writes them a block at a time in the chosen
// encoding. With Shift-JIS it counts the values it cannot hold, and writes nothing
// more (though it goes on counting) after the first.
class BlockWriter {
public:
    BlockWriter(PartFile& file, const CsvExportOptions& options)
        : file_(file),
          separator_(options.separator),
          shift_jis_(options.encoding == FileEncoding::shift_jis) {
        block_.reserve(kBlockBytes + kBlockBytes / 4);
    }

    void text(const char* utf8, std::size_t size) {
        if (size == 0) {
            append_csv_empty_text(block_);
            return;
        }
        const std::string_view value(utf8, size);
        const std::size_t at = block_.size();
        append_csv_field(block_, value, separator_);
        if (shift_jis_ && !is_ascii(value)) {
            non_ascii_.push_back({at, block_.size() - at});
        }
    }
    void plain(std::string_view value) { block_.append(value); }
    void separator() { block_.push_back(separator_); }
    // False when the file cannot be written.
    bool end_row() {
        block_.append(kCsvLineEnd);
        return block_.size() < kBlockBytes || flush();
    }
    bool flush() {
        bool written = true;
        if (non_ascii_.empty()) {
            written = unrepresentable_ > 0 || file_.write(block_.data(), block_.size());
        } else if (convert_block_exact(block_, false, converted_, utf16_)) {
            written = unrepresentable_ > 0 || file_.write(converted_.data(), converted_.size());
        } else {
            // Rare: find which values the code page lacks.
            for (const auto& [at, size] : non_ascii_) {
                if (!convert_exact(std::string_view(block_).substr(at, size), false, converted_)) {
                    ++unrepresentable_;
                }
            }
        }
        block_.clear();
        non_ascii_.clear();
        return written;
    }
    std::int64_t unrepresentable() const { return unrepresentable_; }

private:
    PartFile& file_;
    const char separator_;
    const bool shift_jis_;
    std::string block_;
    // Where the values that are not plain ASCII lie in the block (Shift-JIS only).
    std::vector<std::pair<std::size_t, std::size_t>> non_ascii_;
    std::string converted_;
    std::wstring utf16_;
    std::int64_t unrepresentable_ = 0;
};

void write_value(BlockWriter& writer, sqlite3_stmt* statement, int column, std::string& hex) {
    switch (sqlite3_column_type(statement, column)) {
        case SQLITE_NULL:
            break;
        case SQLITE_BLOB: {
            const auto* bytes =
                static_cast<const unsigned char*>(sqlite3_column_blob(statement, column));
            const int size = sqlite3_column_bytes(statement, column);
            hex.clear();
            append_hex(hex, bytes, bytes ? static_cast<std::size_t>(size) : 0);
            writer.text(hex.data(), hex.size());
            break;
        }
        case SQLITE_TEXT: {
            const auto* text =
                reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
            const int size = sqlite3_column_bytes(statement, column);
            writer.text(text ? text : "", text ? static_cast<std::size_t>(size) : 0);
            break;
        }
        default: {
            const auto* number =
                reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
            const int size = sqlite3_column_bytes(statement, column);
            writer.plain(std::string_view(number ? number : "", number ? size : 0));
            break;
        }
    }
}

// Every statement is made ready before any runs, so that one that would change the
// database is found before anything has run.
bool prepare_read_only(sqlite3* db,
                       const std::string& utf8_sql,
                       std::vector<Statement>& statements,
                       CsvExportOutcome& outcome) {
    if (!db) {
        outcome.status = CsvExportOutcome::sql_failed;
        return false;
    }
    const char* rest = utf8_sql.c_str();
    while (rest && *rest) {
        sqlite3_stmt* prepared = nullptr;
        const char* tail = nullptr;
        if (sqlite3_prepare_v2(db, rest, -1, &prepared, &tail) != SQLITE_OK) {
            outcome.status = CsvExportOutcome::sql_failed;
            outcome.message = sqlite3_errmsg(db);
            return false;
        }
        rest = tail;
        if (!prepared) {
            continue;  // blanks or a comment
        }
        statements.emplace_back(prepared);
        if (!sqlite3_stmt_readonly(prepared)) {
            outcome.status = CsvExportOutcome::not_read_only;
            return false;
        }
    }
    return true;
}

}  // namespace

CsvExportOutcome check_csv_source(sqlite3* db, const std::string& utf8_sql) {
    CsvExportOutcome outcome;
    std::vector<Statement> statements;
    prepare_read_only(db, utf8_sql, statements, outcome);
    return outcome;
}

std::string csv_table_sql(const std::string& utf8_table) {
    return "SELECT * FROM " + quote_identifier(utf8_table) + ";";
}

std::string csv_view_sql(const std::string& utf8_table,
                         const TableShape& shape,
                         const RecordView& view) {
    if (view.plain()) {
        return csv_table_sql(utf8_table);
    }
    std::string sql = "SELECT * FROM " + quote_identifier(utf8_table);
    if (!view.filter.empty()) {
        sql += " WHERE (" + view.filter.condition + ")";
    }
    std::string order;
    for (const OrderKey& key : view.order) {
        if (key.column < shape.columns.size()) {
            order += order.empty() ? "" : ", ";
            order +=
                quote_identifier(shape.columns[key.column].name) + (key.descending ? " DESC" : "");
        }
    }
    if (!order.empty()) {
        // Ties as the grid shows them: in the table's own order.
        const std::string identity = identity_order(shape, "");
        sql += " ORDER BY " + order + (identity.empty() ? "" : ", " + identity);
    }
    return sql + ";";
}

CsvExportOutcome export_csv(sqlite3* db,
                            const std::string& utf8_sql,
                            const std::string& path,
                            const CsvExportOptions& options,
                            const CsvProgress& progress,
                            const std::vector<FilterValue>& values) {
    CsvExportOutcome outcome = check_csv_source(db, utf8_sql);
    if (outcome.status != CsvExportOutcome::written) {
        return outcome;
    }
    PartFile file(path);
    if (!file.is_open()) {
        outcome.status = CsvExportOutcome::file_failed;
        return outcome;
    }
    if (options.encoding == FileEncoding::utf8_bom) {
        file.buffer().append(kUtf8ByteOrderMark);
    }
    BlockWriter writer(file, options);
    std::string hex;
    int columns = 0;
    bool write_failed = false;
    bool stopped = false;
    auto on_columns = [&](sqlite3_stmt* statement) {
        columns = sqlite3_column_count(statement);
        if (!options.column_names) {
            return;
        }
        for (int c = 0; c < columns; ++c) {
            if (c > 0) {
                writer.separator();
            }
            const char* name = sqlite3_column_name(statement, c);
            name = name ? name : "";
            writer.text(name, std::char_traits<char>::length(name));
        }
        write_failed = !writer.end_row();
    };
    auto on_row = [&](sqlite3_stmt* statement) {
        for (int c = 0; c < columns; ++c) {
            if (c > 0) {
                writer.separator();
            }
            write_value(writer, statement, c, hex);
        }
        if (write_failed || !writer.end_row()) {
            write_failed = true;
            return false;
        }
        ++outcome.rows;
        if (progress && outcome.rows % kProgressRows == 0) {
            progress(outcome.rows);
        }
        stopped = outcome.rows % kTickRows == 0 && run_watch::tick(db);
        return !stopped;
    };
    const int code = stream_statements(db, utf8_sql, values, on_columns, on_row, outcome.message);
    if (stopped || code == SQLITE_INTERRUPT) {
        outcome.status = CsvExportOutcome::stopped;
        return outcome;
    }
    if (write_failed) {
        outcome.status = CsvExportOutcome::file_failed;
        return outcome;
    }
    if (code != SQLITE_OK) {
        outcome.status = CsvExportOutcome::sql_failed;
        if (outcome.message.empty()) {
            outcome.message = sqlite3_errmsg(db);
        }
        return outcome;
    }
    if (!writer.flush()) {
        outcome.status = CsvExportOutcome::file_failed;
        return outcome;
    }
    outcome.unrepresentable = writer.unrepresentable();
    if (outcome.unrepresentable > 0) {
        outcome.status = CsvExportOutcome::not_representable;
        return outcome;
    }
    if (!file.finish(path)) {
        outcome.status = CsvExportOutcome::file_failed;
    }
    return outcome;
}
