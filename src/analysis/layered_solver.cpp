// The layered solver. A set T of taken numbers is legal while its sum is at
// most the capacity (the pile minus 1); T is won for the side to move when
// some legal T + k is lost. The ten smallest untaken numbers are the inner
// numbers: one 1024-bit block holds every T with the same outer part X (the
// other numbers), bit s for the inner subset s, 1 for won. Blocks are grouped
// in layers by |X| and swept from the largest layer down, so that every
// block reads only blocks of the layer above it. Within a layer the sets X
// are ranked in colex order; memory comes in segments that go back to a
// pool once the sweep has passed every block they hold.
#include "analysis/layered_solver.hpp"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <chrono>
#include <limits>
#include <memory>
#include <mutex>
#include <new>
#include <thread>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace tolp::analysis {
namespace {

constexpr int INNER = 10;                 // numbers in a block's cube
constexpr int WORDS = 1 << (INNER - 6);   // 64-bit words of a block
constexpr std::uint32_t POSITIONS = 1u << INNER;
constexpr int MAX_OUTER = 32;

struct alignas(128) Block {
    std::array<std::uint64_t, WORDS> word;
};

constexpr std::uint64_t SEGMENT_BLOCKS = 32768;  // 2 MiB, one huge page
constexpr std::uint64_t SEGMENT_BYTES = SEGMENT_BLOCKS * sizeof(Block);
constexpr std::uint64_t CHUNK = 512;  // sets of one layer per unit of a thread's work
constexpr std::uint64_t AHEAD = 2;    // blocks whose children are fetched ahead of use

// C(a, b) for 0 <= a <= MAX_OUTER and 0 <= b <= MAX_OUTER + 2.
class Binomials {
public:
    constexpr Binomials() {
        for (std::size_t a = 0; a < table_.size(); ++a) {
            table_[a][0] = 1;
            for (std::size_t b = 1; b < table_[a].size(); ++b) {
                table_[a][b] = a == 0 ? 0 : table_[a - 1][b - 1] + table_[a - 1][b];
            }
        }
    }
    constexpr std::uint64_t operator()(int a, int b) const {
        return table_[static_cast<std::size_t>(a)][static_cast<std::size_t>(b)];
    }

private:
    std::array<std::array<std::uint64_t, MAX_OUTER + 3>, MAX_OUTER + 1> table_{};
};

constexpr Binomials binomial;

// Solves a cube of four inner numbers (16 positions) given, for each
// position, whether it is already won by a move outside the cube: a
// position is won when that says so or some move inside the cube leads to a
// lost position. Indexed by the 16 outside bits.
const std::vector<std::uint16_t>& cube_solutions() {
    static const std::vector<std::uint16_t> table = [] {
        std::vector<std::uint16_t> solved(1 << 16);
        for (std::uint32_t outside = 0; outside < (1u << 16); ++outside) {
            std::uint32_t won = 0;
            for (int s = 15; s >= 0; --s) {
                bool wins = ((outside >> s) & 1) != 0;
                for (int a = 0; a < 4 && !wins; ++a) {
                    const int child = s | (1 << a);
                    wins = child != s && ((won >> child) & 1) == 0;
                }
                won |= static_cast<std::uint32_t>(wins) << s;
            }
            solved[outside] = static_cast<std::uint16_t>(won);
        }
        return solved;
    }();
    return table;
}

// Solves the 64 positions of one word (the first six inner numbers) given
// which of them are already won from outside it, quarter by quarter.
inline std::uint64_t solve_word(std::uint64_t outside) {
    const auto& cube = cube_solutions();
    const auto quarter = [](std::uint64_t bits) { return static_cast<std::size_t>(bits & 0xffff); };
    const std::uint64_t q3 = cube[quarter(outside >> 48)];
    const std::uint64_t q2 = cube[quarter((outside >> 32) | ~q3)];
    const std::uint64_t q1 = cube[quarter((outside >> 16) | ~q3)];
    const std::uint64_t q0 = cube[quarter(outside | ~q1 | ~q2)];
    return q3 << 48 | q2 << 32 | q1 << 16 | q0;
}

// A set of outer numbers, as a bit mask of their indices, and its elements.
struct OuterSet {
    std::uint32_t mask;
    int size;
    std::array<int, MAX_OUTER> element;  // ascending indices
};

OuterSet outer_set(std::uint32_t mask) {
    OuterSet x;  // elements past `size` are never read
    x.mask = mask;
    x.size = 0;
    for (std::uint32_t rest = mask; rest != 0; rest &= rest - 1) {
        x.element[static_cast<std::size_t>(x.size++)] = std::countr_zero(rest);
    }
    return x;
}

// The set of `size` elements with colex rank `rank`.
std::uint32_t unrank(std::uint64_t rank, int size) {
    std::uint32_t mask = 0;
    for (int i = size; i >= 1; --i) {
        int x = i - 1;
        while (binomial(x + 1, i) <= rank) {
            ++x;
        }
        mask |= std::uint32_t{1} << x;
        rank -= binomial(x, i);
    }
    return mask;
}

// The next set of the same size in colex order.
std::uint32_t next_in_colex(std::uint32_t mask) {
    const std::uint32_t lowest = mask & (~mask + 1);
    const std::uint32_t ripple = mask + lowest;
    return (((ripple ^ mask) >> 2) >> std::countr_zero(lowest)) | ripple;
}

// No child X + {j} of any set from X on in colex order ranks below this:
// the rank X would have with every element one place higher.
std::uint64_t lowest_child_rank(const OuterSet& x) {
    std::uint64_t rank = 0;
    for (int i = 0; i < x.size; ++i) {
        rank += binomial(x.element[static_cast<std::size_t>(i)], i + 2);
    }
    return rank;
}

// A segment's memory, aligned to its size so that the system may back it
// with one huge page: the sweep reads blocks all over a layer, and small
// pages would cost a TLB miss on most of those reads.
struct SegmentMemory {
    static constexpr std::align_val_t ALIGNMENT{SEGMENT_BYTES};
    void operator()(Block* segment) const { ::operator delete(segment, ALIGNMENT); }
    static std::unique_ptr<Block, SegmentMemory> allocate() {
        void* memory = ::operator new(SEGMENT_BYTES, ALIGNMENT);
#ifdef __linux__
        madvise(memory, SEGMENT_BYTES, MADV_HUGEPAGE);  // a hint; without it, small pages
#endif
        return std::unique_ptr<Block, SegmentMemory>(static_cast<Block*>(memory));
    }
};

// Segments that a sweep has given back are kept for the next sweep of the
// process: fresh memory must be cleared by the system before first use,
// which costs a table of many games dearly.
class SegmentCache {
public:
    Block* take() {
        const std::lock_guard lock(mutex_);
        if (free_.empty()) {
            owned_.push_back(SegmentMemory::allocate());
            return owned_.back().get();
        }
        Block* segment = free_.back();
        free_.pop_back();
        return segment;
    }
    void give_back(Block* segment) {
        const std::lock_guard lock(mutex_);
        free_.push_back(segment);
    }

private:
    std::mutex mutex_;
    std::vector<std::unique_ptr<Block, SegmentMemory>> owned_;
    std::vector<Block*> free_;
};

SegmentCache& segment_cache() {
    static SegmentCache cache;
    return cache;
}

// The segments one sweep holds, drawn from the cache; counts them.
class SegmentPool {
public:
    Block* take() {
        Block* segment = segment_cache().take();
        const std::lock_guard lock(mutex_);
        peak_ = std::max(peak_, ++held_);
        return segment;
    }
    void give_back(Block* segment) {
        segment_cache().give_back(segment);
        const std::lock_guard lock(mutex_);
        --held_;
    }
    std::uint64_t peak_bytes() const { return peak_ * SEGMENT_BYTES; }

private:
    std::mutex mutex_;
    std::uint64_t held_ = 0;
    std::uint64_t peak_ = 0;
};

// The blocks of one layer, by rank, in segments drawn from the pool.
class Layer {
public:
    Layer(SegmentPool& pool, std::uint64_t sets)
        : pool_(pool), segments_((sets + SEGMENT_BLOCKS - 1) / SEGMENT_BLOCKS) {}
    ~Layer() { release_below(segments_.size()); }
    Layer(const Layer&) = delete;
    Layer& operator=(const Layer&) = delete;

