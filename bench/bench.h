#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

// A small harness for benchmarks that print "name: value" lines.

using BenchFunction = void (*)();

struct BenchRegistration {
    BenchRegistration(const char* name, BenchFunction function);
};

#define BENCH_CASE(name)                                                     \
    static void bench_##name();                                              \
    static BenchRegistration bench_registration_##name(#name, bench_##name); \
    static void bench_##name()

using BenchClock = std::chrono::steady_clock;

// The milliseconds from one moment to another, and from one to now.
inline double ms_between(BenchClock::time_point from, BenchClock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}
inline double ms_since(BenchClock::time_point start) {
    return ms_between(start, BenchClock::now());
}

// Median wall time of `runs` calls, in milliseconds.
double median_ms(int runs, const std::function<void()>& action);

void report(const std::string& name, double value);

// The process's memory from the moment this is made until stop(), sampled every
// few milliseconds by a thread of its own: the peak of its private bytes (what it
// allocated) apart from the peak of its working set (which also counts the
// resident pages of mapped files, such as a mapped database), each beyond what it
// held at the start.
class MemoryPeak {
public:
    MemoryPeak();
    ~MemoryPeak();
    MemoryPeak(const MemoryPeak&) = delete;
    MemoryPeak& operator=(const MemoryPeak&) = delete;

    void stop();
    double private_mb() const { return private_peak_mb_ - private_start_mb_; }
    double working_set_mb() const { return working_set_peak_mb_ - working_set_start_mb_; }

private:
    void sample();

    double private_start_mb_ = 0.0;
    double working_set_start_mb_ = 0.0;
    double private_peak_mb_ = 0.0;
    double working_set_peak_mb_ = 0.0;
    std::atomic<bool> stopping_{false};
    std::thread sampler_;
};

// Folder for the benchmarks' databases (kept between runs).
const std::string& bench_folder();

struct sqlite3_stmt;

// The path of a database in the bench folder, made once: `create_sql` sets it up,
// then `insert_sql` runs `rows` times with `bind` filling its parameters for
// record i (from 1).
std::string cached_database(const std::string& file_name,
                            const char* create_sql,
                            const char* insert_sql,
                            int rows,
                            const std::function<void(sqlite3_stmt*, int)>& bind);

// What the program reports of one launch on a database: from the start of its
// process to its first page drawn, and the most memory it had used by then
// (-1 for a figure it did not give).
struct LaunchFigures {
    double first_page_ms = -1.0;
    double peak_memory_mb = -1.0;
};
LaunchFigures launch_program(const std::string& path);
