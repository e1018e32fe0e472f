#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "structure/column_rows.h"

namespace {

using Texts = std::vector<std::string>;

Texts names(const ColumnRows& rows) {
    Texts names;
    for (const ColumnDef& column : rows.columns()) {
        names.push_back(column.name + " " + column.type);
    }
    return names;
}

}  // namespace

TEST(ColumnRows, DeletingTheCurrentRowLeavesNoneForTheFieldsToWriteInto) {
    ColumnRows rows;
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(rows.add(), i);
    }
    rows.select(1);
    EXPECT_EQ(rows.delete_current(), 1);
    EXPECT_EQ(names(rows), (Texts{"column00 TEXT", "column02 TEXT"}));
    EXPECT_EQ(rows.current(), ColumnRows::kNoRow);
    // Typing after the deletion reaches neither the successor nor any other row.
    EXPECT_FALSE(rows.rename("typed"));
    EXPECT_FALSE(rows.retype("BLOB"));
    EXPECT_EQ(rows.delete_current(), ColumnRows::kNoRow);
    EXPECT_EQ(names(rows), (Texts{"column00 TEXT", "column02 TEXT"}));

    // Deleting the last row leaves no row behind it to become current.
    rows.select(1);
    EXPECT_EQ(rows.delete_current(), 1);
    EXPECT_EQ(rows.current(), ColumnRows::kNoRow);
    rows.select(1);
    EXPECT_EQ(rows.current(), ColumnRows::kNoRow);
}

TEST(ColumnRows, EditsReachTheCurrentRowEvenWhereNamesRepeat) {
    ColumnRows rows;
    rows.add();
    rows.add();
    rows.add();
    rows.select(1);
    rows.delete_current();
    // The default name counts the rows, so it repeats the name of the last one.
    EXPECT_EQ(rows.add(), 2);
    EXPECT_EQ(rows.current(), 2);
    EXPECT_EQ(names(rows), (Texts{"column00 TEXT", "column02 TEXT", "column02 TEXT"}));
    EXPECT_TRUE(rows.rename("price"));
    EXPECT_TRUE(rows.retype("NUMERIC"));
    // A name another row bears is the user's to correct; it lands where typed.
    rows.select(0);
    EXPECT_TRUE(rows.rename("price"));
    EXPECT_EQ(names(rows), (Texts{"price TEXT", "column02 TEXT", "price NUMERIC"}));

    rows.select(-1);
    EXPECT_FALSE(rows.rename("nowhere"));
    rows.select(3);
    EXPECT_FALSE(rows.retype("nowhere"));
    EXPECT_EQ(names(rows), (Texts{"price TEXT", "column02 TEXT", "price NUMERIC"}));
}

TEST(ColumnRows, AnExistingTablesRowsTakeNoNewColumn) {
    ColumnRows rows(false);
    rows.add();
    rows.load({{"title", "title", "TEXT"}, {"memo", "memo", ""}});
    rows.select(1);
    EXPECT_EQ(rows.add(), ColumnRows::kNoRow);
    EXPECT_EQ(rows.current(), 1);
    EXPECT_EQ(names(rows), (Texts{"title TEXT", "memo "}));
    // Loading again starts without a current row.
    rows.load({{"a", "a", "TEXT"}});
    EXPECT_EQ(rows.current(), ColumnRows::kNoRow);
}
