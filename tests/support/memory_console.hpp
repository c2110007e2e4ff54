// Running whole games in-process: the answers come from a string, the
// messages go to a string, through the same Console the program uses.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "game/console.hpp"
#include "game/game.hpp"

namespace tolp::testing {

struct Transcript {
    std::string output;
    int status;
    std::string unread_input;  // what the game left of its input
};

namespace detail {
struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

inline std::string rest_of(std::FILE* f) {
    std::string text;
    for (int c = std::getc(f); c != EOF; c = std::getc(f)) {
        text.push_back(static_cast<char>(c));
    }
    return text;
}
}  // namespace detail

// Runs `tolp args...` with `input` as its answers. `terminal`: both ends
// behave as a terminal would (0x1A ends only the read in progress).
inline Transcript run_game_on(const std::vector<std::string>& args, std::string_view input,
                              bool terminal = false) {
    detail::File in(std::tmpfile());
    detail::File out(std::tmpfile());
    std::fwrite(input.data(), 1, input.size(), in.get());
    std::rewind(in.get());

    std::vector<const char*> argv{"tolp"};
    for (const auto& a : args) {
        argv.push_back(a.c_str());
    }
    argv.push_back(nullptr);
    Console console(in.get(), terminal, out.get(), terminal);
    const int status = run_game(static_cast<int>(argv.size() - 1), argv.data(), console);

    std::rewind(out.get());
    return {detail::rest_of(out.get()), status, detail::rest_of(in.get())};
}

}  // namespace tolp::testing
