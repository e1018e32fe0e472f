#pragma once

#include <functional>
#include <string>

// A small harness for benchmarks that print "name: value" lines.

using BenchFunction = void (*)();

struct BenchRegistration {
    BenchRegistration(const char* name, BenchFunction function);
};

#define BENCH_CASE(name)                                                \
    static void bench_##name();                                         \
    static BenchRegistration bench_registration_##name(#name, bench_##name); \
    static void bench_##name()

// Median wall time of `runs` calls, in milliseconds.
double median_ms(int runs, const std::function<void()>& action);

void report(const std::string& name, double value);

// Folder for the benchmarks' databases (kept between runs).
const std::string& bench_folder();
