// Fuzzes the transcript reader and the review. An even first byte: the rest
// is read as a transcript, whatever it holds. An odd one: the rest answers
// a game (n from the first byte, no time to search), and the game's own
// output must read back as a game whenever it reached a result. Either way a
// game read back has legal moves and its review prints.
#include <cstdlib>
#include <set>
#include <sstream>
#include <string>
#include <variant>

#include "analysis/layered_solver.hpp"
#include "analysis/review.hpp"
#include "analysis/transcript.hpp"
#include "game/console.hpp"
#include "game/game.hpp"
#include "memory_file.hpp"

namespace {

void check(bool ok) {
    if (!ok) {
        std::abort();
    }
}

// What the game printed when `input` answered it.
std::string played(const std::string& input) {
    auto in = tolp::fuzzing::open_bytes(reinterpret_cast<const std::uint8_t*>(input.data()), input.size());
    char* output = nullptr;
    std::size_t output_size = 0;
    std::FILE* out = open_memstream(&output, &output_size);
    tolp::Console console(in.get(), false, out, false);
    const char* argv[] = {"tolp", "0", nullptr};
    tolp::run_game(2, argv, console);
    std::fclose(out);
    std::string transcript(output, output_size);
    std::free(output);
    return transcript;
}

// Each number once, within 1..n; a range only for a move not shown.
void check_game(const tolp::analysis::PlayedGame& game) {
    check(game.n >= 2 && !game.moves.empty());
    std::set<std::int32_t> known;
    for (const auto& move : game.moves) {
        check(1 <= move.smallest && move.smallest <= move.largest && move.largest <= game.n);
        if (move.known()) {
            check(known.insert(move.smallest).second);
        }
    }
    // Small games are solved; larger ones are all beyond the solver here.
    const auto review = tolp::analysis::review_game(game, [&](const tolp::analysis::Position& position) {
        return game.n <= 14 ? std::optional(tolp::analysis::solve(position, {}).verdict) : std::nullopt;
    });
    check(review.moves.size() == game.moves.size());
    std::ostringstream report;
    tolp::analysis::print_review(review, report);
    check(!report.str().empty());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
    std::string transcript = rest;
    if (data[0] % 2 == 1) {
        // n from -2 to 40.
        transcript = played(std::to_string(static_cast<int>(data[0] / 2 % 43) - 2) + "\n" + rest);
    }
    const auto game = tolp::analysis::read_transcript(transcript);
    if (const auto* read = std::get_if<tolp::analysis::PlayedGame>(&game)) {
        check_game(*read);
    } else if (data[0] % 2 == 1) {
        const bool ended = transcript.find("\nI win") != std::string::npos ||
                           transcript.find("\nYou win") != std::string::npos;
        check(!ended);
    }
    return 0;
}