    const Block& at(std::uint64_t rank) const {
        return segments_[rank / SEGMENT_BLOCKS].load(std::memory_order_relaxed)[rank % SEGMENT_BLOCKS];
    }

    Block& for_writing(std::uint64_t rank) {
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

    // Gives back every segment wholly below block `rank`: no one reads them
    // any more.
    void release_below_rank(std::uint64_t rank) { release_below(rank / SEGMENT_BLOCKS); }

private:
    void release_below(std::size_t end) {
        const std::lock_guard lock(mutex_);
        for (; released_ < std::min(end, segments_.size()); ++released_) {
            if (Block* segment = segments_[released_].exchange(nullptr)) {
                pool_.give_back(segment);
            }
        }
    }

    SegmentPool& pool_;
    std::vector<std::atomic<Block*>> segments_;
    std::mutex mutex_;
    std::size_t released_ = 0;
};

class Sweep {
public:
    Sweep(const Position& position, const SolveOptions& options)
        : options_(options), capacity_(position.capacity) {
        const auto& numbers = position.untaken;
        const std::size_t inner = std::min<std::size_t>(INNER, numbers.size());
        // Missing inner numbers weigh more than the capacity: never legal.
        std::array<std::int64_t, INNER> inner_value{};
        inner_value.fill(capacity_ + 1);
        for (std::size_t i = 0; i < inner; ++i) {
            inner_value[i] = numbers[i];
            inner_number_[i] = numbers[i];
        }
        outer_.assign(numbers.begin() + static_cast<std::ptrdiff_t>(inner), numbers.end());
        for (std::size_t byte = 0; byte < 4; ++byte) {
            for (std::size_t bits = 0; bits < 256; ++bits) {
                for (std::size_t i = 0; i < 8; ++i) {
                    if (((bits >> i) & 1) != 0 && 8 * byte + i < outer_.size()) {
                        byte_sums_[byte][bits] += outer_[8 * byte + i];
                    }
                }
            }
        }

        for (std::uint32_t s = 0; s < POSITIONS; ++s) {
            for (int i = 0; i < INNER; ++i) {
                if ((s >> i) & 1) {
                    inner_sum_[s] += inner_value[static_cast<std::size_t>(i)];
                }
            }
        }
        // Masks of the inner subsets that do not fit in r, for each r up to
        // the largest sum that any legal subset reaches.
        largest_mask_r_ = 0;
        for (std::uint32_t s = 0; s < POSITIONS; ++s) {
            if (inner_sum_[s] <= capacity_) {
                largest_mask_r_ = std::max(largest_mask_r_, inner_sum_[s]);
            }
        }
        illegal_.resize(static_cast<std::size_t>(largest_mask_r_) + 1);
        legal_count_.resize(illegal_.size());
        for (std::int64_t r = 0; r <= largest_mask_r_; ++r) {
            Block& mask = illegal_[static_cast<std::size_t>(r)];
            for (std::uint32_t s = 0; s < POSITIONS; ++s) {
                if (inner_sum_[s] > r) {
                    mask.word[s / 64] |= std::uint64_t{1} << (s % 64);
                }
            }
            for (const std::uint64_t w : mask.word) {
                legal_count_[static_cast<std::size_t>(r)] += static_cast<std::uint64_t>(64 - std::popcount(w));
            }
        }
    }

