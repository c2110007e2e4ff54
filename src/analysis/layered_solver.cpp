// The layered sweep. Its quantities, once:
//
// - A position is the numbers still untaken and its *capacity*: how many of
//   them may be taken in all without taking the last tolp (the pile less 1).
//   A set T of taken numbers is *legal* while its sum is at most the
//   capacity; T is won for the side to move when some legal T + {k} is lost.
// - The INNER (ten) smallest untaken numbers are the *inner* numbers, the
//   others the *outer* numbers. T splits into its outer part X and its inner
//   part s, a subset of the inner numbers written as a 10-bit number.
// - A *block* holds every T with the same X: bit s is 1 when X + s is won,
//   or cannot be reached. Blocks are grouped in *layers* by |X|.
// - r is what X leaves of the capacity for inner numbers: the capacity less
//   the sum of X. Below 0, X alone takes the last tolp and has no block.
// - A *cube* is four inner numbers: the 16 positions that differ only in
//   them are solved at once through a table of all 65 536 cases. A word of a
//   block (64 bits) is four cubes, one per *quarter*.
//
// The sweep runs from the largest layer down to layer 0, so that a block's
// outer moves, which lead to the layer above, are always already solved;
// its inner moves stay within the block and are solved supersets first.
// Within a layer the sets X are ranked in colex order (colex.hpp); threads
// take chunks of ranks in order, and the layer above is given back segment
// by segment once no later set can read it (segments.hpp).
#include "analysis/layered_solver.hpp"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <chrono>
#include <exception>
#include <limits>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "analysis/blocks.hpp"
#include "analysis/colex.hpp"
#include "analysis/segments.hpp"
#include "common/rules.hpp"

namespace tolp::analysis {
namespace {

constexpr std::uint64_t AHEAD = 2;  // blocks whose children are fetched ahead of use
constexpr auto PROGRESS_PERIOD = std::chrono::milliseconds(100);

// The sum of X is looked up a byte of its mask at a time.
constexpr std::size_t MASK_BYTES = (MAX_OUTER + 7) / 8;
constexpr std::size_t BYTE_VALUES = 256;
constexpr std::uint32_t BYTE_MASK = BYTE_VALUES - 1;

// Solves a cube of four inner numbers (16 positions) given, for each
// position, whether it is already won by a move outside the cube: a
// position is won when that says so or some move inside the cube leads to a
// lost position. Indexed by the 16 outside bits.
const std::vector<std::uint16_t>& cube_solutions() {
    static const std::vector<std::uint16_t> table = [] {
        std::vector<std::uint16_t> solved(1 << 16);
        for (std::uint32_t outside = 0; outside < (1u << 16); ++outside) {
            std::uint32_t won = 0;
            for (std::uint32_t s = 16; s-- > 0;) {
                bool wins = ((outside >> s) & 1) != 0;
                for (std::uint32_t a = 0; a < 4 && !wins; ++a) {
                    const std::uint32_t child = s | (1u << a);
                    wins = child != s && ((won >> child) & 1) == 0;
                }
                won |= std::uint32_t{wins} << s;
            }
            solved[outside] = static_cast<std::uint16_t>(won);
        }
        return solved;
    }();
    return table;
}

// Solves the 64 positions of one word (the first six inner numbers) given
// which of them are already won from outside it. Bits 4 and 5 of a position,
// the 5th and 6th inner numbers, choose its quarter. Quarter 3 (both taken)
// has no move into another quarter and is solved first; taking the 5th from
// quarter 2, or the 6th from quarter 1, leads into quarter 3, so those two
// come next; quarter 0 moves into 1 and 2 and comes last. A position is won
// from outside its quarter when the position that such a move reaches is lost.
inline std::uint64_t solve_word(std::uint64_t outside) {
    const auto& cube = cube_solutions();
    const auto quarter = [](std::uint64_t bits) { return static_cast<std::size_t>(bits & 0xffff); };
    const std::uint64_t q3 = cube[quarter(outside >> 48)];
    const std::uint64_t q2 = cube[quarter((outside >> 32) | ~q3)];
    const std::uint64_t q1 = cube[quarter((outside >> 16) | ~q3)];
    const std::uint64_t q0 = cube[quarter(outside | ~q1 | ~q2)];
    return q3 << 48 | q2 << 32 | q1 << 16 | q0;
}

class Sweep {
public:
    Sweep(const Position& position, const SolveOptions& options)
        : options_(options), capacity_(position.capacity),
          pool_(options.cache != nullptr ? *options.cache : segment_cache()) {
        const auto& numbers = position.untaken;
        const std::size_t inner = std::min(INNER, numbers.size());
        // Missing inner numbers weigh more than the capacity: never legal.
        std::array<std::int64_t, INNER> inner_value{};
        inner_value.fill(capacity_ + 1);
        std::copy_n(numbers.begin(), inner, inner_value.begin());
        std::copy_n(numbers.begin(), inner, inner_number_.begin());
        outer_.assign(numbers.begin() + static_cast<std::ptrdiff_t>(inner), numbers.end());
        for (std::size_t byte = 0; byte < MASK_BYTES; ++byte) {
            for (std::size_t bits = 0; bits < BYTE_VALUES; ++bits) {
                for (std::size_t i = 0; i < 8; ++i) {
                    if (((bits >> i) & 1) != 0 && 8 * byte + i < outer_.size()) {
                        byte_sums_[byte][bits] += outer_[8 * byte + i];
                    }
                }
            }
        }

        for (std::uint32_t s = 0; s < POSITIONS; ++s) {
            for (std::size_t i = 0; i < INNER; ++i) {
                if ((s >> i) & 1) {
                    inner_sum_[s] += inner_value[i];
                }
            }
        }
        // Masks of the inner subsets that do not fit in r, for each r up to
        // the largest sum that any legal subset reaches.
        std::int64_t largest_r = 0;
        for (const std::int64_t sum : inner_sum_) {
            if (sum <= capacity_) {
                largest_r = std::max(largest_r, sum);
            }
        }
        illegal_.resize(static_cast<std::size_t>(largest_r) + 1);
        legal_count_.resize(illegal_.size());
        for (std::size_t r = 0; r < illegal_.size(); ++r) {
            for (std::uint32_t s = 0; s < POSITIONS; ++s) {
                if (inner_sum_[s] > static_cast<std::int64_t>(r)) {
                    illegal_[r].word[s / 64] |= std::uint64_t{1} << (s % 64);
                }
            }
            for (const std::uint64_t w : illegal_[r].word) {
                legal_count_[r] += static_cast<std::uint64_t>(64 - std::popcount(w));
            }
        }
    }

