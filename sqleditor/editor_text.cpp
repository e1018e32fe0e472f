#include "sqleditor/editor_text.h"

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void append_utf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (code >> 6)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (code >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (code >> 18)));
        out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

bool is_high_half(char32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool is_low_half(char32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

}  // namespace

std::string editor_text_of_utf16(std::u16string_view units) {
    std::string text;
    text.reserve(units.size() + units.size() / 2);
    for (std::size_t i = 0; i < units.size(); ++i) {
        char32_t code = units[i];
        if (is_high_half(code) && i + 1 < units.size() && is_low_half(units[i + 1])) {
            code = 0x10000 + ((code - 0xD800) << 10) + (units[++i] - 0xDC00);
        }
        append_utf8(text, code);
        if (code == '\r') {
            text.push_back('\n');
        }
    }
    return text;
}

std::u16string utf16_of_editor_text(std::string_view text) {
    std::u16string units;
    units.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        char32_t code = 0;
        at += editor_character(text, at, code);
        if (code > 0xFFFF) {
            code -= 0x10000;
            units.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            units.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        } else {
            units.push_back(static_cast<char16_t>(code));
        }
    }
    return units;
}

std::size_t editor_character(std::string_view text, std::size_t at, char32_t& code) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
    const unsigned char lead = byte(0);
    code = kReplacement;
    std::size_t needed = 0;
    char32_t least = 0;
    if (lead < 0x80) {
        code = lead;
        return 1;
    }
    if ((lead & 0xE0) == 0xC0) {
        needed = 1;
        least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        needed = 2;
        least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        needed = 3;
        least = 0x10000;
    } else {
        return 1;
    }
    if (at + needed >= text.size()) {
        return 1;
    }
    char32_t value = lead & (0x3F >> needed);
    for (std::size_t i = 1; i <= needed; ++i) {
        if ((byte(i) & 0xC0) != 0x80) {
            return 1;
        }
        value = (value << 6) | (byte(i) & 0x3F);
    }
    // A half of a pair is taken as it comes: the editor keeps one that way.
    if (value < least || value > 0x10FFFF) {
        return 1;
    }
    code = value;
    return needed + 1;
}

std::size_t editor_position(std::string_view text, std::size_t offset) {
    std::size_t position = 0;
    for (std::size_t at = 0; at < offset && at < text.size();) {
        char32_t code = 0;
        const std::size_t length = editor_character(text, at, code);
        // The LF of a CR LF is the control's one paragraph mark with its CR.
        if (!(code == '\n' && at > 0 && text[at - 1] == '\r')) {
            position += code > 0xFFFF ? 2 : 1;
        }
        at += length;
    }
    return position;
}

std::size_t editor_byte_offset(std::string_view text, std::size_t position) {
    std::size_t at = 0;
    std::size_t seen = 0;
    while (at < text.size()) {
        char32_t code = 0;
        std::size_t length = editor_character(text, at, code);
        if (code == '\r' && at + 1 < text.size() && text[at + 1] == '\n') {
            ++length;
        }
        const std::size_t units = code > 0xFFFF ? 2 : 1;
        if (seen + units > position) {
            break;
        }
        seen += units;
        at += length;
    }
    return at;
}
