// Picture files on disk: reading a whole file for the decoders, telling the formats apart, and
// writing a PNG through a temporary file so that an existing file is replaced only by a complete one.
#include "files/codecs.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace Lumidraft::files {

const char* const readableFormats = "PNG or JPEG";

namespace {

constexpr std::uint8_t pngSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};

std::string systemReason()
{
    return std::strerror(errno);
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

std::vector<std::uint8_t> readWholeFile(const std::string& path)
{
    std::error_code ignored;
    if (std::filesystem::is_directory(path, ignored))
        throw PictureError("it is a directory, not a picture file");
    errno = 0;
    File file(std::fopen(path.c_str(), "rb"));
    if (!file)
        throw PictureError("the file cannot be opened (" + systemReason() + ")");
    std::vector<std::uint8_t> bytes;
    std::error_code sizeError;
    const auto expected = std::filesystem::file_size(path, sizeError);
    if (!sizeError)
        bytes.reserve(static_cast<std::size_t>(expected) + 1);
    std::uint8_t chunk[65536];
    for (;;) {
        const std::size_t n = std::fread(chunk, 1, sizeof chunk, file.get());
        bytes.insert(bytes.end(), chunk, chunk + n);
        if (n < sizeof chunk)
            break;
    }
    if (std::ferror(file.get()))
        throw PictureError("the file cannot be read (" + systemReason() + ")");
    return bytes;
}

// A new file beside the target, renamed over it by commit(); removed if never committed.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::string& target) : target_(target)
    {
        static unsigned counter = 0;
        for (int attempt = 0; attempt < 100 && !file_; ++attempt) {
            name_ = target + ".partial-" + std::to_string(processId()) + "-" + std::to_string(++counter);
            errno = 0;
            const int fd = openExclusive(name_);
            if (fd >= 0) {
                file_ = fdopenBinary(fd);
                if (!file_) {
                    closeDescriptor(fd);
                    std::remove(name_.c_str());
                }
            } else if (errno != EEXIST) {
                break;
            }
        }
        if (!file_)
            throw PictureError("the file cannot be created (" + systemReason() + ")");
    }

    ~TemporaryFile()
    {
        if (file_)
            std::fclose(file_);
        if (!committed_)
            std::remove(name_.c_str());
    }

    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    std::FILE* file() const { return file_; }

    void commit()
    {
        const bool flushed = std::fflush(file_) == 0 && !std::ferror(file_);
        errno = 0;
        const bool closed = std::fclose(file_) == 0;
        file_ = nullptr;
        if (!flushed || !closed)
            throw PictureError("the file could not be written (" + systemReason() + ")");
        std::error_code error;
        std::filesystem::rename(name_, target_, error);
        if (error)
            throw PictureError("the file cannot be replaced (" + error.message() + ")");
        committed_ = true;
    }

private:
#ifdef _WIN32
    static int processId() { return _getpid(); }
    static int openExclusive(const std::string& name)
    {
        return _open(name.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
    }
    static std::FILE* fdopenBinary(int fd) { return _fdopen(fd, "wb"); }
    static void closeDescriptor(int fd) { _close(fd); }
#else
    static int processId() { return static_cast<int>(getpid()); }
    static int openExclusive(const std::string& name)
    {
        return open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    }
    static std::FILE* fdopenBinary(int fd) { return fdopen(fd, "wb"); }
    static void closeDescriptor(int fd) { close(fd); }
#endif

    std::string target_;
    std::string name_;
    std::FILE* file_ = nullptr;
    bool committed_ = false;
};

} // namespace

void decodePicture(const std::uint8_t* data, std::size_t size, PictureSink& sink)
{
    if (size == 0)
        throw PictureError("the file is empty");
    if (std::memcmp(data, pngSignature, size < 8 ? size : 8) == 0) {
        if (size < 8)
            throw PictureError("the PNG file is damaged (it ends inside its signature)");
        detail::decodePng(data, size, sink);
        return;
    }
    if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF) {
        detail::decodeJpeg(data, size, sink);
        return;
    }
    throw PictureError(std::string("it is not a picture in a format this reads (") + readableFormats + ")");
}

void readPicture(const std::string& path, PictureSink& sink)
{
    const std::vector<std::uint8_t> bytes = readWholeFile(path);
    decodePicture(bytes.data(), bytes.size(), sink);
}

bool namesPng(const std::string& path)
{
    if (path.size() < 4)
        return false;
    std::string tail = path.substr(path.size() - 4);
    for (char& c : tail)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return tail == ".png";
}

void writePng(const std::string& path, const PictureFormat& format, PictureRows& rows)
{
    TemporaryFile temporary(path);
    detail::encodePng(temporary.file(), format, rows);
    temporary.commit();
}

} // namespace Lumidraft::files
