// `tolp-analyze --review`: reading the game to review, from a transcript or
// from its moves, and printing the review only once all of it is known.
#include "analysis/review_command.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>
#include <variant>
#include <vector>

#include "analysis/review.hpp"
#include "analysis/transcript.hpp"
#include "analysis/whole_number.hpp"
#include "game/game.hpp"

namespace tolp::analysis {
namespace {

constexpr int CANNOT_READ = 1;
constexpr int NOT_A_GAME = 2;

std::optional<std::int32_t> number(std::string_view text) { return whole_number<std::int32_t>(text); }

ReviewFailure bad_arguments(std::string reason) { return {std::move(reason), NOT_A_GAME, true}; }

// N K1 K2 ...: the game with numbers 1..N and these moves in turn.
std::variant<PlayedGame, ReviewFailure> game_of_moves(std::span<const std::string_view> operands) {
    if (operands.empty()) {
        return bad_arguments("--moves needs N and the moves, K1 K2 ...");
    }
    const auto n = number(operands[0]);
    if (!n || *n < 2 || *n > tolp::LARGEST_GAME_N) {
        return bad_arguments("N must be from 2 to " + std::to_string(tolp::LARGEST_GAME_N) + ", not " +
                             std::string(operands[0]));
    }
    PlayedGame game{*n, std::nullopt, {}};
    std::vector<std::int32_t> moves;
    for (const std::string_view text : operands.subspan(1)) {
        const auto k = number(text);
        if (!k) {
            return bad_arguments("move '" + std::string(text) + "' is not a number");
        }
        moves.push_back(*k);
        game.moves.push_back(PlayedMove::taking(*k));
    }
    if (auto error = check_moves(*n, moves)) {
        return bad_arguments(*error);
    }
    return game;
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// The whole of FILE, or of standard input for "-".
std::variant<std::string, ReviewFailure> contents(std::string_view name, std::istream& standard_input) {
    if (name == "-") {
        std::string text(std::istreambuf_iterator<char>(standard_input), {});
        if (standard_input.bad()) {
            return ReviewFailure{"cannot read standard input", CANNOT_READ, false};
        }
        return text;
    }
    const std::string path(name);
    errno = 0;
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    std::string text;
    if (file) {
        char buffer[1 << 16];
        std::size_t got = 0;
        while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
            text.append(buffer, got);
        }
    }
    if (!file || std::ferror(file.get())) {
        return ReviewFailure{"cannot read " + path + ": " + std::strerror(errno != 0 ? errno : EIO),
                             CANNOT_READ, false};
    }
    return text;
}

std::variant<PlayedGame, ReviewFailure> game_of_transcript(std::span<const std::string_view> operands,
                                                           std::istream& standard_input) {
    if (operands.size() > 1) {
        return bad_arguments("--review takes one transcript, FILE");
    }
    const std::string_view name = operands.empty() ? "-" : operands[0];
    auto text = contents(name, standard_input);
    if (const auto* failure = std::get_if<ReviewFailure>(&text)) {
        return *failure;
    }
    auto game = read_transcript(std::get<std::string>(text));
    if (const auto* error = std::get_if<TranscriptError>(&game)) {
        // Built by appending: g++ 12 at -O3 warns falsely (-Wrestrict) about
        // an inlined "..." + std::string.
        std::string where = name == "-" ? "standard input" : std::string(name);
        if (error->line != 0) {
            where.append(":").append(std::to_string(error->line));
        }
        return ReviewFailure{where.append(": ").append(error->what), NOT_A_GAME, false};
    }
    return std::get<PlayedGame>(game);
}

}  // namespace

std::optional<ReviewFailure> run_review(std::span<const std::string_view> operands, bool as_moves,
                                        std::istream& standard_input, const SolveInGame& solve,
                                        std::ostream& out) {
    auto read = as_moves ? game_of_moves(operands) : game_of_transcript(operands, standard_input);
    if (auto* failure = std::get_if<ReviewFailure>(&read)) {
        return std::move(*failure);
    }
    const PlayedGame& game = std::get<PlayedGame>(read);
    const Review review =
        review_game(game, [&](const Position& position) { return solve(game.n, position); });
    print_review(review, out);
    return std::nullopt;
}

}  // namespace tolp::analysis
