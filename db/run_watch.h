#pragma once

#include <sqlite3.h>

#include <functional>

// Keeps a long statement from freezing the program. SQLite calls back every few
// thousand steps of any statement on a watched connection; once a run has gone on
// for a moment, the callback hands control to the connection's poll now and then
// (to repaint, show that the program works, and take a request to stop). When the
// poll asks to stop, the running statement ends with SQLITE_INTERRUPT, as after
// sqlite3_interrupt: what it changed is rolled back by the database itself.
//
// Each connection has a run of its own. Everything runs on the one GUI thread;
// the poll must not use the connection.
namespace run_watch {

// How long a run goes on before the poll is first called, and how often after.
constexpr int kQuietMs = 150;
constexpr int kPollIntervalMs = 30;

// Makes every statement of the connection watched.
void watch(sqlite3* db);

// The connection's poll: true when the user asked to stop. Empty: nothing is
// polled. The connection is watched from then on.
void set_poll(sqlite3* db, std::function<bool()> poll);

// For loops of our own that step a statement of the connection (gathering rows):
// polls when it is due, as the callback would. True when the run is to stop; from
// then on every long statement of the run is interrupted, until a pause between
// statements shows that the run has ended, or until `reset`.
bool tick(sqlite3* db);

// Forgets a stop and the run's start: called where a user action begins.
void reset(sqlite3* db);

}  // namespace run_watch
