// The CSV export and import through the functions the menu commands call once
// their dialogs are answered (progress window and Esc watch included), on a
// connection opened as the program opens its databases:
// - csv_export_1m: 1,000,000 records of about 75 bytes to a Shift-JIS file (and to
//   UTF-8, _utf8);
// - csv_export_10m: 10,000,000 such records, with the peak memory beyond the
//   process's memory at rest: private bytes apart from the working set, which
//   also counts the resident pages of the mapped database;
// - csv_import_1m: the Shift-JIS file of the first into a new table (and its
//   UTF-8 form, _utf8; and _recorded, as the main window runs it: one step of
//   the undo history).
// bench.sh times the SQLite shell on the same databases and files.
#include <windows.h>

#include <sqlite3.h>

#include <cstdio>
#include <string>

#include "bench/bench.h"
#include "csv/csv_export.h"
#include "csv/csv_export_command.h"
#include "csv/csv_import.h"
#include "csv/csv_import_command.h"
#include "db/database_connection.h"
#include "db/text_convert.h"
#include "history/change_history.h"
#include "win/busy_pump.h"

namespace {

// Codes with leading zeros, Japanese names, a number, a text with a comma that
// must be quoted.
std::string make_export_database(const char* file_name, int records) {
    return cached_database(
        file_name, "CREATE TABLE t(code TEXT, name TEXT, amount INTEGER, note TEXT);",
        u8"INSERT INTO t VALUES (printf('%07d', ?1), '山田 太郎' || ?1, ?1 * 3,"
        u8" 'note, with a comma and \"quotes\" ' || ?1);",
        records, [](sqlite3_stmt* insert, int i) { sqlite3_bind_int(insert, 1, i); });
}

void export_case(const std::string& name,
                 const char* database,
                 int records,
                 FileEncoding encoding,
                 int runs) {
    const std::string path = make_export_database(database, records);
    // Watched as the program watches its connection.
    DatabaseConnection connection;
    connection.set_run_poll(pump_while_busy);
    if (!connection.open(path.c_str())) {
        return;
    }
    const std::string out = bench_folder() + "\\" + name + ".csv";
    CsvExportOptions options;
    options.encoding = encoding;
    std::int64_t rows = 0;
    MemoryPeak memory;
    const double ms = median_ms(runs, [&] {
        rows =
            write_csv_file(nullptr, connection.handle, csv_table_sql("t"), {}, out, options).rows;
    });
    memory.stop();
    report(name + "_rows_per_s", ms > 0 ? rows * 1000.0 / ms : -1.0);
    report(name + "_ms", ms);
    report(name + "_peak_private_mb", memory.private_mb());
    report(name + "_peak_working_set_mb", memory.working_set_mb());
    std::remove(out.c_str());
}

// The file the import reads: the 1,000,000 records written by the export.
std::string import_file(FileEncoding encoding, const char* file_name) {
    const std::string csv = bench_folder() + "\\" + file_name;
    if (GetFileAttributesA(csv.c_str()) == INVALID_FILE_ATTRIBUTES) {
        DatabaseConnection connection;
        if (connection.open(make_export_database("csv_export.db", 1000000).c_str())) {
            CsvExportOptions options;
            options.encoding = encoding;
            export_csv(connection.handle, csv_table_sql("t"), csv, options);
        }
    }
    return csv;
}

void import_case(const std::string& name,
                 FileEncoding encoding,
                 const char* file_name,
                 bool recorded = false) {
    const std::string csv = import_file(encoding, file_name);
    // The shell reads the same records from their UTF-8 form.
    import_file(FileEncoding::utf8, "import_utf8.csv");
    const std::string target = bench_folder() + "\\" + name + ".db";
    CsvImportOptions options;
    options.encoding = encoding;
    options.table = "imported";
    std::int64_t rows = 0;
    MemoryPeak memory;
    const double ms = median_ms(3, [&] {
        DeleteFileA(target.c_str());
        DatabaseConnection connection;
        connection.set_run_poll(pump_while_busy);
        connection.create(target.c_str());
        // As the Import command records it: a new table's records are not kept.
        ChangeHistory history;
        history.attach(recorded ? connection.handle : nullptr);
        RecordedStep step(options.new_table ? nullptr : &history);
        rows = import_csv_with_progress(nullptr, connection.handle, csv, options).rows;
        step.finish();
        history.attach(nullptr);
    });
    memory.stop();
    report(name + "_rows_per_s", ms > 0 ? rows * 1000.0 / ms : -1.0);
    report(name + "_ms", ms);
    report(name + "_peak_private_mb", memory.private_mb());
    DeleteFileA(target.c_str());
}

}  // namespace

BENCH_CASE(csv_export_1m) {
    export_case("csv_export_1m", "csv_export.db", 1000000, FileEncoding::shift_jis, 3);
}

BENCH_CASE(csv_export_1m_utf8) {
    export_case("csv_export_1m_utf8", "csv_export.db", 1000000, FileEncoding::utf8, 3);
}

BENCH_CASE(csv_export_10m) {
    export_case("csv_export_10m", "csv_export_10m.db", 10000000, FileEncoding::shift_jis, 1);
}

BENCH_CASE(csv_import_1m) {
    import_case("csv_import_1m", FileEncoding::shift_jis, "import.csv");
}

BENCH_CASE(csv_import_1m_utf8) {
    import_case("csv_import_1m_utf8", FileEncoding::utf8, "import_utf8.csv");
}

BENCH_CASE(csv_import_1m_recorded) {
    import_case("csv_import_1m_recorded", FileEncoding::shift_jis, "import.csv", true);
}