    Solution run() {
        const std::size_t outer_count = outer_.size();
        std::unique_ptr<Layer> above;
        std::vector<bool> outer_move_wins(outer_count, false);
        for (std::size_t p = outer_count + 1; p-- > 0;) {
            auto layer = std::make_unique<Layer>(pool_, binomial(outer_count, p));
            if (p == 0) {
                // The outer first moves lead to the blocks {j} of layer 1.
                for (std::size_t j = 0; j < outer_count; ++j) {
                    if (outer_[j] <= capacity_) {
                        outer_move_wins[j] = (above->at(j).word[0] & 1) == 0;
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
        for (std::size_t j = 0; j < outer_count; ++j) {
            if (outer_move_wins[j]) {
                solution.verdict.winning_moves.push_back(outer_[j]);
            }
        }
        return solution;
    }

private:
    void sweep_layer(std::size_t p, Layer& layer, Layer* above) {
        const std::size_t outer_count = outer_.size();
        const std::uint64_t sets = binomial(outer_count, p);
        const std::uint64_t chunks = (sets + CHUNK - 1) / CHUNK;
        const auto threads = static_cast<std::size_t>(std::clamp<std::uint64_t>(options_.threads, 1, chunks));
        std::atomic<std::uint64_t> next_chunk{0};
        std::atomic<std::uint64_t> done{0};
        std::atomic<bool> failed{false};
        // Each thread's chunk, and the lowest child rank it may still read
        // (published before the chunk); the layer above is dead below the
        // smallest of them. A thread that is done stands at the end.
        constexpr std::uint64_t END = std::numeric_limits<std::uint64_t>::max();
        std::vector<std::atomic<std::uint64_t>> working_on(threads);
        std::vector<std::atomic<std::uint64_t>> reading_from(threads);
        for (std::size_t t = 0; t < threads; ++t) {
            working_on[t].store(0);
            reading_from[t].store(0);
        }
        const auto smallest = [](const std::vector<std::atomic<std::uint64_t>>& values) {
            std::uint64_t least = END;
            for (const auto& v : values) {
                least = std::min(least, v.load());
            }
            return least;
        };
        const auto work = [&](std::size_t thread) {
            auto last_report = std::chrono::steady_clock::now();
            while (!failed.load(std::memory_order_relaxed)) {
                const std::uint64_t chunk = next_chunk.fetch_add(1);
                if (chunk >= chunks) {
                    break;
                }
                const std::uint64_t begin = chunk * CHUNK;
                const std::uint64_t end = std::min(sets, begin + CHUNK);
                std::uint32_t mask = unrank(begin, p);
                reading_from[thread].store(lowest_child_rank(outer_set(mask)));
                working_on[thread].store(chunk);
                while (chunk > smallest(working_on) + MAX_SKEW_CHUNKS && !failed.load()) {
                    std::this_thread::yield();
                }
                if (above != nullptr) {
                    above->release_below_rank(smallest(reading_from));
                }
                legal_sets_.fetch_add(solve_chunk(mask, begin, end, layer, above), std::memory_order_relaxed);
                done.fetch_add(end - begin);
                if (thread == 0 && options_.on_progress) {
                    const auto now = std::chrono::steady_clock::now();
                    if (now - last_report >= PROGRESS_PERIOD) {
                        last_report = now;
                        options_.on_progress({p, outer_count, done.load(), sets});
                    }
                }
            }
        };
        // A failure in any thread (memory, or a thread that cannot start)
        // stops every thread at its next chunk and is thrown from here.
        std::mutex failure_mutex;
        std::exception_ptr failure;
        const auto fail = [&](std::exception_ptr e) {
            const std::lock_guard lock(failure_mutex);
            if (!failure) {
                failure = std::move(e);
            }
            failed.store(true);
        };
        const auto guarded_work = [&](std::size_t thread) {
            try {
                work(thread);
            } catch (...) {
                fail(std::current_exception());
            }
            reading_from[thread].store(END);
            working_on[thread].store(END);
        };
        {
            std::vector<std::jthread> helpers;
            try {
                for (std::size_t t = 1; t < threads; ++t) {
                    auto job = [&guarded_work, t] { guarded_work(t); };
                    helpers.push_back(options_.start_thread ? options_.start_thread(job) : std::jthread(job));
                }
            } catch (const std::system_error& e) {
                fail(std::make_exception_ptr(ThreadStartFailure(e.code().message())));
            } catch (...) {
                fail(std::current_exception());
            }
            guarded_work(0);
        }  // joins the helpers
        if (failure) {
            std::rethrow_exception(failure);
        }
    }

    // Solves the blocks of ranks [begin, end) of a layer, the first of
    // which is the set `mask`. Returns their legal positions.
    std::uint64_t solve_chunk(std::uint32_t mask, std::uint64_t begin, std::uint64_t end, Layer& layer,
                              const Layer* above) {
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
        return legal;
    }

    // A block about to be solved: its r, and the child blocks of its outer
    // moves, whose memory is asked for early (they lie anywhere in the
    // layer above) so that it arrives while the block before is solved.
    struct Pending {
        std::int64_t r = -1;  // below 0: X alone takes the last tolp, no block
        std::size_t child_count = 0;
        std::array<const Block*, MAX_OUTER> child;
    };

    void prepare(std::uint32_t mask, const Layer* above, Pending& block) const {
        block.child_count = 0;
        block.r = capacity_;
        for (std::size_t byte = 0; byte < MASK_BYTES; ++byte) {
            block.r -= byte_sums_[byte][(mask >> (8 * byte)) & BYTE_MASK];
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
        from[x.size] = 0;
        for (std::size_t t = 0; t < x.size; ++t) {
            below[t + 1] = below[t] + binomial(x.element[t], t + 1);
        }
        for (std::size_t t = x.size; t-- > 0;) {
            from[t] = from[t + 1] + binomial(x.element[t], t + 2);
        }
        std::size_t t = 0;  // elements of X below j
        for (std::size_t j = 0; j < outer_.size() && outer_[j] <= block.r; ++j) {
            if ((x.mask >> j) & 1) {
                ++t;
                continue;
            }
            const Block* c = &above->at(below[t] + binomial(j, t + 1) + from[t]);
            for (std::size_t line = 0; line < sizeof(Block); line += 64) {
                __builtin_prefetch(reinterpret_cast<const char*>(c) + line);
            }
            block.child[block.child_count++] = c;
        }
    }

    // Solves a prepared block into `rank` of `layer`. Returns its legal
    // positions.
    std::uint64_t solve_block(const Pending& block, std::uint64_t rank, Layer& layer) {
        if (block.r < 0) {
            return 0;
        }
        const std::size_t r_index = std::min(static_cast<std::size_t>(block.r), illegal_.size() - 1);

        // Outer moves: a position is won when some legal X + {j} position
        // is lost. Illegal child positions hold 1 and so never count.
        Block children;
        children.word.fill(~std::uint64_t{0});
        for (std::size_t i = 0; i < block.child_count; ++i) {
            const Block& c = *block.child[i];
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
    std::array<std::array<std::int64_t, BYTE_VALUES>, MASK_BYTES> byte_sums_{};  // sums of X by mask byte
    std::array<std::int64_t, POSITIONS> inner_sum_{};
    std::vector<Block> illegal_;              // by r: the inner subsets that do not fit
    std::vector<std::uint64_t> legal_count_;  // by r: the inner subsets that do
    SegmentPool pool_;
    std::atomic<std::uint64_t> legal_sets_{0};
};

}  // namespace

Position position_after(std::int32_t n, std::span<const std::int32_t> taken) {
    Position position{{}, starting_pile(n) - 1};
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

unsigned threads_used(const Position& position, unsigned threads) {
    // The largest layer, of |X| = half the outer numbers, has the most chunks.
    const std::size_t outer_count = position.untaken.size() - std::min(INNER, position.untaken.size());
    const std::uint64_t chunks = (binomial(outer_count, outer_count / 2) + CHUNK - 1) / CHUNK;
    return static_cast<unsigned>(std::clamp<std::uint64_t>(threads, 1, chunks));
}

Solution solve(const Position& position, const SolveOptions& options) {
    return Sweep(position, options).run();
}

}  // namespace tolp::analysis
