// Filters and sort keys over a whole table: what a typed filter lets through, as
// the database answers it, and sorted pages turned next to a record showing
// exactly what the same ORDER BY shows at an offset.
#include <gtest/gtest.h>

#include "db/record_page.h"
#include "db/record_view.h"
#include "tests/support/test_support.h"

namespace {

using Ids = std::vector<std::string>;

std::string joined(const std::vector<std::string>& fields) {
    std::string text;
    for (const std::string& field : fields) {
        text += (text.empty() ? "" : ",") + field;
    }
    return text;
}

Ids ids_of(const std::vector<PageRecord>& records) {
    Ids ids;
    for (const PageRecord& record : records) {
        ids.push_back(joined(record.identity));
    }
    return ids;
}

Ids ids_of(TestDb& db, const std::string& sql) {
    Ids ids;
    for (const std::vector<std::string>& row : db.rows(sql)) {
        ids.push_back(joined(row));
    }
    return ids;
}

TableShape shape_of(TestDb& db, const std::string& table) {
    TableShape shape;
    EXPECT_TRUE(read_table_shape(db.handle(), table, shape));
    return shape;
}

// The statements of a page as the planner would run them.
std::string plans(TestDb& db, const std::vector<ViewStatement>& statements) {
    std::string all;
    for (const ViewStatement& statement : statements) {
        for (const std::vector<std::string>& row : db.rows("EXPLAIN QUERY PLAN " + statement.sql)) {
            all += row.back() + "\n";
        }
    }
    return all;
}

int count_steps(void* steps) {
    ++*static_cast<long long*>(steps);
    return 0;
}

}  // namespace

