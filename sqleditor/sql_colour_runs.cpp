#include "sqleditor/sql_colour_runs.h"

#include <algorithm>

#include "sqleditor/sql_highlighter.h"

namespace {

class RunList {
public:
    explicit RunList(std::vector<SqlColourRun>& runs) : runs_(runs) {}

    void add(std::size_t begin, std::size_t end, SqlColour colour) {
        if (begin == end) {
            return;
        }
        if (!runs_.empty() && runs_.back().end == begin && runs_.back().colour == colour) {
            runs_.back().end = end;
        } else {
            runs_.push_back({begin, end, colour});
        }
    }

private:
    std::vector<SqlColourRun>& runs_;
};

// The colour of a token that a separator ends. A token that starts with "--"
// starts a comment, which lasts to the next CR.
SqlColour token_colour(std::string_view token, bool& comment) {
    if (token.empty()) {
        return SqlColour::plain;
    }
    if (token.size() >= 2 && token[0] == '-' && token[1] == '-') {
        comment = true;
    }
    if (comment) {
        return SqlColour::comment;
    }
    return is_sql_keyword(token) ? SqlColour::keyword : SqlColour::plain;
}

// The last token of the text, which no separator ends, starts no comment.
SqlColour last_token_colour(std::string_view token, bool comment) {
    if (comment) {
        return SqlColour::comment;
    }
    return is_sql_keyword(token) ? SqlColour::keyword : SqlColour::plain;
}

}  // namespace

std::vector<SqlColourRun> sql_colour_runs(std::string_view text, SqlByteRange range) {
    std::vector<SqlColourRun> runs;
    RunList list(runs);
    const std::size_t end = std::min(range.end, text.size());
    bool comment = false;
    std::size_t token = range.begin;
    for (std::size_t i = range.begin; i < end; ++i) {
        const char c = text[i];
        if (!is_sql_separator(c)) {
            continue;
        }
        // A separator takes the colour of the token it ends, except "(", which the
        // document always gives in colour 0.
        const SqlColour colour = token_colour(text.substr(token, i - token), comment);
        list.add(token, i, colour);
        if (c == '\n' && i > range.begin && text[i - 1] == '\r') {
            list.add(i, i + 1, runs.back().colour);
        } else {
            list.add(i, i + 1, c == '(' ? SqlColour::plain : colour);
        }
        if (c == '\r') {
            comment = false;
        }
        token = i + 1;
    }
    // Lines end with their CR LF, so only the text's last line ends in a token.
    list.add(token, end, last_token_colour(text.substr(token, end - token), comment));
    return runs;
}

SqlByteRange sql_changed_lines(std::string_view before,
                               std::string_view now,
                               SqlByteRange selection) {
    const std::size_t shorter = std::min(before.size(), now.size());
    std::size_t prefix = 0;
    while (prefix < shorter && before[prefix] == now[prefix]) {
        ++prefix;
    }
    std::size_t suffix = 0;
    while (suffix < shorter - prefix &&
           before[before.size() - 1 - suffix] == now[now.size() - 1 - suffix]) {
        ++suffix;
    }
    std::size_t first = std::min(prefix, selection.begin);
    std::size_t last = std::max(now.size() - suffix, std::min(selection.end, now.size()));
    // The control reports changes that leave the text as it was, for many a
    // keystroke that changes nothing. Typing over a selection the same bytes
    // leaves the caret after them, on the line that took another format.
    if (prefix == now.size() && before.size() == now.size()) {
        if (!selection.empty()) {
            return {now.size(), now.size()};
        }
        first = last = std::min(selection.begin, now.size());
    }
    // CR and LF are never the second byte of a double-byte character, so these
    // edges are character edges too. A line starts after its predecessor's LF.
    std::size_t begin = first;
    while (begin > 0 && now[begin - 1] != '\r') {
        --begin;
    }
    if (begin > 0 && begin < first && now[begin] == '\n') {
        ++begin;
    }
    std::size_t end = last;
    while (end < now.size() && now[end] != '\r') {
        ++end;
    }
    if (end < now.size()) {
        ++end;
        if (end < now.size() && now[end] == '\n') {
            ++end;
        }
    }
    return {begin, end};
}
