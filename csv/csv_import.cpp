#include "csv/csv_import.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <set>

#include "csv/csv_reader.h"
#include "db/run_watch.h"
#include "db/sql_text.h"
#include "db/sqlite_handles.h"

namespace {

constexpr std::int64_t kProgressRows = 4096;

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

// Reads the whole file once: the records that will be inserted must all be sound
// before anything is. Gives the first line's fields and each column's type.
CsvImportOutcome survey(const std::string& path,
                        const CsvImportOptions& options,
                        std::vector<std::string>& first_line,
                        std::vector<CsvColumnType>& types,
                        const CsvProgress& progress) {
    std::int64_t records = 0;
    CsvImportOutcome outcome;
    File file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        outcome.status = CsvImportOutcome::file_failed;
        return outcome;
    }
    CsvReader reader(file.get(), options.encoding, options.separator);
    std::vector<CsvField> fields;
    bool first = true;
    for (;;) {
        if (run_watch::tick()) {
            outcome.status = CsvImportOutcome::stopped;
            return outcome;
        }
        const CsvReader::Result result = reader.next(fields);
        outcome.line = reader.line();
        if (result == CsvReader::end) {
            break;
        }
        if (result != CsvReader::record) {
            outcome.status = result == CsvReader::malformed     ? CsvImportOutcome::malformed
                             : result == CsvReader::not_encoded ? CsvImportOutcome::not_encoded
                                                                : CsvImportOutcome::file_failed;
            return outcome;
        }
        if (progress && ++records % kProgressRows == 0) {
            progress(outcome.line);
        }
        if (first) {
            first = false;
            types.assign(fields.size(), CsvColumnType::none);
            for (const CsvField& field : fields) {
                first_line.push_back(field.value_or(std::string()));
            }
            if (options.column_names) {
                continue;
            }
        } else if (fields.size() != types.size()) {
            outcome.status = CsvImportOutcome::wrong_field_count;
            outcome.expected = types.size();
            outcome.found = fields.size();
            return outcome;
        }
        for (std::size_t c = 0; c < fields.size(); ++c) {
            if (fields[c]) {
                types[c] = combine(types[c], csv_value_type(*fields[c]));
            }
        }
    }
    if (first) {
        outcome.status = CsvImportOutcome::empty_file;
    }
    return outcome;
}

bool exec(sqlite3* db, const std::string& sql, std::string& message) {
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK) {
        return true;
    }
    message = sqlite3_errmsg(db);
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

void bind_field(sqlite3_stmt* insert, int index, const CsvField& field, CsvColumnType type) {
    if (!field) {
        sqlite3_bind_null(insert, index);
        return;
    }
    const std::string& value = *field;
    if (type == CsvColumnType::integer) {
        sqlite3_bind_int64(insert, index, std::strtoll(value.c_str(), nullptr, 10));
    } else if (type == CsvColumnType::real) {
        sqlite3_bind_double(insert, index, std::strtod(value.c_str(), nullptr));
    } else {
        sqlite3_bind_text(insert, index, value.data(), static_cast<int>(value.size()),
                          SQLITE_TRANSIENT);
    }
}

// Inserts every record; the caller ends the savepoint.
CsvImportOutcome insert_records(sqlite3* db,
                                const std::string& path,
                                const CsvImportOptions& options,
                                const std::string& insert_sql,
                                const std::vector<CsvColumnType>& types,
                                const CsvProgress& progress) {
    CsvImportOutcome outcome;
    File file(std::fopen(path.c_str(), "rb"));
    sqlite3_stmt* raw = nullptr;
    if (!file) {
        outcome.status = CsvImportOutcome::file_failed;
        return outcome;
    }
    if (sqlite3_prepare_v2(db, insert_sql.c_str(), -1, &raw, nullptr) != SQLITE_OK) {
        outcome.status = CsvImportOutcome::sql_failed;
        outcome.message = sqlite3_errmsg(db);
        return outcome;
    }
    Statement insert(raw);
    CsvReader reader(file.get(), options.encoding, options.separator);
    std::vector<CsvField> fields;
    bool first = true;
    for (;;) {
        if (run_watch::tick()) {
            outcome.status = CsvImportOutcome::stopped;
            return outcome;
        }
        const CsvReader::Result result = reader.next(fields);
        outcome.line = reader.line();
        if (result == CsvReader::end) {
            return outcome;
        }
        // The survey found the file sound; it may have changed since.
        if (result != CsvReader::record || fields.size() != types.size()) {
            outcome.status = CsvImportOutcome::file_failed;
            return outcome;
        }
        if (first && options.column_names) {
            first = false;
            continue;
        }
        first = false;
        for (std::size_t c = 0; c < fields.size(); ++c) {
            bind_field(raw, static_cast<int>(c) + 1, fields[c], types[c]);
        }
        const int code = sqlite3_step(raw);
        sqlite3_reset(raw);
        if (code == SQLITE_INTERRUPT) {
            outcome.status = CsvImportOutcome::stopped;
            return outcome;
        }
        if (code != SQLITE_DONE) {
            outcome.status = CsvImportOutcome::sql_failed;
            outcome.message = sqlite3_errmsg(db);
            return outcome;
        }
        ++outcome.rows;
        if (progress && outcome.rows % kProgressRows == 0) {
            progress(outcome.rows);
        }
    }
}

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
                            const CsvProgress& checked,
                            const CsvProgress& inserted) {
    std::vector<std::string> first_line;
    std::vector<CsvColumnType> types;
    CsvImportOutcome outcome = survey(path, options, first_line, types, checked);
    if (outcome.status != CsvImportOutcome::imported) {
        return outcome;
    }
    std::vector<std::string> columns;
    if (options.new_table) {
        columns = csv_column_names(first_line, types.size(), options.column_names);
        if (!options.typed_columns) {
            types.assign(types.size(), CsvColumnType::text);
        }
    } else {
        columns = existing_columns(db, options.table);
        if (columns.size() != types.size()) {
            outcome.status = CsvImportOutcome::column_count_differs;
            outcome.expected = columns.size();
            outcome.found = types.size();
            return outcome;
        }
        types.assign(types.size(), CsvColumnType::text);
    }

    std::string insert = "INSERT INTO " + quote_identifier(options.table) + "(";
    std::string create = "CREATE TABLE " + quote_identifier(options.table) + "(";
    std::string values = ") VALUES (";
    for (std::size_t c = 0; c < columns.size(); ++c) {
        const char* comma = c > 0 ? ", " : "";
        insert += comma + quote_identifier(columns[c]);
        create += comma + quote_identifier(columns[c]) + " " + type_name(types[c]);
        values += c > 0 ? ", ?" : "?";
    }
    insert += values + ");";
    create += ");";

    if (!exec(db, "SAVEPOINT csv_import;", outcome.message)) {
        outcome.status = CsvImportOutcome::sql_failed;
        return outcome;
    }
    std::string message;
    if (options.new_table && !exec(db, create, message)) {
        outcome.status = CsvImportOutcome::sql_failed;
        outcome.message = message;
    } else {
        outcome = insert_records(db, path, options, insert, types, inserted);
    }
    if (outcome.status == CsvImportOutcome::imported &&
        exec(db, "RELEASE csv_import;", outcome.message)) {
        return outcome;
    }
    if (outcome.status == CsvImportOutcome::imported) {
        outcome.status = CsvImportOutcome::sql_failed;
    }
    exec(db, "ROLLBACK TO csv_import;", message);
    exec(db, "RELEASE csv_import;", message);
    outcome.rows = 0;
    return outcome;
}
