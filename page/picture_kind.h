#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// What a value's first bytes say it is, for a cell's label and a saved file's
// name. Only the leading signature is looked at; whether the rest is a sound
// picture only a decoder can tell.

// The bytes that decide the kind.
constexpr std::size_t kPictureSignatureBytes = 12;

enum class PictureKind { none, png, jpeg, gif, bmp, tiff, ico, webp };

PictureKind picture_kind(const unsigned char* bytes, std::size_t size);
// A picture's size in pixels as its header declares it; whether the rest agrees
// only a decoder can tell.
struct PictureSize {
    std::uint64_t width = 0;
    std::uint64_t height = 0;
};

// The size declared by a PNG, JPEG, GIF or BMP header (a GIF's largest of its
// screen and its first image, an icon's first image); false for other kinds and
// where the header is cut or bent.
bool declared_picture_size(const unsigned char* bytes,
                           std::size_t size,
                           PictureKind kind,
                           PictureSize& declared);

// "PNG", "JPEG", ...; empty for none.
const char* picture_kind_name(PictureKind kind);
// ".png", ".jpg", ...; ".bin" for none.
const char* picture_kind_extension(PictureKind kind);

// A byte count as a cell shows it beside the kind: "512 B", "4.0 KB", "4.0 MB",
// "1.2 GB" (1 KB = 1024 bytes).
std::string short_byte_size(std::int64_t bytes);
