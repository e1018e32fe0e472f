#include "db/connection_hooks.h"

#include <algorithm>
#include <new>

#include "db/read_watch.h"

namespace {

// The name the hooks are kept under among the connection's client data.
constexpr const char kClientDataName[] = "korvelandis.hooks";

}  // namespace

ConnectionHooks* ConnectionHooks::find(sqlite3* db) {
    return db ? static_cast<ConnectionHooks*>(sqlite3_get_clientdata(db, kClientDataName))
              : nullptr;
}

ConnectionHooks* ConnectionHooks::of(sqlite3* db) {
    if (!db) {
        return nullptr;
    }
    if (ConnectionHooks* found = find(db)) {
        return found;
    }
    auto* hooks = new (std::nothrow) ConnectionHooks();
    if (!hooks) {
        return nullptr;
    }
    hooks->db_ = db;
    // On failure SQLite has called the destructor already.
    if (sqlite3_set_clientdata(db, kClientDataName, hooks, &ConnectionHooks::destroy) !=
        SQLITE_OK) {
        return nullptr;
    }
    sqlite3_set_authorizer(db, &ConnectionHooks::authorize, hooks);
    sqlite3_rollback_hook(db, &ConnectionHooks::on_rollback, hooks);
    sqlite3_progress_handler(db, kStepsPerProgress, &ConnectionHooks::on_progress, hooks);
    return hooks;
}

ConnectionHooks::~ConnectionHooks() {
    // A watch that outlives its connection watches nothing from now on.
    for (ReadFailureWatch* watch = read_watch; watch; watch = watch->outer_) {
        watch->db_ = nullptr;
    }
}

void ConnectionHooks::destroy(void* data) {
    auto* hooks = static_cast<ConnectionHooks*>(data);
    // The connection is closing: it still rolls back what is open, after its
    // client data is gone.
    sqlite3_set_authorizer(hooks->db_, nullptr, nullptr);
    sqlite3_rollback_hook(hooks->db_, nullptr, nullptr);
    sqlite3_progress_handler(hooks->db_, 0, nullptr, nullptr);
    delete hooks;
}

ConnectionHooks::Id ConnectionHooks::add_authorizer(Authorizer listener) {
    authorizers_.push_back({++last_id_, std::move(listener)});
    return last_id_;
}

ConnectionHooks::Id ConnectionHooks::add_rollback(Event listener) {
    rollbacks_.push_back({++last_id_, std::move(listener)});
    return last_id_;
}

ConnectionHooks::Id ConnectionHooks::add_progress(Progress listener) {
    progress_.push_back({++last_id_, std::move(listener)});
    return last_id_;
}

namespace {

template <typename List>
void empty_entry(List& list, ConnectionHooks::Id id) {
    for (auto& entry : list) {
        if (entry.id == id) {
            entry.listener = nullptr;
        }
    }
}

template <typename List>
void drop_empty(List& list) {
    list.erase(
        std::remove_if(list.begin(), list.end(), [](const auto& entry) { return !entry.listener; }),
        list.end());
}

}  // namespace

void ConnectionHooks::remove(Id id) {
    empty_entry(authorizers_, id);
    empty_entry(rollbacks_, id);
    empty_entry(progress_, id);
    compact();
}

void ConnectionHooks::compact() {
    if (calling_ > 0) {
        return;
    }
    drop_empty(authorizers_);
    drop_empty(rollbacks_);
    drop_empty(progress_);
}

int ConnectionHooks::authorize(void* context,
                               int action,
                               const char* first,
                               const char* second,
                               const char* database,
                               const char* trigger) {
    auto* hooks = static_cast<ConnectionHooks*>(context);
    int answer = SQLITE_OK;
    ++hooks->calling_;
    // Listeners added while the list is gone through wait for the next call.
    const std::size_t count = hooks->authorizers_.size();
    for (std::size_t i = 0; i < count; ++i) {
        if (const Authorizer& listener = hooks->authorizers_[i].listener) {
            const int said = listener(action, first, second, database, trigger);
            if (said == SQLITE_DENY || (said == SQLITE_IGNORE && answer == SQLITE_OK)) {
                answer = said;
            }
        }
    }
    --hooks->calling_;
    hooks->compact();
    return answer;
}

void ConnectionHooks::on_rollback(void* context) {
    auto* hooks = static_cast<ConnectionHooks*>(context);
    ++hooks->calling_;
    const std::size_t count = hooks->rollbacks_.size();
    for (std::size_t i = 0; i < count; ++i) {
        if (const Event& listener = hooks->rollbacks_[i].listener) {
            listener();
        }
    }
    --hooks->calling_;
    hooks->compact();
}

int ConnectionHooks::on_progress(void* context) {
    auto* hooks = static_cast<ConnectionHooks*>(context);
    bool stop = false;
    ++hooks->calling_;
    const std::size_t count = hooks->progress_.size();
    for (std::size_t i = 0; i < count; ++i) {
        if (const Progress& listener = hooks->progress_[i].listener) {
            stop = listener() || stop;
        }
    }
    --hooks->calling_;
    hooks->compact();
    return stop ? 1 : 0;
}

HookListener::HookListener(sqlite3* db, ConnectionHooks::Authorizer listener)
    : hooks_(ConnectionHooks::of(db)) {
    if (hooks_) {
        id_ = hooks_->add_authorizer(std::move(listener));
    }
}

HookListener HookListener::rollback(sqlite3* db, ConnectionHooks::Event listener) {
    ConnectionHooks* hooks = ConnectionHooks::of(db);
    return hooks ? HookListener(hooks, hooks->add_rollback(std::move(listener))) : HookListener();
}

HookListener HookListener::progress(sqlite3* db, ConnectionHooks::Progress listener) {
    ConnectionHooks* hooks = ConnectionHooks::of(db);
    return hooks ? HookListener(hooks, hooks->add_progress(std::move(listener))) : HookListener();
}

HookListener::HookListener(HookListener&& other) noexcept : hooks_(other.hooks_), id_(other.id_) {
    other.hooks_ = nullptr;
}

HookListener& HookListener::operator=(HookListener&& other) noexcept {
    if (this != &other) {
        reset();
        hooks_ = other.hooks_;
        id_ = other.id_;
        other.hooks_ = nullptr;
    }
    return *this;
}

void HookListener::reset() {
    if (hooks_) {
        hooks_->remove(id_);
        hooks_ = nullptr;
    }
}