// Each text typed into the filters of a table, hostile ones among them, and the
// records the database lets through for it (by row id), or the column it
// cannot understand.
TEST(RecordView, FiltersLetThroughWhatTheyMean) {
    TempDir dir;
    TestDb db(dir.file("filters.db"));
    db.exec(
        "CREATE TABLE t(s TEXT, n INTEGER, r REAL, u);"
        "INSERT INTO t(rowid, s, n, r, u) VALUES"
        " (1, 'O''Brien', 10, 1.5, 5), (2, '100%', 20, 2.5, '5'), (3, 'a_b', 30, NULL, NULL),"
        " (4, 'a\\b', NULL, 3.0, X'00'), (5, '"
        u8"東京都"
        "', 5, -1.0, 'abc'), (6, '', 10, 10.0, 7),"
        " (7, NULL, 'abc', 2.5, 1.5), (8, 'a~b', 15, 0.1, 8), (9, 'a%b', -3, 1e300, 'x'),"
        " (10, printf('%.*c', 5000, 'x') || 'needle', 0, 0, NULL);");
    const std::string long_needle = std::string(3000, 'x') + "needle";
    const std::string all_but_7 = "1 2 3 4 5 6 8 9 10";
    struct Case {
        std::string rowid, s, n, r, u;
        std::string expected;  // row ids, or "error N" for column N
    };
    const Case cases[] = {
        {"", "Brien", "", "", "", "1"},
        {"", "'", "", "", "", "1"},
        {"", "%", "", "", "", "2 9"},
        {"", "_", "", "", "", "3"},
        {"", "a_b", "", "", "", "3"},
        {"", "\\", "", "", "", "4"},
        {"", u8"東京", "", "", "", "5"},
        {"", "B", "", "", "", "1 3 4 8 9"},
        {"", "=", "", "", "", "6"},
        {"", " =a_b ", "", "", "", "3"},
        {"", "<>a_b", "", "", "", "1 2 4 5 6 7 8 9 10"},
        {"", "NULL", "", "", "", "7"},
        {"", "nOt   NuLl", "", "", "", all_but_7},
        {"", "a~b", "", "", "", "3 4 8 9"},
        {"", "\"a~b\"", "", "", "", "8"},
        {"", "a~", "", "", "", "3 4 5 8 9 10"},
        {"", "~", "", "", "", "error 0"},
        {"", "'; DROP TABLE t; --", "", "", "", ""},
        {"", long_needle, "", "", "", "10"},
        {"", "", "10", "", "", "1 6"},
        {"", "", "1", "", "", ""},
        {"", "", ">=15", "", "", "2 3 7 8"},
        {"", "", "1~", "", "", "1 2 3 5 6 7 8"},
        {"", "", "~10", "", "", "1 5 6 9 10"},
        {"", "", "-3~0", "", "", "9 10"},
        {"", "", "abc", "", "", "7"},
        {"", "", ">", "", "", "error 1"},
        {"", "", "", "2.5", "", "2 7"},
        {"", "", "", "=3", "", "4"},
        {"", "", "", "0.1", "", "8"},
        {"", "", "", ">1e299", "", "9"},
        {"", "", "", "", "=5", "1"},
        {"", "", "", "", "=\"5\"", "2"},
        {">8", "", "", "", "", "9 10"},
        {"", "a", ">=15", "", "", "3 8"},
    };
    const TableShape shape = shape_of(db, "t");
    for (const Case& c : cases) {
        const std::string label =
            c.rowid + "|" + c.s.substr(0, 40) + "|" + c.n + "|" + c.r + "|" + c.u;
        RecordView view;
        std::size_t bad = 99;
        std::string message;
        const bool parsed = parse_filters(shape, c.rowid, {c.s, c.n, c.r, c.u}, TextMatch::exact,
                                          view.filter, bad, message);
        if (c.expected.rfind("error ", 0) == 0) {
            EXPECT_FALSE(parsed) << label;
            EXPECT_EQ(std::to_string(bad), c.expected.substr(6)) << label;
            EXPECT_FALSE(message.empty()) << label;
            continue;
        }
        ASSERT_TRUE(parsed) << label;
        std::vector<PageRecord> records;
        ASSERT_TRUE(read_record_page(db.handle(), "t", shape, view, PageStart(), 100, records))
            << label;
        std::string found;
        for (const PageRecord& record : records) {
            found += (found.empty() ? "" : " ") + record.identity[0];
        }
        EXPECT_EQ(found, c.expected) << label;
        EXPECT_EQ(count_view_records(db.handle(), "t", shape, view),
                  static_cast<std::int64_t>(records.size()))
            << label;
    }
    EXPECT_EQ(db.value("SELECT count(*) FROM t"), "10");
}

