// PNG and JPEG on Windows through the Windows Imaging Component, the system's own decoders and
// PNG encoder (no library to ship beside the program). Samples are taken in the file's own depth
// (16-bit stays 16-bit), asking WIC only to unpack palettes and sub-byte levels and to put
// channels in the order the images keep; no gamma or colour conversion is asked for.
#include "files/codecs.h"

#include <windows.h>
#include <wincodec.h>

#include <climits>
#include <cstring>
#include <new>
#include <vector>

namespace Lumidraft::files::detail {

namespace {

template <class T>
class Com {
public:
    Com() = default;
    Com(const Com&) = delete;
    Com& operator=(const Com&) = delete;
    ~Com()
    {
        if (p_)
            p_->Release();
    }
    T** out() { return &p_; }
    T* get() const { return p_; }
    T* operator->() const { return p_; }

private:
    T* p_ = nullptr;
};

// COM for the calls of one decode or encode, whatever the thread had set up before.
class ComSession {
public:
    ComSession() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
    ~ComSession()
    {
        if (SUCCEEDED(result_))
            CoUninitialize();
    }
    ComSession(const ComSession&) = delete;
    ComSession& operator=(const ComSession&) = delete;

private:
    HRESULT result_;
};

std::string hresultText(HRESULT hr)
{
    char code[16];
    std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(hr));
    return std::string("Windows Imaging Component error ") + code;
}

void check(HRESULT hr, const char* what)
{
    if (hr == E_OUTOFMEMORY)
        throw std::bad_alloc();
    if (FAILED(hr))
        throw PictureError(std::string(what) + hresultText(hr) + ")");
}

void createFactory(Com<IWICImagingFactory>& factory)
{
    const HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                        IID_IWICImagingFactory, reinterpret_cast<void**>(factory.out()));
    if (FAILED(hr))
        throw PictureError("the Windows Imaging Component is not available (" + hresultText(hr) + ")");
}

struct Target {
    WICPixelFormatGUID format;
    int channels;
    int depth;
    bool bgr; // red and blue to swap
};

bool oneOf(const WICPixelFormatGUID& f, std::initializer_list<const GUID*> formats)
{
    for (const GUID* g : formats)
        if (IsEqualGUID(f, *g))
            return true;
    return false;
}

Target targetFor(const WICPixelFormatGUID& source, IWICImagingFactory* factory, IWICBitmapFrameDecode* frame)
{
    if (oneOf(source, {&GUID_WICPixelFormatBlackWhite, &GUID_WICPixelFormat2bppGray, &GUID_WICPixelFormat4bppGray,
                       &GUID_WICPixelFormat8bppGray}))
        return {GUID_WICPixelFormat8bppGray, 1, 8, false};
    if (IsEqualGUID(source, GUID_WICPixelFormat16bppGray))
        return {GUID_WICPixelFormat16bppGray, 1, 16, false};
    if (oneOf(source, {&GUID_WICPixelFormat48bppRGB, &GUID_WICPixelFormat48bppBGR}))
        return {GUID_WICPixelFormat48bppRGB, 3, 16, false};
    if (oneOf(source, {&GUID_WICPixelFormat64bppRGBA, &GUID_WICPixelFormat64bppBGRA}))
        return {GUID_WICPixelFormat64bppRGBA, 4, 16, false};
    if (oneOf(source, {&GUID_WICPixelFormat32bppCMYK, &GUID_WICPixelFormat64bppCMYK}))
        throw PictureError("it is a CMYK JPEG; JPEGs are read in grey or RGB only");
    if (oneOf(source, {&GUID_WICPixelFormat24bppBGR, &GUID_WICPixelFormat24bppRGB, &GUID_WICPixelFormat32bppBGR}))
        return {GUID_WICPixelFormat24bppBGR, 3, 8, true};
    if (oneOf(source, {&GUID_WICPixelFormat1bppIndexed, &GUID_WICPixelFormat2bppIndexed,
                       &GUID_WICPixelFormat4bppIndexed, &GUID_WICPixelFormat8bppIndexed})) {
        Com<IWICPalette> palette;
        BOOL alpha = FALSE;
        if (SUCCEEDED(factory->CreatePalette(palette.out())) && SUCCEEDED(frame->CopyPalette(palette.get())))
            palette->HasAlpha(&alpha);
        return alpha ? Target{GUID_WICPixelFormat32bppBGRA, 4, 8, true} : Target{GUID_WICPixelFormat24bppBGR, 3, 8, true};
    }
    return {GUID_WICPixelFormat32bppBGRA, 4, 8, true};
}

