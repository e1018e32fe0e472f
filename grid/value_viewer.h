#pragma once

#include <windows.h>

#include <sqlite3.h>

#include <cstdint>
#include <string>

#include "grid/cell_file.h"
#include "grid/picture_decoder.h"
#include "win/dialog.h"
#include "win/dialog_layout.h"
#include "win/message_map.h"

// Shows one cell's value: a picture the system can decode, scaled to fit, with
// its pixel and byte size; anything else as a hexadecimal and text dump, a page at
// a time. It reads only what it shows and writes nothing.
class ValueViewer : public Dialog {
public:
    // A picture longer than this is shown as a dump: decoding it would take its
    // whole length in memory.
    static constexpr std::int64_t kLargestPicture = std::int64_t{64} << 20;

    sqlite3* database = nullptr;
    CellFileTarget target;

    // Modal; the record's absence is the caller's to tell (ReadOutcome::missing is
    // given back before anything is shown).
    ReadOutcome run(HWND owner);
    // The same without a loop of its own (the caller destroys it); null when the
    // value cannot be read.
    HWND open(HWND owner);

    // What it shows.
    bool showing_picture() const { return !picture_.pixels.empty(); }
    const DecodedPicture& picture() const { return picture_; }
    std::int64_t dump_offset() const { return offset_; }

protected:
    bool handle_message(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result) override;
    void dpi_changing(int old_dpi) override;

private:
    static const MessageEntry<ValueViewer> message_map_[];

    LRESULT on_init_dialog(WPARAM, LPARAM);
    LRESULT on_previous(WPARAM, LPARAM);
    LRESULT on_next(WPARAM, LPARAM);
    LRESULT on_cancel(WPARAM, LPARAM);
    LRESULT on_draw_item(WPARAM, LPARAM);
    LRESULT on_size(WPARAM, LPARAM);
    LRESULT on_get_min_max_info(WPARAM, LPARAM);

    // Tries the picture; false when the value is none or cannot be decoded
    // (`note` then says why, or stays empty).
    bool show_picture(std::string& note);
    void show_dump_page(std::int64_t offset, const std::string& note);

    DialogLayout layout_;
    ValuePart head_;
    DecodedPicture picture_;
    std::int64_t offset_ = 0;
};
