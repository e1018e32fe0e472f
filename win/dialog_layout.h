#pragma once

#include <windows.h>

#include <initializer_list>
#include <vector>

#include "win/layout_math.h"

// Identifier of the size grip in the bottom-right corner of a resizable dialog.
constexpr int kSizeGripId = 59393;

struct LayoutEntry {
    int control_id;
    unsigned rule;
    Rect initial;
};

struct ControlRule {
    int control_id;
    unsigned rule;
};

// The resize rules of one resizable dialog: every control under a rule keeps its
// place, stretches, or moves with the right or bottom edge.
class DialogLayout {
public:
    void setup_layout(HWND dialog, std::initializer_list<ControlRule> rules);
    void on_size(UINT size_type, int width, int height);
    void on_get_min_max_info(MINMAXINFO* info) const;

    bool grip_present() const { return grip_present_; }
    SIZE minimum_size() const { return minimum_size_; }
    const std::vector<LayoutEntry>& entries() const { return entries_; }

private:
    void lay_out(int width, int height);

    HWND dialog_ = nullptr;
    SIZE initial_client_{0, 0};
    SIZE minimum_size_{0, 0};
    bool has_minimum_ = false;
    bool grip_present_ = false;
    std::vector<LayoutEntry> entries_;
};

// Moves a window (not resizing it) to the centre of its reference window, kept
// inside the bounds: the desktop's work area for a top-level window, the parent's
// client area for a child. Without a reference the parent (child) or owner
// (top-level) serves; a missing, hidden or minimised owner means the work area.
void center_window(HWND window, HWND reference = nullptr);
