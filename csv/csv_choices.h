#pragma once

#include <windows.h>

#include <cstddef>

#include "csv/csv_export.h"

// The encodings and separators that the export and import dialogs offer, in the
// order of their drop-down lists.
struct CsvChoice {
    const char* text;
    int value;
};
inline constexpr CsvChoice kFileEncodings[] = {
    {"Shift-JIS", static_cast<int>(FileEncoding::shift_jis)},
    {"UTF-8 (BOM 付き)", static_cast<int>(FileEncoding::utf8_bom)},
    {"UTF-8", static_cast<int>(FileEncoding::utf8)},
};
inline constexpr CsvChoice kCsvSeparators[] = {
    {"カンマ (,)", ','},
    {"タブ", '\t'},
};

template <std::size_t N>
void fill_csv_choices(HWND combo, const CsvChoice (&choices)[N], int selected) {
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    for (std::size_t i = 0; i < N; ++i) {
        SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(choices[i].text));
        if (choices[i].value == selected) {
            SendMessageA(combo, CB_SETCURSEL, i, 0);
        }
    }
}

template <std::size_t N>
int chosen_csv_value(HWND combo, const CsvChoice (&choices)[N], int fallback) {
    const LRESULT at = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    return at >= 0 && static_cast<std::size_t>(at) < N ? choices[at].value : fallback;
}
