#include "structure/rebuild_plan.h"

#include <algorithm>

#include "db/sql_error.h"
#include "db/sql_text.h"
#include "db/text_convert.h"

namespace {

constexpr const char kTempTableName[] = "TEMP_TABLE";
constexpr const char kIndexLabel[] = "インデックス ";
constexpr const char kTriggerLabel[] = "トリガー ";
constexpr const char kConstraintLabel[] = "制約 ";
constexpr const char kViewLabel[] = "ビュー ";
constexpr const char kDroppedNote[] = "（削除されます）";
constexpr const char kBrokenNote[] = "（使えなくなります）";

const char* const kStepFailureTexts[kRebuildStepCount] = {
    kTempTableCreateFailedText, kTempTableCopyFailedText, kTableDropFailedText,
    kCreateTableFailedText,     kTableCopyFailedText,     kTempTableDropFailedText};

constexpr std::size_t kCopyBackStep = 4;

bool refuse(StructureError& error, const char* text) {
    error = {to_utf8(text), kStructureErrorCaption, 0};
    return false;
}

// A table of the database by name. SQLite looks unqualified names up among the
// temporary tables first, so while TEMP_TABLE exists a table of that name must be
// named with its schema, or the copies would read and write TEMP_TABLE itself.
std::string table_reference(const std::string& name) {
    if (equals_ignoring_ascii_case(name, kTempTableName)) {
        return "main." + quote_identifier(name);
    }
    return quote_identifier(name);
}

// The part of an index's or trigger's statement after its own name, which may
// well be the name of a column.
std::string_view after_object_name(std::string_view sql) {
    const std::vector<SqlToken> tokens = sql_tokens(sql);
    std::size_t at = 0;
    auto word = [&](std::size_t index, const char* text) {
        return index < tokens.size() && tokens[index].kind == SqlToken::kWord &&
               equals_ignoring_ascii_case(
                   sql.substr(tokens[index].begin, tokens[index].end - tokens[index].begin), text);
    };
    while (at < tokens.size() && !word(at, "INDEX") && !word(at, "TRIGGER")) {
        ++at;
    }
    ++at;
    if (word(at, "IF")) {
        at += 3;
    }
    if (at + 1 < tokens.size() && sql[tokens[at + 1].begin] == '.') {
        at += 2;
    }
    return at < tokens.size() ? sql.substr(tokens[at].end) : std::string_view();
}

bool names_deleted(const SchemaObject& object, const std::vector<std::string>& deleted) {
    return sql_names_any(after_object_name(object.sql), deleted);
}

std::vector<std::size_t> constraints_naming(const TableSql& table,
                                            const std::vector<std::string>& deleted) {
    std::vector<std::size_t> naming;
    for (std::size_t index = 0; index < table.constraints.size(); ++index) {
        const TableConstraintSql& constraint = table.constraints[index];
        if (sql_names_any(std::string_view(table.sql).substr(constraint.begin,
                                                             constraint.end - constraint.begin),
                          deleted)) {
            naming.push_back(index);
        }
    }
    return naming;
}

bool ends_with_primary_key(std::string& type) {
    while (!type.empty() && (type.back() == ' ' || type.back() == '\t')) {
        type.pop_back();
    }
    const std::string_view suffix = std::string_view(kPrimaryKeySuffix).substr(1);
    if (type.size() < suffix.size() ||
        !equals_ignoring_ascii_case(std::string_view(type).substr(type.size() - suffix.size()),
                                    suffix)) {
        return false;
    }
    type.resize(type.size() - suffix.size());
    while (!type.empty() && (type.back() == ' ' || type.back() == '\t')) {
        type.pop_back();
    }
    return true;
}

bool has_rowid(const TableSql& table) {
    for (const SqlToken& token : sql_tokens(std::string_view(table.sql).substr(table.list_end))) {
        if (token.kind == SqlToken::kWord &&
            equals_ignoring_ascii_case(std::string_view(table.sql).substr(
                                           table.list_end + token.begin, token.end - token.begin),
                                       "WITHOUT")) {
            return false;
        }
    }
    return true;
}

// A name of the form prefix + number that none of `taken` bears.
std::string unused_name(const std::vector<std::string>& taken, const char* prefix) {
    for (int number = 1;; ++number) {
        const std::string name = prefix + std::to_string(number);
        if (std::none_of(taken.begin(), taken.end(), [&](const std::string& taken) {
                return equals_ignoring_ascii_case(taken, name);
            })) {
            return name;
        }
    }
}

std::vector<std::string> deleted_names(const ChangePlan& plan, const TableState& state) {
    std::vector<std::string> deleted;
    for (std::size_t at = 0; at < state.originals.size(); ++at) {
        if (plan.is_deleted(state.originals[at])) {
            deleted.push_back(state.names[at]);
        }
    }
    return deleted;
}

}  // namespace

bool ChangePlan::retypes() const {
    return std::any_of(kept.begin(), kept.end(),
                       [](const KeptColumn& column) { return column.retype; });
}

bool ChangePlan::is_deleted(std::size_t original) const {
    return std::find(deleted.begin(), deleted.end(), original) != deleted.end();
}

