// Images from and to picture files: the numbers of every PNG colour type and bit depth, JPEGs as
// the decoder library gives them, the precisions, saving and reading back, and damaged files.
#include "image/image.h"

#include "app/exception.h"
#include "support/expect_exception.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#ifdef LUMIDRAFT_TEST_WITH_LIBS
#include <png.h>
// jpeglib.h needs stdio first
#include <jpeglib.h>
#include <csignal>
#include <sys/resource.h>
#endif

namespace Lumidraft {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

const std::string pictures = std::string(LUMIDRAFT_TEST_DATA_DIR) + "/pictures/";

// Component k of pixel (x, y) (y downward) as stored, whatever the precision.
double stored(const Image& image, int x, int y, int k)
{
    const std::int64_t e = std::int64_t(x) * Image::formatTable[image.getLayout()] +
                           std::int64_t(static_cast<int>(image.getHeight()) - 1 - y) * image.getLineElements() + k;
    return image.getPrecision() == Image::BYTE ? image.bytePixels()[e] : image.floatPixels()[e];
}

void expectEmpty(const Image& image)
{
    EXPECT_FALSE(image.hasBitmap());
    EXPECT_EQ(image.getWidth(), 0.0);
    EXPECT_EQ(image.getHeight(), 0.0);
    EXPECT_EQ(image.bytePixels(), nullptr);
    EXPECT_EQ(image.floatPixels(), nullptr);
}

Bytes readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void writeBytes(const std::string& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// The chunk names of a PNG, in order.
std::vector<std::string> chunksOf(const Bytes& png)
{
    std::vector<std::string> names;
    for (std::size_t i = 8; i + 8 <= png.size();) {
        const std::size_t n = (std::size_t(png[i]) << 24) | (png[i + 1] << 16) | (png[i + 2] << 8) | png[i + 3];
        names.emplace_back(reinterpret_cast<const char*>(&png[i + 4]), 4);
        i += 12 + n;
    }
    return names;
}

std::uint32_t crc32(const std::uint8_t* data, std::size_t n)
{
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < n; ++i) {
        crc ^= data[i];
        for (int b = 0; b < 8; ++b)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void putBig32(Bytes& bytes, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
}

// A directory of its own for each test (and process), removed afterwards.
class FileTest : public ::testing::Test {
protected:
    std::string path(const std::string& name) const { return folder / name; }
    std::vector<std::string> files() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir))
            names.push_back(entry.path().filename().string());
        return names;
    }

    Lumidraft::testing::TempFolder folder;
    const fs::path& dir = folder.path();
};

// ---- Files made with another tool, the same for every build ----

TEST(ImageFileLoad, KnownSamplesOfFilesMadeWithAnotherTool)
{
    Image gray16(pictures + "gray16.png");
    ASSERT_EQ(gray16.getLayout(), Image::GRAY);
    ASSERT_EQ(gray16.getPrecision(), Image::FLOAT);
    ASSERT_EQ(gray16.getWidth(), 3.0);
    ASSERT_EQ(gray16.getHeight(), 2.0);
    const int levels16[2][3] = {{0, 1, 65535}, {32768, 12345, 65534}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(stored(gray16, x, y, 0), static_cast<float>(levels16[y][x]) / 65535.0f) << x << "," << y;
    EXPECT_EQ(gray16.getPixel(0, 0).r, 0.0); // top-left of the file is (0, 0)

    Image rgb(pictures + "rgb8-interlaced.png");
    ASSERT_EQ(rgb.getLayout(), Image::RGB);
    ASSERT_EQ(rgb.getPrecision(), Image::BYTE);
    ASSERT_EQ(rgb.getWidth(), 5.0);
    ASSERT_EQ(rgb.getHeight(), 3.0);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) {
            EXPECT_EQ(stored(rgb, x, y, 0), x * 50 + y);
            EXPECT_EQ(stored(rgb, x, y, 1), 200 - y * 60);
            EXPECT_EQ(stored(rgb, x, y, 2), (x * 37 + y * 11) % 256);
        }

    Image palette(pictures + "palette-trns.png");
    ASSERT_EQ(palette.getLayout(), Image::RGBA);
    EXPECT_EQ(stored(palette, 0, 0, 0), 255);
    EXPECT_EQ(stored(palette, 0, 0, 3), 255);
    EXPECT_EQ(stored(palette, 1, 0, 3), 0);
    EXPECT_EQ(stored(palette, 2, 0, 2), 255);
    EXPECT_EQ(stored(palette, 2, 0, 0), 0);
    EXPECT_EQ(stored(palette, 2, 0, 3), 255);

    Image grayAlpha(pictures + "gray-alpha.png");
    ASSERT_EQ(grayAlpha.getLayout(), Image::RGBA);
    const int grey[4] = {10, 20, 30, 40}, alpha[4] = {255, 128, 0, 64};
    for (int i = 0; i < 4; ++i) {
        const int x = i % 2, y = i / 2;
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(stored(grayAlpha, x, y, k), grey[i]);
        EXPECT_EQ(stored(grayAlpha, x, y, 3), alpha[i]);
    }
}

