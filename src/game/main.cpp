// The tolp program: one game of Tolp 2 on the terminal.
#include "game/console.hpp"
#include "game/game.hpp"

int main(int argc, char* argv[]) {
    tolp::Console console = tolp::stdio_console();
    return tolp::run_game(argc, argv, console);
}
