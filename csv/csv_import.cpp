#include "csv/csv_import.h"

#include <cstdio>
#include <memory>
#include <set>

#include "csv/csv_reader.h"
#include "db/part_file.h"
#include "db/run_watch.h"
#include "db/sql_error.h"
#include "db/sql_text.h"
#include "db/sqlite_handles.h"

namespace {

constexpr std::int64_t kProgressRows = 4096;
// Records read between two looks at the stop request: its clock costs more than
// a record.
constexpr std::int64_t kTickRecords = 64;
// The values of a typed import wait here until every column's type is known.
constexpr char kTypedValuesTable[] = "temp.korvelandis_csv_import";

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

CsvColumnType combine(CsvColumnType a, CsvColumnType b) {
    if (a == CsvColumnType::none) {
        return b;
    }
    if (b == CsvColumnType::none || a == b) {
        return a;
    }
    if (a == CsvColumnType::text || b == CsvColumnType::text) {
        return CsvColumnType::text;
    }
    return CsvColumnType::real;  // integers and numbers with fractions
}

const char* type_name(CsvColumnType type) {
    switch (type) {
        case CsvColumnType::integer:
            return "INTEGER";
        case CsvColumnType::real:
            return "REAL";
        default:
            return "TEXT";
    }
}

bool exec(sqlite3* db, const std::string& sql, std::string& message) {
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK) {
        return true;
    }
    message = connection_message(db, sqlite3_errcode(db));
    return false;
}

std::vector<std::string> existing_columns(sqlite3* db, const std::string& table) {
    std::vector<std::string> names;
    sqlite3_stmt* raw = nullptr;
    const std::string sql = "PRAGMA table_info(" + quote_identifier(table) + ");";
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &raw, nullptr) != SQLITE_OK) {
        return names;
    }
    Statement statement(raw);
    while (sqlite3_step(raw) == SQLITE_ROW) {
        const auto* name = reinterpret_cast<const char*>(sqlite3_column_text(raw, 1));
        names.emplace_back(name ? name : "");
    }
    return names;
}

CsvImportOutcome::Status status_of(CsvReader::Result result) {
    switch (result) {
        case CsvReader::malformed:
            return CsvImportOutcome::malformed;
        case CsvReader::not_encoded:
            return CsvImportOutcome::not_encoded;
        default:
            return CsvImportOutcome::file_failed;
    }
}

std::string column_list(const std::vector<std::string>& columns,
                        const std::vector<CsvColumnType>* types) {
    std::string list;
    for (std::size_t c = 0; c < columns.size(); ++c) {
        list += c > 0 ? ", " : "";
        list += quote_identifier(columns[c]);
        if (types) {
            list += std::string(" ") + type_name((*types)[c]);
        }
    }
    return list;
}

// One import, read, checked and inserted in the same pass inside a savepoint
// that the caller opened and ends.
class Import {
public:
    Import(sqlite3* db, const CsvImportOptions& options, const CsvProgress& progress)
        : db_(db), options_(options), progress_(progress) {}

    CsvImportOutcome run(CsvReader& reader) {
        CsvReader::Result result = reader.next();
        outcome_.line = reader.line();
        if (result == CsvReader::end) {
            outcome_.status = CsvImportOutcome::empty_file;
            return outcome_;
        }
        if (result != CsvReader::record) {
            outcome_.status = status_of(result);
            return outcome_;
        }
        const std::size_t count = reader.values().size();
        if (!prepare(reader.values())) {
            return outcome_;
        }
        if (!options_.column_names && !insert(reader.values())) {
            return outcome_;
        }
        for (std::int64_t records = 1;; ++records) {
            if (records % kTickRecords == 0 && run_watch::tick(db_)) {
                outcome_.status = CsvImportOutcome::stopped;
                return outcome_;
            }
            result = reader.next();
            outcome_.line = reader.line();
            if (result == CsvReader::end) {
                break;
            }
            if (result != CsvReader::record) {
                outcome_.status = status_of(result);
                return outcome_;
            }
            if (reader.values().size() != count) {
                outcome_.status = CsvImportOutcome::wrong_field_count;
                outcome_.expected = count;
                outcome_.found = reader.values().size();
                return outcome_;
            }
            if (!insert(reader.values())) {
                return outcome_;
            }
        }
        finish_typed();
        return outcome_;
    }

private:
    bool fail(CsvImportOutcome::Status status) {
        outcome_.status = status;
        if (status == CsvImportOutcome::sql_failed && outcome_.message.empty()) {
            outcome_.message = connection_message(db_, sqlite3_errcode(db_));
        }
        return false;
    }