std::uint32_t big32(const std::uint8_t* p)
{
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

std::uint32_t crc32(const std::uint8_t* data, std::size_t n)
{
    static const auto table = [] {
        std::vector<std::uint32_t> t(256);
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int b = 0; b < 8; ++b)
                c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
            t[i] = c;
        }
        return t;
    }();
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < n; ++i)
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

int clampedSize(std::uint32_t v)
{
    return v > INT_MAX ? INT_MAX : static_cast<int>(v);
}

// The PNG's chunk structure: every length inside the file and every CRC right, the header first,
// the end chunk present. WIC reads only as far as the pixels need, so without this a file cut
// short or altered after its pixels would load here and be refused by the other builds. Gives the
// format the header announces (in the channels it decodes to) for the size check.
PictureFormat checkPngChunks(const std::uint8_t* data, std::size_t size)
{
    const auto damaged = [](const std::string& why) { return PictureError("the PNG file is damaged (" + why + ")"); };
    PictureFormat format;
    int colorType = 0;
    bool transparency = false;
    for (std::size_t at = 8;;) {
        if (size - at < 12)
            throw damaged("the file ends before the picture does");
        const std::uint32_t length = big32(data + at);
        if (length > size - at - 12)
            throw damaged("the file ends before the picture does");
        const std::uint8_t* type = data + at + 4;
        const std::string name(reinterpret_cast<const char*>(type), 4);
        if (crc32(type, length + 4) != big32(type + 4 + length))
            throw damaged(name + ": CRC error");
        if (at == 8) {
            if (name != "IHDR" || length != 13)
                throw damaged("it does not begin with its header");
            format.width = clampedSize(big32(type + 4));
            format.height = clampedSize(big32(type + 8));
            format.bitDepth = type[12] == 16 ? 16 : 8;
            colorType = type[13];
        }
        if (name == "tRNS")
            transparency = true;
        if (name == "IEND")
            break;
        at += 12 + length;
    }
    const bool alpha = (colorType & 4) != 0 || transparency;
    format.channels = alpha ? 4 : (colorType & 2) ? 3 : 1;
    return format;
}

// The JPEG's frame header, found by walking its markers: the size for the check before decoding.
PictureFormat checkJpegHeader(const std::uint8_t* data, std::size_t size)
{
    const PictureError ended("the JPEG file is damaged (Premature end of JPEG file)");
    for (std::size_t at = 2;;) {
        if (at >= size)
            throw ended;
        if (data[at] != 0xFF)
            throw PictureError("the JPEG file is damaged (no marker where one belongs)");
        while (at < size && data[at] == 0xFF)
            ++at;
        if (at + 3 > size)
            throw ended;
        const int marker = data[at++];
        if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue;
        if (marker == 0xD9 || marker == 0xDA)
            throw PictureError("the JPEG file is damaged (no frame header before the picture data)");
        const std::size_t length = (std::size_t(data[at]) << 8) | data[at + 1];
        if (length < 2 || length > size - at)
            throw ended;
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
            if (length < 8)
                throw PictureError("the JPEG file is damaged (a frame header too short)");
            PictureFormat format;
            format.height = (data[at + 3] << 8) | data[at + 4];
            format.width = (data[at + 5] << 8) | data[at + 6];
            format.channels = data[at + 7] == 1 ? 1 : 3;
            format.bitDepth = 8;
            return format;
        }
        at += length;
    }
}

