#include "db/text_convert.h"

#include <cstring>
#include <new>

bool is_ascii(std::string_view text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

int convert_text(const char* source, char* destination, int limit, bool to_utf8) {
    if (!source || !destination || limit < 1) {
        return 0;
    }
    std::string converted;
    try {
        if (!convert_whole(source, to_utf8, converted)) {
            return 0;
        }
    } catch (const std::bad_alloc&) {
        return -1;
    }
    // The count includes the terminator, as the code-page functions report it.
    const std::size_t with_terminator = converted.size() + 1;
    const std::size_t n =
        with_terminator < static_cast<std::size_t>(limit - 1) ? with_terminator : limit - 1;
    std::memcpy(destination, converted.c_str(), n);
    destination[n] = '\0';
    return static_cast<int>(n);
}

std::string to_utf8(std::string_view ansi) {
    std::string result;
    convert_whole(ansi, true, result);
    return result;
}

std::string to_ansi(std::string_view utf8) {
    std::string result;
    convert_whole(utf8, false, result);
    return result;
}

std::size_t utf8_cut(const char* utf8, std::size_t length, std::size_t at) {
    std::size_t cut = at < length ? at : length;
    while (cut < length && (static_cast<unsigned char>(utf8[cut]) & 0xC0) == 0x80) {
        ++cut;
    }
    return cut;
}

int convert_cell_text(const char* utf8, char* destination, int limit) {
    if (!utf8 || limit < 1) {
        return 0;
    }
    // Every character yields at least one byte, so limit characters are enough;
    // a UTF-8 character takes at most four bytes. Cut before a lead byte so that
    // the characters kept convert as they would in the whole text.
    const std::size_t enough = static_cast<std::size_t>(limit) * 4;
    std::size_t length = std::strlen(utf8);
    if (length <= enough) {
        return convert_text(utf8, destination, limit, false);
    }
    std::string prefix(utf8, utf8_cut(utf8, length, enough));
    return convert_text(prefix.c_str(), destination, limit, false);
}
