#include "grid/value_dump.h"

#include <algorithm>
#include <cstdio>

namespace {

// The bytes a UTF-8 character that starts with `lead` takes; 0 for a byte that
// starts none.
std::size_t sequence_length(unsigned char lead) {
    if (lead >= 0xC2 && lead <= 0xDF) {
        return 2;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        return 4;
    }
    return 0;
}

// The bytes of the whole UTF-8 character that starts at `at`; 0 for none.
std::size_t character_at(const std::string& bytes, std::size_t at) {
    const std::size_t length = sequence_length(static_cast<unsigned char>(bytes[at]));
    if (length == 0 || at + length > bytes.size()) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((static_cast<unsigned char>(bytes[at + i]) & 0xC0) != 0x80) {
            return 0;
        }
    }
    return length;
}

// What the text column shows for the byte at `at`: the character it starts (with
// a space for each further byte beyond its width: one column for two bytes, two
// for three or four), nothing for a byte inside a character shown, a dot for a
// byte that is no character.
std::string shown_byte(const std::string& bytes, std::size_t at, bool as_text) {
    const auto c = static_cast<unsigned char>(bytes[at]);
    if (c >= 0x20 && c < 0x7F) {
        return std::string(1, static_cast<char>(c));
    }
    if (!as_text || c < 0x80) {
        return ".";
    }
    if ((c & 0xC0) == 0x80) {
        for (std::size_t back = 1; back <= 3 && back <= at; ++back) {
            const std::size_t length = character_at(bytes, at - back);
            if (length > back) {
                return std::string();
            }
        }
        return ".";
    }
    const std::size_t length = character_at(bytes, at);
    if (length == 0) {
        return ".";
    }
    return bytes.substr(at, length) + std::string(length == 2 ? 1 : length - 2, ' ');
}

}  // namespace

std::string dump_text(const std::string& bytes, std::int64_t offset, bool as_text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() / kDumpLineBytes * 80 + 80);
    for (std::size_t line = 0; line < bytes.size(); line += kDumpLineBytes) {
        char address[24];
        std::snprintf(address, sizeof(address), "%08llX  ",
                      static_cast<unsigned long long>(offset + static_cast<std::int64_t>(line)));
        if (line > 0) {
            text += "\r\n";
        }
        text += address;
        std::string printable;
        for (std::size_t i = 0; i < kDumpLineBytes; ++i) {
            if (line + i < bytes.size()) {
                const auto c = static_cast<unsigned char>(bytes[line + i]);
                text += kHex[c >> 4];
                text += kHex[c & 0x0F];
                printable += shown_byte(bytes, line + i, as_text);
            } else {
                text += "  ";
            }
            text += i == 7 ? "  " : " ";
        }
        text += ' ';
        text += printable;
    }
    return text;
}

std::string grouped_number(std::int64_t number) {
    const bool negative = number < 0;
    std::string digits = std::to_string(number);
    if (negative) {
        digits.erase(0, 1);
    }
    std::string text;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) {
            text += ',';
        }
        text += digits[i];
    }
    return negative ? "-" + text : text;
}

std::int64_t previous_page_offset(std::int64_t offset) {
    return offset <= 0 ? -1 : offset - std::min<std::int64_t>(offset, kDumpPageBytes);
}

std::int64_t next_page_offset(std::int64_t offset, std::int64_t total) {
    const std::int64_t next = offset + static_cast<std::int64_t>(kDumpPageBytes);
    return next < total ? next : -1;
}