    Solution run() {
        const int m = static_cast<int>(outer_.size());
        std::unique_ptr<Layer> above;
        std::vector<bool> outer_move_wins(outer_.size(), false);
        for (int p = m; p >= 0; --p) {
            auto layer = std::make_unique<Layer>(pool_, binomial(m, p));
            if (p == 0) {
                // The outer first moves lead to the blocks {j} of layer 1.
                for (int j = 0; j < m; ++j) {
                    if (outer_[static_cast<std::size_t>(j)] <= capacity_) {
                        outer_move_wins[static_cast<std::size_t>(j)] =
                            (above->at(static_cast<std::uint64_t>(j)).word[0] & 1) == 0;
                    }
                }
            }
            sweep_layer(p, *layer, above.get());
            above = std::move(layer);
        }

        const Block& top = above->at(0);
        const auto bit = [&top](std::uint32_t s) { return ((top.word[s / 64] >> (s % 64)) & 1) != 0; };
        Solution solution{{bit(0), {}}, legal_sets_.load(), pool_.peak_bytes()};
        for (std::size_t i = 0; i < INNER; ++i) {
            if (inner_number_[i] != 0 && inner_sum_[1u << i] <= capacity_ && !bit(1u << i)) {
                solution.verdict.winning_moves.push_back(inner_number_[i]);
            }
        }
        for (std::size_t j = 0; j < outer_.size(); ++j) {
            if (outer_move_wins[j]) {
                solution.verdict.winning_moves.push_back(outer_[j]);
            }
        }
        return solution;
    }

private:
    void sweep_layer(int p, Layer& layer, Layer* above) {
        const int m = static_cast<int>(outer_.size());
        const std::uint64_t sets = binomial(m, p);
        const std::uint64_t chunks = (sets + CHUNK - 1) / CHUNK;
        const unsigned threads =
            static_cast<unsigned>(std::clamp<std::uint64_t>(options_.threads, 1, chunks));
        std::atomic<std::uint64_t> next_chunk{0};
        std::atomic<std::uint64_t> done{0};
        // Each thread's lowest child rank still to be read; the layer above
        // is dead below the smallest of them.
        std::vector<std::atomic<std::uint64_t>> reading_from(threads);
        for (auto& r : reading_from) {
            r.store(0);
        }
        const auto work = [&](unsigned thread) {
            auto last_report = std::chrono::steady_clock::now();
            for (;;) {
                const std::uint64_t chunk = next_chunk.fetch_add(1);
                if (chunk >= chunks) {
                    break;
                }
                const std::uint64_t begin = chunk * CHUNK;
                const std::uint64_t end = std::min(sets, begin + CHUNK);
                std::uint32_t mask = unrank(begin, p);
                if (above != nullptr) {
                    reading_from[thread].store(lowest_child_rank(outer_set(mask)));
                    std::uint64_t dead = std::numeric_limits<std::uint64_t>::max();
                    for (const auto& r : reading_from) {
                        dead = std::min(dead, r.load());
                    }
                    above->release_below_rank(dead);
                }
                // Blocks are prepared AHEAD ranks before they are solved.
                std::uint64_t legal = 0;
                std::array<Pending, AHEAD + 1> blocks;
                std::uint64_t prepared = begin;  // ranks below this are prepared
                const auto prepare_next = [&] {
                    prepare(mask, above, blocks[prepared % blocks.size()]);
                    if (++prepared < end) {
                        mask = next_in_colex(mask);
                    }
                };
                while (prepared < std::min(end, begin + AHEAD)) {
                    prepare_next();
                }
                for (std::uint64_t rank = begin; rank < end; ++rank) {
                    if (prepared < end) {
                        prepare_next();
                    }
                    legal += solve_block(blocks[rank % blocks.size()], rank, layer);
                }
                legal_sets_.fetch_add(legal, std::memory_order_relaxed);
                done.fetch_add(end - begin);
                if (thread == 0 && options_.on_progress) {
                    const auto now = std::chrono::steady_clock::now();
                    if (now - last_report >= std::chrono::milliseconds(100)) {
                        last_report = now;
                        options_.on_progress({p, m, done.load(), sets});
                    }
                }
            }
            reading_from[thread].store(std::numeric_limits<std::uint64_t>::max());
        };
        std::vector<std::jthread> helpers;
        for (unsigned t = 1; t < threads; ++t) {
            helpers.emplace_back(work, t);
        }
        work(0);
        helpers.clear();  // joins
    }

