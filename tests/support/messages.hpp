// The game's texts as a user sees them, written out independently of the
// program so that transcripts are checked byte for byte.
#pragma once

#include <string>

namespace tolp::testing {

inline const std::string RULES =
    "\nWelcome to Tolp 2, Pick a number between 1 and n. There are n^2/4 tolps and you take it "
    "in turns to remove a number of tolps. The catch is you can't remvove a number of tolps "
    "that has been taken before. The person to take the last tolp loses.\n\nChoose n\n";
inline const std::string WHO = "\nWho to play first <h|c>?";
inline const std::string REFUSED = "\nYou can't do that!";
inline const std::string END = "\nReturn to exit";

// The strings below are built by appending, not by "\n" + std::to_string(...):
// g++ 12 at -O3 warns falsely (-Wrestrict) about the inlined insertion.

// The opponent line, with the time limit as the game prints it ("0.950000").
inline std::string opponent(const std::string& seconds) {
    std::string text = "\nYour opponent is the computer with a time limit of ";
    return text.append(seconds).append(" seconds per move, (use command line to alter this)");
}

// The pile line and the question for the user's move.
inline std::string ask(long pile) {
    std::string text = "\n";
    return text.append(std::to_string(pile)).append(" tolps left\nHow many will you take? ");
}

// The computer's report; `value` as printed: " 1", " 0" or "-1".
inline std::string report(int depth, const std::string& value, long takes) {
    std::string text = "\nComputer searched to depth ";
    return text.append(std::to_string(depth))
        .append(" for move of value ")
        .append(value)
        .append(" and takes ")
        .append(std::to_string(takes));
}

}  // namespace tolp::testing
