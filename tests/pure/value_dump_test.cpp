// What the viewer shows of a value's bytes.
#include <gtest/gtest.h>

#include <string>

#include "grid/value_dump.h"

// A text's characters show under their first byte, every one the database holds
// (not only ASCII), with room kept for their other bytes; a BLOB's bytes beyond
// ASCII, and bytes that start no character, show as dots.
TEST(ValueDump, ATextShowsItsCharactersABlobOnlyItsAscii) {
    const std::string value = u8"caf\u00e9 \U00020BB7x";
    const std::string as_text = dump_text(value, 0, true);
    const std::string characters = u8"caf\u00e9  \U00020BB7  x";
    EXPECT_EQ(as_text.substr(as_text.size() - characters.size()), characters);
    EXPECT_EQ(as_text.substr(0, 10), "00000000  ");

    const std::string as_blob = dump_text(value, 0, false);
    EXPECT_EQ(as_blob.substr(as_blob.size() - 11), "caf.. ....x");

    // A cut sequence and a stray byte are no characters.
    const std::string broken = dump_text(std::string("a\xE3\x81") + "b\x80" + "c", 0, true);
    EXPECT_EQ(broken.substr(broken.size() - 6), "a..b.c");
}
