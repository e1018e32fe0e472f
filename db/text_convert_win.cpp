#include <windows.h>

#include <algorithm>
#include <climits>
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

bool convert_block_exact(std::string_view source,
                         bool to_utf8,
                         std::string& result,
                         std::wstring& wide) {
    const UINT from = to_utf8 ? CP_ACP : CP_UTF8;
    const UINT to = to_utf8 ? CP_UTF8 : CP_ACP;
    result.clear();
    if (source.empty()) {
        return true;
    }
    // A block's counts must fit the functions' int sizes, room included.
    constexpr std::size_t kLargestBlock = 256u << 20;
    if (source.size() > kLargestBlock) {
        return convert_exact(source, to_utf8, result);
    }
    // Every character takes at least as many bytes as it gives UTF-16 units; no
    // size is asked first: the room is enough for any text.
    if (wide.size() < source.size()) {
        wide.resize(source.size());
    }
    const int units = MultiByteToWideChar(from, MB_ERR_INVALID_CHARS, source.data(),
                                          static_cast<int>(source.size()), wide.data(),
                                          static_cast<int>(wide.size()));
    if (units <= 0) {
        return false;
    }
    // At most three bytes a unit in UTF-8, two in the code page.
    const std::size_t room = static_cast<std::size_t>(units) * (to == CP_UTF8 ? 3 : 2);
    result.resize(room);
    const DWORD flags = to == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL used_default = FALSE;
    BOOL* used = to == CP_UTF8 ? nullptr : &used_default;
    const int length = WideCharToMultiByte(to, flags, wide.data(), units, result.data(),
                                           static_cast<int>(room), nullptr, used);
    if (length <= 0 || used_default) {
        result.clear();
        return false;
    }
    result.resize(static_cast<std::size_t>(length));
    return true;
}

namespace {

bool widen(std::string_view utf8, std::vector<wchar_t>& wide) {
    wide.clear();
    if (utf8.empty()) {
        return true;
    }
    const int source_length = static_cast<int>(utf8.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), source_length, nullptr, 0);
    if (length <= 0) {
        return false;
    }
    wide.resize(static_cast<std::size_t>(length));
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), source_length, wide.data(), length);
    return true;
}

bool fold_through_system(std::string_view utf8, std::string& folded) {
    folded.clear();
    // A filter folds every value it reads: the room is kept from one to the next.
    static std::vector<wchar_t> wide;
    static std::vector<wchar_t> mapped;
    if (utf8.size() > static_cast<std::size_t>(INT_MAX / 2) || !widen(utf8, wide)) {
        return false;
    }
    const int wide_length = static_cast<int>(wide.size());
    // Japanese rules whatever the user's locale: half-width katakana become whole
    // characters, voiced marks included.
    const LCID japanese = MAKELCID(MAKELANGID(LANG_JAPANESE, SUBLANG_JAPANESE_JAPAN), SORT_DEFAULT);
    const DWORD width_and_kana = LCMAP_FULLWIDTH | LCMAP_HIRAGANA;
    // The mapping is seldom longer than the text: asked for its length only when it is.
    mapped.resize(static_cast<std::size_t>(wide_length) + 16);
    int mapped_length = LCMapStringW(japanese, width_and_kana, wide.data(), wide_length,
                                     mapped.data(), static_cast<int>(mapped.size()));
    if (mapped_length <= 0) {
        mapped_length =
            LCMapStringW(japanese, width_and_kana, wide.data(), wide_length, nullptr, 0);
        if (mapped_length <= 0) {
            return false;
        }
        mapped.resize(static_cast<std::size_t>(mapped_length));
        LCMapStringW(japanese, width_and_kana, wide.data(), wide_length, mapped.data(),
                     mapped_length);
    }
    // Case after width: full-width capitals have small letters of their own.
    CharLowerBuffW(mapped.data(), static_cast<DWORD>(mapped_length));
    // A UTF-16 unit takes at most three bytes of UTF-8 (a pair, four for two).
    const std::size_t room = std::min<std::size_t>(static_cast<std::size_t>(mapped_length) * 3,
                                                   static_cast<std::size_t>(INT_MAX));
    folded.resize(room);
    int length = WideCharToMultiByte(CP_UTF8, 0, mapped.data(), mapped_length, folded.data(),
                                     static_cast<int>(room), nullptr, nullptr);
    if (length <= 0) {
        length = WideCharToMultiByte(CP_UTF8, 0, mapped.data(), mapped_length, nullptr, 0, nullptr,
                                     nullptr);
        if (length <= 0) {
            folded.clear();
            return false;
        }
        folded.resize(static_cast<std::size_t>(length));
        WideCharToMultiByte(CP_UTF8, 0, mapped.data(), mapped_length, folded.data(), length,
                            nullptr, nullptr);
    }
    folded.resize(static_cast<std::size_t>(length));
    return true;
}

// What each ASCII character folds to, as the system maps it alone. A filter
// folds every value it looks in, and most are plain ASCII: those fold a byte at a
// time here instead of through three conversions of the whole text.
struct AsciiFolds {
    // Each fold's UTF-8 bytes (a character of at most four).
    char bytes[0x80][4] = {};
    unsigned char length[0x80] = {};

    AsciiFolds() {
        for (int c = 0; c < 0x80; ++c) {
            const std::string alone(1, static_cast<char>(c));
            std::string folded;
            if (!fold_through_system(alone, folded) || folded.empty() || folded.size() > 4) {
                folded = alone;
            }
            folded.copy(bytes[c], folded.size());
            length[c] = static_cast<unsigned char>(folded.size());
        }
    }
};

}  // namespace

bool fold_for_matching(std::string_view utf8, std::string& folded) {
    folded.clear();
    if (utf8.empty()) {
        return true;
    }
    if (is_ascii(utf8)) {
        static const AsciiFolds ascii;
        folded.resize(utf8.size() * 4);
        std::size_t end = 0;
        for (const char c : utf8) {
            const unsigned char at = static_cast<unsigned char>(c);
            for (unsigned char i = 0; i < ascii.length[at]; ++i) {
                folded[end++] = ascii.bytes[at][i];
            }
        }
        folded.resize(end);
        return true;
    }
    return fold_through_system(utf8, folded);
}

int compare_for_user(std::string_view a, std::string_view b) {
    std::vector<wchar_t> wide_a;
    std::vector<wchar_t> wide_b;
    if (a.size() <= static_cast<std::size_t>(INT_MAX / 2) &&
        b.size() <= static_cast<std::size_t>(INT_MAX / 2) && widen(a, wide_a) && widen(b, wide_b)) {
        const int order =
            CompareStringW(LOCALE_USER_DEFAULT, 0, wide_a.data(), static_cast<int>(wide_a.size()),
                           wide_b.data(), static_cast<int>(wide_b.size()));
        if (order == CSTR_LESS_THAN) {
            return -1;
        }
        if (order == CSTR_GREATER_THAN) {
            return 1;
        }
    }
    return a.compare(b);
}

std::string ansi_of_wide(const wchar_t* wide) {
    if (!wide || !*wide) {
        return std::string();
    }
    const int size = WideCharToMultiByte(CP_ACP, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) {
        return std::string();
    }
    std::string ansi(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide, -1, ansi.data(), size, nullptr, nullptr);
    ansi.resize(static_cast<std::size_t>(size - 1));
    return ansi;
}
