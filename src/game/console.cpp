// Printing messages, and the console on standard input and output.
#include "game/console.hpp"

#include <unistd.h>

#include <cstdarg>

namespace tolp {

void Console::say(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::vfprintf(out_, format, args);
    va_end(args);
    if (out_to_terminal_) {
        std::fflush(out_);
    }
}

Console stdio_console() {
    constexpr std::size_t OUTPUT_BUFFER_SIZE = 4096;
    // Fully buffered even on a terminal: the terminal case flushes after each
    // message itself, and a fully buffered stream is never flushed by reads.
    std::setvbuf(stdout, nullptr, _IOFBF, OUTPUT_BUFFER_SIZE);
    return Console(stdin, isatty(STDIN_FILENO) != 0, stdout, isatty(STDOUT_FILENO) != 0);
}

}  // namespace tolp
