// The console of the game in a web page: the page's terminal, reached from
// the Web Worker the game runs in (web/worker.js). The build uses this file
// instead of the standard streams when it targets the browser.
#include <emscripten.h>
#include <stdio.h>
#include <sys/types.h>

#include <climits>
#include <cstddef>

#include "game/console.hpp"

// Waits, without blocking the worker, for what the terminal sends: a line as
// the user ends it with Return, or the end of the input. Asyncify unwinds
// the game's stack while the worker waits and winds it back afterwards.
// Returns the bytes stored, 0 at the end of the input.
EM_ASYNC_JS(int, tolp_terminal_read, (char* buffer, int size), {
    return await Module.terminalRead(buffer, size);
});

// Shows the bytes on the terminal at once.
EM_JS(void, tolp_terminal_write, (const char* data, int size), {
    Module.terminalWrite(data, size);
});

namespace tolp {
namespace {

// One call asks for at most INT_MAX bytes, which the JavaScript side takes
// as a plain number.
int clamp_size(std::size_t size) { return size > INT_MAX ? INT_MAX : static_cast<int>(size); }

ssize_t read_terminal(void*, char* buffer, std::size_t size) {
    return tolp_terminal_read(buffer, clamp_size(size));
}

ssize_t write_terminal(void*, const char* data, std::size_t size) {
    const int part = clamp_size(size);
    tolp_terminal_write(data, part);
    return part;
}

}  // namespace

Console stdio_console() {
    const cookie_io_functions_t terminal{read_terminal, write_terminal, nullptr, nullptr};
    // Both ends are the page's terminal: every message shows as soon as it
    // is printed, and the byte 0x1A ends only the read in progress.
    return Console(fopencookie(nullptr, "r", terminal), true, fopencookie(nullptr, "w", terminal), true);
}

}  // namespace tolp
