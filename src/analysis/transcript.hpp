// Reading a game back from what the game printed: a file of its output, a
// log kept with `script` (the typed answers echoed after each question), or a
// copy of a terminal's scrollback.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <variant>

#include "analysis/played_game.hpp"

namespace tolp::analysis {

// Why a text is not the transcript of one whole game, and where: `line`
// counts from 1, and is 0 when no one line is to blame.
struct TranscriptError {
    std::size_t line;
    std::string what;

    bool operator==(const TranscriptError&) const = default;
};

// The one game that `text` holds. Lines may end in CR LF; text before the
// game's welcome and after its result (a shell's prompt, the command) is
// passed over. A move the output does not fix, and that no typed answer
// shows, is returned as the range it lies in.
std::variant<PlayedGame, TranscriptError> read_transcript(std::string_view text);

}  // namespace tolp::analysis
