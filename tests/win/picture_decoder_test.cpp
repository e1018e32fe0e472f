// Pictures of each kind the viewer meets, made by the system's own encoders (or
// written out byte by byte where it has none), decoded and scaled to half their
// size: the colours where they should be and transparency on white.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <wincodec.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "grid/picture_decoder.h"

namespace {

constexpr UINT kWidth = 40;
constexpr UINT kHeight = 30;
constexpr std::uint32_t kRed = 0xFF0000;
constexpr std::uint32_t kBlue = 0x0000FF;
constexpr std::uint32_t kWhite = 0xFFFFFF;

template <typename T>
struct Released {
    T* p = nullptr;
    ~Released() {
        if (p) {
            p->Release();
        }
    }
};

// The picture in `container`: the left half red, the right half blue, or
// transparent where `alpha`. Indexed containers (GIF) take a palette of three.
std::string encode(const GUID& container, bool alpha, bool indexed) {
    constexpr CLSID kFactory = {
        0xcacaf262, 0x9370, 0x4615, {0xa1, 0x3b, 0x9f, 0x55, 0x39, 0xda, 0x4c, 0x0a}};
    Released<IWICImagingFactory> factory;
    Released<IStream> stream;
    Released<IWICBitmapEncoder> encoder;
    Released<IWICBitmapFrameEncode> frame;
    Released<IPropertyBag2> options;
    Released<IWICPalette> palette;
    if (FAILED(CoCreateInstance(kFactory, nullptr, CLSCTX_INPROC_SERVER,
                                __uuidof(IWICImagingFactory),
                                reinterpret_cast<void**>(&factory.p))) ||
        FAILED(CreateStreamOnHGlobal(nullptr, TRUE, &stream.p)) ||
        FAILED(factory.p->CreateEncoder(container, nullptr, &encoder.p)) ||
        FAILED(encoder.p->Initialize(stream.p, WICBitmapEncoderNoCache)) ||
        FAILED(encoder.p->CreateNewFrame(&frame.p, &options.p)) ||
        FAILED(frame.p->Initialize(options.p)) || FAILED(frame.p->SetSize(kWidth, kHeight))) {
        return std::string();
    }
    WICPixelFormatGUID format = indexed ? GUID_WICPixelFormat8bppIndexed
                                : alpha ? GUID_WICPixelFormat32bppBGRA
                                        : GUID_WICPixelFormat24bppBGR;
    const UINT bytes_per_pixel = indexed ? 1 : alpha ? 4 : 3;
    if (FAILED(frame.p->SetPixelFormat(&format)) || format == GUID_WICPixelFormatDontCare) {
        return std::string();
    }
    if (indexed) {
        WICColor colours[] = {0xFFFF0000, 0xFF0000FF, 0xFF000000};
        if (FAILED(factory.p->CreatePalette(&palette.p)) ||
            FAILED(palette.p->InitializeCustom(colours, 3)) ||
            FAILED(frame.p->SetPalette(palette.p))) {
            return std::string();
        }
    }
    std::vector<BYTE> pixels(static_cast<std::size_t>(kWidth) * kHeight * bytes_per_pixel);
    for (UINT y = 0; y < kHeight; ++y) {
        for (UINT x = 0; x < kWidth; ++x) {
            BYTE* pixel = &pixels[(static_cast<std::size_t>(y) * kWidth + x) * bytes_per_pixel];
            const bool left = x < kWidth / 2;
            if (indexed) {
                pixel[0] = left ? 0 : 1;
            } else if (alpha) {
                const BYTE red[] = {0, 0, 255, 255};
                const BYTE clear[] = {0, 0, 0, 0};
                std::copy(left ? red : clear, (left ? red : clear) + 4, pixel);
            } else {
                pixel[0] = left ? 0 : 255;
                pixel[1] = 0;
                pixel[2] = left ? 255 : 0;
            }
        }
    }
    if (FAILED(frame.p->WritePixels(kHeight, kWidth * bytes_per_pixel,
                                    static_cast<UINT>(pixels.size()), pixels.data())) ||
        FAILED(frame.p->Commit()) || FAILED(encoder.p->Commit())) {
        return std::string();
    }
    HGLOBAL memory = nullptr;
    STATSTG stat{};
    if (FAILED(GetHGlobalFromStream(stream.p, &memory)) ||
        FAILED(stream.p->Stat(&stat, STATFLAG_NONAME))) {
        return std::string();
    }
    std::string bytes(static_cast<const char*>(GlobalLock(memory)),
                      static_cast<std::size_t>(stat.cbSize.QuadPart));
    GlobalUnlock(memory);
    return bytes;
}

// An icon holding one PNG image, as icons of this size are stored today.
std::string icon_of(const std::string& png) {
    std::string icon("\0\0\1\0\1\0", 6);
    const std::uint32_t size = static_cast<std::uint32_t>(png.size());
    const std::uint32_t offset = 6 + 16;
    const unsigned char entry[16] = {kWidth,
                                     kHeight,
                                     0,
                                     0,
                                     1,
                                     0,
                                     32,
                                     0,
                                     static_cast<unsigned char>(size),
                                     static_cast<unsigned char>(size >> 8),
                                     static_cast<unsigned char>(size >> 16),
                                     static_cast<unsigned char>(size >> 24),
                                     static_cast<unsigned char>(offset),
                                     0,
                                     0,
                                     0};
    icon.append(reinterpret_cast<const char*>(entry), sizeof(entry));
    return icon + png;
}

bool close_to(std::uint32_t pixel, std::uint32_t colour) {
    for (int shift = 0; shift < 24; shift += 8) {
        if (std::abs(static_cast<int>((pixel >> shift) & 0xFF) -
                     static_cast<int>((colour >> shift) & 0xFF)) > 24) {
            return false;
        }
    }
    return true;
}

std::string hex(std::uint32_t pixel) {
    char text[16];
    std::snprintf(text, sizeof(text), "%06X", pixel & 0xFFFFFF);
    return text;
}

}  // namespace

