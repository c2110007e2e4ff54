// Segments of blocks: allocation with huge-page advice, the process's cache
// of segments, a sweep's pool, and the layers built from them.
#include "analysis/segments.hpp"

#include <algorithm>
#include <new>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace tolp::analysis {

#ifdef __linux__

// Twice the segment is mapped, then all but an aligned segment within it is
// unmapped again. (An aligned operator new would keep the whole twice
// mapped, doubling the address space a run needs.)
std::unique_ptr<Block, SegmentMemory> SegmentMemory::allocate() {
    constexpr std::size_t bytes = SEGMENT_BYTES;
    void* mapped = mmap(nullptr, 2 * bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) {
        throw std::bad_alloc();
    }
    const auto start = reinterpret_cast<std::uintptr_t>(mapped);
    const std::uintptr_t aligned = (start + bytes - 1) / bytes * bytes;
    if (aligned > start) {
        munmap(mapped, aligned - start);
    }
    if (const std::uintptr_t tail = start + 2 * bytes - (aligned + bytes); tail > 0) {
        munmap(reinterpret_cast<void*>(aligned + bytes), tail);
    }
    void* memory = reinterpret_cast<void*>(aligned);
    madvise(memory, bytes, MADV_HUGEPAGE);  // a hint; without it, small pages
    return std::unique_ptr<Block, SegmentMemory>(static_cast<Block*>(memory));
}

void SegmentMemory::operator()(Block* segment) const { munmap(segment, SEGMENT_BYTES); }

#else

namespace {
constexpr std::align_val_t SEGMENT_ALIGNMENT{SEGMENT_BYTES};
}  // namespace

std::unique_ptr<Block, SegmentMemory> SegmentMemory::allocate() {
    return std::unique_ptr<Block, SegmentMemory>(static_cast<Block*>(::operator new(SEGMENT_BYTES, SEGMENT_ALIGNMENT)));
}

void SegmentMemory::operator()(Block* segment) const { ::operator delete(segment, SEGMENT_ALIGNMENT); }

#endif

Block* SegmentCache::take() {
    const std::lock_guard lock(mutex_);
    if (free_.empty()) {
        owned_.reserve(owned_.size() + 1);  // nothing to undo if the allocation below fails
        free_.reserve(owned_.size() + 1);   // nor when the segment comes back
        owned_.push_back(allocate_());
        return owned_.back().get();
    }
    Block* segment = free_.back();
    free_.pop_back();
    return segment;
}

void SegmentCache::give_back(Block* segment) {
    const std::lock_guard lock(mutex_);
    free_.push_back(segment);
}

SegmentCache& segment_cache() {
    static SegmentCache cache;
    return cache;
}

Block* SegmentPool::take() {
    Block* segment = cache_.take();
    const std::lock_guard lock(mutex_);
    peak_ = std::max(peak_, ++held_);
    return segment;
}

void SegmentPool::give_back(Block* segment) {
    cache_.give_back(segment);
    const std::lock_guard lock(mutex_);
    --held_;
}

Layer::Layer(SegmentPool& pool, std::uint64_t sets)
    : pool_(pool), segments_((sets + SEGMENT_BLOCKS - 1) / SEGMENT_BLOCKS) {}

Block& Layer::for_writing(std::uint64_t rank) {
    std::atomic<Block*>& slot = segments_[rank / SEGMENT_BLOCKS];
    Block* segment = slot.load(std::memory_order_acquire);
    if (segment == nullptr) {
        const std::lock_guard lock(mutex_);
        segment = slot.load(std::memory_order_relaxed);
        if (segment == nullptr) {
            segment = pool_.take();
            slot.store(segment, std::memory_order_release);
        }
    }
    return segment[rank % SEGMENT_BLOCKS];
}

void Layer::release_below(std::size_t end) {
    const std::lock_guard lock(mutex_);
    for (; released_ < std::min(end, segments_.size()); ++released_) {
        if (Block* segment = segments_[released_].exchange(nullptr)) {
            pool_.give_back(segment);
        }
    }
}

}  // namespace tolp::analysis
