// One run of the game: the command line, the rules, one game against the
// computer, and the final wait for Return.
#pragma once

#include <cstdint>

#include "game/console.hpp"

namespace tolp {

// The largest n whose starting pile, n*n/4, is computed without overflowing
// 32 bits.
inline constexpr std::int32_t LARGEST_GAME_N = 46340;

// Plays one run with the given command line (argv[0] is the program's name)
// on `console`. Always returns exit status 0.
int run_game(int argc, const char* const argv[], Console& console);

}  // namespace tolp