void decodeWithWic(const std::uint8_t* data, std::size_t size, PictureSink& sink, const char* kind)
{
    const std::string damaged = std::string("the ") + kind + " file is damaged (";
    if (size > UINT_MAX)
        throw PictureError(damaged + "larger than 4 GB)");
    // The size is checked from the header before WIC, which may allocate the whole picture as it
    // opens the file.
    sink.accept(std::string(kind) == "PNG" ? checkPngChunks(data, size) : checkJpegHeader(data, size));
    ComSession session;
    Com<IWICImagingFactory> factory;
    createFactory(factory);
    Com<IWICStream> stream;
    check(factory->CreateStream(stream.out()), damaged.c_str());
    check(stream->InitializeFromMemory(const_cast<BYTE*>(data), static_cast<DWORD>(size)), damaged.c_str());
    Com<IWICBitmapDecoder> decoder;
    check(factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand, decoder.out()),
          damaged.c_str());
    Com<IWICBitmapFrameDecode> frame;
    check(decoder->GetFrame(0, frame.out()), damaged.c_str());
    UINT width = 0, height = 0;
    check(frame->GetSize(&width, &height), damaged.c_str());
    WICPixelFormatGUID source{};
    check(frame->GetPixelFormat(&source), damaged.c_str());
    const Target target = targetFor(source, factory.get(), frame.get());

    PictureFormat format;
    format.width = width > INT_MAX ? INT_MAX : static_cast<int>(width);
    format.height = height > INT_MAX ? INT_MAX : static_cast<int>(height);
    format.channels = target.channels;
    format.bitDepth = target.depth;
    sink.accept(format);

    IWICBitmapSource* pixels = frame.get();
    Com<IWICBitmapSource> converted;
    if (!IsEqualGUID(source, target.format)) {
        check(WICConvertBitmapSource(target.format, frame.get(), converted.out()), damaged.c_str());
        pixels = converted.get();
    }
    const std::size_t stride = static_cast<std::size_t>(width) * target.channels * (target.depth / 8);
    if (stride * height > UINT_MAX)
        throw PictureError(std::string("the picture is too large to decode here (") + std::to_string(width) + " x " +
                           std::to_string(height) + " pixels)");
    std::vector<std::uint8_t> buffer(stride * height);
    check(pixels->CopyPixels(nullptr, static_cast<UINT>(stride), static_cast<UINT>(buffer.size()), buffer.data()),
          damaged.c_str());
    sink.begin();
    for (UINT y = 0; y < height; ++y) {
        std::uint8_t* row = buffer.data() + stride * y;
        if (target.bgr)
            for (std::size_t i = 0; i < stride; i += target.channels)
                std::swap(row[i], row[i + 2]);
        if (std::uint8_t* direct = sink.rowTarget(static_cast<int>(y)))
            std::memcpy(direct, row, stride);
        else
            sink.row(static_cast<int>(y), row);
    }
}

} // namespace

void decodePng(const std::uint8_t* data, std::size_t size, PictureSink& sink)
{
    decodeWithWic(data, size, sink, "PNG");
}

void decodeJpeg(const std::uint8_t* data, std::size_t size, PictureSink& sink)
{
    decodeWithWic(data, size, sink, "JPEG");
}

