#pragma once

// Window-free arithmetic of dialog layout and window placement.

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool operator==(const Rect& other) const {
        return left == other.left && top == other.top && right == other.right &&
               bottom == other.bottom;
    }
};

struct Point {
    int x = 0;
    int y = 0;
    bool operator==(const Point& other) const { return x == other.x && y == other.y; }
};

enum LayoutRule : unsigned {
    layout_stretch_x = 1u << 0,
    layout_stretch_y = 1u << 1,
    layout_move_x = 1u << 2,
    layout_move_y = 1u << 3,
    layout_repaint = 1u << 4,
};

// Where a control goes when the client area has grown by dx, dy since the layout
// was set up. An edge that follows the window keeps its distance from the window's
// right or bottom edge; an edge that does not follow stays where it is now.
Rect layout_rect(unsigned rule, const Rect& initial, const Rect& present, int dx, int dy);

// Top-left corner that centres a window of the given size on the reference
// rectangle and then keeps it inside the bounds.
Point centered_position(int width, int height, const Rect& reference, const Rect& bounds);
