#include "app/application.h"

#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <memory>

#include "app/main_dialog.h"
#include "win/message_loop.h"
#include "win/wide_text.h"

namespace {

// Set to a file's path, the program writes there how long it took from the start
// of its process to the first page drawn and the most memory it had used by then,
// and ends: the benchmarks launch it so.
constexpr char kFirstPageReport[] = "KORVELANDIS_FIRST_PAGE_REPORT";

double milliseconds_since_process_start() {
    FILETIME created{};
    FILETIME ended{};
    FILETIME kernel{};
    FILETIME user{};
    if (!GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user)) {
        return -1.0;
    }
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    const auto ticks = [](const FILETIME& time) {
        return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    };
    // FILETIME counts 100-nanosecond steps.
    return static_cast<double>(ticks(now) - ticks(created)) / 10000.0;
}

void report_first_page(HWND main_window) {
    char path[MAX_PATH];
    const DWORD length = GetEnvironmentVariableA(kFirstPageReport, path, sizeof(path));
    if (length == 0 || length >= sizeof(path)) {
        return;
    }
    // The page was read while the window was made; this draws it.
    RedrawWindow(main_window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    const double elapsed = milliseconds_since_process_start();
    if (FILE* file = std::fopen(path, "w")) {
        PROCESS_MEMORY_COUNTERS memory{};
        memory.cb = sizeof(memory);
        const double peak_mb =
            GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof(memory))
                ? static_cast<double>(memory.PeakWorkingSetSize) / (1024.0 * 1024.0)
                : -1.0;
        std::fprintf(file, "first_page_ms: %.2f\npeak_memory_mb: %.1f\n", elapsed, peak_mb);
        std::fclose(file);
    }
    PostMessageA(main_window, WM_CLOSE, 0, 0);
}

}  // namespace

std::string command_line_after_program(const wchar_t* command_line) {
    if (!command_line) {
        return std::string();
    }
    const wchar_t* at = command_line;
    bool quoted = false;
    while (*at > L' ' || (*at && quoted)) {
        if (*at == L'"') {
            quoted = !quoted;
        }
        ++at;
    }
    while (*at && *at <= L' ') {
        ++at;
    }
    // A character cut in half cannot be named in UTF-8: it shows as U+FFFD, and
    // the open that follows says that no such file was found.
    return shown_utf8_of_wide(at);
}

int run_application(const std::string& command_line, int show_command) {
    MessageLoop loop;
    app_module().add_message_loop(&loop);

    int result = 0;
    {
        auto main_dialog = std::make_unique<MainDialog>();
        main_dialog->set_startup_path(command_line.c_str());
        if (main_dialog->create()) {
            ShowWindow(main_dialog->hwnd(), show_command);
            report_first_page(main_dialog->hwnd());
            result = loop.run();
        }
    }
    app_module().remove_message_loop();
    return result;
}
