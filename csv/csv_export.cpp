#include "csv/csv_export.h"

#include <cstdio>
#include <memory>
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

bool is_ascii(const char* text, int size) {
    for (int i = 0; i < size; ++i) {
        if (static_cast<unsigned char>(text[i]) >= 0x80) {
            return false;
        }
    }
    return true;
}

// Writes the rows in the chosen encoding; with Shift-JIS it counts the values it
// cannot hold, and stops writing (though not counting) at the first.
class RowWriter {
public:
    RowWriter(PartFile& file, const CsvExportOptions& options) : file_(file), options_(options) {}

    void text(const char* utf8, int size) {
        if (size == 0) {
            append_csv_empty_text(line_);
            return;
        }
        std::string_view value(utf8, static_cast<std::size_t>(size));
        if (options_.encoding != FileEncoding::shift_jis || is_ascii(utf8, size)) {
            append_csv_field(line_, value, options_.separator);
        } else if (convert_exact(value, false, converted_)) {
            append_csv_field(line_, converted_, options_.separator);
        } else {
            ++unrepresentable_;
        }
    }
    void field(std::string_view plain) { append_csv_field(line_, plain, options_.separator); }
    void separator() { line_.push_back(options_.separator); }
    // False when the file cannot be written.
    bool end_line() {
        line_.append(kCsvLineEnd);
        if (unrepresentable_ > 0) {
            line_.clear();
            return true;
        }
        file_.buffer().append(line_);
        line_.clear();
        return file_.flush_if_full();
    }
    std::int64_t unrepresentable() const { return unrepresentable_; }

private:
    PartFile& file_;
    const CsvExportOptions& options_;
    std::string line_;
    std::string converted_;
    std::int64_t unrepresentable_ = 0;
};

void write_value(RowWriter& writer, sqlite3_stmt* statement, int column, std::string& hex) {
    switch (sqlite3_column_type(statement, column)) {
        case SQLITE_NULL:
            break;
        case SQLITE_BLOB: {
            const auto* bytes =
                static_cast<const unsigned char*>(sqlite3_column_blob(statement, column));
            const int size = sqlite3_column_bytes(statement, column);
            hex.clear();
            append_hex(hex, bytes, bytes ? static_cast<std::size_t>(size) : 0);
            writer.text(hex.data(), static_cast<int>(hex.size()));
            break;
        }
        case SQLITE_TEXT: {
            const auto* text =
                reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
            writer.text(text ? text : "", sqlite3_column_bytes(statement, column));
            break;
        }
        default: {
            const auto* number =
                reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
            writer.field(number ? number : "");
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
    CsvExportOutcome outcome;
    std::vector<Statement> statements;
    if (!prepare_read_only(db, utf8_sql, statements, outcome)) {
        return outcome;
    }
    for (const Statement& statement : statements) {
        if (bind_filter_values(statement.get(), values) != SQLITE_OK) {
            outcome.status = CsvExportOutcome::sql_failed;
            outcome.message = sqlite3_errmsg(db);
            return outcome;
        }
    }

    PartFile file(path);
    if (!file.is_open()) {
        outcome.status = CsvExportOutcome::file_failed;
        return outcome;
    }
    if (options.encoding == FileEncoding::utf8_bom) {
        file.buffer().append(kUtf8ByteOrderMark);
    }
    RowWriter writer(file, options);
    std::string hex;
    int columns = -1;
    for (const Statement& statement : statements) {
        sqlite3_stmt* s = statement.get();
        const int count = sqlite3_column_count(s);
        if (count == 0) {
            continue;
        }
        if (columns < 0) {
            columns = count;
            if (options.column_names) {
                for (int c = 0; c < count; ++c) {
                    if (c > 0) {
                        writer.separator();
                    }
                    const char* name = sqlite3_column_name(s, c);
                    name = name ? name : "";
                    writer.text(name, static_cast<int>(std::char_traits<char>::length(name)));
                }
                if (!writer.end_line()) {
                    outcome.status = CsvExportOutcome::file_failed;
                    return outcome;
                }
            }
        } else if (count != columns) {
            outcome.status = CsvExportOutcome::sql_failed;
            // As the result list reports the same run.
            outcome.message = "sqlite3_get_table() called with two or more incompatible queries";
            return outcome;
        }
        for (;;) {
            if (run_watch::tick()) {
                outcome.status = CsvExportOutcome::stopped;
                return outcome;
            }
            const int code = sqlite3_step(s);
            if (code == SQLITE_DONE) {
                break;
            }
            if (code == SQLITE_INTERRUPT) {
                outcome.status = CsvExportOutcome::stopped;
                return outcome;
            }
            if (code != SQLITE_ROW) {
                outcome.status = CsvExportOutcome::sql_failed;
                outcome.message = sqlite3_errmsg(db);
                return outcome;
            }
            for (int c = 0; c < count; ++c) {
                if (c > 0) {
                    writer.separator();
                }
                write_value(writer, s, c, hex);
            }
            if (!writer.end_line()) {
                outcome.status = CsvExportOutcome::file_failed;
                return outcome;
            }
            ++outcome.rows;
            if (progress && outcome.rows % kProgressRows == 0) {
                progress(outcome.rows);
            }
        }
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
