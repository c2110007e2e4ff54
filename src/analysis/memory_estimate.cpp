// The memory a sweep will hold at its peak, worked out before it starts from
// counts of the legal outer sets of each layer.
#include <algorithm>
#include <vector>

#include "analysis/blocks.hpp"
#include "analysis/layered_solver.hpp"

namespace tolp::analysis {
namespace {

// Bytes of the tables a sweep keeps besides its segments (the cube's
// solutions, the masks by r), rounded up.
constexpr std::uint64_t TABLE_BYTES = std::uint64_t{1} << 17;

// at_most(t, k, s): the k-sets of the first t outer numbers whose sum is at
// most s, for every t and k up to the number of outer numbers and every s
// up to the capacity; kept in one flat table.
class SubsetSums {
public:
    SubsetSums(const std::vector<std::int64_t>& outer, std::int64_t capacity)
        : count_(outer.size() + 1), width_(static_cast<std::size_t>(capacity) + 1),
          at_most_(count_ * count_ * width_) {
        // exactly[k][s]: k-sets of the numbers seen so far summing to s.
        std::vector<std::uint64_t> exactly(count_ * width_);
        exactly[0] = 1;
        for (std::size_t t = 0; t < count_; ++t) {
            for (std::size_t k = 0; k < count_; ++k) {
                std::uint64_t running = 0;
                for (std::size_t s = 0; s < width_; ++s) {
                    running += exactly[k * width_ + s];
                    at_most_[(t * count_ + k) * width_ + s] = running;
                }
            }
            if (t + 1 == count_) {
                break;
            }
            const auto v = static_cast<std::size_t>(outer[t]);
            for (std::size_t k = t + 1; k >= 1; --k) {
                for (std::size_t s = width_; s-- > v;) {
                    exactly[k * width_ + s] += exactly[(k - 1) * width_ + s - v];
                }
            }
        }
    }

    // The k-sets of the first t outer numbers with sum at most `most`.
    std::uint64_t operator()(std::int64_t k, std::size_t t, std::int64_t most) const {
        if (k < 0 || most < 0) {
            return 0;
        }
        const auto s = std::min(static_cast<std::size_t>(most), width_ - 1);
        return at_most_[(t * count_ + static_cast<std::size_t>(k)) * width_ + s];
    }

private:
    std::size_t count_;
    std::size_t width_;
    std::vector<std::uint64_t> at_most_;
};

}  // namespace

std::uint64_t memory_needed(const Position& position, unsigned threads) {
    // Layers are counted in legal sets X (sum at most the capacity). While
    // the sweep of layer p stands at a set X with largest element M and
    // second largest M2, it holds the sets of layer p up to there and those
    // of layer p+1 that a later set may still read: whose largest element is
    // above M, or is M with the second from M2 on.
    const std::size_t inner = std::min(INNER, position.untaken.size());
    const std::vector<std::int64_t> outer(position.untaken.begin() + static_cast<std::ptrdiff_t>(inner),
                                          position.untaken.end());
    const std::int64_t m = static_cast<std::int64_t>(outer.size());
    const std::int64_t cap = position.capacity;
    const SubsetSums subset_sums(outer, cap);
    const auto sets = [&](std::int64_t k, std::int64_t t, std::int64_t most) {
        return subset_sums(k, static_cast<std::size_t>(t), most);
    };
    const auto o = [&](std::int64_t i) { return outer[static_cast<std::size_t>(i)]; };

    std::uint64_t peak_sets = 1;
    for (std::int64_t p = 0; p < m; ++p) {
        const std::uint64_t upper_layer = sets(p + 1, m, cap);
        if (p == 0) {
            peak_sets = std::max(peak_sets, upper_layer + 1);
            continue;
        }
        for (std::int64_t top = p - 1; top < m; ++top) {
            // Sets of layer p+1 by largest element, from `top` up.
            std::uint64_t upper_above = 0;
            for (std::int64_t t = top + 1; t < m; ++t) {
                upper_above += sets(p, t, cap - o(t));
            }
            std::uint64_t lower_before = 0;
            for (std::int64_t t = 0; t < top; ++t) {
                lower_before += sets(p - 1, t, cap - o(t));
            }
            if (p == 1) {
                peak_sets = std::max(peak_sets, lower_before + 1 + upper_above + sets(p, top, cap - o(top)));
                continue;
            }
            for (std::int64_t second = p - 2; second < top; ++second) {
                std::uint64_t lower = lower_before;
                for (std::int64_t t = 0; t <= second; ++t) {
                    lower += sets(p - 2, t, cap - o(top) - o(t));
                }
                std::uint64_t upper = upper_above;
                for (std::int64_t t = second; t < top; ++t) {
                    upper += sets(p - 1, t, cap - o(top) - o(t));
                }
                peak_sets = std::max(peak_sets, lower + upper);
            }
        }
    }
    // Segments hold sets by rank, legal or not, and each thread may hold the
    // frontier back by a chunk: a margin for both.
    const std::uint64_t blocks = peak_sets + peak_sets / 8 + 2 * (threads + 2) * (SEGMENT_BLOCKS + CHUNK);
    return blocks * sizeof(Block) + TABLE_BYTES;
}

}  // namespace tolp::analysis
