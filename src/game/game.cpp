// The dialogue and the turn loop of one game.
#include "game/game.hpp"

#include <algorithm>
#include <vector>

#include "common/rules.hpp"
#include "game/answer_value.hpp"
#include "game/time_limit.hpp"
#include "search/choose_move.hpp"
#include "search/search_state.hpp"

namespace tolp {
namespace {

// How the game ended: normally (a result, or n gave no pile), or because the
// input ran out while an answer was awaited.
enum class Ending { finished, input_ended };

struct Game {
    explicit Game(std::int32_t chosen_n)
        : n(chosen_n), pile(starting_pile(chosen_n)),
          taken(static_cast<std::size_t>(chosen_n) + 1),
          search_copy(static_cast<std::size_t>(chosen_n) + 1) {}

    void take(std::int32_t k) {
        taken[static_cast<std::size_t>(k)] = 1;
        pile -= k;
    }

    std::int32_t n;
    std::int32_t pile;
    std::vector<std::int32_t> taken;        // 1 once a number has been removed
    std::vector<std::int32_t> search_copy;  // the computer's scratch copy of taken
};

// Asks until the user names a legal number, then makes that move.
Ending user_turn(Console& console, Game& game) {
    for (;;) {
        console.say("\n%d tolps left", game.pile);
        console.say("\nHow many will you take? ");
        const auto answer = console.answers().read_answer();
        if (!answer) {
            return Ending::input_ended;
        }
        const std::int32_t k = answer_value(*answer);
        if (k <= 0 || k > game.n || game.taken[static_cast<std::size_t>(k)] == 1) {
            console.say("\nYou can't do that!");
            continue;
        }
        game.take(k);
        return Ending::finished;
    }
}

void computer_turn(Console& console, Game& game) {
    std::copy(game.taken.begin(), game.taken.end(), game.search_copy.begin());
    const std::int32_t k = choose_move(game.pile, game.n, game.search_copy);
    console.say("\nComputer searched to depth %d for move of value % d and takes %d",
                search_state.depth_limit, search_state.move_value, k);
    game.take(k);
}

// Everything from the question for n to the result.
Ending play(Console& console) {
    const auto n_answer = console.answers().read_answer();
    if (!n_answer) {
        return Ending::input_ended;
    }
    const std::int32_t n = answer_value(*n_answer);

    console.say("\nYour opponent is the computer with a time limit of %3f seconds per move, "
                "(use command line to alter this)",
                seconds_per_move);
    console.say("\nWho to play first <h|c>?");
    const auto who_answer = console.answers().read_answer();
    if (!who_answer) {
        return Ending::input_ended;
    }
    bool computer_first = who_answer->front() == 'c';

    // Below 2 the pile is empty; above LARGEST_GAME_N it would not fit in 32 bits.
    if (n < 2 || n > LARGEST_GAME_N) {
        return Ending::finished;
    }
    Game game(n);
    for (;;) {
        if (!computer_first) {
            if (user_turn(console, game) == Ending::input_ended) {
                return Ending::input_ended;
            }
            if (game.pile <= 0) {
                console.say("\nI win");
                return Ending::finished;
            }
        }
        computer_first = false;
        computer_turn(console, game);
        if (game.pile <= 0) {
            console.say("\nYou win");
            return Ending::finished;
        }
    }
}

}  // namespace

int run_game(int argc, const char* const argv[], Console& console) {
    seconds_per_move = DEFAULT_SECONDS_PER_MOVE;
    if (argc > 2) {
        console.say("Usage: %s <numsecspermove>", argv[0]);
    }
    if (argc >= 2) {
        seconds_per_move = read_time_limit(argv[1]);
    }

    console.say("\nWelcome to Tolp 2, Pick a number between 1 and n. There are n^2/4 tolps and "
                "you take it in turns to remove a number of tolps.");
    console.say(" The catch is you can't remvove a number of tolps that has been taken before. "
                "The person to take the last tolp loses.");
    console.say("\n\nChoose n\n");

    const Ending ending = play(console);
    console.say("\nReturn to exit");
    if (ending == Ending::finished) {
        console.answers().wait_for_return();
    }
    return 0;
}

}  // namespace tolp