    // Makes the new table (or checks the existing one) from the first record, and
    // the statement that inserts.
    bool prepare(const std::vector<CsvValue>& first) {
        const std::size_t count = first.size();
        std::string into = quote_identifier(options_.table);
        if (options_.new_table) {
            std::vector<std::string> first_line;
            for (const CsvValue& value : first) {
                first_line.emplace_back(value.data, value.size);
            }
            columns_ = csv_column_names(first_line, count, options_.column_names);
            types_.assign(count, CsvColumnType::none);
            // Typed: every value goes in as text, first into a table without
            // types; once the file is read through, the table gets each column's
            // type and the values are turned into numbers by the columns' types.
            const bool typed = options_.typed_columns;
            if (typed) {
                into = kTypedValuesTable;
            }
            std::vector<CsvColumnType> text(count, CsvColumnType::text);
            const std::string create = std::string("CREATE TABLE ") + into + "(" +
                                       column_list(columns_, typed ? nullptr : &text) + ");";
            if (!exec(db_, create, outcome_.message)) {
                return fail(CsvImportOutcome::sql_failed);
            }
        } else {
            const std::size_t columns = existing_columns(db_, options_.table).size();
            if (columns != count) {
                outcome_.status = CsvImportOutcome::column_count_differs;
                outcome_.expected = columns;
                outcome_.found = count;
                return false;
            }
        }
        std::string sql = "INSERT INTO " + into + " VALUES (";
        for (std::size_t c = 0; c < count; ++c) {
            sql += c > 0 ? ", ?" : "?";
        }
        sql += ");";
        sqlite3_stmt* raw = nullptr;
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &raw, nullptr) != SQLITE_OK) {
            return fail(CsvImportOutcome::sql_failed);
        }
        insert_.reset(raw);
        return true;
    }

    bool insert(const std::vector<CsvValue>& values) {
        sqlite3_stmt* insert = insert_.get();
        const bool typed = options_.new_table && options_.typed_columns;
        for (std::size_t c = 0; c < values.size(); ++c) {
            const CsvValue& value = values[c];
            const int index = static_cast<int>(c) + 1;
            if (value.null) {
                sqlite3_bind_null(insert, index);
                continue;
            }
            if (typed) {
                types_[c] = combine(types_[c], csv_value_type(std::string(value.data, value.size)));
            }
            // The reader keeps the bytes until its next record, after this step.
            sqlite3_bind_text(insert, index, value.data, static_cast<int>(value.size),
                              SQLITE_STATIC);
        }
        const int code = sqlite3_step(insert);
        sqlite3_reset(insert);
        if (code == SQLITE_INTERRUPT) {
            return fail(CsvImportOutcome::stopped);
        }
        if (code != SQLITE_DONE) {
            return fail(CsvImportOutcome::sql_failed);
        }
        ++outcome_.rows;
        if (progress_ && outcome_.rows % kProgressRows == 0) {
            progress_(outcome_.rows);
        }
        return true;
    }

    void finish_typed() {
        if (!options_.new_table || !options_.typed_columns) {
            return;
        }
        insert_.reset();
        const std::string table = quote_identifier(options_.table);
        const std::string sql = "CREATE TABLE " + table + "(" + column_list(columns_, &types_) +
                                ");INSERT INTO " + table + " SELECT * FROM " + kTypedValuesTable +
                                " ORDER BY rowid;DROP TABLE " + kTypedValuesTable + ";";
        if (!exec(db_, sql, outcome_.message)) {
            outcome_.status = CsvImportOutcome::sql_failed;
        }
    }

    sqlite3* db_;
    const CsvImportOptions& options_;
    const CsvProgress& progress_;
    CsvImportOutcome outcome_;
    std::vector<std::string> columns_;
    std::vector<CsvColumnType> types_;
    Statement insert_;
};

}  // namespace

CsvColumnType csv_value_type(const std::string& value) {
    std::size_t i = value[0] == '-' ? 1 : 0;
    const std::size_t digits_start = i;
    while (i < value.size() && value[i] >= '0' && value[i] <= '9') {
        ++i;
    }
    const std::size_t whole = i - digits_start;
    // "007" and "0123" are codes: they stay text so that their zeros stay.
    if (whole == 0 || (whole > 1 && value[digits_start] == '0')) {
        return CsvColumnType::text;
    }
    if (i == value.size()) {
        return whole <= 18 ? CsvColumnType::integer : CsvColumnType::text;
    }
    if (value[i] != '.' || i + 1 == value.size()) {
        return CsvColumnType::text;
    }
    for (++i; i < value.size(); ++i) {
        if (value[i] < '0' || value[i] > '9') {
            return CsvColumnType::text;
        }
    }
    return CsvColumnType::real;
}

std::vector<std::string> csv_column_names(const std::vector<std::string>& first_line,
                                          std::size_t count,
                                          bool from_first_line) {
    std::vector<std::string> names;
    std::set<std::string> taken;
    for (std::size_t c = 0; c < count; ++c) {
        char numbered[32];
        std::snprintf(numbered, sizeof(numbered), "column%02zu", c + 1);
        const std::string base = from_first_line && c < first_line.size() && !first_line[c].empty()
                                     ? first_line[c]
                                     : std::string(numbered);
        // Names compare without regard to ASCII case in SQLite.
        auto key_of = [](std::string name) {
            for (char& k : name) {
                k = (k >= 'A' && k <= 'Z') ? static_cast<char>(k - 'A' + 'a') : k;
            }
            return name;
        };
        std::string name = base;
        for (int n = 2; taken.count(key_of(name)) > 0; ++n) {
            name = base + "_" + std::to_string(n);
        }
        taken.insert(key_of(name));
        names.push_back(name);
    }
    return names;
}

CsvImportOutcome import_csv(sqlite3* db,
                            const std::string& path,
                            const CsvImportOptions& options,
                            const CsvProgress& progress) {
    CsvImportOutcome outcome;
    File file(open_file(path, "rb"));
    if (!file) {
        outcome.status = CsvImportOutcome::file_failed;
        return outcome;
    }
    if (!exec(db, "SAVEPOINT csv_import;", outcome.message)) {
        outcome.status = CsvImportOutcome::sql_failed;
        return outcome;
    }
    {
        CsvReader reader(file.get(), options.encoding, options.separator);
        Import import(db, options, progress);
        outcome = import.run(reader);
    }
    if (outcome.status == CsvImportOutcome::imported &&
        exec(db, "RELEASE csv_import;", outcome.message)) {
        return outcome;
    }
    if (outcome.status == CsvImportOutcome::imported) {
        outcome.status = CsvImportOutcome::sql_failed;
    }
    std::string message;
    exec(db, "ROLLBACK TO csv_import;", message);
    exec(db, "RELEASE csv_import;", message);
    outcome.rows = 0;
    return outcome;
}
