#include "db/stand_in_collation.h"

#include <cstring>
#include <map>
#include <new>
#include <set>
#include <string_view>
#include <utility>

#include "db/connection_hooks.h"
#include "db/sqlite_handles.h"
#include "db/text_convert.h"

namespace stand_in {
namespace {

constexpr const char kClientDataName[] = "korvelandis.stand-ins";

// The collations of phones' databases, whose texts sort as their language does.
constexpr const char* kLanguageOrders[] = {"localized", "unicode", "phonebook"};

constexpr const char kRefusedText1[] = "テーブル \"";
constexpr const char kRefusedText2[] = "\" は、このプログラムにない照合順序 ";
constexpr const char kRefusedText3[] =
    " で並べた索引かキーを持つため、この変更はしませんでした。何も変更していません。\n";
constexpr const char kOtherColumnsText[] =
    "この照合順序にかかわらない列の値と、ほかのテーブルは変更できます。";
constexpr const char kOtherTablesText[] = "ほかのテーブルは変更できます。";
constexpr const char kNewIndexText1[] = "このプログラムにない照合順序 ";
constexpr const char kNewIndexText2[] =
    " で並べた索引を作ることになるため、この文は実行しませんでした。何も変更していません。";
constexpr const char kVacuumText1[] =
    "VACUUM はすべての索引を作り直すため、このプログラムにない照合順序 ";
constexpr const char kVacuumText2[] =
    " を使うこのファイルでは実行しませんでした。何も変更していません。";

std::string lower(std::string_view text) {
    std::string lowered(text);
    for (char& c : lowered) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return lowered;
}

// What a table's indexes and keys ordered by a stand-in forbid.
struct Guard {
    std::string table;      // as the schema spells it (UTF-8)
    std::string collation;  // the first stand-in met
    // An index or key of the table is a stand-in's: no record may be added or
    // removed, nor the table altered.
    bool indexed = false;
    // Every change of a record moves it in such an order (the key of a table
    // without row ids, an index over an expression or a part of the records).
    bool whole = false;
    // The columns (lowered) whose change moves an entry of such an index.
    std::set<std::string> columns;
    // The columns (lowered) that such an index or key orders.
    std::set<std::string> ordered_columns;
    // The table without row ids keeps its records in a stand-in's order.
    bool key_order = false;
    // A column is declared with a stand-in: a new index over the table could be
    // ordered by it.
    bool declared = false;
};

struct State {
    sqlite3* db = nullptr;
    std::vector<std::string> names;
    std::set<std::string> lowered_names;
    std::map<std::string, Guard> guards;  // by the lowered table name
    std::set<std::string> indexes;        // lowered names of indexes in a stand-in's order
    // A statement changed the schema since the survey.
    bool changed = false;
    ConnectionHooks::Id listener = 0;
    std::string refusal;  // UTF-8

