#include <gtest/gtest.h>

#include "win/layout_math.h"

TEST(LayoutMath, ControlsFollowTheirRules) {
    const Rect initial{10, 20, 110, 70};
    // The present rectangle equals the initial one until the dialog grows.
    EXPECT_EQ(layout_rect(0, initial, initial, 100, 50), initial);
    EXPECT_EQ(layout_rect(layout_stretch_x | layout_stretch_y, initial, initial, 100, 50),
              (Rect{10, 20, 210, 120}));
    EXPECT_EQ(layout_rect(layout_move_x, initial, initial, 100, 50), (Rect{110, 20, 210, 70}));
    EXPECT_EQ(layout_rect(layout_move_x | layout_move_y, initial, initial, 100, 50),
              (Rect{110, 70, 210, 120}));
    EXPECT_EQ(layout_rect(layout_stretch_x, initial, initial, 100, 50), (Rect{10, 20, 210, 70}));
    // Back to the initial size, everything is where it started.
    const Rect moved = layout_rect(layout_move_x | layout_stretch_y, initial, initial, 100, 50);
    EXPECT_EQ(layout_rect(layout_move_x | layout_stretch_y, initial, moved, 0, 0), initial);
}

TEST(LayoutMath, CentresOnTheReferenceInsideTheBounds) {
    const Rect work{0, 0, 1024, 738};
    EXPECT_EQ(centered_position(200, 100, Rect{100, 100, 500, 400}, work), (Point{200, 200}));
    // Odd sizes truncate toward zero.
    EXPECT_EQ(centered_position(201, 101, Rect{0, 0, 1024, 738}, work), (Point{412, 319}));
    // An owner partly off the work area: centred on it, then moved back inside.
    EXPECT_EQ(centered_position(300, 200, Rect{-400, -300, 0, 100}, work), (Point{0, 0}));
    EXPECT_EQ(centered_position(300, 200, Rect{900, 600, 1300, 900}, work), (Point{724, 538}));
    // A window larger than the bounds keeps its top-left corner inside them.
    EXPECT_EQ(centered_position(2000, 100, Rect{0, 0, 1024, 738}, work).x, 0);
}
