#include "bench/bench.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

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
        const auto start = std::chrono::steady_clock::now();
        action();
        const auto end = std::chrono::steady_clock::now();
        times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void report(const std::string& name, double value) {
    std::printf("%s: %.2f\n", name.c_str(), value);
    std::fflush(stdout);
}

const std::string& bench_folder() {
    return g_folder;
}

// korvelandis_bench <folder for databases> [name filter]
int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: korvelandis_bench <folder> [filter]\n");
        return 2;
    }
    g_folder = argv[1];
    const char* filter = argc > 2 ? argv[2] : "";

    CoInitialize(nullptr);
    LoadLibraryA("RICHED32.DLL");
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_BAR_CLASSES | ICC_COOL_CLASSES;
    InitCommonControlsEx(&controls);

    for (const Registered& entry : registry()) {
        if (std::strstr(entry.name, filter)) {
            entry.function();
        }
    }
    CoUninitialize();
    return 0;
}