    ~State() {
        if (ConnectionHooks* hooks = ConnectionHooks::find(db)) {
            hooks->remove(listener);
        }
    }
};

State* find_state(sqlite3* db) {
    return db ? static_cast<State*>(sqlite3_get_clientdata(db, kClientDataName)) : nullptr;
}

void destroy_state(void* state) {
    delete static_cast<State*>(state);
}

int compare_bytes(void*, int size_a, const void* a, int size_b, const void* b) {
    const int common = size_a < size_b ? size_a : size_b;
    const int order = common > 0 ? std::memcmp(a, b, static_cast<std::size_t>(common)) : 0;
    return order != 0 ? order : size_a - size_b;
}

int compare_language(void*, int size_a, const void* a, int size_b, const void* b) {
    return compare_for_user(
        std::string_view(static_cast<const char*>(a), static_cast<std::size_t>(size_a)),
        std::string_view(static_cast<const char*>(b), static_cast<std::size_t>(size_b)));
}

bool is_name_byte(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '$' || c >= 0x80;
}

// Skips blanks and comments from `at`.
std::size_t skip_blanks(std::string_view sql, std::size_t at) {
    while (at < sql.size()) {
        const char c = sql[at];
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v') {
            ++at;
        } else if (sql.compare(at, 2, "--") == 0) {
            const std::size_t end = sql.find('\n', at);
            at = end == std::string_view::npos ? sql.size() : end + 1;
        } else if (sql.compare(at, 2, "/*") == 0) {
            const std::size_t end = sql.find("*/", at + 2);
            at = end == std::string_view::npos ? sql.size() : end + 2;
        } else {
            break;
        }
    }
    return at;
}

// The end of a quoted text or name that starts at `at` (a doubled quote inside it
// stands for itself).
std::size_t quoted_end(std::string_view sql, std::size_t at) {
    const char close = sql[at] == '[' ? ']' : sql[at];
    for (std::size_t i = at + 1; i < sql.size(); ++i) {
        if (sql[i] == close) {
            if (close != ']' && i + 1 < sql.size() && sql[i + 1] == close) {
                ++i;
                continue;
            }
            return i + 1;
        }
    }
    return sql.size();
}

// The collation names that follow COLLATE in a statement's text.
std::vector<std::string> collate_names(std::string_view sql) {
    std::vector<std::string> names;
    std::size_t at = 0;
    while ((at = skip_blanks(sql, at)) < sql.size()) {
        const char c = sql[at];
        if (c == '\'' || c == '"' || c == '`' || c == '[') {
            at = quoted_end(sql, at);
            continue;
        }
        if (!is_name_byte(static_cast<unsigned char>(c))) {
            ++at;
            continue;
        }
        std::size_t end = at;
        while (end < sql.size() && is_name_byte(static_cast<unsigned char>(sql[end]))) {
            ++end;
        }
        const bool collate = lower(sql.substr(at, end - at)) == "collate";
        at = end;
        if (!collate) {
            continue;
        }
        at = skip_blanks(sql, at);
        if (at >= sql.size()) {
            break;
        }
        if (sql[at] == '\'' || sql[at] == '"' || sql[at] == '`' || sql[at] == '[') {
            end = quoted_end(sql, at);
            // The name inside its quotes; a doubled quote is rare enough in a
            // collation's name to be taken as it stands.
            const std::size_t inner = end - at >= 2 ? end - at - 2 : 0;
            names.emplace_back(sql.substr(at + 1, inner));
        } else {
            end = at;
            while (end < sql.size() && is_name_byte(static_cast<unsigned char>(sql[end]))) {
                ++end;
            }
            names.emplace_back(sql.substr(at, end - at));
        }
        at = end;
    }
    return names;
}

const Guard* find_guard(const State& state, const char* table) {
    if (!table) {
        return nullptr;
    }
    const auto found = state.guards.find(lower(table));
    return found == state.guards.end() ? nullptr : &found->second;
}

void note_refusal(State& state, const Guard& guard, bool other_columns) {
    state.refusal = to_utf8(kRefusedText1) + guard.table + to_utf8(kRefusedText2) +
                    guard.collation + to_utf8(kRefusedText3) +
                    to_utf8(other_columns ? kOtherColumnsText : kOtherTablesText);
}

int authorize(State& state,
              int action,
              const char* first,
              const char* second,
              const char* database) {
    // ALTER TABLE names its database first (the third place holds a column).
    if (action == SQLITE_ALTER_TABLE) {
        database = first;
    }
    // Temporary tables and attached files are not surveyed.
    if (database && std::strcmp(database, "main") != 0) {
        return SQLITE_OK;
    }
    switch (action) {
        case SQLITE_INSERT:
        case SQLITE_DELETE:
            if (const Guard* guard = find_guard(state, first); guard && guard->indexed) {
                note_refusal(state, *guard, !guard->whole);
                return SQLITE_DENY;
            }
            break;
        case SQLITE_UPDATE:
            if (const Guard* guard = find_guard(state, first);
                guard && guard->indexed &&
                (guard->whole || (second && guard->columns.count(lower(second)) > 0))) {
                note_refusal(state, *guard, !guard->whole);
                return SQLITE_DENY;
            }
            break;
        case SQLITE_DROP_TABLE:
        case SQLITE_ALTER_TABLE: {
            // A table is rebuilt as a copy that takes the old one's place: the
            // copy's keys and indexes would be built in the stand-in's order.
            const char* table = action == SQLITE_DROP_TABLE ? first : second;
            if (const Guard* guard = find_guard(state, table); guard && guard->indexed) {
                note_refusal(state, *guard, !guard->whole);
                return SQLITE_DENY;
            }
            state.changed = true;
            break;
        }
        case SQLITE_CREATE_INDEX:
            if (const Guard* guard = find_guard(state, second); guard && guard->declared) {
                state.refusal =
                    to_utf8(kNewIndexText1) + guard->collation + to_utf8(kNewIndexText2);
                return SQLITE_DENY;
            }
            state.changed = true;
            break;
        case SQLITE_REINDEX:
            if (first && state.indexes.count(lower(first)) > 0) {
                state.refusal =
                    to_utf8(kNewIndexText1) + state.names.front() + to_utf8(kNewIndexText2);
                return SQLITE_DENY;
            }
            break;
        case SQLITE_CREATE_TABLE:
        case SQLITE_DROP_INDEX:
            state.changed = true;
            break;
        default:
            break;
    }
    return SQLITE_OK;
}

State* make_state(sqlite3* db) {
    if (State* state = find_state(db)) {
        return state;
    }
    ConnectionHooks* hooks = ConnectionHooks::of(db);
    auto* state = hooks ? new (std::nothrow) State() : nullptr;
    if (!state) {
        return nullptr;
    }
    state->db = db;
    // On failure SQLite has called the destructor already.
    if (sqlite3_set_clientdata(db, kClientDataName, state, &destroy_state) != SQLITE_OK) {
        return nullptr;
    }
    state->listener = hooks->add_authorizer(
        [state](int action, const char* first, const char* second, const char* database,
                const char*) { return authorize(*state, action, first, second, database); });
    return state;
}

std::string column_text(sqlite3_stmt* statement, int column) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    return text ? text : "";
}

