#include <gtest/gtest.h>

#include <vector>

#include "page/column_widths.h"

TEST(ColumnWidths, FewColumnsShareTheRoomAndManyKeepAReadableWidth) {
    using Widths = std::vector<int>;
    struct Case {
        int room;
        Widths headers;
        Widths expected;
    };
    const Case cases[] = {
        // A few columns: the room shared equally, truncated, whatever the headers.
        {600, {30, 40, 50}, {200, 200, 200}},
        {601, {10, 10, 10, 10}, {150, 150, 150, 150}},
        {600, {190, 190, 190}, {200, 200, 200}},
        // A share just enough to read is kept as it is.
        {288, {72, 72, 72, 72}, {72, 72, 72, 72}},
        // A readable share is the width of every column, however long a header.
        {600, {20, 300, 130, 20, 20}, {120, 120, 120, 120, 120}},
        {590, {10, 150, 400, 72, 73}, {118, 118, 118, 118, 118}},
        // Many columns: the readable minimum, or what the header needs.
        {590, Widths(58, 40), Widths(58, 72)},
        {590,
         {40, 150, 400, 40, 40, 40, 40, 40, 40, 40},
         {72, 150, 200, 72, 72, 72, 72, 72, 72, 72}},
        // No room at all (a window made very narrow).
        {0, {10, 100}, {72, 100}},
        {-30, {10}, {72}},
        {600, {}, {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(data_column_widths(c.room, c.headers), c.expected) << c.room;
    }
    // 1,999 columns (SQLite's default limit is 2,000 with the row id).
    const Widths widest = data_column_widths(590, Widths(1999, 60));
    ASSERT_EQ(widest.size(), 1999u);
    EXPECT_EQ(widest.front(), kReadableColumnWidth);
    EXPECT_EQ(widest.back(), kReadableColumnWidth);
}
