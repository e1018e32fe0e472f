#include "grid/value_dump.h"

#include <algorithm>
#include <cstdio>

std::string dump_text(const std::string& bytes, std::int64_t offset) {
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
                printable += c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '.';
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