// Whether the connection can compare by the collation: pragma collation_list
// also names the ones the schema mentions but nobody provides.
bool can_compare(sqlite3* db, const std::string& name) {
    std::string quoted;
    for (char c : name) {
        quoted += c == '"' ? "\"\"" : std::string(1, c);
    }
    const std::string sql = "SELECT 'a' < 'b' COLLATE \"" + quoted + "\";";
    return static_cast<bool>(prepare_statement(db, sql.c_str()));
}

// Registers stand-ins for the collations the schema names and the connection
// lacks; marks the tables declared with one.
void register_stand_ins(State& state) {
    std::map<std::string, bool> known;
    const Statement schema =
        prepare_statement(state.db, "SELECT type, tbl_name, sql FROM main.sqlite_schema;");
    if (!schema) {
        return;
    }
    while (sqlite3_step(schema.get()) == SQLITE_ROW) {
        const std::string type = column_text(schema.get(), 0);
        const std::string table = column_text(schema.get(), 1);
        for (const std::string& spelled : collate_names(column_text(schema.get(), 2))) {
            const std::string name = lower(spelled);
            if (name.empty()) {
                continue;
            }
            if (state.lowered_names.count(name) == 0 && known.count(name) == 0) {
                known[name] = can_compare(state.db, spelled);
            }
            if (state.lowered_names.count(name) == 0 && !known[name]) {
                bool language = false;
                for (const char* order : kLanguageOrders) {
                    language = language || name == order;
                }
                if (sqlite3_create_collation_v2(state.db, name.c_str(), SQLITE_UTF8, nullptr,
                                                language ? compare_language : compare_bytes,
                                                nullptr) != SQLITE_OK) {
                    continue;
                }
                state.lowered_names.insert(name);
                // As the schema spells it, for messages.
                state.names.push_back(spelled);
            }
            if (type == "table" && state.lowered_names.count(name) > 0) {
                Guard& guard = state.guards[lower(table)];
                guard.table = table;
                guard.declared = true;
                if (guard.collation.empty()) {
                    guard.collation = spelled;
                }
            }
        }
    }
}

