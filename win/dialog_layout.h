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
    // `designed`: the client size the controls were placed for, when the dialog
    // was made smaller than that (see Dialog::template_client_size).
    void setup_layout(HWND dialog,
                      std::initializer_list<ControlRule> rules,
                      SIZE designed = {0, 0});
    void on_size(UINT size_type, int width, int height);
    void on_get_min_max_info(MINMAXINFO* info) const;
    // The dialog moved to a monitor of another DPI: the sizes the rules start from
    // are scaled with it (call before the dialog takes its new size).
    void rescale(int old_dpi, int new_dpi);

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

// Makes a window no larger than the work area of its monitor: a dialog laid out
// for a large display scale can be larger than a small screen.
void fit_to_work_area(HWND window);

// Moves a window (not resizing it) to the centre of its reference window, kept
// inside the bounds: the desktop's work area for a top-level window, the parent's
// client area for a child. Without a reference the parent (child) or owner
// (top-level) serves; a missing, hidden or minimised owner means the work area.
void center_window(HWND window, HWND reference = nullptr);
