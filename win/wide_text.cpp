#include "win/wide_text.h"

#include <windows.h>

#include "db/text_convert.h"

static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 is the windows' text");

std::wstring wide_of_utf8(std::string_view utf8) {
    const std::u16string wide = utf8_to_utf16(utf8);
    return std::wstring(reinterpret_cast<const wchar_t*>(wide.data()), wide.size());
}

std::wstring wide_of_ansi(std::string_view ansi) {
    if (ansi.empty()) {
        return std::wstring();
    }
    const int length =
        MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    if (length <= 0) {
        return std::wstring();
    }
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(), length);
    return wide;
}

bool utf8_of_wide(std::wstring_view wide, std::string& utf8) {
    return utf16_to_utf8(
        std::u16string_view(reinterpret_cast<const char16_t*>(wide.data()), wide.size()), utf8);
}

std::string shown_utf8_of_wide(std::wstring_view wide) {
    std::string utf8;
    if (utf8_of_wide(wide, utf8)) {
        return utf8;
    }
    std::wstring whole(wide);
    for (std::size_t i = 0; i < whole.size(); ++i) {
        const wchar_t unit = whole[i];
        const bool lead = unit >= 0xD800 && unit <= 0xDBFF;
        if (lead && i + 1 < whole.size() && whole[i + 1] >= 0xDC00 && whole[i + 1] <= 0xDFFF) {
            ++i;
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            whole[i] = 0xFFFD;
        }
    }
    utf8_of_wide(whole, utf8);
    return utf8;
}
