// What a sweep will hold at its peak, worked out before it starts. A layer's
// blocks are kept by colex rank in segments, and a segment is allocated when
// the sweep writes its first legal block, so the estimate finds, segment by
// segment, whether any outer set of its ranks is legal, and then follows the
// sweep through each layer: the segments of the layer written so far, and
// those of the layer above that it has not yet given back.
#include <algorithm>
#include <limits>
#include <vector>

#include "analysis/blocks.hpp"
#include "analysis/colex.hpp"
#include "analysis/layered_solver.hpp"

namespace tolp::analysis {
namespace {

// Resident bytes of a sweep besides its segments and its masks by r: the
// cube's solutions and the other tables, rounded up.
constexpr std::uint64_t TABLE_BYTES = std::uint64_t{1} << 17;

// Address space that each thread of a run maps besides the segments: its
// stack (8 MiB by default on Linux) and the C library's memory arena for the
// thread (64 MiB reserved on 64-bit Linux), with room to spare.
constexpr std::uint64_t THREAD_ADDRESS_SPACE = std::uint64_t{80} << 20;

constexpr MemoryNeed BEYOND_REACH{std::numeric_limits<std::uint64_t>::max(),
                                  std::numeric_limits<std::uint64_t>::max()};

// The outer numbers of a position, and the sums of their smallest ones.
class OuterNumbers {
public:
    explicit OuterNumbers(const Position& position)
        : values_(position.untaken.begin() + static_cast<std::ptrdiff_t>(std::min(INNER, position.untaken.size())),
                  position.untaken.end()),
          smallest_(values_.size() + 1, 0) {
        for (std::size_t k = 0; k < values_.size(); ++k) {
            smallest_[k + 1] = smallest_[k] + values_[k];
        }
    }

    std::size_t count() const { return values_.size(); }

    // The smallest sum of a set of `size` outer numbers whose colex rank
    // lies in [lo, hi), lo < hi. The set at rank lo has largest element e;
    // the sets of that largest element fill the ranks [C(e, size),
    // C(e + 1, size)), and within them the rest is again ranked in colex
    // order, one size smaller. When [lo, hi) reaches past them, it holds the
    // first set of the next largest element, e + 1 with the smallest others,
    // which is the smallest of all the sets beyond.
    std::int64_t smallest_sum(std::uint64_t lo, std::uint64_t hi, std::size_t size) const {
        std::int64_t fixed = 0;  // the sum of the largest elements chosen so far
        std::int64_t best = std::numeric_limits<std::int64_t>::max();
        for (; size > 0; --size) {
            std::size_t e = size - 1;
            while (binomial(e + 1, size) <= lo) {
                ++e;
            }
            const std::uint64_t first = binomial(e, size);
            const std::uint64_t beyond = binomial(e + 1, size);
            if (hi > beyond) {
                best = std::min(best, fixed + smallest_[size - 1] + values_[e + 1]);
                hi = beyond;
            }
            fixed += values_[e];
            lo -= first;
            hi -= first;
        }
        return std::min(best, fixed);
    }

private:
    std::vector<std::int64_t> values_;    // ascending
    std::vector<std::int64_t> smallest_;  // smallest_[k]: the sum of the k smallest
};

// For each segment of the layer of `size`-sets: whether it holds a legal set.
std::vector<bool> legal_segments(const OuterNumbers& outer, std::size_t size, std::int64_t capacity) {
    const std::uint64_t sets = binomial(outer.count(), size);
    std::vector<bool> legal((sets + SEGMENT_BLOCKS - 1) / SEGMENT_BLOCKS);
    for (std::size_t k = 0; k < legal.size(); ++k) {
        const std::uint64_t lo = k * SEGMENT_BLOCKS;
        legal[k] = outer.smallest_sum(lo, std::min(sets, lo + SEGMENT_BLOCKS), size) <= capacity;
    }
    return legal;
}

// held_from[i]: the legal segments of a layer from segment i on.
std::vector<std::uint64_t> counts_from(const std::vector<bool>& legal) {
    std::vector<std::uint64_t> held_from(legal.size() + 1, 0);
    for (std::size_t i = legal.size(); i-- > 0;) {
        held_from[i] = held_from[i + 1] + (legal[i] ? 1u : 0u);
    }
    return held_from;
}

}  // namespace

MemoryNeed memory_needed(const Position& position, unsigned threads) {
    const OuterNumbers outer(position);
    const std::size_t outer_count = outer.count();
    if (outer_count > MAX_OUTER) {
        return BEYOND_REACH;
    }
    // While the sweep of layer p writes the segment of rank R, it holds the
    // segments of layer p written so far and those of the layer above from
    // where its slowest thread still reads: from the lowest child rank of
    // the set at rank R, or with several threads, at most MAX_SKEW_CHUNKS
    // chunks before it.
    std::uint64_t peak_segments = 0;
    std::vector<std::uint64_t> above_from;  // of the layer above; empty for the top layer
    for (std::size_t p = outer_count + 1; p-- > 0;) {
        const std::vector<bool> legal = legal_segments(outer, p, position.capacity);
        const std::uint64_t chunks = (binomial(outer_count, p) + CHUNK - 1) / CHUNK;
        const std::uint64_t lag = std::min<std::uint64_t>(threads, chunks) > 1 ? MAX_SKEW_CHUNKS * CHUNK : 0;
        std::uint64_t written = 0;  // legal segments of this layer up to the current one
        for (std::size_t k = 0; k < legal.size(); ++k) {
            written += legal[k] ? 1u : 0u;
            std::uint64_t above = 0;
            if (!above_from.empty()) {
                const std::uint64_t slowest = k * SEGMENT_BLOCKS > lag ? k * SEGMENT_BLOCKS - lag : 0;
                const std::uint64_t dead = lowest_child_rank(outer_set(unrank(slowest, p)));
                above = above_from[std::min<std::uint64_t>(dead / SEGMENT_BLOCKS, above_from.size() - 1)];
            }
            peak_segments = std::max(peak_segments, written + above);
        }
        above_from = counts_from(legal);
    }
    // The masks by r: one block for each r up to the largest sum of inner
    // numbers that fits.
    std::int64_t inner_sum = 0;
    for (std::size_t i = 0; i < std::min(INNER, position.untaken.size()); ++i) {
        inner_sum += position.untaken[i];
    }
    const auto masks = static_cast<std::uint64_t>(std::min(inner_sum, position.capacity)) + 1;
    const std::uint64_t resident = peak_segments * SEGMENT_BYTES + masks * sizeof(Block) + TABLE_BYTES;
    return {resident, resident + threads_used(position, threads) * THREAD_ADDRESS_SPACE};
}

}  // namespace tolp::analysis
