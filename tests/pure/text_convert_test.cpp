#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "db/text_convert.h"

namespace {

// "テーブル" in UTF-8 (four katakana of three bytes each) and in the program's
// own code page (four double-byte characters).
const std::string kTableUtf8 = u8"テーブル";
const std::string kTableAnsi = "テーブル";

}  // namespace

TEST(ConvertText, RoundTripKeepsTheBytes) {
    ASSERT_EQ(kTableUtf8.size(), 12u);
    ASSERT_EQ(kTableAnsi.size(), 8u);
    char utf8[64];
    EXPECT_EQ(convert_text(kTableAnsi.c_str(), utf8, sizeof(utf8), true), 13);
    EXPECT_EQ(std::string(utf8), kTableUtf8);
    char back[64];
    convert_text(utf8, back, sizeof(back), false);
    EXPECT_EQ(std::string(back), kTableAnsi);

    char empty[4] = "xyz";
    convert_text("", empty, sizeof(empty), true);
    EXPECT_STREQ(empty, "");
}

TEST(ConvertText, CutsByBytesAtLimitLessOne) {
    // Exactly limit - 1 bytes arrive whole.
    char exact[13];
    std::memset(exact, 'x', sizeof(exact));
    EXPECT_EQ(convert_text(kTableAnsi.c_str(), exact, sizeof(exact), true), 12);
    EXPECT_EQ(std::string(exact), kTableUtf8);

    // One byte less room: cut after 11 bytes, inside the last katakana, terminated.
    char short_by_one[12];
    std::memset(short_by_one, 'x', sizeof(short_by_one));
    EXPECT_EQ(convert_text(kTableAnsi.c_str(), short_by_one, sizeof(short_by_one), true), 11);
    EXPECT_EQ(std::string(short_by_one), kTableUtf8.substr(0, 11));

    // A cut inside a double-byte character on the way back keeps the lead byte.
    char ansi[4];
    convert_text(kTableUtf8.c_str(), ansi, sizeof(ansi), false);
    EXPECT_EQ(std::string(ansi), kTableAnsi.substr(0, 3));

    // Nothing is written past the room, even for a long text.
    char guarded[8 + 4];
    std::memset(guarded, '#', sizeof(guarded));
    convert_text(std::string(500, 'a').c_str(), guarded, 8, true);
    EXPECT_EQ(std::string(guarded), "aaaaaaa");
    EXPECT_EQ(std::string(guarded + 8, 4), "####");
}

TEST(ConvertText, LeavesDestinationUntouchedWhenNothingCanBeWritten) {
    char destination[8] = "keep";
    EXPECT_EQ(convert_text(nullptr, destination, sizeof(destination), true), 0);
    EXPECT_STREQ(destination, "keep");
    EXPECT_EQ(convert_text("abc", destination, 0, true), 0);
    EXPECT_STREQ(destination, "keep");
}

TEST(ConvertText, UnconvertibleCharactersBecomeSubstitutes) {
    // An emoji has no Shift-JIS form; an invalid UTF-8 byte is not a character.
    const std::string back = to_ansi(
        u8"a\U0001F600b\xFF"
        "c");
    EXPECT_EQ(back.front(), 'a');
    EXPECT_EQ(back.back(), 'c');
    EXPECT_NE(back.find('b'), std::string::npos);
    EXPECT_EQ(back.find('\xFF'), std::string::npos);
}

TEST(ConvertCellText, GivesWhatTheWholeConversionGives) {
    std::mt19937 random(7);
    const char* pieces[] = {"a", u8"テ", u8"ー", u8"\u00e9", u8"\U0001F600", "\xFF", "\x80", " "};
    for (int round = 0; round < 300; ++round) {
        std::string value;
        const int length = static_cast<int>(random() % 1500);
        for (int i = 0; i < length; ++i) {
            value += pieces[random() % std::size(pieces)];
        }
        char whole[255];
        char cell[255];
        std::memset(whole, 0, sizeof(whole));
        std::memset(cell, 0, sizeof(cell));
        convert_text(value.c_str(), whole, sizeof(whole), false);
        convert_cell_text(value.c_str(), cell, sizeof(cell));
        ASSERT_STREQ(cell, whole) << "round " << round;
    }
}

// A filter's text and the value it looks in are folded apart, one of them often
// plain ASCII and the other mixed with Japanese: every ASCII character must fold
// the same either way, or a needle would miss the text it is part of.
TEST(FoldForMatching, AsciiFoldsAloneAsWithinJapanese) {
    const std::string kana = u8"ｶﾞタ";
    std::string kana_folded;
    ASSERT_TRUE(fold_for_matching(kana, kana_folded));
    for (int c = 1; c < 0x80; ++c) {
        const std::string ascii = std::string("Ab") + static_cast<char>(c) + "z~";
        std::string alone;
        std::string within;
        ASSERT_TRUE(fold_for_matching(ascii, alone));
        ASSERT_TRUE(fold_for_matching(ascii + kana, within));
        EXPECT_EQ(alone + kana_folded, within) << c;
    }
    std::string folded;
    ASSERT_TRUE(fold_for_matching("ABC", folded));
    std::string small;
    ASSERT_TRUE(fold_for_matching("abc", small));
    EXPECT_EQ(folded, small);
}
