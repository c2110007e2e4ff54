// The tolp-analyze command: who wins a position with perfect play, and the
// table of who wins each game from the start.
#pragma once

#include <ostream>
#include <span>
#include <string_view>

namespace tolp::analysis {

// Runs `tolp-analyze args...` (args without the program's name), writing
// results to `out` and errors with the usage to `err`. Returns the exit
// status: 0, or 2 for bad arguments.
int run_analyze(std::span<const std::string_view> args, std::ostream& out, std::ostream& err);

}  // namespace tolp::analysis
