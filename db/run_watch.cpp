#include "db/run_watch.h"

#include <utility>

#include "db/connection_hooks.h"

namespace run_watch {
namespace {

// A pause between callbacks longer than this starts a new run: the earlier one
// had ended (the program waited for the user in between).
constexpr long long kNewRunGapMs = 50;

using Clock = ConnectionHooks::Run::Clock;

long long ms_between(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(to - from).count();
}

bool tick(ConnectionHooks::Run& run) {
    const Clock::time_point now = Clock::now();
    if (!run.started || ms_between(run.last_call, now) > kNewRunGapMs) {
        // A stop ends with the run it stopped.
        run.started = true;
        run.stop = false;
        run.start = now;
        run.last_poll = now;
    }
    run.last_call = now;
    if (run.stop) {
        return true;
    }
    // The poll repaints windows, which must not start another poll.
    if (!run.poll || run.polling || ms_between(run.start, now) < kQuietMs ||
        ms_between(run.last_poll, now) < kPollIntervalMs) {
        return false;
    }
    run.polling = true;
    // The poll may be replaced while it runs (a window it pumps for closes).
    const std::function<bool()> poll = run.poll;
    const bool stop = poll();
    run.polling = false;
    run.last_poll = Clock::now();
    // The time the poll took is no gap between two steps of the run.
    run.last_call = run.last_poll;
    run.stop = stop;
    return stop;
}

}  // namespace

void watch(sqlite3* db) {
    ConnectionHooks* hooks = ConnectionHooks::of(db);
    if (hooks && !hooks->run.watched) {
        hooks->run.watched = true;
        ConnectionHooks::Run* run = &hooks->run;
        // Lives as long as the connection's hooks, which own the run.
        hooks->add_progress([run] { return tick(*run); });
    }
}

void set_poll(sqlite3* db, std::function<bool()> poll) {
    watch(db);
    if (ConnectionHooks* hooks = ConnectionHooks::of(db)) {
        hooks->run.poll = std::move(poll);
    }
}

bool tick(sqlite3* db) {
    ConnectionHooks* hooks = ConnectionHooks::find(db);
    return hooks && tick(hooks->run);
}

void reset(sqlite3* db) {
    if (ConnectionHooks* hooks = ConnectionHooks::find(db)) {
        hooks->run.stop = false;
        hooks->run.started = false;
    }
}

}  // namespace run_watch
