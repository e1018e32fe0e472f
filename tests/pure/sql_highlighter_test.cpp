#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "db/text_convert.h"
#include "sqleditor/sql_highlighter.h"
#include "tests/pure/sql_rtf_text.h"

namespace {

const std::string kHeader =
    "{\\rtf1\\ansi\\ansicpg932\\deff0\\deflang1033\\deflangfe1041{\\fonttbl{\\f0\\fmodern\\fprq1"
    "\\fcharset128 \\'82\\'6c\\'82\\'72 \\'83\\'53\\'83\\'56\\'83\\'62\\'83\\'4e;}}{\\colortbl ;"
    "\\red0\\green0\\blue255;\\red0\\green128\\blue0;}{\\*\\generator rich-edit;}\\viewkind4\\uc1"
    "\\pard\\lang1041\\f0\\fs20\\cf0 ";
const std::string kTrailer = "\\cf0\\par}";

// The body between the fixed header and trailer; fails the test when either is wrong.
std::string body_of(const std::string& rtf) {
    EXPECT_EQ(rtf.compare(0, kHeader.size(), kHeader), 0) << rtf;
    EXPECT_GE(rtf.size(), kHeader.size() + kTrailer.size());
    EXPECT_EQ(rtf.compare(rtf.size() - kTrailer.size(), kTrailer.size(), kTrailer), 0) << rtf;
    if (rtf.size() < kHeader.size() + kTrailer.size()) {
        return {};
    }
    return rtf.substr(kHeader.size(), rtf.size() - kHeader.size() - kTrailer.size());
}

std::string body(std::string_view text) {
    return body_of(sql_to_rtf(text));
}

}  // namespace

TEST(SqlHighlighter, HeaderAndTrailerFrameEveryDocument) {
    EXPECT_EQ(std::string(kSqlRtfHeader), kHeader);
    EXPECT_EQ(std::string(kSqlRtfTrailer), kTrailer);
    EXPECT_EQ(sql_to_rtf(""), kHeader + kTrailer);
}

TEST(SqlHighlighter, FirstWorkedExample) {
    const std::string text = "Select a FROM t -- x\r\nwhere b";
    ASSERT_EQ(text.size(), 29u);
    EXPECT_EQ(body(text),
              "\\cf1 Select \\cf0 "
              "a \\cf0 "
              "\\cf1 FROM \\cf0 "
              "t \\cf0 "
              "\\cf2 -- \\cf0 "
              "\\cf2 x\\par\r\\cf0 "
              "\n\\cf0 "
              "\\cf1 where \\cf0 "
              "b");
}

TEST(SqlHighlighter, SecondWorkedExample) {
    EXPECT_EQ(body("insert into t(a) values('{x}');"),
              "\\cf1 insert \\cf0 "
              "\\cf1 into \\cf0 "
              "t\\cf0 (\\cf0 "
              "a)\\cf0 "
              " \\cf0 "
              "\\cf1 values\\cf0 (\\cf0 "
              "'\\{x\\}')\\cf0 "
              ";\\cf0 ");
}

TEST(SqlHighlighter, KeywordsAreWholeTokensInAnyCase) {
    for (const char* word :
         {"SELECT",   "select",      "SeLeCt",   "attach", "DATABASE", "Begin", "commit",
          "rollback", "transaction", "insert",   "update", "delete",   "where", "from",
          "values",   "into",        "create",   "set",    "like",     "join",  "drop",
          "table",    "limit",       "distinct", "on",     "not",      "NULL"}) {
        EXPECT_EQ(body(word), std::string("\\cf1 ") + word) << word;
        EXPECT_TRUE(is_sql_keyword(word)) << word;
    }
    for (const char* word :
         {"selects", "select1", "\"select\"", "'select'", "and", "or", "order", "by", "group", "as",
          "index", "primary", "key", "sel", "t.select", "ｓｅｌｅｃｔ"}) {
        EXPECT_EQ(body(word), word) << word;
        EXPECT_FALSE(is_sql_keyword(word)) << word;
    }
    // Quotes get no treatment of their own: a keyword standing alone inside them is
    // still a keyword.
    EXPECT_EQ(body("'a select b'"), "'a \\cf0 \\cf1 select \\cf0 b'");
}

TEST(SqlHighlighter, CountStarAndOtherSeparators) {
    EXPECT_EQ(body("count(*)"), "count\\cf0 (\\cf0 *)\\cf0 ");
    EXPECT_EQ(body("a\tb;c"), "a\t\\cf0 b;\\cf0 c");
    EXPECT_EQ(body("x\ny"), "x\n\\cf0 y");
    EXPECT_EQ(body("(("), "\\cf0 (\\cf0 \\cf0 (\\cf0 ");
}

