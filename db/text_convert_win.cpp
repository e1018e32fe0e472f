#include <windows.h>

#include <string>
#include <vector>

#include "db/text_convert.h"

bool convert_whole(std::string_view source, bool to_utf8, std::string& result) {
    const UINT from = to_utf8 ? CP_ACP : CP_UTF8;
    const UINT to = to_utf8 ? CP_UTF8 : CP_ACP;
    if (is_ascii(source)) {
        result.assign(source);
        return true;
    }
    const int source_length = static_cast<int>(source.size());
    const int wide_length = MultiByteToWideChar(from, 0, source.data(), source_length, nullptr, 0);
    if (wide_length <= 0) {
        return false;
    }
    std::vector<wchar_t> wide(static_cast<std::size_t>(wide_length) + 1);
    if (MultiByteToWideChar(from, 0, source.data(), source_length, wide.data(), wide_length) == 0) {
        return false;
    }
    const int length =
        WideCharToMultiByte(to, 0, wide.data(), wide_length, nullptr, 0, nullptr, nullptr);
    if (length <= 0) {
        return false;
    }
    std::string converted(static_cast<std::size_t>(length), '\0');
    if (WideCharToMultiByte(to, 0, wide.data(), wide_length, converted.data(), length, nullptr,
                            nullptr) == 0) {
        return false;
    }
    result = std::move(converted);
    return true;
}

bool convert_exact(std::string_view source, bool to_utf8, std::string& result) {
    const UINT from = to_utf8 ? CP_ACP : CP_UTF8;
    const UINT to = to_utf8 ? CP_UTF8 : CP_ACP;
    if (source.empty()) {
        result.clear();
        return true;
    }
    const int source_length = static_cast<int>(source.size());
    const int wide_length =
        MultiByteToWideChar(from, MB_ERR_INVALID_CHARS, source.data(), source_length, nullptr, 0);
    if (wide_length <= 0) {
        return false;
    }
    std::vector<wchar_t> wide(static_cast<std::size_t>(wide_length));
    if (MultiByteToWideChar(from, MB_ERR_INVALID_CHARS, source.data(), source_length, wide.data(),
                            wide_length) == 0) {
        return false;
    }
    // Into the code page: no "best fit" look-alike, and a character it lacks is
    // reported rather than written as the default character.
    const DWORD flags = to == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL used_default = FALSE;
    BOOL* used = to == CP_UTF8 ? nullptr : &used_default;
    const int length =
        WideCharToMultiByte(to, flags, wide.data(), wide_length, nullptr, 0, nullptr, used);
    if (length <= 0 || used_default) {
        return false;
    }
    std::string converted(static_cast<std::size_t>(length), '\0');
    if (WideCharToMultiByte(to, flags, wide.data(), wide_length, converted.data(), length, nullptr,
                            used) == 0 ||
        used_default) {
        return false;
    }
    result = std::move(converted);
    return true;
}