    // A block about to be solved: its r, and the child blocks of its outer
    // moves, whose memory is asked for early (they lie anywhere in the
    // layer above) so that it arrives while the block before is solved.
    struct Pending {
        std::int64_t r = -1;  // below 0: X alone takes the last tolp, no block
        int child_count = 0;
        std::array<const Block*, MAX_OUTER> child;
    };

    void prepare(std::uint32_t mask, const Layer* above, Pending& block) const {
        block.child_count = 0;
        block.r = capacity_;
        for (std::size_t byte = 0; byte < 4; ++byte) {
            block.r -= byte_sums_[byte][(mask >> (8 * byte)) & 0xff];
        }
        if (block.r < 0 || above == nullptr) {
            return;
        }
        const OuterSet x = outer_set(mask);
        // The terms of a child's rank: those of the elements of X below
        // index t, and those of the elements from t on, one place up.
        std::array<std::uint64_t, MAX_OUTER + 1> below;
        std::array<std::uint64_t, MAX_OUTER + 1> from;
        below[0] = 0;
        from[static_cast<std::size_t>(x.size)] = 0;
        for (int t = 0; t < x.size; ++t) {
            const int e = x.element[static_cast<std::size_t>(t)];
            below[static_cast<std::size_t>(t) + 1] = below[static_cast<std::size_t>(t)] + binomial(e, t + 1);
        }
        for (int t = x.size - 1; t >= 0; --t) {
            const int e = x.element[static_cast<std::size_t>(t)];
            from[static_cast<std::size_t>(t)] = from[static_cast<std::size_t>(t) + 1] + binomial(e, t + 2);
        }
        int t = 0;  // elements of X below j
        for (int j = 0; j < static_cast<int>(outer_.size()) && outer_[static_cast<std::size_t>(j)] <= block.r; ++j) {
            if ((x.mask >> j) & 1) {
                ++t;
                continue;
            }
            const std::uint64_t rank = below[static_cast<std::size_t>(t)] + binomial(j, t + 1) +
                                       from[static_cast<std::size_t>(t)];
            const Block* c = &above->at(rank);
            for (std::size_t line = 0; line < sizeof(Block); line += 64) {
                __builtin_prefetch(reinterpret_cast<const char*>(c) + line);
            }
            block.child[static_cast<std::size_t>(block.child_count++)] = c;
        }
    }

