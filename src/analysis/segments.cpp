// Segments of blocks: allocation with huge-page advice, the process's cache
// of segments, a sweep's pool, and the layers built from them.
#include "analysis/segments.hpp"

#include <algorithm>
#include <new>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace tolp::analysis {
namespace {

constexpr std::align_val_t SEGMENT_ALIGNMENT{SEGMENT_BYTES};

}  // namespace

void SegmentMemory::operator()(Block* segment) const { ::operator delete(segment, SEGMENT_ALIGNMENT); }

std::unique_ptr<Block, SegmentMemory> SegmentMemory::allocate() {
    void* memory = ::operator new(SEGMENT_BYTES, SEGMENT_ALIGNMENT);
#ifdef __linux__
    madvise(memory, SEGMENT_BYTES, MADV_HUGEPAGE);  // a hint; without it, small pages
#endif
    return std::unique_ptr<Block, SegmentMemory>(static_cast<Block*>(memory));
}

Block* SegmentCache::take() {
    const std::lock_guard lock(mutex_);
    if (free_.empty()) {
        owned_.push_back(SegmentMemory::allocate());
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
    Block* segment = segment_cache().take();
    const std::lock_guard lock(mutex_);
    peak_ = std::max(peak_, ++held_);
    return segment;
}

void SegmentPool::give_back(Block* segment) {
    segment_cache().give_back(segment);
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
