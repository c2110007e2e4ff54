// The sweep's memory: segments of blocks, kept by the process for the next
// sweep, counted per sweep by a pool, and put together into layers. The only
// code of the solver with locks, atomics and memory advice.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "analysis/blocks.hpp"

namespace tolp::analysis {

// A segment's memory, aligned to its size so that the system may back it
// with huge pages: the sweep reads blocks all over a layer, and small pages
// would cost a TLB miss on most of those reads. On Linux it is mapped
// directly, so that the alignment costs no address space beyond the segment.
struct SegmentMemory {
    void operator()(Block* segment) const;
    // Throws std::bad_alloc when the system has no memory to give.
    static std::unique_ptr<Block, SegmentMemory> allocate();
};

// Segments that a sweep has given back are kept for the next sweep of the
// process: fresh memory must be cleared by the system before first use,
// which costs a table of many games dearly.
class SegmentCache {
public:
    using Allocate = std::function<std::unique_ptr<Block, SegmentMemory>()>;

    // `allocate` gets a new segment when none is free: the system's memory,
    // or in tests one that fails on purpose.
    explicit SegmentCache(Allocate allocate = SegmentMemory::allocate) : allocate_(std::move(allocate)) {}

    Block* take();
    void give_back(Block* segment);

private:
    Allocate allocate_;
    std::mutex mutex_;
    std::vector<std::unique_ptr<Block, SegmentMemory>> owned_;
    std::vector<Block*> free_;
};

// The process's own cache.
SegmentCache& segment_cache();

// The segments one sweep holds, drawn from a cache; counts them.
class SegmentPool {
public:
    explicit SegmentPool(SegmentCache& cache) : cache_(cache) {}
    Block* take();
    void give_back(Block* segment);
    std::uint64_t peak_bytes() const { return peak_ * SEGMENT_BYTES; }

private:
    SegmentCache& cache_;
    std::mutex mutex_;
    std::uint64_t held_ = 0;
    std::uint64_t peak_ = 0;
};

// The blocks of one layer, by rank, in segments drawn from the pool as the
// first block of each is written.
class Layer {
public:
    Layer(SegmentPool& pool, std::uint64_t sets);
    ~Layer() { release_below(segments_.size()); }
    Layer(const Layer&) = delete;
    Layer& operator=(const Layer&) = delete;

    const Block& at(std::uint64_t rank) const {
        return segments_[rank / SEGMENT_BLOCKS].load(std::memory_order_relaxed)[rank % SEGMENT_BLOCKS];
    }

    Block& for_writing(std::uint64_t rank);

    // Gives back every segment wholly below block `rank`: no one reads them
    // any more.
    void release_below_rank(std::uint64_t rank) { release_below(rank / SEGMENT_BLOCKS); }

private:
    void release_below(std::size_t end);

    SegmentPool& pool_;
    std::vector<std::atomic<Block*>> segments_;
    std::mutex mutex_;
    std::size_t released_ = 0;
};

}  // namespace tolp::analysis
