// The statements that the benchmarks time under Wine, timed natively on the same
// database files: what the program would wait for without Wine in between.
// korvelandis_native_bench <folder of the benchmarks' databases>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "bench/page_statements.h"
#include "db/database_connection.h"
#include "db/paging.h"
#include "db/result_table.h"

namespace {

constexpr int kRuns = 7;

double median_ms(const std::function<void()>& action) {
    action();  // warm the page cache
    std::vector<double> times;
    for (int i = 0; i < kRuns; ++i) {
        const auto start = std::chrono::steady_clock::now();
        action();
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void report(const std::string& name, double value) {
    std::printf("%s_native_ms: %.2f\n", name.c_str(), value);
    std::fflush(stdout);
}

// Opened as the program opens its databases.
bool open(DatabaseConnection& connection, const std::string& path) {
    if (!connection.open(path.c_str())) {
        std::fprintf(stderr, "native bench: cannot open %s\n", path.c_str());
        return false;
    }
    return true;
}

void time_paging(const std::string& folder, const std::string& file, const std::string& prefix) {
    DatabaseConnection connection;
    if (!open(connection, folder + "/" + file)) {
        return;
    }
    const int last_page = (1000000 - 1) / kPageSize;
    const std::pair<const char*, int> pages[] = {
        {"refresh_page_first", 0}, {"refresh_page_500", 500}, {"refresh_page_last", last_page}};
    for (const auto& [name, page] : pages) {
        report(prefix + name,
               median_ms([&] { run_page_statements(connection.handle, "bench", page); }));
    }
    report(prefix + "reload_page",
           median_ms([&] { run_page_statements(connection.handle, "bench", 0); }));
}

// A filter or sort (`name`), read as the program reads it: its first page, then
// a turn each way at each of `depths` (the page turned from, read at its offset
// first and not timed).
void time_view(sqlite3* db,
               const std::string& name,
               const std::vector<std::string>& typed,
               const std::vector<OrderKey>& order,
               const std::vector<std::pair<std::string, int>>& depths) {
    TableShape shape;
    RecordView view;
    if (!make_bench_view(db, "bench", typed, order, shape, view)) {
        std::fprintf(stderr, "native bench: %s: the filter is not understood\n", name.c_str());
        return;
    }
    std::vector<PageRecord> records;
    report(name + "_first_page",
           median_ms([&] { read_bench_page(db, "bench", shape, view, 0, records); }));
    for (const auto& [where, page] : depths) {
        const std::int64_t offset = static_cast<std::int64_t>(page) * kPageSize;
        std::vector<PageRecord> here;
        std::vector<PageRecord> next;
        read_bench_page(db, "bench", shape, view, offset, here);
        read_bench_page(db, "bench", shape, view, offset + kPageSize, next);
        if (here.size() <= static_cast<std::size_t>(kPageSize) || next.empty()) {
            std::fprintf(stderr, "native bench: %s has no page after page %d\n", name.c_str(),
                         page);
            continue;
        }
        const PageRecord last = here[static_cast<std::size_t>(kPageSize) - 1];
        const PageRecord first = next.front();
        report(name + "_" + where + "_next", median_ms([&] {
                   read_bench_page(db, "bench", shape, view, offset + kPageSize, records, &last);
               }));
        report(name + "_" + where + "_previous", median_ms([&] {
                   read_bench_page(db, "bench", shape, view, offset, records, &first,
                                   PageStart::From::before);
               }));
    }
}

// The filters and sorts of the filter_sort cases on the tables of a million
// records.
void time_views_1m(const std::string& folder) {
    DatabaseConnection plain;
    if (open(plain, folder + "/million.db")) {
        time_view(plain.handle, "filter_contains_1m", {"", "", "", "", "", "", "0001234"}, {}, {});
        time_view(plain.handle, "sort_1m", {}, {{3, false}}, {{"start", 0}});
    }
    DatabaseConnection keyed;
    if (open(keyed, folder + "/million_keyed.db")) {
        time_view(keyed.handle, "filter_exact_key_1m", {"=CODE-00000000500000"}, {}, {});
        time_view(keyed.handle, "filter_range_key_1m", {"CODE-00000000500000~CODE-00000000600000"},
                  {}, {{"deep", 50}});
    }
}

// The same on the table of a hundred million records, once its index on the
// city column is there (the bench under Wine makes it).
void time_views_100m(const std::string& folder) {
    DatabaseConnection connection;
    const std::string path = folder + "/hundred_million.db";
    if (FILE* file = std::fopen(path.c_str(), "rb")) {
        std::fclose(file);
    } else {
        return;
    }
    if (!open(connection, path)) {
        return;
    }
    ResultTable index;
    index.run(connection.handle, "SELECT 1 FROM sqlite_master WHERE name = 'bench_city';");
    if (index.rows() == 0) {
        std::fprintf(stderr, "native bench: hundred_million.db has no index on city yet\n");
        return;
    }
    sqlite3* db = connection.handle;
    time_view(db, "filter_exact_indexed_100m", {"", "", "=city-name-number-500"}, {},
              {{"middle", 50}, {"end", 98}});
    time_view(db, "filter_range_sorted_100m", {"", "", "city-name-number-100~city-name-number-199"},
              {{2, false}}, {{"start", 0}, {"middle", 5000}, {"end", 9998}});
    time_view(db, "sort_indexed_100m", {}, {{2, false}}, {{"start", 0}, {"middle", 50000}});
    time_view(db, "filter_contains_100m", {"", u8"データ42"}, {}, {{"start", 0}});
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: korvelandis_native_bench <folder>\n");
        return 2;
    }
    const std::string folder = argv[1];
    const std::pair<const char*, const char*> page_turns[] = {{"page_turn", "small.db"},
                                                              {"wide_page_turn", "wide.db"}};
    for (const auto& [name, file] : page_turns) {
        DatabaseConnection connection;
        if (open(connection, folder + "/" + file)) {
            int page = 0;
            report(name, median_ms([&] {
                       page = (page + 1) % 3;
                       run_page_statements(connection.handle, "bench", page);
                   }));
        }
    }
    {
        DatabaseConnection connection;
        if (open(connection, folder + "/sql_rows.db")) {
            report("sql_list_100k_rows", median_ms([&] {
                       ResultTable table;
                       table.run(connection.handle, kSqlListQuery);
                   }));
        }
    }
    time_paging(folder, "million.db", "");
    time_paging(folder, "million_keyed.db", "keyed_");
    time_views_1m(folder);
    time_views_100m(folder);
    return 0;
}
