#include "sqleditor/sql_highlighter.h"

#include <cstdint>
#include <cstring>

#include "db/text_convert.h"
#include "sqleditor/editor_text.h"

const char kSqlRtfHeader[] =
    R"rtf({\rtf1\ansi\ansicpg932\deff0\deflang1033\deflangfe1041{\fonttbl{\f0\fmodern\fprq1\fcharset128 \'82\'6c\'82\'72 \'83\'53\'83\'56\'83\'62\'83\'4e;}}{\colortbl ;\red0\green0\blue255;\red0\green128\blue0;}{\*\generator rich-edit;}\viewkind4\uc1\pard\lang1041\f0\fs20\cf0 )rtf";
const char kSqlRtfTrailer[] = R"rtf(\cf0\par})rtf";

namespace {

constexpr const char* kKeywords[] = {
    "attach",   "database", "begin",  "commit", "rollback", "transaction", "select",
    "insert",   "update",   "delete", "where",  "from",     "values",      "into",
    "create",   "set",      "like",   "join",   "drop",     "table",       "limit",
    "distinct", "on",       "not",    "null",
};

constexpr char kBlue[] = "\\cf1 ";
constexpr char kGreen[] = "\\cf2 ";

// What follows the token that a separator ends; nullptr for a byte of a token.
const char* separator_text(char c) {
    switch (c) {
        case ' ':
            return " \\cf0 ";
        case '\t':
            return "\t\\cf0 ";
        case '\r':
            return "\\par\r\\cf0 ";
        case '\n':
            return "\n\\cf0 ";
        case ')':
            return ")\\cf0 ";
        case ';':
            return ";\\cf0 ";
        case '(':
            return "\\cf0 (\\cf0 ";
        default:
            return nullptr;
    }
}

char ascii_lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

bool is_sql_keyword(std::string_view token) {
    for (const char* keyword : kKeywords) {
        const std::size_t length = std::strlen(keyword);
        if (token.size() != length) {
            continue;
        }
        std::size_t i = 0;
        while (i < length && ascii_lower(token[i]) == keyword[i]) {
            ++i;
        }
        if (i == length) {
            return true;
        }
    }
    return false;
}

bool is_sql_separator(char c) {
    return separator_text(c) != nullptr;
}

namespace {

void append_escaped(std::string& rtf, char c) {
    if (c == '\\' || c == '{' || c == '}') {
        rtf += '\\';
    }
    rtf += c;
}

// The document of the text, each token written by `write_token` (the separators
// and colour words are ASCII, whatever the text's encoding).
template <class WriteToken>
std::string coloured_document(std::string_view text, WriteToken write_token) {
    std::string rtf;
    // Typical SQL grows by about half; one reservation saves most regrowth.
    rtf.reserve(sizeof(kSqlRtfHeader) + sizeof(kSqlRtfTrailer) + text.size() * 2);
    rtf += kSqlRtfHeader;

    // A token has no length limit, so a long token reaches the document unchanged.
    std::size_t token_begin = 0;
    bool comment = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const char* after = separator_text(c);
        if (!after) {
            continue;
        }
        const std::string_view token = text.substr(token_begin, i - token_begin);
        if (!token.empty()) {
            if (token.size() >= 2 && token[0] == '-' && token[1] == '-') {
                comment = true;
            }
            if (comment) {
                rtf += kGreen;
            } else if (is_sql_keyword(token)) {
                rtf += kBlue;
            }
        }
        // The token before the CR is still green; the next line starts plain.
        if (c == '\r') {
            comment = false;
        }
        write_token(rtf, token);
        rtf += after;
        token_begin = i + 1;
    }
    const std::string_view token = text.substr(token_begin);
    if (comment) {
        rtf += kGreen;
    } else if (is_sql_keyword(token)) {
        rtf += kBlue;
    }
    write_token(rtf, token);
    rtf += kSqlRtfTrailer;
    return rtf;
}

// "\uN?" for each UTF-16 unit of the character, N the unit as a signed 16-bit
// number; "?" is what a reader without Unicode shows, and the header's \uc1 skips.
void append_unicode_escape(std::string& rtf, char32_t code) {
    const auto unit = [&rtf](unsigned value) {
        rtf += "\\u";
        rtf += std::to_string(static_cast<int>(static_cast<std::int16_t>(value)));
        rtf += '?';
    };
    if (code > 0xFFFF) {
        code -= 0x10000;
        unit(0xD800 + (code >> 10));
        unit(0xDC00 + (code & 0x3FF));
    } else {
        unit(code);
    }
}

// Characters beyond ASCII: as their Shift-JIS bytes where Shift-JIS holds them
// exactly, otherwise as Unicode escapes.
void append_non_ascii(std::string& rtf, std::string_view utf8, std::string& ansi) {
    if (convert_exact(utf8, false, ansi)) {
        for (const char c : ansi) {
            append_escaped(rtf, c);
        }
        return;
    }
    for (std::size_t at = 0; at < utf8.size();) {
        char32_t code = 0;
        const std::size_t length = editor_character(utf8, at, code);
        const bool whole = code < 0xD800 || code > 0xDFFF;
        if (whole && convert_exact(utf8.substr(at, length), false, ansi)) {
            for (const char c : ansi) {
                append_escaped(rtf, c);
            }
        } else {
            append_unicode_escape(rtf, code);
        }
        at += length;
    }
}

}  // namespace

std::string sql_to_rtf(std::string_view text) {
    return coloured_document(text, [](std::string& rtf, std::string_view token) {
        for (const char c : token) {
            append_escaped(rtf, c);
        }
    });
}

std::string sql_utf8_to_rtf(std::string_view text) {
    std::string ansi;
    return coloured_document(text, [&ansi](std::string& rtf, std::string_view token) {
        for (std::size_t i = 0; i < token.size();) {
            if (static_cast<unsigned char>(token[i]) < 0x80) {
                append_escaped(rtf, token[i++]);
                continue;
            }
            std::size_t end = i + 1;
            while (end < token.size() && static_cast<unsigned char>(token[end]) >= 0x80) {
                ++end;
            }
            append_non_ascii(rtf, token.substr(i, end - i), ansi);
            i = end;
        }
    });
}
