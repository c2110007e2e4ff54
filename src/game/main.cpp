// The tolp program: one game of Tolp 2 on the terminal.
#include <cstdio>
#include <cstring>

#include "game/console.hpp"
#include "game/game.hpp"

int main(int argc, char* argv[]) {
    tolp::Console console = tolp::stdio_console();
    const int status = tolp::run_game(argc, argv, console);
    // Output that never arrived is a failure, even though the game itself
    // went on to its end for whoever was answering.
    if (const int error = console.finish_output(); error != 0) {
        std::fprintf(stderr, "tolp: cannot write output: %s\n", std::strerror(error));
        return 1;
    }
    return status;
}
