// Argument handling and output of tolp-analyze.
#include "analysis/analyze_command.hpp"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "analysis/solver.hpp"

namespace tolp::analysis {
namespace {

constexpr int BAD_ARGUMENTS = 2;

const std::string USAGE =
    "Usage: tolp-analyze N [TAKEN ...]\n"
    "       tolp-analyze --table MAX\n"
    "       tolp-analyze --help | --version\n"
    "\n"
    "Perfect play in Tolp 2 (the pile holds n*n/4 tolps; each number 1..n is\n"
    "used once; whoever takes the last tolp loses).\n"
    "\n"
    "  N [TAKEN ...]  the game with numbers 1..N after the numbers TAKEN are gone:\n"
    "                 who wins with best play, and the winning moves\n"
    "  --table MAX    who wins each game from the start, for n = 2..MAX\n"
    "\n"
    "N and MAX range from 2 to " + std::to_string(LARGEST_SOLVABLE_N) +
    ": beyond that the analysis would take too long.\n";

// Why an argument was refused; empty when it was accepted.
using Refusal = std::string;

std::optional<std::int32_t> parse_number(std::string_view text) {
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

Refusal not_a_number(std::string_view text) {
    return Refusal("'").append(text).append("' is not a number");
}

// Reads N or MAX into `n`.
Refusal read_game_size(std::string_view text, const char* what, std::int32_t& n) {
    const auto value = parse_number(text);
    if (!value) {
        return not_a_number(text);
    }
    if (*value < 2 || *value > LARGEST_SOLVABLE_N) {
        return std::string(what) + " must be from 2 to " + std::to_string(LARGEST_SOLVABLE_N) +
               ", not " + std::string(text);
    }
    n = *value;
    return {};
}

// Reads the taken numbers of a game with numbers 1..n into `taken`.
Refusal read_taken(std::span<const std::string_view> texts, std::int32_t n,
                   std::vector<std::int32_t>& taken) {
    for (const std::string_view text : texts) {
        const auto m = parse_number(text);
        if (!m) {
            return not_a_number(text);
        }
        if (*m < 1 || *m > n) {
            return "taken number " + std::string(text) + " is outside 1.." + std::to_string(n);
        }
        if (std::find(taken.begin(), taken.end(), *m) != taken.end()) {
            return "taken number " + std::string(text) + " is given twice";
        }
        taken.push_back(*m);
    }
    return {};
}

std::string joined(const std::vector<std::int32_t>& numbers, const char* if_none) {
    if (numbers.empty()) {
        return if_none;
    }
    std::string text;
    for (const std::int32_t m : numbers) {
        if (!text.empty()) {
            text += ' ';
        }
        text += std::to_string(m);
    }
    return text;
}

Refusal analyze_position(std::span<const std::string_view> args, std::ostream& out) {
    std::int32_t n = 0;
    std::vector<std::int32_t> taken;
    if (auto refusal = read_game_size(args[0], "N", n); !refusal.empty()) {
        return refusal;
    }
    if (auto refusal = read_taken(args.subspan(1), n, taken); !refusal.empty()) {
        return refusal;
    }
    Solver solver(n);
    const TakenSet set = taken_set(taken);
    const std::int32_t pile = solver.pile(set);
    if (pile <= 0) {
        return "the numbers taken leave no tolps (pile " + std::to_string(pile) +
               "): the game is over";
    }
    std::sort(taken.begin(), taken.end());
    out << "n " << n << ", pile " << pile << ", taken: " << joined(taken, "none") << "\n";
    const auto winning = solver.winning_moves(set);
    if (winning.empty()) {
        out << "The other side wins with best play: every move of the side to move loses.\n";
    } else {
        out << "The side to move wins with best play. Winning moves: " << joined(winning, "")
            << "\n";
    }
    return {};
}

void print_table(std::int32_t largest, std::ostream& out) {
    out << " n  pile  winner  winning first moves\n";
    for (std::int32_t n = 2; n <= largest; ++n) {
        Solver solver(n);
        const auto winning = solver.winning_moves(0);
        char line[64];
        std::snprintf(line, sizeof line, "%2d  %4d  %-6s  ", n, solver.pile(0),
                      winning.empty() ? "second" : "first");
        out << line << joined(winning, "-") << "\n";
    }
}

// Runs the command; a refusal is reported by the caller.
Refusal analyze(std::span<const std::string_view> args, std::ostream& out) {
    if (args.size() == 1 && args[0] == "--help") {
        out << USAGE;
        return {};
    }
    if (args.size() == 1 && args[0] == "--version") {
        out << "tolp-analyze " TOLP_VERSION "\n";
        return {};
    }
    if (!args.empty() && args[0] == "--table") {
        std::int32_t largest = 0;
        if (args.size() != 2) {
            return "--table takes one number, MAX";
        }
        if (auto refusal = read_game_size(args[1], "MAX", largest); !refusal.empty()) {
            return refusal;
        }
        print_table(largest, out);
        return {};
    }
    if (args.empty()) {
        return "no position given";
    }
    if (args[0].starts_with("-") && !parse_number(args[0])) {
        return "unknown option " + std::string(args[0]);
    }
    return analyze_position(args, out);
}

}  // namespace

int run_analyze(std::span<const std::string_view> args, std::ostream& out, std::ostream& err) {
    const Refusal refusal = analyze(args, out);
    if (refusal.empty()) {
        return 0;
    }
    err << "tolp-analyze: " << refusal << "\n" << USAGE;
    return BAD_ARGUMENTS;
}

}  // namespace tolp::analysis