namespace {

const char* const writeFailed = "the PNG file could not be written (";

// The whole PNG in memory. fileOrder16 hands the encoder 16-bit samples big-endian, for an encoder
// that copies them to the file as they come.
std::vector<std::uint8_t> encodeToMemory(IWICImagingFactory* factory, const PictureFormat& format, PictureRows& rows,
                                         bool fileOrder16)
{
    Com<IStream> stream;
    check(CreateStreamOnHGlobal(nullptr, TRUE, stream.out()), writeFailed);
    Com<IWICBitmapEncoder> encoder;
    check(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.out()), writeFailed);
    check(encoder->Initialize(stream.get(), WICBitmapEncoderNoCache), writeFailed);
    Com<IWICBitmapFrameEncode> frame;
    Com<IPropertyBag2> options;
    check(encoder->CreateNewFrame(frame.out(), options.out()), writeFailed);
    check(frame->Initialize(options.get()), writeFailed);
    check(frame->SetSize(static_cast<UINT>(format.width), static_cast<UINT>(format.height)), writeFailed);
    const bool wide = format.bitDepth == 16;
    const WICPixelFormatGUID wanted =
        format.channels == 1   ? (wide ? GUID_WICPixelFormat16bppGray : GUID_WICPixelFormat8bppGray)
        : format.channels == 3 ? (wide ? GUID_WICPixelFormat48bppRGB : GUID_WICPixelFormat24bppBGR)
                               : (wide ? GUID_WICPixelFormat64bppRGBA : GUID_WICPixelFormat32bppBGRA);
    WICPixelFormatGUID given = wanted;
    check(frame->SetPixelFormat(&given), writeFailed);
    if (!IsEqualGUID(given, wanted))
        throw PictureError(std::string(writeFailed) + "the encoder does not take this pixel format)");
    const std::size_t stride = static_cast<std::size_t>(format.width) * format.channels * (wide ? 2 : 1);
    std::vector<std::uint8_t> row(stride);
    for (int y = 0; y < format.height; ++y) {
        std::memcpy(row.data(), rows.row(y), stride);
        if (!wide && format.channels > 1)
            for (std::size_t i = 0; i < stride; i += format.channels)
                std::swap(row[i], row[i + 2]);
        if (wide && fileOrder16)
            for (std::size_t i = 0; i < stride; i += 2)
                std::swap(row[i], row[i + 1]);
        check(frame->WritePixels(1, static_cast<UINT>(stride), static_cast<UINT>(stride), row.data()), writeFailed);
    }
    check(frame->Commit(), writeFailed);
    check(encoder->Commit(), writeFailed);

    HGLOBAL memory = nullptr;
    check(GetHGlobalFromStream(stream.get(), &memory), writeFailed);
    STATSTG stat{};
    check(stream->Stat(&stat, STATFLAG_NONAME), writeFailed);
    const auto* encoded = static_cast<const std::uint8_t*>(GlobalLock(memory));
    if (!encoded)
        throw PictureError(std::string(writeFailed) + "its memory could not be read)");
    std::vector<std::uint8_t> bytes(encoded, encoded + static_cast<std::size_t>(stat.cbSize.QuadPart));
    GlobalUnlock(memory);
    return bytes;
}

class ProbePixel final : public PictureRows {
public:
    const void* row(int) override { return samples_; }

private:
    const std::uint16_t samples_[4] = {0x0102, 0x0102, 0x0102, 0x0102};
};

// Whether this system's PNG encoder takes 16-bit samples in the file's byte order rather than in
// the native order its decoder gives them (encoders differ here): found once per channel count by
// encoding one pixel and decoding it again.
bool encoderTakesFileOrder(IWICImagingFactory* factory, int channels)
{
    static int known[5] = {}; // 0 not yet known, 1 native order, 2 file order
    if (!known[channels]) {
        PictureFormat format;
        format.width = format.height = 1;
        format.channels = channels;
        format.bitDepth = 16;
        ProbePixel pixel;
        std::vector<std::uint8_t> png = encodeToMemory(factory, format, pixel, false);
        Com<IWICStream> stream;
        check(factory->CreateStream(stream.out()), writeFailed);
        check(stream->InitializeFromMemory(png.data(), static_cast<DWORD>(png.size())), writeFailed);
        Com<IWICBitmapDecoder> decoder;
        check(factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand, decoder.out()),
              writeFailed);
        Com<IWICBitmapFrameDecode> frame;
        check(decoder->GetFrame(0, frame.out()), writeFailed);
        std::uint16_t back[4] = {};
        check(frame->CopyPixels(nullptr, sizeof back, sizeof back, reinterpret_cast<BYTE*>(back)), writeFailed);
        known[channels] = back[0] == 0x0201 ? 2 : 1;
    }
    return known[channels] == 2;
}

} // namespace

void encodePng(std::FILE* file, const PictureFormat& format, PictureRows& rows)
{
    ComSession session;
    Com<IWICImagingFactory> factory;
    createFactory(factory);
    const bool fileOrder = format.bitDepth == 16 && encoderTakesFileOrder(factory.get(), format.channels);
    const std::vector<std::uint8_t> bytes = encodeToMemory(factory.get(), format, rows, fileOrder);
    if (std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size())
        throw PictureError(std::string(writeFailed) + "the file could not be written)");
}

} // namespace Lumidraft::files::detail