TEST(SqlHighlighter, CommentsRunToTheEndOfTheLineOnlyAtCr) {
    // From "--" to the CR, keywords included; the next line starts plain.
    EXPECT_EQ(body("-- select x\r\nselect"),
              "\\cf2 -- \\cf0 \\cf2 select \\cf0 \\cf2 x\\par\r\\cf0 \n\\cf0 \\cf1 select");
    // An LF alone does not end a comment.
    EXPECT_EQ(body("--a\nselect"), "\\cf2 --a\n\\cf0 \\cf2 select");
    // A token must begin with "--" to start one.
    EXPECT_EQ(body("a--b select"), "a--b \\cf0 \\cf1 select");
    EXPECT_EQ(body("-x select"), "-x \\cf0 \\cf1 select");
    // A comment that ends the text: the last token is green; after a trailing blank
    // the body ends with "\cf2 " alone.
    EXPECT_EQ(body("a -- b"), "a \\cf0 \\cf2 -- \\cf0 \\cf2 b");
    EXPECT_EQ(body("-- b "), "\\cf2 -- \\cf0 \\cf2 b \\cf0 \\cf2 ");
    // Separators inside a comment keep colour 0.
    EXPECT_EQ(body("--(x)"), "\\cf2 --\\cf0 (\\cf0 \\cf2 x)\\cf0 \\cf2 ");
}

TEST(SqlHighlighter, BackslashesAndBracesAreEscaped) {
    EXPECT_EQ(body("a\\b{c}"), "a\\\\b\\{c\\}");
    EXPECT_EQ(body("{select}"), "\\{select\\}");
    // 表 is 0x95 0x5C in Shift-JIS: its second byte is a backslash byte.
    EXPECT_EQ(body("\x95\x5C"), "\x95\\\\");
    EXPECT_EQ(body("表"), "\x95\\\\");
    EXPECT_EQ(body("ソ能"), "\x83\\\\\x94\\\\");
}

TEST(SqlHighlighter, LongTokensReachTheDocumentWhole) {
    std::string token(5000, 'x');
    token += "{}";
    std::string expected(5000, 'x');
    expected += "\\{\\}";
    EXPECT_EQ(body(token + " select"), expected + " \\cf0 \\cf1 select");
}

// Any bytes at all: the document is the header, the body and the trailer, and the
// body gives back the text exactly once the colour words, "\par" and the escapes
// are taken out.
TEST(SqlHighlighter, RandomTextsComeBackUnchanged) {
    std::mt19937 random(20240607);
    const std::string pieces[] = {" ",    "\t", "\r",  "\n",    "\r\n", "(",    ")",
                                  ";",    "-",  "--",  "\\",    "{",    "}",    "select",
                                  "FROM", "表", "ソ",  "'",     "\"",   "\x81", "\x5C",
                                  "\xFC", "*",  "cf0", "\\par", "x"};
    std::uniform_int_distribution<int> length(0, 60);
    std::uniform_int_distribution<int> which(0, std::size(pieces));
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        for (int n = length(random); n > 0; --n) {
            const int w = which(random);
            if (w == static_cast<int>(std::size(pieces))) {
                text += static_cast<char>(byte(random));
            } else {
                text += pieces[w];
            }
        }
        std::string back;
        std::string problem;
        ASSERT_TRUE(rtf_document_text(sql_to_rtf(text), back, problem)) << round << ": " << problem;
        ASSERT_EQ(back, text) << "round " << round;
    }
}

namespace {

// A statement with characters Shift-JIS lacks: accented Latin, Hangul, a character
// beyond the basic plane (two UTF-16 units) in a comment too.
const std::string kUnicodeSql = u8"select 'café ß 한 𠮷' -- ñ";
// 表 (95 5C in Shift-JIS), é, 表 and a high half of a pair standing alone.
const std::string kMixedToken = u8"表é表" + std::string("\xED\xA0\x80");

}  // namespace

// The editor's text is UTF-8. What Shift-JIS holds gives the document of its
// Shift-JIS bytes, byte for byte; every other character is a Unicode escape per
// UTF-16 unit, so that the document carries no byte of another encoding.
TEST(SqlHighlighter, Utf8TextGivesTheShiftJisDocumentAndEscapesTheRest) {
    for (const char* ansi :
         {"Select a FROM t -- x\r\nwhere b", "insert into 表 values('ソ能\\{x}');\r\n\t--表",
          "ｱｲｳｴｵ select", "SELECT '①' FROM 在庫", ""}) {
        EXPECT_EQ(sql_utf8_to_rtf(to_utf8(ansi)), sql_to_rtf(ansi)) << ansi;
    }

    EXPECT_EQ(body_of(sql_utf8_to_rtf(kUnicodeSql)),
              "\\cf1 select \\cf0 "
              "'caf\\u233? \\cf0 "
              "\\u223? \\cf0 "
              "\\u-10916? \\cf0 "
              "\\u-10174?\\u-8265?' \\cf0 "
              "\\cf2 -- \\cf0 "
              "\\cf2 \\u241?");
    // Shift-JIS and escaped characters side by side in one token; a half of a pair
    // left alone in the editor is written as the unit it is.
    EXPECT_EQ(body_of(sql_utf8_to_rtf(kMixedToken)), "\x95\\\\\\u233?\x95\\\\\\u-10240?");
    const std::string rtf = sql_utf8_to_rtf(kUnicodeSql);
    for (const char c : rtf) {
        ASSERT_LT(static_cast<unsigned char>(c), 0x80) << rtf;
    }
}