    // Solves a prepared block into `rank` of `layer`. Returns its legal
    // positions.
    std::uint64_t solve_block(const Pending& block, std::uint64_t rank, Layer& layer) {
        if (block.r < 0) {
            return 0;
        }
        const std::size_t r_index = static_cast<std::size_t>(std::min(block.r, largest_mask_r_));

        // Outer moves: a position is won when some legal X + {j} position
        // is lost. Illegal child positions hold 1 and so never count.
        Block children;
        children.word.fill(~std::uint64_t{0});
        for (int i = 0; i < block.child_count; ++i) {
            const Block& c = *block.child[static_cast<std::size_t>(i)];
            for (std::size_t w = 0; w < WORDS; ++w) {
                children.word[w] &= c.word[w];
            }
        }

        // Inner moves, supersets first: the 7th to 10th inner numbers pick
        // the word, the 5th and 6th the 16-bit quarter of it, and the first
        // four the position in the quarter. A word or quarter reads the ones
        // that hold its positions with one more inner number taken.
        const Block& illegal = illegal_[r_index];
        const auto outside = [&](std::size_t w) { return ~children.word[w] | illegal.word[w]; };
        Block& won = layer.for_writing(rank);
        auto& v = won.word;
        for (std::size_t w = WORDS; w-- > 0;) {
            if (inner_sum_[w * 64] > block.r) {
                v[w] = ~std::uint64_t{0};  // the word's own inner numbers already take too much
                continue;
            }
            std::uint64_t from_outside = outside(w);
            for (std::size_t bit = 1; bit < WORDS; bit <<= 1) {
                if ((w & bit) == 0) {
                    from_outside |= ~v[w | bit];
                }
            }
            v[w] = solve_word(from_outside);
        }
        return legal_count_[r_index];
    }

