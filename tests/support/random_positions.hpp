// Positions reached by random legal play from the start of a game, for the
// tests that compare two ways of working a position out.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "common/rules.hpp"

namespace tolp::testing {

struct RandomPosition {
    std::int32_t n;
    std::int32_t pile;
    std::vector<std::int32_t> taken;  // in the order they were taken
    std::vector<std::int32_t> table;  // n+1 flags, 1 for a number taken

    std::vector<std::int32_t> untaken() const {
        std::vector<std::int32_t> numbers;
        for (std::int32_t k = 1; k <= n; ++k) {
            if (table[static_cast<std::size_t>(k)] == 0) {
                numbers.push_back(k);
            }
        }
        return numbers;
    }
};

// A game of n from smallest_n to largest_n, after between `fewest_moves`
// and n/2 random moves that each leave at least one tolp (fewer when no such
// move is left).
inline RandomPosition random_position(std::mt19937& random, std::int32_t smallest_n, std::int32_t largest_n,
                                      std::int32_t fewest_moves = 0) {
    const std::int32_t n = std::uniform_int_distribution<std::int32_t>(smallest_n, largest_n)(random);
    RandomPosition p{n, starting_pile(n), {}, std::vector<std::int32_t>(static_cast<std::size_t>(n) + 1, 0)};
    const std::int32_t moves = std::uniform_int_distribution<std::int32_t>(std::min(fewest_moves, n / 2), n / 2)(random);
    for (std::int32_t i = 0; i < moves; ++i) {
        std::vector<std::int32_t> legal;
        for (std::int32_t m = 1; m < p.pile && m <= n; ++m) {
            if (p.table[static_cast<std::size_t>(m)] == 0) {
                legal.push_back(m);
            }
        }
        if (legal.empty()) {
            break;  // every number left takes the last tolp
        }
        const std::int32_t m = legal[random() % legal.size()];
        p.taken.push_back(m);
        p.table[static_cast<std::size_t>(m)] = 1;
        p.pile -= m;
    }
    return p;
}

}  // namespace tolp::testing
