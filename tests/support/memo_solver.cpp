// The memo solver: depth-first search over the game with a table of every
// taken set's value, so each position is worked out at most once.
#include "support/memo_solver.hpp"

#include <algorithm>
#include <bit>

#include "common/rules.hpp"

namespace tolp::testing {

MemoSolver::MemoSolver(std::int32_t n)
    : n_(n), start_pile_(starting_pile(n)), known_(std::size_t{1} << n, UNKNOWN) {}

std::int32_t MemoSolver::pile(TakenSet taken) const {
    std::int32_t sum = 0;
    for (TakenSet rest = taken; rest != 0; rest &= rest - 1) {
        sum += std::countr_zero(rest) + 1;
    }
    return start_pile_ - sum;
}

bool MemoSolver::side_to_move_wins(TakenSet taken) { return wins(taken, pile(taken)); }

// The side to move wins when some number leaves at least one tolp and a
// position that the other side loses. Largest numbers first: they shorten
// the game, and a win found early ends the scan.
bool MemoSolver::wins(TakenSet taken, std::int32_t pile) {
    std::uint8_t& known = known_[taken];
    if (known != UNKNOWN) {
        return known == WON;
    }
    bool won = false;
    for (std::int32_t m = std::min(n_, pile - 1); m >= 1 && !won; --m) {
        if ((taken & bit_of(m)) == 0) {
            won = !wins(taken | bit_of(m), pile - m);
        }
    }
    known = won ? WON : LOST;
    return won;
}

std::vector<std::int32_t> MemoSolver::winning_moves(TakenSet taken) {
    const std::int32_t left = pile(taken);
    std::vector<std::int32_t> moves;
    for (std::int32_t m = 1; m <= n_ && m < left; ++m) {
        if ((taken & bit_of(m)) == 0 && !wins(taken | bit_of(m), left - m)) {
            moves.push_back(m);
        }
    }
    return moves;
}

TakenSet taken_set(std::span<const std::int32_t> numbers) {
    TakenSet taken = 0;
    for (const std::int32_t m : numbers) {
        taken |= bit_of(m);
    }
    return taken;
}

}  // namespace tolp::testing