// Sorted (and filtered) views turned page by page next to a record, forwards and
// back, show what ORDER BY keys, identity LIMIT ... OFFSET shows: duplicates,
// NULLs, mixed types, DESC, several keys, NOCASE, a key without row id, a view.
TEST(RecordView, SortedPagesNextToARecordShowWhatTheOffsetShows) {
    TempDir dir;
    TestDb db(dir.file("sorted.db"));
    db.exec(
        "CREATE TABLE s(k, g TEXT COLLATE NOCASE, v);"
        "CREATE TABLE w(a TEXT, b INTEGER, v, PRIMARY KEY(a, b)) WITHOUT ROWID;"
        "CREATE VIEW sv AS SELECT k, g, v FROM s;");
    // Few distinct keys, so that ties run over several pages; every kind of value.
    db.fill(
        "INSERT INTO s VALUES (CASE ?1 % 6 WHEN 0 THEN NULL WHEN 1 THEN ?1 % 5 WHEN 2 THEN"
        " (?1 % 4) + 0.5 WHEN 3 THEN 'k' || (?1 % 3) WHEN 4 THEN CAST('b' || (?1 % 2) AS BLOB)"
        " ELSE 2 END, CASE ?1 % 4 WHEN 0 THEN 'a' WHEN 1 THEN 'A' WHEN 2 THEN NULL ELSE 'b' END,"
        " ?1 % 7)",
        400);
    db.fill(
        "INSERT INTO w VALUES ('k' || (?1 % 9), ?1, CASE WHEN ?1 % 5 = 0 THEN NULL ELSE ?1 % 3 "
        "END)",
        300);
    struct Case {
        std::string table;
        std::vector<OrderKey> order;
        std::vector<std::string> typed;
        std::string reference;  // the identities in the order the page must show
    };
    const Case cases[] = {
        {"s", {{0, false}}, {}, "SELECT rowid FROM s ORDER BY k, rowid"},
        {"s", {{0, true}}, {}, "SELECT rowid FROM s ORDER BY k DESC, rowid"},
        {"s", {{1, false}, {0, true}}, {}, "SELECT rowid FROM s ORDER BY g, k DESC, rowid"},
        {"s",
         {{1, true}, {2, false}},
         {"", "", "<>3"},
         "SELECT rowid FROM s WHERE v IS NOT 3 ORDER BY g DESC, v, rowid"},
        {"s", {}, {"", "a"}, "SELECT rowid FROM s WHERE g LIKE '%a%' ORDER BY rowid"},
        {"w", {{2, true}}, {}, "SELECT quote(a), quote(b) FROM w ORDER BY v DESC, a, b"},
        {"w",
         {{2, false}, {0, true}},
         {"k1~k5"},
         "SELECT quote(a), quote(b) FROM w WHERE a BETWEEN 'k1' AND 'k5' ORDER BY v, a DESC, a, b"},
    };
    const int count = 13;
    for (const Case& c : cases) {
        const TableShape shape = shape_of(db, c.table);
        RecordView view;
        view.order = c.order;
        std::size_t bad = 0;
        std::string message;
        ASSERT_TRUE(parse_filters(shape, c.typed, view.filter, bad, message));
        const Ids expected = ids_of(db, c.reference);
        const int pages = static_cast<int>((expected.size() + count - 1) / count);
        const auto slice = [&](int page) {
            const std::size_t from = static_cast<std::size_t>(page * count);
            return Ids(expected.begin() + from,
                       expected.begin() + std::min(expected.size(), from + count));
        };
        std::vector<PageRecord> records;
        PageStart start;
        for (int page = 0; page < pages; ++page) {
            ASSERT_TRUE(read_record_page(db.handle(), c.table, shape, view, start, count, records));
            ASSERT_EQ(ids_of(records), slice(page)) << c.reference << " page " << page;
            std::vector<PageRecord> at_offset;
            PageStart offset;
            offset.offset = page * count;
            ASSERT_TRUE(
                read_record_page(db.handle(), c.table, shape, view, offset, count, at_offset));
            ASSERT_EQ(ids_of(at_offset), slice(page)) << c.reference << " offset " << page;
            start.from = PageStart::From::after;
            start.offset = (page + 1) * count;
            start.identity = records.back().identity;
            start.order_values = records.back().order_values;
        }
        for (int page = pages - 2; page >= 0; --page) {
            start.from = PageStart::From::before;
            start.offset = page * count;
            start.identity = records.front().identity;
            start.order_values = records.front().order_values;
            ASSERT_TRUE(read_record_page(db.handle(), c.table, shape, view, start, count, records));
            ASSERT_EQ(ids_of(records), slice(page)) << c.reference << " back to " << page;
        }
        // The same page again, from its first record.
        start.from = PageStart::From::at;
        start.identity = records.front().identity;
        start.order_values = records.front().order_values;
        ASSERT_TRUE(read_record_page(db.handle(), c.table, shape, view, start, count, records));
        EXPECT_EQ(ids_of(records), slice(0)) << c.reference;
    }

    // A view has no identity to start next to: it pages by offset.
    const TableShape shape = shape_of(db, "sv");
    RecordView view;
    view.order = {{0, true}};
    std::vector<PageRecord> records;
    PageStart start;
    start.offset = 26;
    ASSERT_TRUE(read_record_page(db.handle(), "sv", shape, view, start, count, records));
    Ids shown;
    for (const PageRecord& record : records) {
        shown.push_back(record.identity[0] + "," + record.identity[2]);
    }
    Ids expected;
    for (const std::vector<std::string>& row :
         db.rows("SELECT quote(k), quote(v) FROM s ORDER BY k DESC LIMIT 26, 13")) {
        expected.push_back(row[0] + "," + row[1]);
    }
    EXPECT_EQ(shown, expected);
}