// Guards the tables whose indexes or keys a stand-in orders.
void guard_indexes(State& state) {
    const Statement keys =
        prepare_statement(state.db,
                          "SELECT l.name, l.wr, i.name, i.origin, i.partial, x.cid, x.name, x.coll "
                          "FROM pragma_table_list AS l, pragma_index_list(l.name, 'main') AS i, "
                          "pragma_index_xinfo(i.name, 'main') AS x "
                          "WHERE l.schema = 'main' AND l.type = 'table' AND x.key = 1;");
    if (!keys) {
        return;
    }
    std::set<std::string> rowid_tables;
    while (sqlite3_step(keys.get()) == SQLITE_ROW) {
        const std::string collation = column_text(keys.get(), 7);
        if (state.lowered_names.count(lower(collation)) == 0) {
            continue;
        }
        const std::string table = column_text(keys.get(), 0);
        Guard& guard = state.guards[lower(table)];
        guard.table = table;
        guard.indexed = true;
        if (guard.collation.empty()) {
            guard.collation = collation;
        }
        state.indexes.insert(lower(column_text(keys.get(), 2)));
        const bool without_rowid = sqlite3_column_int(keys.get(), 1) != 0;
        const bool key = column_text(keys.get(), 3) == "pk";
        const bool partial = sqlite3_column_int(keys.get(), 4) != 0;
        const int column = sqlite3_column_int(keys.get(), 5);
        guard.key_order = guard.key_order || (without_rowid && key);
        if (column >= 0) {
            guard.ordered_columns.insert(lower(column_text(keys.get(), 6)));
        }
        if ((without_rowid && key) || partial || column == -2) {
            guard.whole = true;
        } else if (column >= 0) {
            guard.columns.insert(lower(column_text(keys.get(), 6)));
        }
        if (!without_rowid) {
            rowid_tables.insert(table);
        }
    }
    // A new row id moves the record in every index of the table.
    for (const std::string& table : rowid_tables) {
        Guard& guard = state.guards[lower(table)];
        for (const char* name : {"rowid", "_rowid_", "oid"}) {
            guard.columns.insert(name);
        }
        if (const Statement alias = prepare_statement(
                state.db, "SELECT name FROM pragma_table_info(?1, 'main') WHERE pk > 0;")) {
            sqlite3_bind_text(alias.get(), 1, table.c_str(), -1, SQLITE_TRANSIENT);
            while (sqlite3_step(alias.get()) == SQLITE_ROW) {
                guard.columns.insert(lower(column_text(alias.get(), 0)));
            }
        }
    }
}

}  // namespace

void survey(sqlite3* db) {
    State* state = find_state(db);
    if (!state) {
        // Most files name no collation the program lacks: they get no listener.
        State probe;
        probe.db = db;
        register_stand_ins(probe);
        if (probe.names.empty() || !(state = make_state(db))) {
            return;
        }
        state->names = std::move(probe.names);
        state->lowered_names = std::move(probe.lowered_names);
    }
    state->guards.clear();
    state->indexes.clear();
    state->changed = false;
    register_stand_ins(*state);
    guard_indexes(*state);
}

void survey_if_changed(sqlite3* db) {
    const State* state = find_state(db);
    if (state && state->changed) {
        survey(db);
    }
}

std::vector<std::string> names(sqlite3* db) {
    const State* state = find_state(db);
    return state ? state->names : std::vector<std::string>();
}

bool orders_by_stand_in(sqlite3* db, const std::string& table) {
    const State* state = find_state(db);
    const Guard* guard = state ? find_guard(*state, table.c_str()) : nullptr;
    return guard && (guard->key_order || guard->declared);
}

bool refuses_record_change(sqlite3* db, const std::string& table, const std::string& column) {
    State* state = find_state(db);
    const Guard* guard = state ? find_guard(*state, table.c_str()) : nullptr;
    if (!guard || !guard->indexed ||
        !(column.empty() || guard->whole || guard->columns.count(lower(column)) > 0)) {
        return false;
    }
    note_refusal(*state, *guard, !guard->whole);
    return true;
}

bool column_ordered_by_stand_in(sqlite3* db, const std::string& table, const std::string& column) {
    const State* state = find_state(db);
    const Guard* guard = state ? find_guard(*state, table.c_str()) : nullptr;
    return guard && guard->ordered_columns.count(lower(column)) > 0;
}

bool refuses_statement(sqlite3* db, sqlite3_stmt* statement) {
    State* state = find_state(db);
    if (!state || state->names.empty() || !statement || sqlite3_stmt_readonly(statement)) {
        return false;
    }
    const char* sql = sqlite3_sql(statement);
    const std::string_view text = sql ? sql : "";
    const std::size_t start = skip_blanks(text, 0);
    if (lower(text.substr(start, 6)) == "vacuum" &&
        (start + 6 >= text.size() || !is_name_byte(static_cast<unsigned char>(text[start + 6])))) {
        state->refusal = to_utf8(kVacuumText1) + state->names.front() + to_utf8(kVacuumText2);
        return true;
    }
    for (const std::string& name : collate_names(text)) {
        if (state->lowered_names.count(lower(name)) > 0) {
            state->refusal = to_utf8(kNewIndexText1) + name + to_utf8(kNewIndexText2);
            return true;
        }
    }
    return false;
}

const char* refusal_message(sqlite3* db) {
    const State* state = find_state(db);
    return state && !state->refusal.empty() ? state->refusal.c_str() : nullptr;
}

}  // namespace stand_in
