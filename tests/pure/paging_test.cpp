#include <gtest/gtest.h>

#include "db/paging.h"

TEST(Paging, LabelButtonsAndBlankRowFollowTheRowCount) {
    struct Case {
        int page;
        std::int64_t rows;
        const char* label;
        bool previous;
        bool next;
        bool blank;
    };
    const Case cases[] = {
        {0, 0, "0-0", false, false, true},         {0, 1, "1-1", false, false, true},
        {0, 1000, "1-1000", false, false, true},   {0, 1001, "1-1000", false, true, false},
        {1, 1001, "1001-1001", true, false, true}, {0, 2500, "1-1000", false, true, false},
        {1, 2500, "1001-2000", true, true, false}, {2, 2500, "2001-2500", true, false, true},
        {2, 3000, "2001-3000", true, false, true},
    };
    for (const Case& c : cases) {
        const PageView view = page_view(c.page, c.rows);
        EXPECT_EQ(view.label, c.label) << c.page << "/" << c.rows;
        EXPECT_EQ(view.previous_enabled, c.previous) << c.page << "/" << c.rows;
        EXPECT_EQ(view.next_enabled, c.next) << c.page << "/" << c.rows;
        EXPECT_EQ(needs_blank_row(c.page, c.rows), c.blank) << c.page << "/" << c.rows;
    }
}

TEST(Paging, OffsetsNeverGoBelowZeroOrOverflow) {
    EXPECT_EQ(page_offset(0), 0);
    EXPECT_EQ(page_offset(-3), 0);
    EXPECT_EQ(page_offset(2), 2000);
    EXPECT_EQ(page_offset(3000000), 3000000000LL);
    EXPECT_EQ(page_view(3000000, 3000000500LL).label, "3000000001-3000000500");
}
