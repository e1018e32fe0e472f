#include "sqleditor/sql_highlighter.h"

#include <cstring>

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

std::string sql_to_rtf(std::string_view text) {
    std::string rtf;
    // Typical SQL grows by about half; one reservation saves most regrowth.
    rtf.reserve(sizeof(kSqlRtfHeader) + sizeof(kSqlRtfTrailer) + text.size() * 2);
    rtf += kSqlRtfHeader;

    // The token holds its bytes already escaped. It has no length limit, so a long
    // token reaches the document unchanged.
    std::string token;
    bool comment = false;
    for (const char c : text) {
        const char* after = separator_text(c);
        if (!after) {
            if (c == '\\' || c == '{' || c == '}') {
                token += '\\';
            }
            token += c;
            continue;
        }
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
        rtf += token;
        rtf += after;
        token.clear();
    }
    if (comment) {
        rtf += kGreen;
    } else if (is_sql_keyword(token)) {
        rtf += kBlue;
    }
    rtf += token;
    rtf += kSqlRtfTrailer;
    return rtf;
}