// Each kind scaled to half: both halves keep their colour, a transparent one is
// white, and a row drawn is the row the picture has there.
TEST(PictureDecoder, EveryKindIsScaledWithItsColoursAndTransparencyOnWhite) {
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    struct Case {
        const char* name;
        std::string bytes;
        std::uint32_t right;
    };
    const std::string png = encode(GUID_ContainerFormatPng, true, false);
    const std::vector<Case> cases = {
        {"PNG", png, kWhite},
        {"JPEG", encode(GUID_ContainerFormatJpeg, false, false), kBlue},
        {"GIF", encode(GUID_ContainerFormatGif, false, true), kBlue},
        {"BMP", encode(GUID_ContainerFormatBmp, false, false), kBlue},
        {"TIFF", encode(GUID_ContainerFormatTiff, true, false), kWhite},
        {"ICO", icon_of(png), kWhite},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_FALSE(c.bytes.empty());
        DecodedPicture picture;
        ASSERT_TRUE(decode_picture(c.bytes, kWidth / 2, kHeight / 2, picture));
        EXPECT_EQ(picture.width, kWidth);
        EXPECT_EQ(picture.height, kHeight);
        ASSERT_EQ(picture.shown_width, kWidth / 2);
        ASSERT_EQ(picture.shown_height, kHeight / 2);
        ASSERT_EQ(picture.pixels.size(), std::size_t{kWidth / 2} * (kHeight / 2));
        for (UINT y = 0; y < picture.shown_height; ++y) {
            const std::uint32_t* row = &picture.pixels[std::size_t{y} * picture.shown_width];
            EXPECT_TRUE(close_to(row[1], kRed)) << y << " " << hex(row[1]);
            EXPECT_TRUE(close_to(row[picture.shown_width - 2], c.right))
                << y << " " << hex(row[picture.shown_width - 2]);
        }
    }
    if (SUCCEEDED(com)) {
        CoUninitialize();
    }
}
