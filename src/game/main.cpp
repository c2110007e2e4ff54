// The tolp program: one game of Tolp 2 on the terminal.
#include "common/checked_output.hpp"
#include "game/console.hpp"
#include "game/game.hpp"

int main(int argc, char* argv[]) {
    tolp::Console console = tolp::stdio_console();
    const int status = tolp::run_game(argc, argv, console);
    // Input that could not be read, or output that never arrived, is a
    // failure, even though the game itself went on to its end.
    return tolp::exit_status_after_output("tolp", console.output(), status, console.answers().read_error());
}
