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

namespace {

// The character that starts at `at` and the bytes it takes; false for a byte that
// starts no valid character (a stray or overlong sequence, a surrogate, a value
// past U+10FFFF), which then takes one byte.
bool next_code_point(std::string_view utf8, std::size_t at, char32_t& code, std::size_t& length) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(utf8[at + i]); };
    const unsigned char lead = byte(0);
    length = 1;
    if (lead < 0x80) {
        code = lead;
        return true;
    }
    std::size_t needed = 0;
    char32_t least = 0;
    if ((lead & 0xE0) == 0xC0) {
        needed = 1;
        code = lead & 0x1F;
        least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        needed = 2;
        code = lead & 0x0F;
        least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        needed = 3;
        code = lead & 0x07;
        least = 0x10000;
    } else {
        return false;
    }
    if (at + needed >= utf8.size()) {
        return false;
    }
    for (std::size_t i = 1; i <= needed; ++i) {
        if ((byte(i) & 0xC0) != 0x80) {
            return false;
        }
        code = (code << 6) | (byte(i) & 0x3F);
    }
    if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        return false;
    }
    length = needed + 1;
    return true;
}

std::size_t weight_of(char32_t code) {
    if (code < 0x80 || (code >= 0xFF61 && code <= 0xFF9F)) {
        return 1;
    }
    return code > 0xFFFF ? 4 : 2;
}

}  // namespace

std::u16string utf8_to_utf16(std::string_view utf8, bool* valid) {
    std::u16string wide;
    wide.reserve(utf8.size());
    bool all_valid = true;
    for (std::size_t at = 0; at < utf8.size();) {
        char32_t code = 0;
        std::size_t length = 1;
        if (!next_code_point(utf8, at, code, length)) {
            code = 0xFFFD;
            all_valid = false;
        }
        if (code > 0xFFFF) {
            code -= 0x10000;
            wide.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            wide.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        } else {
            wide.push_back(static_cast<char16_t>(code));
        }
        at += length;
    }
    if (valid) {
        *valid = all_valid;
    }
    return wide;
}

std::size_t utf8_to_utf16(std::string_view utf8, char16_t* out, std::size_t room) {
    std::size_t written = 0;
    for (std::size_t at = 0; at < utf8.size();) {
        const unsigned char lead = static_cast<unsigned char>(utf8[at]);
        if (lead < 0x80) {
            if (written == room) {
                break;
            }
            out[written++] = lead;
            ++at;
            continue;
        }
        char32_t code = 0;
        std::size_t length = 1;
        if (!next_code_point(utf8, at, code, length)) {
            code = 0xFFFD;
        }
        const std::size_t units = code > 0xFFFF ? 2 : 1;
        if (written + units > room) {
            break;
        }
        if (units == 2) {
            code -= 0x10000;
            out[written++] = static_cast<char16_t>(0xD800 + (code >> 10));
            out[written++] = static_cast<char16_t>(0xDC00 + (code & 0x3FF));
        } else {
            out[written++] = static_cast<char16_t>(code);
        }
        at += length;
    }
    return written;
}

bool utf16_to_utf8(std::u16string_view utf16, std::string& result) {
    std::string utf8;
    utf8.reserve(utf16.size() * 3);
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        char32_t code = utf16[i];
        if (code >= 0xD800 && code <= 0xDBFF) {
            if (i + 1 >= utf16.size() || utf16[i + 1] < 0xDC00 || utf16[i + 1] > 0xDFFF) {
                return false;
            }
            code = 0x10000 + ((code - 0xD800) << 10) + (utf16[++i] - 0xDC00);
        } else if (code >= 0xDC00 && code <= 0xDFFF) {
            return false;
        }
        if (code < 0x80) {
            utf8.push_back(static_cast<char>(code));
        } else if (code < 0x800) {
            utf8.push_back(static_cast<char>(0xC0 | (code >> 6)));
            utf8.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else if (code < 0x10000) {
            utf8.push_back(static_cast<char>(0xE0 | (code >> 12)));
            utf8.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            utf8.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else {
            utf8.push_back(static_cast<char>(0xF0 | (code >> 18)));
            utf8.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
            utf8.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            utf8.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
    }
    result = std::move(utf8);
    return true;
}

std::size_t text_weight(std::string_view utf8) {
    std::size_t weight = 0;
    for (std::size_t at = 0; at < utf8.size();) {
        char32_t code = 0;
        std::size_t length = 1;
        weight += next_code_point(utf8, at, code, length) ? weight_of(code) : 1;
        at += length;
    }
    return weight;
}

std::size_t cut_to_weight(std::string_view utf8, std::size_t limit) {
    // No character weighs more than its UTF-8 bytes: a short text is whole.
    if (utf8.size() <= limit) {
        return utf8.size();
    }
    std::size_t weight = 0;
    std::size_t at = 0;
    while (at < utf8.size()) {
        char32_t code = 0;
        std::size_t length = 1;
        const std::size_t more = next_code_point(utf8, at, code, length) ? weight_of(code) : 1;
        if (weight + more > limit) {
            break;
        }
        weight += more;
        at += length;
    }
    return at;
}
