// A review of a played game: the verdict of perfect play on every move, the
// first move that gave the game away, and the report that shows them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "analysis/layered_solver.hpp"
#include "analysis/played_game.hpp"

namespace tolp::analysis {

// Solves a position for the review: its verdict, or empty when it is
// beyond the solver (more memory than the run may have).
using SolveStep = std::function<std::optional<Verdict>(const Position&)>;

// The position before a move with `pile` tolps left: only the untaken numbers
// smaller than the pile can be taken without taking the last tolp, so only
// they make up the position, whatever n is.
Position position_with_pile(std::int64_t pile, const std::vector<bool>& taken);

// Why `moves` cannot be a game of n, or empty: each number from 1..n at
// most once, and no move after the one that took the last tolp.
std::optional<std::string> check_moves(std::int32_t n, const std::vector<std::int32_t>& moves);

struct MoveReview {
    enum class Kind {
        keeps_win,     // a won position stays won
        gives_away,    // a won position is thrown away; `moves` would have won
        already_lost,  // every move lost here; `moves` are the other side's winning replies
        takes_last,    // the position was lost and this move took the last tolp
        beyond,        // the position is beyond the solver
        not_known,     // the move is not known and its verdict depends on it;
                       // `moves` are the numbers it could have been that keep the win
    };
    Kind kind;
    std::optional<std::int64_t> pile;  // before the move; empty when an unknown move came before
    PlayedMove move;
    bool took_last;                    // the move took the last tolp
    std::vector<std::int32_t> moves;
};

struct Review {
    PlayedGame game;
    std::vector<MoveReview> moves;
    std::optional<bool> first_mover_wins;   // with perfect play from the start; empty when beyond
    std::optional<std::size_t> first_mistake;  // index of the first move that gave the game away
    bool over = false;                      // the last move took the last tolp
};

// Reviews `game` (whose moves follow the rules), solving each position once.
Review review_game(const PlayedGame& game, const SolveStep& solve);

// The report: a header, one aligned line per move (wrapped within 80
// columns), and the first move that gave the game away.
void print_review(const Review& review, std::ostream& out);

}  // namespace tolp::analysis
