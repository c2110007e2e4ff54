// The game's console: where its messages go and where its answers come from.
// Production wires it to standard input and output; tests to memory streams.
#pragma once

#include <cstdio>

#include "common/checked_output.hpp"
#include "game/answer_reader.hpp"

namespace tolp {

class Console {
public:
    // `out_to_terminal`: every message is written out as soon as it is
    // printed, so a prompt is visible while the program waits. Otherwise the
    // stream's own buffer decides, and reading an answer does not flush it.
    Console(std::FILE* in, bool in_from_terminal, std::FILE* out, bool out_to_terminal)
        : answers_(in, in_from_terminal), output_(out), out_to_terminal_(out_to_terminal) {}

    // Prints one message, printf-style. The message is formatted first and
    // handed to the stream in one piece, so no C library writes it out in
    // parts. A failed write does not stop the game: it is remembered.
    [[gnu::format(printf, 2, 3)]] void say(const char* format, ...);

    AnswerReader& answers() { return answers_; }

    CheckedOutput& output() { return output_; }

private:
    AnswerReader answers_;
    CheckedOutput output_;
    bool out_to_terminal_;
};

// Standard input and output, with output held in a 4096-byte buffer unless it
// goes to a terminal. Call once, before anything is printed.
Console stdio_console();

}  // namespace tolp
