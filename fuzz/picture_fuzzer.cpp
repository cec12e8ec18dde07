// Damaged and hostile picture files in memory, through the decoders that Image::load uses. The sink
// checks what the decoders promise: the header's format comes first and stays within the limits
// the sink sets, rows arrive once each, top row first, and every sample of a row can be read; a
// refusal is a PictureError, never a crash, a leak or another exception. A file decoded twice
// gives the same samples.
#include "files/picture_codec.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

using namespace Lumidraft::files;

namespace {

// Small enough that a hostile header cannot make the harness itself allocate much.
constexpr long long maxSamples = 1 << 22;

struct Refused {};

void check(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "picture decoder broke its promise: %s\n", what);
        std::abort();
    }
}

class CheckingSink : public PictureSink {
public:
    void accept(const PictureFormat& format) override
    {
        check(!begun_, "accept after begin");
        check(format.width > 0 && format.height > 0, "non-positive size accepted from a header");
        check(format.channels == 1 || format.channels == 3 || format.channels == 4, "channel count");
        check(format.bitDepth == 8 || format.bitDepth == 16, "bit depth");
        if (static_cast<long long>(format.width) * format.height * format.channels > maxSamples)
            throw Refused{};
        format_ = format;
        accepted_ = true;
    }

    void begin() override
    {
        check(accepted_ && !begun_, "begin without accept, or twice");
        begun_ = true;
        rowBytes_ = static_cast<std::size_t>(format_.width) * format_.channels * (format_.bitDepth / 8);
        samples_.assign(rowBytes_ * format_.height, 0);
        seen_.assign(format_.height, false);
    }

    std::uint8_t* rowTarget(int y) override
    {
        checkRow(y);
        if (format_.bitDepth != 8 || (y & 1))
            return nullptr; // half the rows through row(), so both ways are exercised
        seen_[y] = true;
        return samples_.data() + rowBytes_ * y;
    }

    void row(int y, const void* samples) override
    {
        checkRow(y);
        seen_[y] = true;
        // Every byte of the row must be readable: the sanitizer sees a short buffer here.
        std::memcpy(samples_.data() + rowBytes_ * y, samples, rowBytes_);
    }

    bool complete() const
    {
        if (!begun_)
            return false;
        for (bool s : seen_)
            if (!s)
                return false;
        return true;
    }

    const std::vector<std::uint8_t>& samples() const { return samples_; }

private:
    void checkRow(int y)
    {
        check(begun_, "row before begin");
        check(y >= 0 && y < format_.height, "row outside the picture");
    }

    PictureFormat format_;
    bool accepted_ = false, begun_ = false;
    std::size_t rowBytes_ = 0;
    std::vector<std::uint8_t> samples_;
    std::vector<bool> seen_;
};

// The samples of a successful decode, or empty when the file was refused.
bool decode(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& out)
{
    CheckingSink sink;
    try {
        decodePicture(data, size, sink);
    } catch (const PictureError&) {
        return false;
    } catch (const Refused&) {
        return false;
    }
    // Interlaced files deliver rows more than once; what counts is that each arrived.
    check(sink.complete(), "decode reported success with rows missing");
    out = sink.samples();
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::uint8_t> first, second;
    const bool ok = decode(data, size, first);
    const bool again = decode(data, size, second);
    check(ok == again, "the same bytes decoded once and refused once");
    check(first == second, "the same bytes decoded to different samples");
    return 0;
}
