#include "win/layout_math.h"

Rect layout_rect(unsigned rule, const Rect& initial, const Rect& present, int dx, int dy) {
    Rect result = present;
    if (rule & (layout_stretch_x | layout_move_x)) {
        result.right = initial.right + dx;
        if (rule & layout_move_x) {
            result.left = result.right - initial.width();
        }
    }
    if (rule & (layout_stretch_y | layout_move_y)) {
        result.bottom = initial.bottom + dy;
        if (rule & layout_move_y) {
            result.top = result.bottom - initial.height();
        }
    }
    return result;
}

Point centered_position(int width, int height, const Rect& reference, const Rect& bounds) {
    Point p;
    p.x = (reference.left + reference.right) / 2 - width / 2;
    p.y = (reference.top + reference.bottom) / 2 - height / 2;
    if (p.x < bounds.left) {
        p.x = bounds.left;
    } else if (p.x + width > bounds.right) {
        p.x = bounds.right - width;
    }
    if (p.y < bounds.top) {
        p.y = bounds.top;
    } else if (p.y + height > bounds.bottom) {
        p.y = bounds.bottom - height;
    }
    return p;
}
