#include "grid/picture_decoder.h"

#include <objbase.h>
#include <wincodec.h>

#include <algorithm>

#include "page/picture_kind.h"

namespace {

// More pixels than this is no picture to show but a decoder's trap: some
// decoders hold the whole frame before the scaler takes its rows.
constexpr std::uint64_t kMostPixels = std::uint64_t{1} << 28;

// The imaging factory's class, spelled out so the program needs no import
// library for it.
constexpr CLSID kImagingFactoryClass = {0xcacaf262,
                                        0x9370,
                                        0x4615,
                                        {0xa1, 0x3b, 0x9f, 0x55, 0x39, 0xda, 0x4c, 0x0a}};

template <typename T>
class ComPointer {
public:
    ComPointer() = default;
    ~ComPointer() {
        if (p_) {
            p_->Release();
        }
    }
    ComPointer(const ComPointer&) = delete;
    ComPointer& operator=(const ComPointer&) = delete;
    T** out() { return &p_; }
    T* operator->() const { return p_; }
    T* get() const { return p_; }

private:
    T* p_ = nullptr;
};

// COM for the life of one decode; a thread that has it already keeps it.
class ComScope {
public:
    ComScope() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComScope() {
        if (SUCCEEDED(result_)) {
            CoUninitialize();
        }
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    bool usable() const { return SUCCEEDED(result_) || result_ == RPC_E_CHANGED_MODE; }

private:
    HRESULT result_;
};

}  // namespace

SIZE fitted_size(UINT width, UINT height, int box_width, int box_height) {
    SIZE size{static_cast<LONG>(width), static_cast<LONG>(height)};
    if (width == 0 || height == 0 || box_width <= 0 || box_height <= 0) {
        return SIZE{1, 1};
    }
    const double scale = std::min(
        {1.0, static_cast<double>(box_width) / width, static_cast<double>(box_height) / height});
    size.cx = std::max<LONG>(1, static_cast<LONG>(width * scale));
    size.cy = std::max<LONG>(1, static_cast<LONG>(height * scale));
    return size;
}

bool decode_picture(const std::string& bytes, int box_width, int box_height, DecodedPicture& out) {
    out = DecodedPicture{};
    if (bytes.empty() || bytes.size() > MAXDWORD) {
        return false;
    }
    // Declined before a decoder sees it: some (Wine's) unpack the whole picture
    // when they are made, seconds and gigabytes for a value of a megabyte.
    const auto* head = reinterpret_cast<const unsigned char*>(bytes.data());
    PictureSize declared;
    if (declared_picture_size(head, bytes.size(), picture_kind(head, bytes.size()), declared) &&
        declared.width * declared.height > kMostPixels) {
        return false;
    }
    ComScope com;
    if (!com.usable()) {
        return false;
    }
    ComPointer<IWICImagingFactory> factory;
    if (FAILED(CoCreateInstance(kImagingFactoryClass, nullptr, CLSCTX_INPROC_SERVER,
                                __uuidof(IWICImagingFactory),
                                reinterpret_cast<void**>(factory.out())))) {
        return false;
    }
    ComPointer<IWICStream> stream;
    if (FAILED(factory->CreateStream(stream.out())) ||
        FAILED(
            stream->InitializeFromMemory(reinterpret_cast<BYTE*>(const_cast<char*>(bytes.data())),
                                         static_cast<DWORD>(bytes.size())))) {
        return false;
    }
    ComPointer<IWICBitmapDecoder> decoder;
    if (FAILED(factory->CreateDecoderFromStream(stream.get(), nullptr,
                                                WICDecodeMetadataCacheOnDemand, decoder.out()))) {
        return false;
    }
    ComPointer<IWICBitmapFrameDecode> frame;
    if (FAILED(decoder->GetFrame(0, frame.out())) ||
        FAILED(frame->GetSize(&out.width, &out.height)) || out.width == 0 || out.height == 0 ||
        std::uint64_t{out.width} * out.height > kMostPixels) {
        return false;
    }
    ComPointer<IWICFormatConverter> converter;
    if (FAILED(factory->CreateFormatConverter(converter.out())) ||
        FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppPBGRA,
                                     WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeCustom))) {
        return false;
    }
    const SIZE shown = fitted_size(out.width, out.height, box_width, box_height);
    ComPointer<IWICBitmapScaler> scaler;
    if (FAILED(factory->CreateBitmapScaler(scaler.out())) ||
        FAILED(scaler->Initialize(converter.get(), static_cast<UINT>(shown.cx),
                                  static_cast<UINT>(shown.cy), WICBitmapInterpolationModeFant))) {
        return false;
    }
    // A row at a time: asked for the whole picture at once, some scalers (Wine's
    // among them) first have the converter turn every pixel of the frame, most of
    // which the scaled picture leaves out; a row asks only for what it shows.
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(shown.cx) * shown.cy);
    const UINT stride = static_cast<UINT>(shown.cx) * 4;
    for (INT y = 0; y < shown.cy; ++y) {
        const WICRect row{0, y, shown.cx, 1};
        auto* first =
            reinterpret_cast<BYTE*>(pixels.data() + static_cast<std::size_t>(y) * shown.cx);
        if (FAILED(scaler->CopyPixels(&row, stride, stride, first))) {
            return false;
        }
    }
    // Premultiplied: the colour already holds its share, white fills the rest.
    for (std::uint32_t& pixel : pixels) {
        const std::uint32_t rest = 255 - (pixel >> 24);
        const std::uint32_t b = std::min<std::uint32_t>(255, (pixel & 0xFF) + rest);
        const std::uint32_t g = std::min<std::uint32_t>(255, ((pixel >> 8) & 0xFF) + rest);
        const std::uint32_t r = std::min<std::uint32_t>(255, ((pixel >> 16) & 0xFF) + rest);
        pixel = b | (g << 8) | (r << 16);
    }
    out.shown_width = static_cast<UINT>(shown.cx);
    out.shown_height = static_cast<UINT>(shown.cy);
    out.pixels = std::move(pixels);
    return true;
}
