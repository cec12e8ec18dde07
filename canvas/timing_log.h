// TimingLog: one row per flip (frame, refreshes asked, the flip's return time, the interval since
// the previous flip, missed refreshes, tag) kept in memory reserved ahead of the flips, and a
// CSV of them with an SVG picture beside it.
//
// The flip only copies a row into memory that is already there: no allocation, no file call. A
// writer thread wakes once a second, writes the rows made since to the CSV and reserves memory
// ahead of the flips (at least the next four seconds' worth, and never less than two chunks).
// So a process killed outright loses at most the rows of its last second; closing, an error
// that ends the run and Escape all write every row and then the SVG. Should the writer ever fall
// so far behind that no memory is ready, the row is dropped and counted rather than delaying the
// flip, and the count is reported when the log closes.
#pragma once

#include "canvas/chunked_log.h"
#include "console/console_changes.h"
#include "files/raw_file.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

namespace Lumidraft::detail {

struct FlipRow {
    std::int64_t frame = 0;
    std::int32_t refreshesAsked = 0;
    std::int32_t missed = 0;
    double flipMs = 0.0;
    double intervalMs = 0.0;
    std::uint32_t tag = 0;         // into the log's tag texts; 0 is no tag
    std::uint32_t firstChange = 0; // console changes that took effect at this flip
    std::uint32_t changes = 0;
};

// "console: Rect Size 500 -> 510", made in the flip without allocating.
struct ChangeText {
    char text[160];
    std::uint32_t length = 0;
};

class TimingLog {
public:
    // Opens (and empties) the CSV and writes its header; raises Exception naming the file when it
    // cannot be written.
    TimingLog(const std::string& path, double refreshPeriodMs);
    ~TimingLog();
    TimingLog(const TimingLog&) = delete;
    TimingLog& operator=(const TimingLog&) = delete;

    // The tag that the following rows carry. Not for the flip: it may allocate.
    void setTag(const std::string& text);
    // The flip: copies the row and the console changes that took effect with it.
    void append(FlipRow row, const ConsoleChange* changes, std::size_t changeCount) noexcept;
    // Writes the remaining rows, syncs and closes the CSV, then writes the SVG with the summary
    // line in its title. Problems go to stderr. Later calls do nothing.
    void finish(const std::string& summary) noexcept;

    const std::string& csvPath() const { return path_; }
    std::string svgPath() const;
    std::size_t rowsLost() const { return lost_; }

private:
    static constexpr std::size_t chunkRows = 4096;
    static constexpr std::size_t chunkChanges = 256;

    void writerLoop();
    // Writes the rows appended since the last call and reserves memory ahead. mutex_ held.
    void drainLocked();
    void appendRowText(std::string& out, const FlipRow& row) const;
    void noteFailure(const std::string& reason);

    std::string path_;
    double periodMs_;
    files::RawFile file_;
    ChunkedLog<FlipRow, chunkRows> rows_;
    ChunkedLog<ChangeText, chunkChanges> changeTexts_;

    // Held by the writer while it writes and by setTag; never by the flip.
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
    std::vector<std::string> tags_{std::string()};
    std::unordered_map<std::string, std::uint32_t> tagIndex_;
    std::size_t written_ = 0;
    std::size_t madeAtLastDrain_ = 0;
    std::string text_;
    std::string failure_;

    // The flip's side.
    std::uint32_t currentTag_ = 0;
    std::size_t lost_ = 0;
    bool finished_ = false;

    std::thread writer_;
};

} // namespace Lumidraft::detail
