// What a cell says a BLOB is, from its first bytes: a picture's kind only where
// its signature is whole, and the size in the units a cell has room for.
#include <gtest/gtest.h>

#include <string>

#include "page/picture_kind.h"

namespace {

std::string kind_of(const std::string& bytes) {
    return picture_kind_name(
        picture_kind(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()));
}

}  // namespace

TEST(PictureKind, TheSignatureDecidesAndANearMissIsNoPicture) {
    const std::pair<std::string, const char*> cases[] = {
        {std::string("\x89PNG\r\n\x1A\n\0\0\0\x0D", 12), "PNG"},
        {"\xFF\xD8\xFF\xE0", "JPEG"},
        {"GIF89a....", "GIF"},
        {"GIF87a", "GIF"},
        // As much as a page keeps of a BMP: its first 12 bytes.
        {std::string("BM\x36\x10\0\0\0\0\0\0\x36\0", 12), "BMP"},
        {std::string("II*\0", 4), "TIFF"},
        {std::string("MM\0*", 4), "TIFF"},
        {std::string("\0\0\1\0\1\0", 6), "ICO"},
        {std::string("RIFF\x10\0\0\0WEBP", 12), "WebP"},
        // Cut or bent signatures, and what merely starts like one.
        {std::string("\x89PNG\0\x01\x02\x03", 8), ""},
        {"\xFF\xD8", ""},
        {"GIF90a", ""},
        {"BM", ""},
        {"BMW of a text", ""},
        {std::string("\0\0\1\0\0\0", 6), ""},
        {std::string("RIFF\x10\0\0\0WAVE", 12), ""},
        {"", ""},
    };
    for (const auto& [bytes, kind] : cases) {
        EXPECT_EQ(kind_of(bytes), kind) << bytes.size();
    }
}

TEST(PictureKind, ShortSizesRoundToOneDecimalInTheLargestUnitThatFits) {
    EXPECT_EQ(short_byte_size(0), "0 B");
    EXPECT_EQ(short_byte_size(1023), "1023 B");
    EXPECT_EQ(short_byte_size(1024), "1.0 KB");
    EXPECT_EQ(short_byte_size(4194304), "4.0 MB");
    EXPECT_EQ(short_byte_size(1536LL << 20), "1.5 GB");
}
