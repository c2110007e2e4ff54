// Printing messages, and the console on standard input and output.
#include "game/console.hpp"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include <cstdarg>
#include <string>

#include "common/terminal.hpp"

namespace tolp {

void Console::say(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string text(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    std::vsnprintf(text.data(), text.size() + 1, format, again);
    va_end(again);

    output_.write(text.data(), text.size());
    if (out_to_terminal_) {
        output_.flush();
    }
}

// A web page has no standard streams: its console is in web_console.cpp.
#ifndef __EMSCRIPTEN__
Console stdio_console() {
#ifdef _WIN32
    // The answer reader does the text-mode translation itself (CR LF, 0x1A);
    // the C runtime's text mode would drop a carriage return a second time.
    // Standard output stays in text mode, so line feeds go out as CR LF.
    _setmode(_fileno(stdin), _O_BINARY);
#endif
    // The game's own buffer: given none, a C library may pick its size from
    // the file system instead of the 4096 bytes asked for.
    static char output_buffer[4096];
    // Fully buffered even on a terminal: the terminal case flushes after each
    // message itself, and a fully buffered stream is never flushed by reads.
    std::setvbuf(stdout, output_buffer, _IOFBF, sizeof output_buffer);
    return Console(stdin, is_terminal(stdin), stdout, is_terminal(stdout));
}
#endif

}  // namespace tolp
