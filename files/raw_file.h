// RawFile: a file written straight through to the operating system, one system write per call,
// so that whatever a call wrote survives the process being killed. Also the folder and
// whole-file helpers that the data and timing files share.
#pragma once

#include <string>
#include <string_view>

namespace Lumidraft::files {

class RawFile {
public:
    enum class Mode {
        replace,   // create, or empty an existing file
        createNew, // fail when the file exists already
    };

    RawFile() = default;
    ~RawFile();
    RawFile(RawFile&& other) noexcept;
    RawFile& operator=(RawFile&& other) noexcept;
    RawFile(const RawFile&) = delete;
    RawFile& operator=(const RawFile&) = delete;

    // false on failure, with the system's reason in `reason`; `exists` tells a createNew refused
    // because the file was there.
    bool open(const std::string& path, Mode mode, std::string& reason, bool* exists = nullptr);
    bool isOpen() const { return fd_ >= 0; }
    // Hands the whole text to the system; a partial write is continued. false on failure.
    bool write(std::string_view text, std::string& reason);
    // Asks the system to put the file's data on the disk.
    bool sync(std::string& reason);
    void close() noexcept;

private:
    int fd_ = -1;
};

// Creates the folder that will hold `path` (and the folders above it) when missing.
bool makeParentFolders(const std::string& path, std::string& reason);
bool pathExists(const std::string& path);
// Writes the text to a temporary file beside `path`, syncs it and renames it over `path`, so the
// file is either the old one or the new one, never a half-written one.
bool replaceWholeFile(const std::string& path, std::string_view text, std::string& reason);
// The system's text for an error number.
std::string systemErrorText(int error);

} // namespace Lumidraft::files
