// Databases whose values or results are far larger than the screen: the first page
// of a table of 4 MiB pictures and of one of long documents, the SQL editor listing
// a result of millions of rows, and how fast Esc stops a statement that never ends.
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "app/main_dialog.h"
#include "bench/bench.h"
#include "db/database_connection.h"
#include "db/run_watch.h"
#include "res/resource.h"
#include "sqleditor/sql_editor_dialog.h"
#include "win/busy_pump.h"
#include "win/dialog.h"

namespace {

using Clock = BenchClock;

double working_set_mb(bool peak) {
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof(memory);
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof(memory))) {
        return -1.0;
    }
    return static_cast<double>(peak ? memory.PeakWorkingSetSize : memory.WorkingSetSize) /
           (1024.0 * 1024.0);
}

// 400 pictures of 4 MiB, as a photo catalogue keeps them.
std::string make_photo_database() {
    return cached_database(
        "photos.db",
        "CREATE TABLE photos(id INTEGER PRIMARY KEY, name TEXT, taken TEXT, data BLOB);",
        "INSERT INTO photos(name, taken, data) VALUES (?, '2026-12-07', randomblob(4194304));", 400,
        [](sqlite3_stmt* insert, int i) {
            const std::string name = "IMG_" + std::to_string(1000 + i) + ".JPG";
            sqlite3_bind_text(insert, 1, name.c_str(), -1, SQLITE_TRANSIENT);
        });
}

// 1,000 Japanese documents of 87,000 characters.
std::string make_document_database() {
    static const std::string text = [] {
        std::string document;
        while (document.size() < 87000 * 3) {
            document += u8"吾輩は猫である。名前はまだ無い。どこで生れたかとんと見当がつかぬ。";
        }
        return document.substr(0, 87000 * 3);
    }();
    return cached_database(
        "documents.db", "CREATE TABLE documents(id INTEGER PRIMARY KEY, body TEXT);",
        "INSERT INTO documents(body) VALUES (?);", 1000, [](sqlite3_stmt* insert, int i) {
            const std::string body = std::to_string(i) + text;
            sqlite3_bind_text(insert, 1, body.c_str(), -1, SQLITE_TRANSIENT);
        });
}

// 2,000 records of 8 columns: joined with itself, 4,000,000 rows of 16 columns.
std::string make_cross_database() {
    return cached_database(
        "cross.db",
        "CREATE TABLE t(code TEXT, name TEXT, city TEXT, amount INTEGER, price REAL,"
        " stamp TEXT, note TEXT, flag INTEGER);",
        "INSERT INTO t VALUES (?, ?, 'city-name', ?, ?, '2026-12-07 10:00:00', 'note text', ?);",
        2000, [](sqlite3_stmt* insert, int i) {
            const std::string code = "CODE-" + std::to_string(i);
            sqlite3_bind_text(insert, 1, code.c_str(), -1, SQLITE_TRANSIENT);
            const std::string name = u8"サンプル" + std::to_string(i);
            sqlite3_bind_text(insert, 2, name.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_int(insert, 3, i * 7);
            sqlite3_bind_double(insert, 4, i * 1.25);
            sqlite3_bind_int(insert, 5, i % 2);
        });
}

// A table of one short record: the program at rest.
std::string make_rest_database() {
    return cached_database("rest.db", "CREATE TABLE t(name TEXT);", "INSERT INTO t VALUES ('x');",
                           1, [](sqlite3_stmt*, int) {});
}

// The launch to the first page drawn, with the peak memory of the process, and the
// page read again in the running program.
void report_first_page(const char* name, const std::string& path, double at_rest_mb) {
    launch_program(path);  // fills the file cache
    const LaunchFigures figures = launch_program(path);
    report(std::string(name) + "_launch_to_first_page_ms", figures.first_page_ms);
    report(std::string(name) + "_peak_mb", figures.peak_memory_mb);
    report(std::string(name) + "_beyond_rest_mb", figures.peak_memory_mb - at_rest_mb);

    MainDialog main;
    main.set_startup_path(("\"" + path + "\"").c_str());
    if (!main.create()) {
        return;
    }
    ShowWindow(main.hwnd(), SW_SHOW);
    report(std::string(name) + "_refresh_page_ms", median_ms(5, [&] {
               main.refresh_page();
               RedrawWindow(main.hwnd(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
           }));
}

// Runs `sql` in a shown SQL editor with `poll` as the watch's poll; when the run
// ended.
Clock::time_point run_in_editor(sqlite3* db,
                                const char* sql,
                                const std::function<bool(HWND list)>& poll) {
    // As the program opens it: each run is a step of the database's history.
    ChangeHistory history;
    history.attach(db);
    SqlEditorDialog dialog(db, history);
    if (!dialog.create_modeless(IDD_SQL_EDITOR, nullptr)) {
        std::fprintf(stderr, "big_values: the SQL editor could not be created\n");
        return Clock::now();
    }
    ShowWindow(dialog.hwnd(), SW_SHOW);
    drain_message_queue();
    SetWindowTextA(dialog.editor(), sql);
    HWND list = GetDlgItem(dialog.hwnd(), IDC_SQL_RESULT);
    run_watch::set_poll(db, [&] { return poll(list); });
    SendMessageA(GetDlgItem(dialog.hwnd(), IDOK), BM_CLICK, 0, 0);
    const Clock::time_point ended = Clock::now();
    run_watch::set_poll(db, pump_while_busy);
    drain_message_queue();
    return ended;
}

}  // namespace

BENCH_CASE(big_values_first_page) {
    const std::string rest = make_rest_database();
    launch_program(rest);
    const double at_rest = launch_program(rest).peak_memory_mb;
    report("at_rest_peak_mb", at_rest);
    report_first_page("photos_400x4mib", make_photo_database(), at_rest);
    report_first_page("documents_1000x87k", make_document_database(), at_rest);
}

BENCH_CASE(sql_list_4m_rows) {
    DatabaseConnection connection;
    const std::string path = make_cross_database();
    if (!connection.open(path.c_str())) {
        std::fprintf(stderr, "sql_list_4m_rows: cannot open %s\n", path.c_str());
        return;
    }
    const double before = working_set_mb(false);
    double first_rows = -1.0;
    const Clock::time_point start = Clock::now();
    const Clock::time_point ended =
        run_in_editor(connection.handle, "SELECT * FROM t a, t b;", [&](HWND list) {
            const bool stop = pump_while_busy();
            if (first_rows < 0 && SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) > 1) {
                first_rows = ms_since(start);
            }
            return stop;
        });
    report("sql_list_4m_rows_first_rows_ms", first_rows);
    report("sql_list_4m_rows_whole_run_ms", ms_between(start, ended));
    report("sql_list_4m_rows_peak_beyond_start_mb", working_set_mb(true) - before);
}

BENCH_CASE(esc_stops_endless_statement) {
    sqlite3* db = nullptr;
    sqlite3_open(":memory:", &db);
    Clock::time_point pressed{};
    bool sent = false;
    const Clock::time_point start = Clock::now();
    const Clock::time_point ended = run_in_editor(
        db,
        "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c) SELECT count(*) FROM c;",
        [&](HWND list) {
            if (!sent && ms_since(start) > 500) {
                sent = true;
                pressed = Clock::now();
                PostMessageA(list, WM_KEYDOWN, VK_ESCAPE, 0);
            }
            return pump_while_busy();
        });
    report("esc_to_stopped_ms", sent ? ms_between(pressed, ended) : -1.0);
    sqlite3_close(db);
}
