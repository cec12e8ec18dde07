#include "canvas/timing_log.h"

#include "app/exception.h"
#include "canvas/canvas.h"
#include "files/csv_text.h"
#include "files/timing_svg.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <iostream>
#include <typeinfo>

namespace Lumidraft::detail {

namespace {

constexpr const char* header = "frame,refreshes_asked,flip_ms,interval_ms,missed,tag\n";
// Enough chunk pointers for days of flips at any refresh rate.
constexpr std::size_t maxRowChunks = 1 << 16;
constexpr std::size_t maxChangeChunks = 1 << 12;
// Rows ready before the first flip: over a minute at 240 Hz, before the writer ever runs.
constexpr std::size_t firstRowChunks = 4;

} // namespace

TimingLog::TimingLog(const std::string& path, double refreshPeriodMs)
    : path_(path), periodMs_(refreshPeriodMs), rows_(maxRowChunks, firstRowChunks), changeTexts_(maxChangeChunks, 2)
{
    std::string reason;
    if (!files::makeParentFolders(path, reason) || !file_.open(path, files::RawFile::Mode::replace, reason) ||
        !file_.write(header, reason))
        throw Exception(typeid(Canvas), "FILE ERROR", "Cannot write the timing log \"" + path + "\": " + reason + ".");
    text_.reserve(1 << 16);
    writer_ = std::thread([this] { writerLoop(); });
}

TimingLog::~TimingLog()
{
    finish(std::string());
}

std::string TimingLog::svgPath() const
{
    const std::size_t dot = path_.find_last_of('.');
    const std::size_t slash = path_.find_last_of("/\\");
    const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return (hasExtension ? path_.substr(0, dot) : path_) + ".svg";
}

void TimingLog::setTag(const std::string& text)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (text.empty()) {
        currentTag_ = 0;
        return;
    }
    const auto found = tagIndex_.find(text);
    if (found != tagIndex_.end()) {
        currentTag_ = found->second;
        return;
    }
    const auto index = static_cast<std::uint32_t>(tags_.size());
    tags_.push_back(text);
    tagIndex_.emplace(text, index);
    currentTag_ = index;
}

void TimingLog::append(FlipRow row, const ConsoleChange* changes, std::size_t changeCount) noexcept
{
    if (finished_)
        return;
    row.tag = currentTag_;
    row.firstChange = static_cast<std::uint32_t>(changeTexts_.size());
    row.changes = 0;
    for (std::size_t i = 0; i < changeCount; ++i) {
        ChangeText change;
        static constexpr char prefix[] = "console: ";
        std::memcpy(change.text, prefix, sizeof prefix - 1);
        change.length = static_cast<std::uint32_t>(
            sizeof prefix - 1 + console::describeChange(changes[i], change.text + sizeof prefix - 1,
                                                        sizeof change.text - (sizeof prefix - 1)));
        if (changeTexts_.tryAppend(change))
            ++row.changes;
    }
    if (!rows_.tryAppend(row))
        ++lost_;
}

void TimingLog::writerLoop()
{
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stop_) {
        wake_.wait_for(lock, std::chrono::seconds(1), [this] { return stop_; });
        if (!stop_)
            drainLocked();
    }
}

void TimingLog::appendRowText(std::string& out, const FlipRow& row) const
{
    files::appendInteger(out, row.frame);
    out.push_back(',');
    files::appendInteger(out, row.refreshesAsked);
    out.push_back(',');
    files::appendReal(out, row.flipMs);
    out.push_back(',');
    files::appendReal(out, row.intervalMs);
    out.push_back(',');
    files::appendInteger(out, row.missed);
    out.push_back(',');
    // The tag and the console changes share the column, joined by "; ".
    const std::string& tag = row.tag < tags_.size() ? tags_[row.tag] : tags_[0];
    if (row.changes == 0) {
        files::appendCsvField(out, tag);
    } else {
        std::string joined = tag;
        for (std::uint32_t i = 0; i < row.changes; ++i) {
            const ChangeText& change = changeTexts_[row.firstChange + i];
            if (!joined.empty())
                joined += "; ";
            joined.append(change.text, change.length);
        }
        files::appendCsvField(out, joined);
    }
    out.push_back('\n');
}

void TimingLog::drainLocked()
{
    const std::size_t made = rows_.size();
    if (made > written_ && file_.isOpen()) {
        text_.clear();
        for (std::size_t i = written_; i < made; ++i)
            appendRowText(text_, rows_[i]);
        std::string reason;
        if (!file_.write(text_, reason))
            noteFailure(reason);
    }
    written_ = made;
    // Memory for at least four times what the last second made, so the flips never wait for it.
    const std::size_t lastSecond = made - madeAtLastDrain_;
    madeAtLastDrain_ = made;
    rows_.reserveAhead(std::max<std::size_t>(2 * chunkRows, 4 * lastSecond));
    changeTexts_.reserveAhead(chunkChanges);
}

void TimingLog::noteFailure(const std::string& reason)
{
    if (failure_.empty())
        failure_ = reason;
    file_.close(); // the rest would fail alike; the rows stay in memory for the picture
}

void TimingLog::finish(const std::string& summary) noexcept
{
    if (finished_)
        return;
    finished_ = true;
    try {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        wake_.notify_one();
        if (writer_.joinable())
            writer_.join();

        std::lock_guard<std::mutex> lock(mutex_);
        drainLocked();
        std::string reason;
        if (file_.isOpen() && !file_.sync(reason))
            noteFailure(reason);
        file_.close();
        if (!failure_.empty())
            std::cerr << "Lumidraft: the timing log \"" << path_ << "\" could not be written completely: " << failure_
                      << ".\n";
        if (lost_ > 0)
            std::cerr << "Lumidraft: the timing log \"" << path_ << "\" lost " << lost_
                      << " rows: no memory was ready for them.\n";

        const std::size_t count = rows_.size();
        std::vector<files::TimingPoint> points;
        points.reserve(count);
        for (std::size_t i = 0; i < count; ++i)
            points.push_back({rows_[i].intervalMs, rows_[i].missed});
        if (!files::writeTimingSvg(svgPath(), points, periodMs_, summary, reason))
            std::cerr << "Lumidraft: the timing picture \"" << svgPath() << "\" could not be written: " << reason
                      << ".\n";
    } catch (const std::exception& e) {
        std::cerr << "Lumidraft: the timing log \"" << path_ << "\" could not be finished: " << e.what() << '\n';
    }
}

} // namespace Lumidraft::detail
