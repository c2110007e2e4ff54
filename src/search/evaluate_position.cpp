// The search below the top level: one recursion, written once over a set of
// untaken numbers. Games whose numbers all fit in 64 bits use a bit set;
// larger games walk the `taken` table. Both visit the same positions in the
// same order and read the clock once per position.
#include "search/evaluate_position.hpp"

#include <bit>

#include "search/clock.hpp"
#include "search/deadline.hpp"
#include "search/search_state.hpp"

namespace tolp {
namespace {

// Number m lives in bit m - 1, so numbers 1..64 fit.
constexpr std::int32_t LARGEST_BIT_MOVE = 64;

constexpr std::uint64_t bit_of(std::int32_t m) { return std::uint64_t{1} << (m - 1); }

// The numbers 1..remaining-1: those that leave at least one tolp.
constexpr std::uint64_t numbers_below(std::int32_t remaining) {
    if (remaining <= 1) {
        return 0;
    }
    if (remaining > LARGEST_BIT_MOVE) {
        return ~std::uint64_t{0};
    }
    return bit_of(remaining) - 1;
}

// The untaken numbers as a 64-bit set, passed down by value.
class BitMoves {
public:
    explicit BitMoves(std::uint64_t untaken) : untaken_(untaken) {}

    // The untaken numbers below `remaining`, smallest first.
    class Cursor {
    public:
        explicit Cursor(std::uint64_t left) : left_(left) {}
        bool done() const { return left_ == 0; }
        std::int32_t number() const { return std::countr_zero(left_) + 1; }
        void advance() { left_ &= left_ - 1; }

    private:
        std::uint64_t left_;
    };
    Cursor below(std::int32_t remaining) const { return Cursor(untaken_ & numbers_below(remaining)); }

    BitMoves without(std::int32_t m) const { return BitMoves(untaken_ ^ bit_of(m)); }
    void restore(std::int32_t /*m*/) const {}  // the parent's set never changed

private:
    std::uint64_t untaken_;
};

// The untaken numbers as the `taken` table, updated in place and restored,
// over the ascending list of numbers that were untaken at the top.
class TableMoves {
public:
    TableMoves(std::int32_t* taken, std::span<const std::int32_t> available)
        : taken_(taken), available_(available) {}

    class Cursor {
    public:
        Cursor(const std::int32_t* taken, const std::int32_t* next, const std::int32_t* end,
               std::int32_t remaining)
            : taken_(taken), next_(next), end_(end), remaining_(remaining) {
            settle();
        }
        bool done() const { return next_ == end_; }
        std::int32_t number() const { return *next_; }
        void advance() {
            ++next_;
            settle();
        }

    private:
        // On to the first untaken number, or to the end once the numbers
        // reach `remaining`: ascending, so every later one takes the last
        // tolp too.
        void settle() {
            for (; next_ != end_; ++next_) {
                if (*next_ >= remaining_) {
                    next_ = end_;
                    return;
                }
                if (taken_[*next_] == 0) {
                    return;
                }
            }
        }
        const std::int32_t* taken_;
        const std::int32_t* next_;
        const std::int32_t* end_;
        std::int32_t remaining_;
    };
    Cursor below(std::int32_t remaining) const {
        return Cursor(taken_, available_.data(), available_.data() + available_.size(), remaining);
    }

    TableMoves without(std::int32_t m) const {
        taken_[m] = 1;
        return *this;
    }
    void restore(std::int32_t m) const { taken_[m] = 0; }

private:
    std::int32_t* taken_;
    std::span<const std::int32_t> available_;
};

// Production's time test: raw system-clock readings against a deadline, and
// nothing counted.
class SystemTime {
public:
    SystemTime(double budget_ms, std::int32_t start_ms) : deadline_(budget_ms, start_ms) {}
    bool in_time() { return deadline_.passes(SearchClock::now()); }

private:
    Deadline deadline_;
};

// The time test of tests and benchmarks: every position counted in
// evaluate_calls, and the time read through clock_ms(), whose seam a test
// may drive.
class InstrumentedTime {
public:
    InstrumentedTime(double budget_ms, std::int32_t start_ms)
        : budget_ms_(budget_ms), start_ms_(start_ms) {}
    bool in_time() const {
        ++evaluate_calls;
        return within_budget(budget_ms_, start_ms_, clock_ms());
    }

private:
    double budget_ms_;
    std::int32_t start_ms_;
};

template <class Time>
struct Search {
    Time time;
    std::int32_t depth_limit;
};

template <class Moves, class Time>
std::int32_t evaluate(std::int32_t remaining, std::int32_t depth, Moves moves, Search<Time>& search) {
    if (!search.time.in_time()) {
        return TIMED_OUT;
    }
    auto cursor = moves.below(remaining);
    if (cursor.done()) {
        return LOSS;  // only numbers that take the last tolp are left
    }
    if (depth == search.depth_limit) {
        return UNDECIDED;  // a move exists; the horizon hides its outcome
    }
    std::int32_t result = LOSS;
    do {
        const std::int32_t m = cursor.number();
        const std::int32_t r = -evaluate(remaining - m, depth + 1, moves.without(m), search);
        moves.restore(m);
        if (r == -TIMED_OUT) {
            return TIMED_OUT;
        }
        if (r == WIN) {
            return WIN;
        }
        if (r == UNDECIDED) {
            result = UNDECIDED;
        }
        cursor.advance();
    } while (!cursor.done());
    return result;
}

template <class Time>
std::int32_t evaluate_with(Time time, std::int32_t remaining, std::int32_t depth,
                           std::span<std::int32_t> taken) {
    Search<Time> search{time, search_state.depth_limit};
    const std::span<const std::int32_t> available(search_state.available_moves.data(),
                                                  static_cast<std::size_t>(search_state.move_count));
    if (available.empty() || available.back() <= LARGEST_BIT_MOVE) {
        std::uint64_t untaken = 0;
        for (const std::int32_t m : available) {
            if (taken[static_cast<std::size_t>(m)] == 0) {
                untaken |= bit_of(m);
            }
        }
        return evaluate(remaining, depth, BitMoves(untaken), search);
    }
    return evaluate(remaining, depth, TableMoves(taken.data(), available), search);
}

}  // namespace

std::int32_t evaluate_position(std::int32_t remaining, std::int32_t depth,
                               std::span<std::int32_t> taken) {
    const double budget_ms = seconds_per_move * 1000.0;
    const std::int32_t start_ms = search_state.search_start_ms;
    if (clock_source != nullptr || count_positions) [[unlikely]] {
        return evaluate_with(InstrumentedTime(budget_ms, start_ms), remaining, depth, taken);
    }
    return evaluate_with(SystemTime(budget_ms, start_ms), remaining, depth, taken);
}

}  // namespace tolp