TEST(ImageFileLoad, ForcedPrecisionScalesOrRoundsToTheNearestLevel)
{
    Image bytes;
    bytes.load(pictures + "gray16.png", Image::BYTE);
    ASSERT_EQ(bytes.getPrecision(), Image::BYTE);
    // round(s x 255 / 65535): 1 -> 0.004, 32768 -> 127.502, 12345 -> 48.04, 65534 -> 254.996
    const int expected[2][3] = {{0, 0, 255}, {128, 48, 255}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(stored(bytes, x, y, 0), expected[y][x]) << x << "," << y;

    Image reals;
    reals.load(pictures + "rgb8-interlaced.png", Image::FLOAT);
    ASSERT_EQ(reals.getPrecision(), Image::FLOAT);
    EXPECT_EQ(stored(reals, 4, 0, 0), 200.0f / 255.0f);
    EXPECT_EQ(stored(reals, 0, 2, 1), 80.0f / 255.0f);

    Image same;
    same.load(pictures + "gray16.png", Image::FLOAT);
    EXPECT_EQ(stored(same, 1, 1, 0), 12345.0f / 65535.0f);
}

// The references are libjpeg's pixels (checked against libjpeg itself below, where it is linked).
TEST(ImageFileLoad, JpegsHoldWhatTheDecoderLibraryGives)
{
    for (const char* name : {"baseline", "progressive", "gray"}) {
        SCOPED_TRACE(name);
        Image jpeg(pictures + name + ".jpg");
        Image reference(pictures + name + "-decoded.png");
        const bool gray = std::string(name) == "gray";
        ASSERT_EQ(jpeg.getLayout(), gray ? Image::GRAY : Image::RGB);
        ASSERT_EQ(jpeg.getPrecision(), Image::BYTE);
        ASSERT_EQ(jpeg.getWidth(), 19.0);
        ASSERT_EQ(jpeg.getHeight(), 11.0);
        ASSERT_EQ(reference.getLayout(), jpeg.getLayout());
        double largest = 0, total = 0;
        for (int y = 0; y < 11; ++y)
            for (int x = 0; x < 19; ++x)
                for (int k = 0; k < (gray ? 1 : 3); ++k) {
                    const double d = std::fabs(stored(jpeg, x, y, k) - stored(reference, x, y, k));
                    largest = std::max(largest, d);
                    total += d;
                }
        const double mean = total / (11 * 19 * (gray ? 1 : 3));
#ifdef _WIN32
        // The Windows Imaging Component decodes JPEGs its own way: without chroma subsampling its
        // pixels are libjpeg's to within a level of rounding, but it upsamples subsampled colour
        // (the baseline file is 4:2:0) differently, by tens of levels at sharp colour edges.
        const bool subsampled = std::string(name) == "baseline";
        EXPECT_LE(largest, subsampled ? 48 : 1) << "mean " << mean;
        EXPECT_LE(mean, subsampled ? 8 : 0.01);
#else
        EXPECT_EQ(largest, 0) << "mean " << mean;
#endif
    }
}

TEST(ImageFileLoad, LoadNeedsAnImageWithoutBitmapAndALegalPrecision)
{
    Image image(2, 2, Image::GRAY, Image::BYTE);
    image.setPixel(1, 1, Color::white);
    using Lumidraft::testing::expectError;
    expectError([&] { image.load(pictures + "gray16.png"); }, typeid(Image), "Memory Error",
                "Image object already has its bitmap.");
    expectError([&] { image.load(pictures + "gray16.png", 7); }, typeid(Image), "Memory Error",
                "Image object already has its bitmap.");
    EXPECT_EQ(image.getWidth(), 2.0);
    EXPECT_EQ(stored(image, 1, 1, 0), 255);

    Image empty;
    expectError([&] { empty.load(pictures + "gray16.png", 2); }, typeid(Image), "FORMAT ERROR",
                "The specified precision is illegal");
    expectError([&] { empty.load(pictures + "gray16.png", -1); }, typeid(Image), "FORMAT ERROR",
                "The specified precision is illegal");
    expectEmpty(empty);
    empty.load(pictures + "gray16.png");
    EXPECT_TRUE(empty.hasBitmap());
    EXPECT_EQ(empty.placement().right, 2.0); // placed at its own area, like set
}

// ---- Saving ----

// Values on and off the level grids, out of range and NaN for FLOAT.
void paintForSaving(Image& image)
{
    const int components = Image::formatTable[image.getLayout()];
    for (int y = 0; y < image.getHeight(); ++y)
        for (int x = 0; x < image.getWidth(); ++x) {
            const std::int64_t e = std::int64_t(x) * components +
                                   std::int64_t(image.getHeight() - 1 - y) * image.getLineElements();
            for (int k = 0; k < components; ++k) {
                const int n = x * 31 + y * 17 + k * 7;
                if (image.getPrecision() == Image::BYTE)
                    image.bytePixels()[e + k] = static_cast<std::uint8_t>(n * 5);
                else
                    image.floatPixels()[e + k] = static_cast<float>(std::fmod(n * 0.01234567, 1.0));
            }
        }
    if (image.getPrecision() == Image::FLOAT) {
        const std::int64_t top = std::int64_t(image.getHeight() - 1) * image.getLineElements();
        const float odd[3] = {-0.5f, 1.5f, std::numeric_limits<float>::quiet_NaN()};
        const int n = std::min<int>(3, static_cast<int>(image.getWidth()) * components);
        std::copy(odd, odd + n, image.floatPixels() + top);
    }
}

class ImageFileSave : public FileTest {};

TEST_F(ImageFileSave, LoadingWhatWasSavedGivesItBack)
{
    const char* names[] = {"GRAY", "RGB", "RGBA"};
    for (int layout : {Image::GRAY, Image::RGB, Image::RGBA})
        for (int precision : {Image::BYTE, Image::FLOAT})
            for (auto size : {std::pair{5, 3}, std::pair{1, 1}, std::pair{4097, 3}}) {
                SCOPED_TRACE(::testing::Message() << names[layout] << (precision ? " FLOAT " : " BYTE ")
                                                  << size.first << "x" << size.second);
                Image image(size.first, size.second, layout, precision);
                paintForSaving(image);
                const std::string file = path("round.png");
                image.save(file);

                // IHDR: bit depth, then colour type (0 grey, 2 RGB, 6 RGBA); no colour chunks.
                const Bytes png = readBytes(file);
                ASSERT_GT(png.size(), 26u);
                EXPECT_EQ(png[24], precision == Image::BYTE ? 8 : 16);
                EXPECT_EQ(png[25], layout == Image::GRAY ? 0 : layout == Image::RGB ? 2 : 6);
                for (const std::string& chunk : chunksOf(png))
                    EXPECT_TRUE(chunk == "IHDR" || chunk == "IDAT" || chunk == "IEND") << chunk;

                Image back(file);
                ASSERT_EQ(back.getLayout(), layout);
                ASSERT_EQ(back.getPrecision(), precision);
                ASSERT_EQ(back.getWidth(), size.first);
                ASSERT_EQ(back.getHeight(), size.second);
                const int components = Image::formatTable[layout];
                for (int y = 0; y < size.second; ++y)
                    for (int x = 0; x < size.first; ++x)
                        for (int k = 0; k < components; ++k) {
                            const double v = stored(image, x, y, k), w = stored(back, x, y, k);
                            if (precision == Image::BYTE) {
                                ASSERT_EQ(w, v) << x << "," << y << "," << k;
                            } else {
                                const double expected = std::isnan(v) ? 0.0 : std::clamp(v, 0.0, 1.0);
                                ASSERT_NEAR(w, expected, 0.5 / 65535 + 1e-7) << x << "," << y << "," << k;
                            }
                        }
                fs::remove(file);
            }
}

TEST_F(ImageFileSave, FloatLevelsAreRoundedToSixteenBits)
{
    Image image(4, 1, Image::GRAY, Image::FLOAT);
    const float values[4] = {1.0f / 65535 * 0.49f, 1.0f / 65535 * 0.51f, 0.5f, 1.0f - 0.4f / 65535};
    for (int x = 0; x < 4; ++x)
        image.floatPixels()[x] = values[x];
    image.save(path("levels.png"));
    Image bytes;
    bytes.load(path("levels.png"));
    const int expected[4] = {0, 1, 32768, 65535}; // round(0.5 x 65535) = round(32767.5)
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(stored(bytes, x, 0, 0), expected[x] / 65535.0f) << x;
}

TEST_F(ImageFileSave, OnlyPngNamesAndImagesWithABitmapAreSaved)
{
    using Lumidraft::testing::expectError;
    Image image(3, 3, Image::RGB, Image::BYTE);
    for (const char* name : {"picture.jpg", "picture", "picture.png.txt", "png", "picture.pn"}) {
        const std::string file = path(name);
        expectError([&] { image.save(file); }, typeid(Image), "FILE ERROR",
                    file + ": pictures are saved as PNG only, so the name must end in .png");
    }
    EXPECT_TRUE(files().empty());

    image.save(path("UPPER.PNG"));
    image.save(path("Mixed.Png"));
    EXPECT_EQ(files().size(), 2u);

    Image empty;
    expectError([&] { empty.save(path("empty.png")); }, typeid(Image), "Memory Error", "Image object has no bitmap.");
    EXPECT_EQ(files().size(), 2u);
}

TEST_F(ImageFileSave, AFailedSaveLeavesWhatWasThereAndNoPartialFile)
{
    Image image(4, 4, Image::RGB, Image::BYTE);
    const auto expectFileError = [&](const std::string& file) {
        try {
            image.save(file);
            ADD_FAILURE() << "saved " << file;
        } catch (const Exception& e) {
            EXPECT_EQ(e.kind(), "FILE ERROR");
            EXPECT_EQ(e.message().rfind(file + ": ", 0), 0u) << e.message();
        }
    };
    // A directory of that name stays a directory; a missing directory gets nothing.
    fs::create_directory(path("folder.png"));
    fs::create_directory(path("folder.png/inside"));
    expectFileError(path("folder.png"));
    EXPECT_TRUE(fs::is_directory(path("folder.png/inside")));
    expectFileError(path("missing/picture.png"));
    EXPECT_EQ(files(), std::vector<std::string>{"folder.png"});

    // An existing picture is replaced whole by a successful save.
    Image first(2, 2, Image::GRAY, Image::BYTE);
    first.save(path("kept.png"));
    image.save(path("kept.png"));
    EXPECT_EQ(Image(path("kept.png")).getLayout(), Image::RGB);
    EXPECT_EQ(files().size(), 2u);
}

// ---- Damaged files ----

class ImageFileDamage : public FileTest {
protected:
    // Loading the file fails with a FILE ERROR naming the path and containing the words, and the
    // image stays empty, in both precisions.
    void expectRefused(const std::string& file, const std::string& words)
    {
        for (int precision : {-1, int(Image::BYTE), int(Image::FLOAT)}) {
            Image image;
            try {
                if (precision < 0)
                    image.load(file);
                else
                    image.load(file, precision);
                ADD_FAILURE() << "loaded " << file;
            } catch (const Exception& e) {
                EXPECT_EQ(e.raisingClass(), typeid(Image));
                EXPECT_EQ(e.kind(), "FILE ERROR") << e.message();
                EXPECT_EQ(e.message().rfind(file + ": ", 0), 0u) << e.message();
                EXPECT_NE(e.message().find(words), std::string::npos) << e.message();
            }
            expectEmpty(image);
        }
    }
};

TEST_F(ImageFileDamage, EveryDamagedOrWrongFileIsAClearError)
{
    const Bytes png = readBytes(pictures + "rgb8-interlaced.png");
    const Bytes jpeg = readBytes(pictures + "progressive.jpg");
    ASSERT_GT(png.size(), 60u);
    ASSERT_GT(jpeg.size(), 300u);
    const auto truncated = [](const Bytes& b, std::size_t n) { return Bytes(b.begin(), b.begin() + n); };
    const auto flipped = [](Bytes b, std::size_t at) {
        b[at] ^= 0x5A;
        return b;
    };
    // A byte of the compressed data changed and the chunk's CRC made to match: zlib finds it.
    const auto idatFlipped = [&](std::size_t offset) {
        Bytes b = png;
        const std::size_t idat = 33; // right after the signature and IHDR
        const std::size_t length = (std::size_t(b[idat]) << 24) | (b[idat + 1] << 16) | (b[idat + 2] << 8) | b[idat + 3];
        b[idat + 8 + offset] ^= 0xFF;
        putBig32(b, idat + 8 + length, crc32(&b[idat + 4], length + 4));
        return b;
    };
    // A valid header announcing a large picture with a little compressed data behind it.
    const auto announcing = [&](std::uint32_t w, std::uint32_t h) {
        Bytes b = png;
        putBig32(b, 16, w);
        putBig32(b, 20, h);
        b[28] = 0; // not interlaced
        putBig32(b, 29, crc32(&b[12], 17));
        return b;
    };

    struct Case {
        const char* name;
        Bytes bytes;
        const char* words;
    };
    const std::size_t idatLength = (std::size_t(png[33]) << 24) | (png[34] << 16) | (png[35] << 8) | png[36];
    const Case cases[] = {
        {"empty.png", {}, "the file is empty"},
        {"text.png", Bytes{'h', 'e', 'l', 'l', 'o', '\n'}, "not a picture in a format this reads (PNG or JPEG)"},
        {"signature.png", truncated(png, 5), "PNG file is damaged"},
        {"after-signature.png", truncated(png, 8), "PNG file is damaged"},
        {"in-header.png", truncated(png, 20), "PNG file is damaged"},
        {"after-header.png", truncated(png, 33), "PNG file is damaged"},
        {"in-data.png", truncated(png, 33 + 8 + idatLength / 2), "PNG file is damaged"},
        {"before-end.png", truncated(png, png.size() - 12), "PNG file is damaged"},
        {"last-byte.png", truncated(png, png.size() - 1), "PNG file is damaged"},
        {"header-byte.png", flipped(png, 18), "PNG file is damaged"},
        {"chunk-name.png", flipped(png, 13), "PNG file is damaged"},
        {"data-byte.png", flipped(png, 33 + 8 + idatLength / 2), "PNG file is damaged"},
        {"zlib-header.png", idatFlipped(0), "PNG file is damaged"},
        {"zlib-data.png", idatFlipped(idatLength / 2), "PNG file is damaged"},
        {"huge.png", announcing(100000, 100000), "too large for an image (100000 x 100000 pixels)"},
        // Small enough for an image, far more than the data can expand to.
        {"bomb.png", announcing(12000, 12000), "PNG file is damaged"},
        {"jpeg-start.jpg", truncated(jpeg, 3), "JPEG file is damaged"},
        {"jpeg-header.jpg", truncated(jpeg, 100), "JPEG file is damaged"},
        {"jpeg-scan.jpg", truncated(jpeg, jpeg.size() / 2), "JPEG file is damaged"},
        {"jpeg-end.jpg", truncated(jpeg, jpeg.size() - 2), "JPEG file is damaged"},
        {"jpeg-marker.jpg", flipped(jpeg, 3), "JPEG file is damaged"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeBytes(path(c.name), c.bytes);
        expectRefused(path(c.name), c.words);
    }

    expectRefused(path("nothing-here.png"), "the file cannot be opened (");
    fs::create_directory(path("folder.png"));
    expectRefused(path("folder.png"), "it is a directory, not a picture file");
    // Format is told by content, not name.
    writeBytes(path("really-a-png.jpg"), png);
    EXPECT_EQ(Image(path("really-a-png.jpg")).getWidth(), 5.0);
}

// Flipping bytes anywhere in a JPEG's entropy-coded data may or may not be detectable (the format
// has no checksums); whatever happens must be a clean result or a FILE ERROR.
TEST_F(ImageFileDamage, FlippedJpegDataNeverCrashes)
{
    const Bytes jpeg = readBytes(pictures + "baseline.jpg");
    for (std::size_t at = 2; at < jpeg.size(); at += 7) {
        Bytes b = jpeg;
        b[at] ^= 0xA5;
        writeBytes(path("flipped.jpg"), b);
        Image image;
        try {
            image.load(path("flipped.jpg"));
            EXPECT_TRUE(image.hasBitmap());
        } catch (const Exception& e) {
            EXPECT_EQ(e.kind(), "FILE ERROR") << at;
            expectEmpty(image);
        }
    }
}

#ifdef LUMIDRAFT_TEST_WITH_LIBS

// ---- Every PNG colour type and bit depth, written with libpng itself ----

struct PngCase {
    int colorType;
    int depth;
    bool transparentEntry; // a tRNS chunk
    bool interlaced;
    int width, height;
};

int maxLevel(int depth)
{
    return (1 << depth) - 1;
}

// The file's samples: indices for palettes, levels otherwise.
int fileSample(const PngCase& c, int x, int y, int k)
{
    const int top = c.colorType == PNG_COLOR_TYPE_PALETTE ? std::min(maxLevel(c.depth), 40) : maxLevel(c.depth);
    if (x == 0 && y == 0)
        return top; // the extremes appear
    if (x == 1 && y == 0)
        return 0;
    return static_cast<int>((x * 7919u + y * 104729u + k * 31337u + x * y * 13u) % (top + 1u));
}

png_color paletteEntry(int i)
{
    return png_color{static_cast<png_byte>(i * 7 % 256), static_cast<png_byte>(255 - i * 3),
                     static_cast<png_byte>(i * 11 % 256)};
}

int paletteAlpha(int i)
{
    return (i * 29 + 3) % 256;
}

constexpr int transparentEntries = 20; // palette entries past these are opaque

void writeCasePng(const std::string& path, const PngCase& c)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png); // errors here abort: the writer is not under test
    png_init_io(png, file);
    png_set_IHDR(png, info, c.width, c.height, c.depth, c.colorType,
                 c.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    // Colour chunks that a converting reader would act on; these numbers must be ignored.
    png_set_gAMA(png, info, 1.0 / 2.2);
    const png_byte bits = c.colorType == PNG_COLOR_TYPE_PALETTE ? 5 : c.depth < 8 ? 1 : 5;
    png_color_8 significant{bits, bits, bits, bits, bits};
    png_set_sBIT(png, info, &significant);
    png_color palette[256];
    png_byte alphas[256];
    png_color_16 key{};
    if (c.colorType == PNG_COLOR_TYPE_PALETTE) {
        for (int i = 0; i < 256; ++i) {
            palette[i] = paletteEntry(i);
            alphas[i] = static_cast<png_byte>(paletteAlpha(i));
        }
        png_set_PLTE(png, info, palette, 1 << c.depth);
        if (c.transparentEntry)
            png_set_tRNS(png, info, alphas, std::min(transparentEntries, 1 << c.depth), nullptr);
    } else if (c.transparentEntry) {
        key.gray = static_cast<png_uint_16>(fileSample(c, 0, 0, 0));
        key.red = static_cast<png_uint_16>(fileSample(c, 0, 0, 0));
        key.green = static_cast<png_uint_16>(fileSample(c, 0, 0, 1));
        key.blue = static_cast<png_uint_16>(fileSample(c, 0, 0, 2));
        png_set_tRNS(png, info, nullptr, 0, &key);
    }
    png_write_info(png, info);
    if (c.depth < 8)
        png_set_packing(png);
    const int channels = png_get_channels(png, info);
    const int passes = png_set_interlace_handling(png);
    std::vector<png_byte> row(static_cast<std::size_t>(c.width) * channels * 2);
    for (int pass = 0; pass < passes; ++pass)
        for (int y = 0; y < c.height; ++y) {
            for (int x = 0; x < c.width; ++x)
                for (int k = 0; k < channels; ++k) {
                    const int v = fileSample(c, x, y, k);
                    const std::size_t i = static_cast<std::size_t>(x) * channels + k;
                    if (c.depth == 16) {
                        row[2 * i] = static_cast<png_byte>(v >> 8);
                        row[2 * i + 1] = static_cast<png_byte>(v & 255);
                    } else {
                        row[i] = static_cast<png_byte>(v);
                    }
                }
            png_write_row(png, row.data());
        }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
}

class ImagePngTypes : public FileTest {};

TEST_F(ImagePngTypes, EveryColourTypeAndDepthGivesTheFilesSamples)
{
    std::vector<PngCase> cases;
    for (bool interlaced : {false, true}) {
        for (int depth : {1, 2, 4, 8, 16}) {
            cases.push_back({PNG_COLOR_TYPE_GRAY, depth, false, interlaced, 13, 7});
            cases.push_back({PNG_COLOR_TYPE_GRAY, depth, true, interlaced, 5, 3});
        }
        for (int depth : {8, 16}) {
            cases.push_back({PNG_COLOR_TYPE_GRAY_ALPHA, depth, false, interlaced, 5, 3});
            cases.push_back({PNG_COLOR_TYPE_RGB, depth, false, interlaced, 13, 7});
            cases.push_back({PNG_COLOR_TYPE_RGB, depth, true, interlaced, 5, 3});
            cases.push_back({PNG_COLOR_TYPE_RGBA, depth, false, interlaced, 5, 3});
        }
        for (int depth : {1, 2, 4, 8}) {
            cases.push_back({PNG_COLOR_TYPE_PALETTE, depth, false, interlaced, 13, 7});
            cases.push_back({PNG_COLOR_TYPE_PALETTE, depth, true, interlaced, 13, 7});
        }
    }
    cases.push_back({PNG_COLOR_TYPE_RGB, 8, false, false, 1, 1});
    cases.push_back({PNG_COLOR_TYPE_GRAY, 16, false, true, 1, 1});
    cases.push_back({PNG_COLOR_TYPE_RGB, 8, false, false, 4097, 3});
    cases.push_back({PNG_COLOR_TYPE_GRAY, 1, false, true, 4097, 3});

    for (const PngCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << "type " << c.colorType << ", " << c.depth << " bits"
                                          << (c.transparentEntry ? ", tRNS" : "") << (c.interlaced ? ", interlaced" : "")
                                          << ", " << c.width << "x" << c.height);
        const std::string file = path("case.png");
        writeCasePng(file, c);
        Image image(file);

        const bool palette = c.colorType == PNG_COLOR_TYPE_PALETTE;
        const bool alpha = (c.colorType & PNG_COLOR_MASK_ALPHA) || c.transparentEntry;
        const bool gray = !(c.colorType & PNG_COLOR_MASK_COLOR);
        const Image::PixelComponents layout = alpha ? Image::RGBA : gray ? Image::GRAY : Image::RGB;
        ASSERT_EQ(image.getLayout(), layout);
        ASSERT_EQ(image.getPrecision(), c.depth == 16 ? Image::FLOAT : Image::BYTE);
        ASSERT_EQ(image.getWidth(), c.width);
        ASSERT_EQ(image.getHeight(), c.height);
        const int top = c.depth == 16 ? 65535 : 255;
        // Levels below 8 bits are stretched to 0..255 (a 2-bit 1 is 85), 8 and 16 bits kept.
        const auto level = [&](int v) { return c.depth < 8 && !palette ? v * 255 / maxLevel(c.depth) : v; };
        const auto value = [&](int v) { return c.depth == 16 ? double(v / 65535.0f) : double(v); };
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x) {
                double expected[4] = {};
                if (palette) {
                    const int i = fileSample(c, x, y, 0);
                    const png_color e = paletteEntry(i);
                    expected[0] = e.red;
                    expected[1] = e.green;
                    expected[2] = e.blue;
                    expected[3] = i < transparentEntries ? paletteAlpha(i) : 255;
                } else if (gray) {
                    const int g = fileSample(c, x, y, 0);
                    expected[0] = expected[1] = expected[2] = value(level(g));
                    expected[3] = c.colorType == PNG_COLOR_TYPE_GRAY_ALPHA ? value(fileSample(c, x, y, 1))
                                  : g == fileSample(c, 0, 0, 0)            ? 0
                                                                           : value(top);
                } else {
                    bool key = true;
                    for (int k = 0; k < 3; ++k) {
                        expected[k] = value(fileSample(c, x, y, k));
                        key = key && fileSample(c, x, y, k) == fileSample(c, 0, 0, k);
                    }
                    expected[3] = c.colorType == PNG_COLOR_TYPE_RGBA ? value(fileSample(c, x, y, 3))
                                  : key                              ? 0
                                                                     : value(top);
                }
                const int components = Image::formatTable[layout];
                for (int k = 0; k < components; ++k)
                    ASSERT_EQ(stored(image, x, y, k), expected[k]) << x << "," << y << "," << k;
            }
    }
}