// An exact or range filter, or a sort, on an indexed column reads through the
// index, and a turn deep in a sorted view costs what one near its start costs.
TEST(RecordView, IndexesServeFiltersAndSorts) {
    TempDir dir;
    TestDb db(dir.file("indexed.db"));
    db.exec(
        "CREATE TABLE t(name TEXT, n INTEGER, other); CREATE INDEX t_name ON t(name);"
        "CREATE INDEX t_n ON t(n);");
    db.fill(
        "INSERT INTO t VALUES ('name' || (?1 % 500), CASE WHEN ?1 % 9 = 0 THEN NULL ELSE ?1 % 700 "
        "END, ?1)",
        40000);
    db.exec("ANALYZE;");
    const TableShape shape = shape_of(db, "t");
    const auto statements_for = [&](const std::vector<std::string>& typed,
                                    const std::vector<OrderKey>& order, const PageStart& start) {
        RecordView view;
        view.order = order;
        std::size_t bad = 0;
        std::string message;
        EXPECT_TRUE(parse_filters(shape, typed, view.filter, bad, message));
        bool backwards = false;
        return view_page_statements("t", shape, view, start, 1000, backwards);
    };
    PageStart first;
    EXPECT_NE(plans(db, statements_for({"=name7"}, {}, first)).find("INDEX t_name"),
              std::string::npos);
    EXPECT_NE(plans(db, statements_for({"", "100~120"}, {}, first)).find("INDEX t_n"),
              std::string::npos);
    const std::string sorted = plans(db, statements_for({}, {{1, false}}, first));
    EXPECT_NE(sorted.find("INDEX t_n"), std::string::npos) << sorted;
    EXPECT_EQ(sorted.find("TEMP B-TREE"), std::string::npos) << sorted;
    PageStart next;
    next.from = PageStart::From::after;
    next.identity = {"3000"};
    next.order_values = {"300"};
    const std::string turned = plans(db, statements_for({}, {{1, false}}, next));
    EXPECT_EQ(turned.find("SCAN t\n"), std::string::npos) << turned;

    long long steps = 0;
    sqlite3_progress_handler(db.handle(), 100, count_steps, &steps);
    // Sorted as a whole, and within a range filter on the same column: the turn
    // must seek by where the page ends, not by the filter's end of the range.
    RecordFilter range;
    std::size_t bad = 0;
    std::string message;
    ASSERT_TRUE(parse_filters(shape, {"", "100~600"}, range, bad, message));
    for (const auto& [filter, deep] : {std::pair<RecordFilter, int>{{}, 37000}, {range, 20000}})
        for (const bool descending : {false, true}) {
            RecordView view;
            view.filter = filter;
            view.order = {{1, descending}};
            std::vector<PageRecord> records;
            const auto turn_steps = [&](std::int64_t offset, PageStart::From from) {
                PageStart at;
                at.offset = offset;
                EXPECT_TRUE(read_record_page(db.handle(), "t", shape, view, at, 1000, records));
                const PageRecord edge =
                    from == PageStart::From::after ? records.back() : records.front();
                PageStart turn;
                turn.from = from;
                turn.offset = from == PageStart::From::after ? offset + 1000 : offset - 1000;
                turn.identity = edge.identity;
                turn.order_values = edge.order_values;
                steps = 0;
                EXPECT_TRUE(read_record_page(db.handle(), "t", shape, view, turn, 1000, records));
                return steps;
            };
            const long long start = turn_steps(1000, PageStart::From::after);
            EXPECT_LT(turn_steps(deep, PageStart::From::after), 2 * start) << descending << deep;
            EXPECT_LT(turn_steps(deep, PageStart::From::before), 2 * start) << descending << deep;
        }
    sqlite3_progress_handler(db.handle(), 0, nullptr, nullptr);
}
