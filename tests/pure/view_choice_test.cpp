#include <gtest/gtest.h>

#include <vector>

#include "page/view_choice.h"

namespace {

using Order = std::vector<OrderKey>;

OrderKey up(std::size_t column) {
    return OrderKey{column, false};
}
OrderKey down(std::size_t column) {
    return OrderKey{column, true};
}

}  // namespace

// Clicks on headers as a user makes them, one after another, and the sort each
// leaves: a plain click goes round ascending, descending, off; Ctrl adds keys.
TEST(ViewChoice, HeaderClicksGoRoundAndCtrlAddsFurtherKeys) {
    struct Click {
        std::size_t column;
        bool ctrl;
        Order expected;
    };
    const Click clicks[] = {
        {2, false, {up(2)}},
        {2, false, {down(2)}},
        {2, false, {}},
        {2, false, {up(2)}},
        {0, true, {up(2), up(0)}},
        {0, true, {up(2), down(0)}},
        {5, true, {up(2), down(0), up(5)}},
        // A plain click on one of several keys sorts by it alone.
        {0, false, {up(0)}},
        {3, true, {up(0), up(3)}},
        {0, true, {down(0), up(3)}},
        // Ctrl on a descending key takes it away; the others keep their rank.
        {0, true, {up(3)}},
        {7, false, {up(7)}},
    };
    Order order;
    for (const Click& click : clicks) {
        order = clicked_order(order, click.column, click.ctrl);
        EXPECT_EQ(order, click.expected) << click.column << (click.ctrl ? " ctrl" : "");
    }
    EXPECT_EQ(sort_rank_text({up(4), down(1)}, 1), " (2)");
    EXPECT_EQ(sort_rank_text({up(4)}, 4), "");
    EXPECT_EQ(sort_rank_text({up(4), down(1)}, 3), "");
}