bool plan_change(const TableSchema& schema,
                 const std::vector<ColumnDef>& columns,
                 const std::string& new_name,
                 ChangePlan& plan,
                 StructureError& error) {
    plan.table = schema.table;
    plan.new_table = new_name;
    if (schema.definition.columns.size() != schema.columns.size()) {
        return refuse(error, kUnreadableTableText);
    }
    plan.columns = schema.columns;
    plan.schema_names = schema.schema_names;
    for (const ColumnSql& column : schema.definition.columns) {
        plan.names.push_back(column.name);
    }
    std::vector<bool> used(plan.columns.size(), false);
    for (const ColumnDef& column : columns) {
        const std::string& source = column.source_name;
        std::size_t original = 0;
        while (original < plan.columns.size() &&
               (used[original] || plan.columns[original].column.source_name != source ||
                plan.names[original] != source)) {
            ++original;
        }
        if (original == plan.columns.size()) {
            return refuse(error, kUnknownColumnText);
        }
        used[original] = true;
        KeptColumn kept;
        kept.original = original;
        kept.type = column.type;
        kept.retype = column.type != plan.columns[original].column.type;
        kept.name = column.name;
        plan.kept.push_back(std::move(kept));
    }
    for (std::size_t original = 0; original < used.size(); ++original) {
        if (!used[original]) {
            plan.deleted.push_back(original);
        }
    }
    return true;
}

TableState::TableState(const ChangePlan& plan) : table(plan.table), names(plan.names) {
    for (std::size_t original = 0; original < plan.names.size(); ++original) {
        originals.push_back(original);
    }
}

std::size_t TableState::position(std::size_t original) const {
    return static_cast<std::size_t>(std::find(originals.begin(), originals.end(), original) -
                                    originals.begin());
}

void TableState::remove(std::size_t original) {
    const std::size_t at = position(original);
    if (at < originals.size()) {
        names.erase(names.begin() + static_cast<std::ptrdiff_t>(at));
        originals.erase(originals.begin() + static_cast<std::ptrdiff_t>(at));
    }
}

std::vector<ColumnDrop> column_drops(const ChangePlan& plan, const TableState& state) {
    std::vector<ColumnDrop> drops;
    if (plan.retypes() || plan.kept.empty()) {
        return drops;
    }
    for (std::size_t original : plan.deleted) {
        drops.push_back({original, "ALTER TABLE main." + quote_identifier(state.table) +
                                       " DROP COLUMN " + quote_identifier(plan.names[original]) +
                                       ";"});
    }
    return drops;
}

std::vector<AlterStep> alter_steps(const ChangePlan& plan, const TableState& start) {
    TableState state = start;
    std::vector<AlterStep> steps;
    auto rename_column = [&](std::size_t at, const std::string& name) {
        steps.push_back({"ALTER TABLE main." + quote_identifier(state.table) + " RENAME COLUMN " +
                             quote_identifier(state.names[at]) + " TO " + quote_identifier(name) +
                             ";",
                         at, name});
        apply(steps.back(), state);
    };
    auto rename_table = [&](const std::string& name) {
        steps.push_back({"ALTER TABLE main." + quote_identifier(state.table) + " RENAME TO " +
                             quote_identifier(name) + ";",
                         std::string::npos, name});
        apply(steps.back(), state);
    };

    std::vector<std::pair<std::size_t, std::string>> renames;
    for (const KeptColumn& kept : plan.kept) {
        if (kept.name != plan.names[kept.original]) {
            renames.push_back({state.position(kept.original), kept.name});
        }
    }
    // Names that change places (a to b and b to a, or a new name taken from a
    // deleted column) go through names of their own first.
    bool crossing = false;
    for (const auto& [at, name] : renames) {
        for (std::size_t other = 0; other < state.names.size(); ++other) {
            crossing =
                crossing || (other != at && equals_ignoring_ascii_case(state.names[other], name));
        }
    }
    if (crossing) {
        for (std::size_t at = 0; at < state.names.size(); ++at) {
            const bool renamed =
                std::any_of(renames.begin(), renames.end(),
                            [&](const auto& rename) { return rename.first == at; });
            if (renamed || plan.is_deleted(state.originals[at])) {
                std::vector<std::string> taken = state.names;
                for (const auto& rename : renames) {
                    taken.push_back(rename.second);
                }
                rename_column(at, unused_name(taken, "column_"));
            }
        }
    }
    for (const auto& [at, name] : renames) {
        rename_column(at, name);
    }

    if (plan.new_table != state.table) {
        // A name that differs only in case is taken by the table itself.
        if (equals_ignoring_ascii_case(plan.new_table, state.table)) {
            rename_table(unused_name(plan.schema_names, "table_"));
        }
        rename_table(plan.new_table);
    }
    return steps;
}

void apply(const AlterStep& step, TableState& state) {
    if (step.column == std::string::npos) {
        state.table = step.name;
    } else if (step.column < state.names.size()) {
        state.names[step.column] = step.name;
    }
}

