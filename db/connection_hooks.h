#pragma once

#include <sqlite3.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

class ReadFailureWatch;

// What SQLite tells of one connection, handed to the parts of the program that
// listen: the authorizer (which tables a statement writes, and whether it may),
// the rollback hook and the progress callback. SQLite takes one hook of each kind
// per connection; here any number of listeners share it, and each connection has
// listeners of its own, so that two windows or a second connection cannot take
// each other's hooks. The hooks live as the connection's client data: made at the
// first use and freed when the connection closes.
//
// Everything runs on the one GUI thread.
class ConnectionHooks {
public:
    using Id = unsigned;
    // An authorizer's answer (SQLITE_OK, SQLITE_IGNORE, SQLITE_DENY).
    using Authorizer = std::function<int(int action,
                                         const char* first,
                                         const char* second,
                                         const char* database,
                                         const char* trigger)>;
    using Event = std::function<void()>;
    // True asks the running statement to stop (SQLITE_INTERRUPT).
    using Progress = std::function<bool()>;

    // The hooks of a connection, made and installed at the first call; null for a
    // null connection, or when the memory for them cannot be had.
    static ConnectionHooks* of(sqlite3* db);
    // The same, null where none were made.
    static ConnectionHooks* find(sqlite3* db);

    ConnectionHooks(const ConnectionHooks&) = delete;
    ConnectionHooks& operator=(const ConnectionHooks&) = delete;
    ~ConnectionHooks();

    // A statement is refused when one listener refuses it; a column read as NULL
    // when one ignores it. Listeners are asked while statements are prepared.
    Id add_authorizer(Authorizer listener);
    Id add_rollback(Event listener);
    // Called every kStepsPerProgress steps of any statement of the connection.
    Id add_progress(Progress listener);
    void remove(Id id);

    // The step count between two progress calls: small enough that a stop takes
    // effect within a millisecond or so, large enough to cost nothing measurable.
    static constexpr int kStepsPerProgress = 10000;

    // The run watch's state for this connection (see run_watch.h).
    struct Run {
        using Clock = std::chrono::steady_clock;
        std::function<bool()> poll;
        Clock::time_point start{};
        Clock::time_point last_call{};
        Clock::time_point last_poll{};
        bool started = false;
        bool stop = false;
        bool polling = false;
        // The run's progress listener is in place.
        bool watched = false;
    };
    Run run;

    // The innermost read watch of the connection (see read_watch.h).
    ReadFailureWatch* read_watch = nullptr;

private:
    ConnectionHooks() = default;

    template <typename Listener>
    struct Entry {
        Id id;
        Listener listener;
    };

    static int authorize(void* context,
                         int action,
                         const char* first,
                         const char* second,
                         const char* database,
                         const char* trigger);
    static void on_rollback(void* context);
    static int on_progress(void* context);
    static void destroy(void* hooks);
    // Drops removed listeners, once no call is going through the lists.
    void compact();

    sqlite3* db_ = nullptr;
    // Calls going through the lists: a listener may remove itself (or another)
    // while it is called; the entry is then emptied and dropped afterwards.
    int calling_ = 0;
    Id last_id_ = 0;
    std::vector<Entry<Authorizer>> authorizers_;
    std::vector<Entry<Event>> rollbacks_;
    std::vector<Entry<Progress>> progress_;
};

// Listens to a connection's hooks for as long as it lives.
class HookListener {
public:
    HookListener() = default;
    HookListener(sqlite3* db, ConnectionHooks::Authorizer listener);
    ~HookListener() { reset(); }
    HookListener(const HookListener&) = delete;
    HookListener& operator=(const HookListener&) = delete;
    HookListener(HookListener&& other) noexcept;
    HookListener& operator=(HookListener&& other) noexcept;

    static HookListener rollback(sqlite3* db, ConnectionHooks::Event listener);
    static HookListener progress(sqlite3* db, ConnectionHooks::Progress listener);

    // Stops listening. The connection must still be open.
    void reset();
    explicit operator bool() const { return hooks_ != nullptr; }

private:
    HookListener(ConnectionHooks* hooks, ConnectionHooks::Id id) : hooks_(hooks), id_(id) {}

    ConnectionHooks* hooks_ = nullptr;
    ConnectionHooks::Id id_ = 0;
};
