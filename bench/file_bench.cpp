// Loading pictures into an Image against decoding the same files with libpng alone into a plain
// buffer (png_read_image, no transformations but palette and byte order left as stored), both
// from the file on disk, in the same run. Two files of 1920 x 1080: an 8-bit RGB picture and a
// 16-bit grey one (loaded as FLOAT), with smooth shading, edges and fine noise like a photograph.
// Rounds alternate the two sides so that a drift in the shared machine's speed touches both.
// Goal: Image load <= 1.15 x the libpng decode, for each file.
#include "image/image.h"

#include "bench/bench_support.h"

#include <benchmark/benchmark.h>
#include <png.h>

#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using Lumidraft::Image;

constexpr int width = 1920;
constexpr int height = 1080;

std::string directory()
{
    static const std::string dir = [] {
        const auto path = std::filesystem::temp_directory_path() / "lumidraft-file-bench";
        std::filesystem::create_directories(path);
        return path.string();
    }();
    return dir;
}

// Deterministic noise in [0, 1).
double noise(unsigned x, unsigned y, unsigned k)
{
    unsigned h = x * 374761393u + y * 668265263u + k * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return ((h ^ (h >> 16)) & 0xFFFF) / 65536.0;
}

double scene(int x, int y, int k)
{
    const double u = x / double(width), v = y / double(height);
    double s = 0.5 + 0.3 * std::sin(6.0 * u + 2.0 * k) * std::cos(4.0 * v - k);
    if ((x / 240 + y / 180) % 2 == 0)
        s = 0.8 * s + 0.15; // blocks with sharp edges
    return std::fmin(1.0, std::fmax(0.0, s + 0.02 * (noise(x, y, k) - 0.5)));
}

const std::string& rgbFile()
{
    static const std::string path = [] {
        Image image(width, height, Image::RGB, Image::BYTE);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                for (int k = 0; k < 3; ++k)
                    image.bytePixels()[(height - 1 - y) * image.getLineElements() + x * 3 + k] =
                        static_cast<std::uint8_t>(scene(x, y, k) * 255.0 + 0.5);
        const std::string file = directory() + "/rgb8.png";
        image.save(file);
        return file;
    }();
    return path;
}

const std::string& grayFile()
{
    static const std::string path = [] {
        Image image(width, height, Image::GRAY, Image::FLOAT);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                image.floatPixels()[(height - 1 - y) * image.getLineElements() + x] =
                    static_cast<float>(scene(x, y, 1));
        const std::string file = directory() + "/gray16.png";
        image.save(file);
        return file;
    }();
    return path;
}

// libpng alone: the whole picture into one plain buffer. Returns false on a libpng error.
bool decodeWithLibpng(const char* path, std::vector<png_byte>& pixels, std::vector<png_bytep>& rows)
{
    std::FILE* file = std::fopen(path, "rb");
    if (!file)
        return false;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_read_info(png, info);
    png_read_update_info(png, info);
    const png_size_t rowBytes = png_get_rowbytes(png, info);
    const png_uint_32 h = png_get_image_height(png, info);
    pixels.resize(rowBytes * h);
    rows.resize(h);
    for (png_uint_32 y = 0; y < h; ++y)
        rows[y] = pixels.data() + rowBytes * y;
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    return true;
}

void loadImage(benchmark::State& state, const std::string& (*file)())
{
    const std::string& path = file();
    for (auto _ : state) {
        Image image(path);
        benchmark::DoNotOptimize(image.bytePixels());
    }
}

void decodeLibpng(benchmark::State& state, const std::string& (*file)())
{
    const std::string& path = file();
    for (auto _ : state) {
        // Fresh buffers each time, as a load makes a fresh image.
        std::vector<png_byte> pixels;
        std::vector<png_bytep> rows;
        if (!decodeWithLibpng(path.c_str(), pixels, rows))
            state.SkipWithError("libpng could not decode the file");
        benchmark::DoNotOptimize(pixels.data());
    }
}

double medianTime(const Lumidraft::bench::TotalsReporter& reporter, const std::string& name, int rounds)
{
    std::vector<double> times;
    for (int r = 0; r < rounds; ++r) {
        const auto t = reporter.total(name + "/" + std::to_string(r));
        if (t.iterations > 0)
            times.push_back(t.cpu / t.iterations);
    }
    return Lumidraft::bench::median(times);
}

} // namespace

int main(int argc, char** argv)
{
    constexpr int rounds = 5;
    const struct {
        const char* name;
        const std::string& (*file)();
        const char* measure;
    } pictures[] = {
        {"rgb8", rgbFile, "load 1920x1080 RGB PNG / libpng decode"},
        {"gray16", grayFile, "load 1920x1080 16-bit grey PNG (FLOAT) / libpng decode"},
    };
    for (int r = 0; r < rounds; ++r)
        for (std::size_t i : Lumidraft::bench::roundOrder(r, 2 * std::size(pictures))) {
            // ours and libpng for each picture, next to each other
            const auto& p = pictures[i / 2];
            const auto file = p.file;
            if (i % 2 == 0)
                benchmark::RegisterBenchmark((std::string("image_") + p.name + "/" + std::to_string(r)).c_str(),
                                             [file](benchmark::State& s) { loadImage(s, file); })
                    ->MinTime(0.3)->Unit(benchmark::kMillisecond);
            else
                benchmark::RegisterBenchmark((std::string("libpng_") + p.name + "/" + std::to_string(r)).c_str(),
                                             [file](benchmark::State& s) { decodeLibpng(s, file); })
                    ->MinTime(0.3)->Unit(benchmark::kMillisecond);
        }
    benchmark::Initialize(&argc, argv);
    Lumidraft::bench::TotalsReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    std::printf("\nCPU time per load, median of %d rounds:\n", rounds);
    for (const auto& p : pictures) {
        const double ours = medianTime(reporter, std::string("image_") + p.name, rounds) * 1e3;
        const double baseline = medianTime(reporter, std::string("libpng_") + p.name, rounds) * 1e3;
        Lumidraft::bench::printGoal(p.measure, ours, baseline, "ms", 1.15);
    }
    benchmark::Shutdown();
    std::filesystem::remove_all(directory());
    return 0;
}
