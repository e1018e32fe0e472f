#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "sqleditor/sql_highlighter.h"

// The text a colouring document carries: the body between the header and the
// trailer, without the colour words and "\par", escapes undone. False, with the
// reason, when the document has anything else that RTF would read as a control.
inline bool rtf_document_text(const std::string& rtf, std::string& text, std::string& problem) {
    const std::size_t head = std::strlen(kSqlRtfHeader);
    const std::size_t tail = std::strlen(kSqlRtfTrailer);
    if (rtf.size() < head + tail || rtf.compare(0, head, kSqlRtfHeader) != 0 ||
        rtf.compare(rtf.size() - tail, tail, kSqlRtfTrailer) != 0) {
        problem = "header or trailer missing";
        return false;
    }
    const std::string body = rtf.substr(head, rtf.size() - head - tail);
    text.clear();
    for (std::size_t i = 0; i < body.size();) {
        const char c = body[i];
        if (c == '{' || c == '}') {
            problem = "unescaped brace at " + std::to_string(i);
            return false;
        }
        if (c != '\\') {
            text += c;
            ++i;
            continue;
        }
        if (i + 1 < body.size() &&
            (body[i + 1] == '\\' || body[i + 1] == '{' || body[i + 1] == '}')) {
            text += body[i + 1];
            i += 2;
        } else if (body.compare(i, 5, "\\cf0 ") == 0 || body.compare(i, 5, "\\cf1 ") == 0 ||
                   body.compare(i, 5, "\\cf2 ") == 0) {
            i += 5;
        } else if (body.compare(i, 5, "\\par\r") == 0) {
            i += 4;
        } else {
            problem = "stray control word at " + std::to_string(i) + ": " + body.substr(i, 8);
            return false;
        }
    }
    return true;
}

// The colour number (0, 1 or 2) in force at each byte of the text a colouring
// document carries, for a document that rtf_document_text reads without a problem.
inline std::vector<int> rtf_document_colours(const std::string& rtf) {
    const std::size_t head = std::strlen(kSqlRtfHeader);
    const std::size_t tail = std::strlen(kSqlRtfTrailer);
    std::vector<int> colours;
    int colour = 0;
    for (std::size_t i = head; i + tail < rtf.size();) {
        if (rtf[i] != '\\') {
            colours.push_back(colour);
            ++i;
        } else if (rtf.compare(i, 3, "\\cf") == 0) {
            colour = rtf[i + 3] - '0';
            i += 5;
        } else if (rtf.compare(i, 4, "\\par") == 0) {
            i += 4;
        } else {
            colours.push_back(colour);
            i += 2;
        }
    }
    return colours;
}
