// Perfect play by memo search: the exact value of any position of one small
// game, found by searching every line once and remembering each set of
// taken numbers. The simple, independent oracle against which the layered
// solver and the search are tested; its table has 2^n entries of one byte.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace tolp::testing {

// Numbers taken so far, as a bit set: number m is bit m - 1.
using TakenSet = std::uint32_t;

constexpr TakenSet bit_of(std::int32_t m) { return TakenSet{1} << (m - 1); }

class MemoSolver {
public:
    // A solver for the game with numbers 1..n, 2 <= n <= 26 or so.
    explicit MemoSolver(std::int32_t n);

    // Tolps left once the numbers in `taken` are gone: the starting pile
    // minus their sum.
    std::int32_t pile(TakenSet taken) const;

    // Whether the side to move wins with best play. The pile must be at
    // least 1. A number that takes the last tolp, or more, loses at once.
    bool side_to_move_wins(TakenSet taken);

    // The moves after which the other side loses with best play, ascending.
    std::vector<std::int32_t> winning_moves(TakenSet taken);

private:
    enum Known : std::uint8_t { UNKNOWN, WON, LOST };

    bool wins(TakenSet taken, std::int32_t pile);

    std::int32_t n_;
    std::int32_t start_pile_;
    std::vector<std::uint8_t> known_;  // by taken set: UNKNOWN, WON or LOST
};

// The taken set of a list of numbers, each in 1..n and none twice.
TakenSet taken_set(std::span<const std::int32_t> numbers);

}  // namespace tolp::testing
