#include "bench/bench.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include <sqlite3.h>

#include "db/text_convert.h"

namespace {

struct Registered {
    const char* name;
    BenchFunction function;
};

std::vector<Registered>& registry() {
    static std::vector<Registered> cases;
    return cases;
}

std::string g_folder;

}  // namespace

BenchRegistration::BenchRegistration(const char* name, BenchFunction function) {
    registry().push_back({name, function});
}

double median_ms(int runs, const std::function<void()>& action) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const BenchClock::time_point start = BenchClock::now();
        action();
        times.push_back(ms_since(start));
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void report(const std::string& name, double value) {
    std::printf("%s: %.2f\n", name.c_str(), value);
    std::fflush(stdout);
}

namespace {

constexpr int kSampleMs = 5;

// PagefileUsage is the private bytes (the commit charge) on Windows and the
// anonymous resident memory under Wine: neither counts mapped files. Its peak
// is no peak under Wine, hence the sampling.
void memory_now(double& private_mb, double& working_set_mb) {
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof(memory);
    if (GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof(memory))) {
        private_mb = static_cast<double>(memory.PagefileUsage) / (1024.0 * 1024.0);
        working_set_mb = static_cast<double>(memory.WorkingSetSize) / (1024.0 * 1024.0);
    }
}

}  // namespace

MemoryPeak::MemoryPeak() {
    memory_now(private_start_mb_, working_set_start_mb_);
    private_peak_mb_ = private_start_mb_;
    working_set_peak_mb_ = working_set_start_mb_;
    sampler_ = std::thread([this] {
        while (!stopping_) {
            sample();
            Sleep(kSampleMs);
        }
    });
}

MemoryPeak::~MemoryPeak() {
    stop();
}

void MemoryPeak::stop() {
    if (sampler_.joinable()) {
        stopping_ = true;
        sampler_.join();
        sample();
    }
}

void MemoryPeak::sample() {
    double private_mb = 0.0;
    double working_set_mb = 0.0;
    memory_now(private_mb, working_set_mb);
    private_peak_mb_ = std::max(private_peak_mb_, private_mb);
    working_set_peak_mb_ = std::max(working_set_peak_mb_, working_set_mb);
}

const std::string& bench_folder() {
    return g_folder;
}

std::string cached_database(const std::string& file_name,
                            const char* create_sql,
                            const char* insert_sql,
                            int rows,
                            const std::function<void(sqlite3_stmt*, int)>& bind) {
    const std::string path = g_folder + "\\" + file_name;
    if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
        return path;
    }
    // Written under another name first, so that an interrupted run leaves no
    // half-filled database behind to be measured later.
    const std::string temporary = path + ".part";
    DeleteFileA(temporary.c_str());
    sqlite3* db = nullptr;
    sqlite3_open(to_utf8(temporary).c_str(), &db);
    sqlite3_exec(db, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; BEGIN;", nullptr, nullptr,
                 nullptr);
    sqlite3_exec(db, create_sql, nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, insert_sql, -1, &insert, nullptr);
    for (int i = 1; i <= rows; ++i) {
        bind(insert, i);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT;", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    MoveFileA(temporary.c_str(), path.c_str());
    return path;
}

LaunchFigures launch_program(const std::string& path) {
    LaunchFigures figures;
    char program[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, program, sizeof(program));
    if (length == 0 || length >= sizeof(program)) {
        return figures;
    }
    std::string command(program, length);
    command.erase(command.find_last_of('\\') + 1);
    command = "\"" + command + "korvelandis.exe\" \"" + path + "\"";
    const std::string report_path = bench_folder() + "\\first_page.txt";
    DeleteFileA(report_path.c_str());
    SetEnvironmentVariableA("KORVELANDIS_FIRST_PAGE_REPORT", report_path.c_str());
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    const bool started = CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                                        nullptr, &startup, &process);
    SetEnvironmentVariableA("KORVELANDIS_FIRST_PAGE_REPORT", nullptr);
    if (!started) {
        return figures;
    }
    // A program that never drew its page (a message box on a missing file) is ended.
    if (WaitForSingleObject(process.hProcess, 120000) != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 1);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (FILE* file = std::fopen(report_path.c_str(), "r")) {
        if (std::fscanf(file, "first_page_ms: %lf peak_memory_mb: %lf", &figures.first_page_ms,
                        &figures.peak_memory_mb) < 1) {
            figures.first_page_ms = -1.0;
        }
        std::fclose(file);
    }
    return figures;
}

// korvelandis_bench <folder for databases> [name filter]
// korvelandis_bench <folder> --list [name filter]   the cases' names, one a line
// korvelandis_bench <folder> --case <name>          that case alone
int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(
            stderr, "usage: korvelandis_bench <folder> [filter | --list [filter] | --case name]\n");
        return 2;
    }
    g_folder = argv[1];
    const std::string mode = argc > 2 ? argv[2] : "";
    const bool list = mode == "--list";
    const bool exact = mode == "--case";
    const char* filter = list || exact ? (argc > 3 ? argv[3] : "") : mode.c_str();
    if (list) {
        for (const Registered& entry : registry()) {
            if (std::strstr(entry.name, filter)) {
                std::printf("%s\n", entry.name);
            }
        }
        return 0;
    }

    CoInitialize(nullptr);
    LoadLibraryA("MSFTEDIT.DLL");
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_BAR_CLASSES | ICC_COOL_CLASSES;
    InitCommonControlsEx(&controls);

    for (const Registered& entry : registry()) {
        if (exact ? std::strcmp(entry.name, filter) == 0
                  : std::strstr(entry.name, filter) != nullptr) {
            entry.function();
        }
    }
    CoUninitialize();
    return 0;
}