    const SolveOptions& options_;
    std::int64_t capacity_;
    std::array<std::int32_t, INNER> inner_number_{};  // 0 where there is none
    std::vector<std::int32_t> outer_;                   // ascending
    std::array<std::array<std::int64_t, 256>, 4> byte_sums_{};  // sums of X, a byte of its mask at a time
    std::array<std::int64_t, POSITIONS> inner_sum_{};
    std::int64_t largest_mask_r_ = 0;
    std::vector<Block> illegal_;                 // by r
    std::vector<std::uint64_t> legal_count_;     // by r
    SegmentPool pool_;
    std::atomic<std::uint64_t> legal_sets_{0};
};

}  // namespace

Position position_after(std::int32_t n, std::span<const std::int32_t> taken) {
    Position position{{}, std::int64_t{n} * n / 4 - 1};
    std::vector<bool> gone(static_cast<std::size_t>(n) + 1, false);
    for (const std::int32_t k : taken) {
        gone[static_cast<std::size_t>(k)] = true;
        position.capacity -= k;
    }
    for (std::int32_t k = 1; k <= n; ++k) {
        if (!gone[static_cast<std::size_t>(k)]) {
            position.untaken.push_back(k);
        }
    }
    return position;
}

std::uint64_t memory_needed(const Position& position, unsigned threads) {
    // Layers are counted in legal sets X (sum at most the capacity), with
    // L(k, t, S) the k-sets of the first t outer numbers whose sum is at most
    // S. While the sweep of layer p stands at a set X with largest element M
    // and second largest M2, it holds the sets of layer p up to there and
    // those of layer p+1 that a later set may still read: whose largest
    // element is above M, or is M with the second from M2 on.
    const std::size_t inner = std::min<std::size_t>(INNER, position.untaken.size());
    const std::vector<std::int64_t> outer(position.untaken.begin() + static_cast<std::ptrdiff_t>(inner),
                                          position.untaken.end());
    const int m = static_cast<int>(outer.size());
    const std::int64_t cap = position.capacity;
    // count[t][k][s]: k-sets of the first t outer numbers summing to s.
    const auto width = static_cast<std::size_t>(cap) + 1;
    std::vector<std::vector<std::vector<std::uint64_t>>> at_most(
        static_cast<std::size_t>(m) + 1,
        std::vector<std::vector<std::uint64_t>>(static_cast<std::size_t>(m) + 1, std::vector<std::uint64_t>(width)));
    std::vector<std::vector<std::uint64_t>> count(static_cast<std::size_t>(m) + 1, std::vector<std::uint64_t>(width));
    count[0][0] = 1;
    for (int t = 0; t <= m; ++t) {
        for (int k = 0; k <= m; ++k) {
            std::uint64_t running = 0;
            for (std::size_t s = 0; s < width; ++s) {
                running += count[static_cast<std::size_t>(k)][s];
                at_most[static_cast<std::size_t>(t)][static_cast<std::size_t>(k)][s] = running;
            }
        }
        if (t == m) {
            break;
        }
        const auto v = static_cast<std::size_t>(outer[static_cast<std::size_t>(t)]);
        for (int k = t + 1; k >= 1; --k) {
            for (std::size_t s = width; s-- > v;) {
                count[static_cast<std::size_t>(k)][s] += count[static_cast<std::size_t>(k) - 1][s - v];
            }
        }
    }
    const auto sets = [&](int k, int t, std::int64_t most) -> std::uint64_t {
        if (k < 0 || most < 0) {
            return 0;
        }
        return at_most[static_cast<std::size_t>(t)][static_cast<std::size_t>(k)]
                      [static_cast<std::size_t>(std::min(most, cap))];
    };
    const auto o = [&](int i) { return outer[static_cast<std::size_t>(i)]; };

    std::uint64_t peak_sets = 1;
    for (int p = 0; p < m; ++p) {
        const std::uint64_t upper_layer = sets(p + 1, m, cap);
        if (p == 0) {
            peak_sets = std::max(peak_sets, upper_layer + 1);
            continue;
        }
        for (int top = p - 1; top < m; ++top) {
            // Sets of layer p+1 by largest element, from `top` up.
            std::uint64_t upper_above = 0;
            for (int t = top + 1; t < m; ++t) {
                upper_above += sets(p, t, cap - o(t));
            }
            std::uint64_t lower_before = 0;
            for (int t = 0; t < top; ++t) {
                lower_before += sets(p - 1, t, cap - o(t));
            }
            if (p == 1) {
                peak_sets = std::max(peak_sets, lower_before + 1 + upper_above + sets(p, top, cap - o(top)));
                continue;
            }
            for (int second = p - 2; second < top; ++second) {
                std::uint64_t lower = lower_before;
                for (int t = 0; t <= second; ++t) {
                    lower += sets(p - 2, t, cap - o(top) - o(t));
                }
                std::uint64_t upper = upper_above;
                for (int t = second; t < top; ++t) {
                    upper += sets(p - 1, t, cap - o(top) - o(t));
                }
                peak_sets = std::max(peak_sets, lower + upper);
            }
        }
    }
    // Segments hold sets by rank, legal or not, and each thread may hold the
    // frontier back by a chunk: a margin for both.
    const std::uint64_t blocks = peak_sets + peak_sets / 8 + 2 * (threads + 2) * (SEGMENT_BLOCKS + CHUNK);
    return blocks * sizeof(Block) + (std::uint64_t{1} << 17);
}

Solution solve(const Position& position, const SolveOptions& options) {
    return Sweep(position, options).run();
}

}  // namespace tolp::analysis