// Decodes a JPEG with the library's defaults, as a program using libjpeg alone would.
std::vector<std::uint8_t> libjpegPixels(const Bytes& file, int& width, int& height, int& components)
{
    jpeg_decompress_struct info;
    jpeg_error_mgr error;
    info.err = jpeg_std_error(&error);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&info, TRUE);
    jpeg_start_decompress(&info);
    width = static_cast<int>(info.output_width);
    height = static_cast<int>(info.output_height);
    components = info.output_components;
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * components);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = &pixels[static_cast<std::size_t>(info.output_scanline) * width * components];
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return pixels;
}

TEST(ImageJpeg, PixelsAreThoseLibjpegGivesAndTheCommittedReferencesAgree)
{
    for (const char* name : {"baseline", "progressive", "gray"}) {
        SCOPED_TRACE(name);
        int width = 0, height = 0, components = 0;
        const auto expected = libjpegPixels(readBytes(pictures + name + ".jpg"), width, height, components);
        Image image(pictures + name + ".jpg");
        Image reference(pictures + name + "-decoded.png");
        ASSERT_EQ(image.getWidth(), width);
        ASSERT_EQ(image.getHeight(), height);
        ASSERT_EQ(Image::formatTable[image.getLayout()], components);
        ASSERT_EQ(Image::formatTable[reference.getLayout()], components);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                for (int k = 0; k < components; ++k) {
                    const int e = expected[(static_cast<std::size_t>(y) * width + x) * components + k];
                    ASSERT_EQ(stored(image, x, y, k), e) << x << "," << y << "," << k;
                    ASSERT_EQ(stored(reference, x, y, k), e) << x << "," << y << "," << k;
                }
    }
}

// A write that fails part way (the file-size limit here) leaves the old file and nothing else.
TEST_F(ImageFileSave, AWriteThatFailsPartWayKeepsTheOldFile)
{
    Image old(2, 2, Image::GRAY, Image::BYTE);
    old.setPixel(1, 1, Color::white);
    old.save(path("figure.png"));
    const Bytes before = readBytes(path("figure.png"));

    Image noisy(300, 300, Image::RGB, Image::BYTE);
    for (int i = 0; i < noisy.getTotalElements(); ++i)
        noisy.bytePixels()[i] = static_cast<std::uint8_t>((i * 2654435761u) >> 13);
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string message;
    try {
        noisy.save(path("figure.png"));
    } catch (const Exception& e) {
        message = e.message();
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    EXPECT_EQ(message.rfind(path("figure.png") + ": the PNG file could not be written", 0), 0u) << message;
    EXPECT_EQ(readBytes(path("figure.png")), before);
    EXPECT_EQ(files(), std::vector<std::string>{"figure.png"});
}

#endif

} // namespace
} // namespace Lumidraft
