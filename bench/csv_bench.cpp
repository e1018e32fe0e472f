// CSV export of a table of 1,000,000 records, and the import of the file it gives
// (1,000,000 lines, about 100 MB) into a new table: records per second and how
// much memory each takes beyond what the process held before it.
#include <windows.h>
#include <psapi.h>

#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "bench/bench.h"
#include "csv/csv_export.h"
#include "csv/csv_import.h"
#include "db/run_watch.h"
#include "db/text_convert.h"

namespace {

double working_set_mb(bool peak) {
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof(memory);
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof(memory))) {
        return -1.0;
    }
    return static_cast<double>(peak ? memory.PeakWorkingSetSize : memory.WorkingSetSize) /
           (1024.0 * 1024.0);
}

// 1,000,000 records of about 100 bytes: codes with leading zeros, Japanese names,
// a number, a text with a comma that must be quoted.
std::string make_export_database() {
    return cached_database(
        "csv_export.db", "CREATE TABLE t(code TEXT, name TEXT, amount INTEGER, note TEXT);",
        u8"INSERT INTO t VALUES (printf('%07d', ?1), '山田 太郎' || ?1, ?1 * 3,"
        u8" 'note, with a comma and \"quotes\" ' || ?1);",
        1000000, [](sqlite3_stmt* insert, int i) { sqlite3_bind_int(insert, 1, i); });
}

void export_case(const char* name, FileEncoding encoding) {
    const std::string path = make_export_database();
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(to_utf8(path).c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return;
    }
    const std::string out = bench_folder() + "\\export.csv";
    CsvExportOptions options;
    options.encoding = encoding;
    run_watch::reset();
    const double before = working_set_mb(false);
    std::int64_t rows = 0;
    const double ms =
        median_ms(3, [&] { rows = export_csv(db, csv_table_sql("t"), out, options).rows; });
    report(std::string(name) + "_rows_per_s", ms > 0 ? rows * 1000.0 / ms : -1.0);
    report(std::string(name) + "_1m_rows_ms", ms);
    report(std::string(name) + "_peak_beyond_start_mb", working_set_mb(true) - before);
    sqlite3_close(db);
    std::remove(out.c_str());
}

}  // namespace

BENCH_CASE(csv_export_shift_jis) {
    export_case("csv_export_shift_jis", FileEncoding::shift_jis);
}

BENCH_CASE(csv_export_utf8) {
    export_case("csv_export_utf8", FileEncoding::utf8_bom);
}

BENCH_CASE(csv_import) {
    const std::string source = make_export_database();
    const std::string csv = bench_folder() + "\\import.csv";
    if (GetFileAttributesA(csv.c_str()) == INVALID_FILE_ATTRIBUTES) {
        sqlite3* db = nullptr;
        sqlite3_open_v2(to_utf8(source).c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
        export_csv(db, csv_table_sql("t"), csv, CsvExportOptions{});
        sqlite3_close(db);
    }
    const std::string target = bench_folder() + "\\csv_import.db";
    CsvImportOptions options;
    options.table = "imported";
    run_watch::reset();
    const double before = working_set_mb(false);
    std::int64_t rows = 0;
    const double ms = median_ms(1, [&] {
        DeleteFileA(target.c_str());
        sqlite3* db = nullptr;
        sqlite3_open(to_utf8(target).c_str(), &db);
        rows = import_csv(db, csv, options).rows;
        sqlite3_close(db);
    });
    report("csv_import_rows_per_s", ms > 0 ? rows * 1000.0 / ms : -1.0);
    report("csv_import_1m_rows_ms", ms);
    report("csv_import_peak_beyond_start_mb", working_set_mb(true) - before);
    DeleteFileA(target.c_str());
}
