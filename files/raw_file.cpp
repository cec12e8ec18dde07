// POSIX file calls, with the C runtime's equivalents on Windows.
#include "files/raw_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

#if defined(_WIN32)
#include <io.h>
#include <fcntl.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace Lumidraft::files {

namespace {

#if defined(_WIN32)
int openFile(const char* path, int flags) { return ::_open(path, flags | _O_BINARY, _S_IREAD | _S_IWRITE); }
constexpr int createFlags = _O_WRONLY | _O_CREAT;
constexpr int truncateFlag = _O_TRUNC;
constexpr int exclusiveFlag = _O_EXCL;
long writeSome(int fd, const char* data, std::size_t size)
{
    const unsigned chunk = size > 0x40000000u ? 0x40000000u : static_cast<unsigned>(size);
    return ::_write(fd, data, chunk);
}
int syncFile(int fd) { return ::_commit(fd); }
int closeFile(int fd) { return ::_close(fd); }
#else
int openFile(const char* path, int flags) { return ::open(path, flags | O_CLOEXEC, 0666); }
constexpr int createFlags = O_WRONLY | O_CREAT;
constexpr int truncateFlag = O_TRUNC;
constexpr int exclusiveFlag = O_EXCL;
long writeSome(int fd, const char* data, std::size_t size) { return static_cast<long>(::write(fd, data, size)); }
int syncFile(int fd) { return ::fsync(fd); }
int closeFile(int fd) { return ::close(fd); }
#endif

} // namespace

std::string systemErrorText(int error)
{
    return std::generic_category().message(error);
}

RawFile::~RawFile()
{
    close();
}

RawFile::RawFile(RawFile&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

RawFile& RawFile::operator=(RawFile&& other) noexcept
{
    if (this != &other) {
        close();
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

bool RawFile::open(const std::string& path, Mode mode, std::string& reason, bool* exists)
{
    close();
    if (exists)
        *exists = false;
    const int flags = createFlags | (mode == Mode::createNew ? exclusiveFlag : truncateFlag);
    fd_ = openFile(path.c_str(), flags);
    if (fd_ < 0) {
        const int error = errno;
        if (exists)
            *exists = error == EEXIST;
        reason = systemErrorText(error);
        return false;
    }
    return true;
}

bool RawFile::write(std::string_view text, std::string& reason)
{
    const char* data = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        const long written = writeSome(fd_, data, left);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            reason = systemErrorText(errno);
            return false;
        }
        data += written;
        left -= static_cast<std::size_t>(written);
    }
    return true;
}

bool RawFile::sync(std::string& reason)
{
    if (syncFile(fd_) != 0) {
        reason = systemErrorText(errno);
        return false;
    }
    return true;
}

void RawFile::close() noexcept
{
    if (fd_ >= 0)
        closeFile(fd_);
    fd_ = -1;
}

bool makeParentFolders(const std::string& path, std::string& reason)
{
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (parent.empty())
        return true;
    std::error_code error;
    std::filesystem::create_directories(parent, error);
    if (error) {
        reason = error.message();
        return false;
    }
    return true;
}

bool pathExists(const std::string& path)
{
    std::error_code error;
    return std::filesystem::exists(std::filesystem::path(path), error);
}

bool replaceWholeFile(const std::string& path, std::string_view text, std::string& reason)
{
    const std::string temporary = path + ".part";
    RawFile file;
    if (!file.open(temporary, RawFile::Mode::replace, reason))
        return false;
    if (!file.write(text, reason) || !file.sync(reason)) {
        file.close();
        std::remove(temporary.c_str());
        return false;
    }
    file.close();
    std::error_code error;
    std::filesystem::rename(temporary, path, error);
    if (error) {
        reason = error.message();
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

} // namespace Lumidraft::files