bool needs_copy(const ChangePlan& plan, const TableState& state) {
    const bool deleting =
        std::any_of(state.originals.begin(), state.originals.end(),
                    [&](std::size_t original) { return plan.is_deleted(original); });
    return plan.retypes() || deleting || plan.kept.empty();
}

bool copy_steps(const ChangePlan& plan,
                const TableState& state,
                const TableSql& definition,
                const std::vector<SchemaObject>& objects,
                const std::optional<std::string>& counter,
                std::vector<RebuildStep>& steps,
                StructureError& error) {
    if (definition.columns.size() != state.originals.size()) {
        return refuse(error, kUnreadableTableText);
    }
    const std::vector<std::string> deleted = deleted_names(plan, state);

    std::vector<ColumnEdit> edits;
    std::vector<std::string> copied;
    for (const KeptColumn& kept : plan.kept) {
        ColumnEdit edit;
        edit.column = state.position(kept.original);
        if (kept.retype) {
            std::string type = kept.type;
            if (plan.columns[kept.original].rowid_key) {
                // The key is part of the type shown; the definition holds it already.
                edit.drop_primary_key = !ends_with_primary_key(type);
            }
            edit.retype = true;
            edit.type = type;
        }
        edits.push_back(edit);
        if (!plan.columns[kept.original].generated) {
            copied.push_back(state.names[edit.column]);
        }
    }
    const std::string create_sql =
        edited_create_table(definition, edits, constraints_naming(definition, deleted));

    std::string rowid;
    if (has_rowid(definition)) {
        rowid = std::string(rowid_name_for(state.names));
        if (std::any_of(state.names.begin(), state.names.end(), [&](const std::string& name) {
                return equals_ignoring_ascii_case(name, rowid);
            })) {
            rowid.clear();
        }
    }

    const std::vector<std::string> statements =
        rebuild_statements(state.table, copied, rowid, create_sql);
    steps.clear();
    for (std::size_t index = 0; index < statements.size(); ++index) {
        const int step = static_cast<int>(index) + 1;
        steps.push_back({statements[index], kStepFailureTexts[index], step});
        // Dropping the table takes its counter of AUTOINCREMENT along.
        if (index == kCopyBackStep && counter && sql_names_any(create_sql, {"AUTOINCREMENT"})) {
            steps.push_back(
                {"DELETE FROM main.sqlite_sequence WHERE name = " + quote_value(state.table) +
                     "; INSERT INTO main.sqlite_sequence(name, seq) VALUES (" +
                     quote_value(state.table) + ", " + quote_value(*counter) + ");",
                 kTableCopyFailedText, step});
        }
    }
    for (const SchemaObject& object : objects) {
        if (!names_deleted(object, deleted)) {
            steps.push_back({object.sql, kRestoreFailedText, 0});
        }
    }
    return true;
}

std::vector<std::string> rebuild_statements(const std::string& table_name,
                                            const std::vector<std::string>& columns,
                                            const std::string& rowid_name,
                                            const std::string& create_sql) {
    std::string list = rowid_name;
    for (const std::string& column : columns) {
        if (!list.empty()) {
            list += ", ";
        }
        list += quote_identifier(column);
    }
    std::string temp_list;
    for (const std::string& column : columns) {
        temp_list += (temp_list.empty() ? "" : ", ") + quote_identifier(column);
    }
    const std::string table = table_reference(table_name);
    return {
        "CREATE TEMPORARY TABLE TEMP_TABLE(" + temp_list + ");",
        "INSERT INTO TEMP_TABLE(" + list + ") SELECT " + list + " FROM " + table + ";",
        "DROP TABLE " + table + ";",
        create_sql,
        "INSERT INTO " + table + "(" + list + ") SELECT " + list + " FROM TEMP_TABLE;",
        "DROP TABLE TEMP_TABLE;",
    };
}

std::vector<std::string> objects_lost(const ChangePlan& plan,
                                      const TableSql& definition,
                                      const std::vector<SchemaObject>& objects,
                                      const std::vector<SchemaObject>& views) {
    std::vector<std::string> lost;
    std::vector<std::string> deleted;
    for (std::size_t original : plan.deleted) {
        deleted.push_back(plan.names[original]);
    }
    if (deleted.empty()) {
        return lost;
    }
    const std::string dropped = to_utf8(kDroppedNote);
    for (const SchemaObject& object : objects) {
        if (names_deleted(object, deleted)) {
            lost.push_back(to_utf8(object.type == "index" ? kIndexLabel : kTriggerLabel) +
                           object.name + dropped);
        }
    }
    for (std::size_t index : constraints_naming(definition, deleted)) {
        const TableConstraintSql& constraint = definition.constraints[index];
        lost.push_back(to_utf8(kConstraintLabel) +
                       definition.sql.substr(constraint.begin, constraint.end - constraint.begin) +
                       dropped);
    }
    for (const SchemaObject& view : views) {
        if (sql_names_any(view.sql, {plan.table}) && sql_names_any(view.sql, deleted)) {
            lost.push_back(to_utf8(kViewLabel) + view.name + to_utf8(kBrokenNote));
        }
    }
    return lost;
}
