// ChunkedLog: an append-only list in fixed-size chunks that one thread fills without allocating
// while another thread reads what was appended and allocates the chunks ahead of the filler.
// Appended items never move, so the reader needs no lock: the count is published with release
// and read with acquire.
#pragma once

#include <atomic>
#include <cstddef>
#include <memory>

namespace Lumidraft::detail {

template <typename T, std::size_t ChunkItems>
class ChunkedLog {
public:
    ChunkedLog(std::size_t maxChunks, std::size_t firstChunks)
        : table_(std::make_unique<std::unique_ptr<T[]>[]>(maxChunks)), maxChunks_(maxChunks)
    {
        reserveAhead(firstChunks * ChunkItems);
    }
    ChunkedLog(const ChunkedLog&) = delete;
    ChunkedLog& operator=(const ChunkedLog&) = delete;

    // The filling thread. false when no chunk is ready for the item: it is not kept.
    bool tryAppend(const T& item) noexcept
    {
        const std::size_t i = size_.load(std::memory_order_relaxed);
        const std::size_t chunk = i / ChunkItems;
        if (chunk >= ready_.load(std::memory_order_acquire))
            return false;
        table_[chunk][i % ChunkItems] = item;
        size_.store(i + 1, std::memory_order_release);
        return true;
    }

    // Any thread: the items appended so far, each readable once counted.
    std::size_t size() const noexcept { return size_.load(std::memory_order_acquire); }
    const T& operator[](std::size_t i) const noexcept { return table_[i / ChunkItems][i % ChunkItems]; }

    // One thread at a time (the reader): allocates chunks until `items` more fit after the
    // current end, within the chunk limit.
    void reserveAhead(std::size_t items)
    {
        const std::size_t wanted = size() + items;
        std::size_t ready = ready_.load(std::memory_order_relaxed);
        while (ready * ChunkItems < wanted && ready < maxChunks_) {
            table_[ready] = std::make_unique<T[]>(ChunkItems);
            ready_.store(++ready, std::memory_order_release);
        }
    }

    std::size_t capacity() const noexcept { return ready_.load(std::memory_order_acquire) * ChunkItems; }

private:
    std::unique_ptr<std::unique_ptr<T[]>[]> table_;
    std::size_t maxChunks_;
    std::atomic<std::size_t> ready_{0};
    std::atomic<std::size_t> size_{0};
};

} // namespace Lumidraft::detail
