#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "win/dpi.h"
#include "win/gdi_handles.h"
#include "win/message_map.h"
#include "win/window_subclass.h"

// Sent by the strip's editor to the strip (both parameters 0).
constexpr UINT WM_FILTER_EDIT_KEY = WM_APP + 20;

// The line above the grid where the user types a filter for each column. It draws
// each column's filter in a cell as wide as the column, where the column stands on
// the screen; a click opens an editor over the cell. What was typed is handed on
// after a short pause, at once with Enter or when the editor closes. The first
// cell, over the row numbers, clears every filter while one is set.
class FilterStrip : public WindowSubclass {
public:
    static constexpr int kTypingPauseMs = 400;
    static constexpr UINT_PTR kTypingTimer = 1;

    // Where data column c (1 to the number of columns) stands, left and right in
    // the strip's client coordinates; false when it has no place.
    std::function<bool(int column, int& left, int& right)> column_edges;
    // Scrolls the grid so that data column c can be seen whole.
    std::function<void(int column)> show_column;
    // The filters as typed (UTF-8, one per data column) are to be applied; `asked`
    // when the user pressed Enter, who then wants to hear why one cannot be.
    std::function<void(const std::vector<std::string>& typed, bool asked)> on_filters;

    // Makes the strip over the placeholder window (a static control).
    bool create(HWND placeholder, HFONT font, int dpi);
    // Makes the strip as a control `id` of `parent` just above `list`, which gives
    // up the strip's height (the window keeps its size).
    bool create_above(HWND list, HWND parent, int id, HFONT font, int dpi);
    // The font and DPI of a monitor the window moved to.
    void set_font(HFONT font, int dpi);
    // The texts for the columns of another table (or the same, restored).
    void set_texts(const std::vector<std::string>& texts);
    const std::vector<std::string>& texts() const { return texts_; }
    // Marks the column whose filter could not be understood (0: none).
    void set_bad_column(int column);
    // The columns moved (scrolled, resized, another table): drawn again.
    void columns_moved();
    bool any_filter() const;
    // Texts match without regard to full and half width, katakana and hiragana,
    // and case: the user's choice in the strip's menu, on at first.
    bool folded() const { return folded_; }
    // Opens the editor on data column c's filter.
    void edit_column(int column);
    HWND editor() const { return editor_; }

protected:
    bool handle_message(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result) override;

private:
    static const MessageEntry<FilterStrip> message_map_[];

    LRESULT on_paint(WPARAM, LPARAM);
    LRESULT on_erase_background(WPARAM, LPARAM);
    LRESULT on_left_button_down(WPARAM, LPARAM);
    LRESULT on_timer(WPARAM, LPARAM);
    LRESULT on_command(WPARAM, LPARAM);
    LRESULT on_editor_key(WPARAM, LPARAM);
    LRESULT on_ctl_color_edit(WPARAM, LPARAM);
    LRESULT on_context_menu(WPARAM, LPARAM);

    // The column under x (strip client coordinates): 0 for the first cell, -1 for none.
    int column_at(int x) const;
    // Takes the editor's text into its column and closes it.
    void close_editor();
    void hand_on(bool asked);
    void toggle_folded();
    void clear_filters();

    HWND editor_ = nullptr;
    std::unique_ptr<WindowSubclass> editor_subclass_;
    BrushHandle editor_back_;
    HFONT font_ = nullptr;
    int dpi_ = kDefaultDpi;
    std::vector<std::string> texts_;
    // The column the editor is open on (0: closed).
    int editing_ = 0;
    int bad_column_ = 0;
    bool folded_ = true;
    // The texts last handed on, so that an unchanged filter is not read again.
    std::vector<std::string> handed_;
};
