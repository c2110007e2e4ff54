// The game's fixed texts as a user sees them, written out independently of
// the program so that transcripts are checked byte for byte.
#pragma once

#include <string>

namespace tolp::testing {

inline const std::string RULES =
    "\nWelcome to Tolp 2, Pick a number between 1 and n. There are n^2/4 tolps and you take it "
    "in turns to remove a number of tolps. The catch is you can't remvove a number of tolps "
    "that has been taken before. The person to take the last tolp loses.\n\nChoose n\n";

}  // namespace tolp::testing
