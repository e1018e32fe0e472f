#include "page/picture_kind.h"

#include <cstdio>
#include <cstring>
#include <iterator>

namespace {

bool starts_with(const unsigned char* bytes,
                 std::size_t size,
                 const char* signature,
                 std::size_t length) {
    return size >= length && std::memcmp(bytes, signature, length) == 0;
}

}  // namespace

PictureKind picture_kind(const unsigned char* bytes, std::size_t size) {
    if (!bytes) {
        return PictureKind::none;
    }
    if (starts_with(bytes, size, "\x89PNG\r\n\x1A\n", 8)) {
        return PictureKind::png;
    }
    if (starts_with(bytes, size, "\xFF\xD8\xFF", 3)) {
        return PictureKind::jpeg;
    }
    if (starts_with(bytes, size, "GIF87a", 6) || starts_with(bytes, size, "GIF89a", 6)) {
        return PictureKind::gif;
    }
    // "BM", the file's size, then two reserved fields of zero: "BM" alone starts
    // too many other values.
    if (starts_with(bytes, size, "BM", 2) && size >= 10 &&
        (bytes[6] | bytes[7] | bytes[8] | bytes[9]) == 0) {
        return PictureKind::bmp;
    }
    if (starts_with(bytes, size, "II*\0", 4) || starts_with(bytes, size, "MM\0*", 4)) {
        return PictureKind::tiff;
    }
    // Reserved 0, type 1 (icon), and at least one image.
    if (starts_with(bytes, size, "\0\0\1\0", 4) && size >= 6 && (bytes[4] | bytes[5]) != 0) {
        return PictureKind::ico;
    }
    if (starts_with(bytes, size, "RIFF", 4) && size >= 12 &&
        std::memcmp(bytes + 8, "WEBP", 4) == 0) {
        return PictureKind::webp;
    }
    return PictureKind::none;
}

const char* picture_kind_name(PictureKind kind) {
    switch (kind) {
        case PictureKind::png:
            return "PNG";
        case PictureKind::jpeg:
            return "JPEG";
        case PictureKind::gif:
            return "GIF";
        case PictureKind::bmp:
            return "BMP";
        case PictureKind::tiff:
            return "TIFF";
        case PictureKind::ico:
            return "ICO";
        case PictureKind::webp:
            return "WebP";
        case PictureKind::none:
            break;
    }
    return "";
}

const char* picture_kind_extension(PictureKind kind) {
    switch (kind) {
        case PictureKind::png:
            return ".png";
        case PictureKind::jpeg:
            return ".jpg";
        case PictureKind::gif:
            return ".gif";
        case PictureKind::bmp:
            return ".bmp";
        case PictureKind::tiff:
            return ".tif";
        case PictureKind::ico:
            return ".ico";
        case PictureKind::webp:
            return ".webp";
        case PictureKind::none:
            break;
    }
    return ".bin";
}

std::string short_byte_size(std::int64_t bytes) {
    constexpr const char* kUnits[] = {"KB", "MB", "GB", "TB"};
    if (bytes < 1024) {
        return std::to_string(bytes) + " B";
    }
    double value = static_cast<double>(bytes) / 1024.0;
    std::size_t unit = 0;
    while (value >= 1024.0 && unit + 1 < std::size(kUnits)) {
        value /= 1024.0;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof(text), "%.1f %s", value, kUnits[unit]);
    return text;
}
