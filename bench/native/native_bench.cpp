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
                       table.run_ansi(connection.handle, kSqlListQuery);
                   }));
        }
    }
    time_paging(folder, "million.db", "");
    time_paging(folder, "million_keyed.db", "keyed_");
    return 0;
}
