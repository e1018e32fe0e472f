#include "db/run_watch.h"

#include <chrono>
#include <utility>

namespace run_watch {
namespace {

// The step count between two callbacks: small enough that a stop takes effect
// within a millisecond or so, large enough to cost nothing measurable.
constexpr int kStepsPerCallback = 10000;
// A pause between callbacks longer than this starts a new run: the earlier one
// had ended (the program waited for the user in between).
constexpr long long kNewRunGapMs = 50;

using Clock = std::chrono::steady_clock;

struct State {
    std::function<bool()> poll;
    std::function<void()> step_check;
    Clock::time_point run_start{};
    Clock::time_point last_call{};
    Clock::time_point last_poll{};
    bool started = false;
    bool stop = false;
    bool polling = false;
};

State& state() {
    static State s;
    return s;
}

long long ms_between(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(to - from).count();
}

int progress(void*) {
    if (state().step_check) {
        state().step_check();
    }
    return tick() ? 1 : 0;
}

}  // namespace

void watch(sqlite3* db) {
    if (db) {
        sqlite3_progress_handler(db, kStepsPerCallback, progress, nullptr);
    }
}

void set_poll(std::function<bool()> poll) {
    state().poll = std::move(poll);
}

void set_step_check(std::function<void()> check) {
    state().step_check = std::move(check);
}

bool tick() {
    State& s = state();
    const Clock::time_point now = Clock::now();
    if (!s.started || ms_between(s.last_call, now) > kNewRunGapMs) {
        // A stop ends with the run it stopped.
        s.started = true;
        s.stop = false;
        s.run_start = now;
        s.last_poll = now;
    }
    s.last_call = now;
    if (s.stop) {
        return true;
    }
    // The poll repaints windows, which must not start another poll.
    if (!s.poll || s.polling || ms_between(s.run_start, now) < kQuietMs ||
        ms_between(s.last_poll, now) < kPollIntervalMs) {
        return false;
    }
    s.polling = true;
    const bool stop = s.poll();
    s.polling = false;
    s.last_poll = Clock::now();
    // The time the poll took is no gap between two steps of the run.
    s.last_call = s.last_poll;
    s.stop = stop;
    return stop;
}

void reset() {
    State& s = state();
    s.stop = false;
    s.started = false;
}

}  // namespace run_watch
