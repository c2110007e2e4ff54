// Argument handling and output of tolp-analyze.
#include "analysis/analyze_command.hpp"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "analysis/layered_solver.hpp"
#include "analysis/number_list.hpp"
#include "analysis/progress_line.hpp"
#include "common/rules.hpp"
#include "common/terminal.hpp"
#include "analysis/review_command.hpp"
#include "analysis/whole_number.hpp"
#include "tolp/version.hpp"

namespace tolp::analysis {
namespace {

// Exit statuses besides 0.
constexpr int FAILURE = 1;  // the run was refused for memory, ran out of it, or could not start a thread
constexpr int BAD_ARGUMENTS = 2;

const std::string USAGE =
    "Usage: tolp-analyze [OPTION]... N [TAKEN]...\n"
    "       tolp-analyze [OPTION]... --table MAX\n"
    "       tolp-analyze [OPTION]... --review [FILE]\n"
    "       tolp-analyze [OPTION]... --review --moves N K1 K2...\n"
    "\n"
    "Perfect play in Tolp 2 (the pile holds n*n/4 tolps; each number 1..n is\n"
    "used once; whoever takes the last tolp loses).\n"
    "\n"
    "  N [TAKEN]...     the game with numbers 1..N after the numbers TAKEN are gone:\n"
    "                   who wins with best play, and the winning moves\n"
    "  --table MAX      who wins each game from the start, for n = 2..MAX\n"
    "  --review [FILE]  the verdict on every move of a game played, and the first\n"
    "                   move that gave it away; FILE (standard input when absent\n"
    "                   or -) holds the game's output, such as a log kept with\n"
    "                   script(1)\n"
    "  --moves          with --review: the game is N and its moves in turn\n"
    "  --threads N      threads for the analysis (default: the CPUs this process\n"
    "                   may run on)\n"
    "  --memory SIZE    refuse a run that would need more memory than SIZE\n"
    "                   bytes (suffix K, M or G for KiB, MiB or GiB)\n"
    "  -h, --help       this text\n"
    "  --version        the version\n"
    "\n"
    "N and MAX range from 2 to " + std::to_string(LARGEST_SOLVED_N) +
    ". A run that needs more memory than this process may\n"
    "use (free memory, a cgroup's limit, ulimit -v) is refused, with what it\n"
    "would need. A review takes games up to n = 46340 and marks the positions\n"
    "it cannot solve \"beyond the solver\".\n";

// Why the command refused; empty when it was accepted.
struct Refusal {
    std::string reason;
    int status = BAD_ARGUMENTS;
    bool suggest_help = true;
    bool empty() const { return reason.empty(); }
};

Refusal bad(std::string reason) { return {std::move(reason), BAD_ARGUMENTS}; }

// An argument as a message shows it: cut to a sensible length, and with
// its control characters escaped, so that no argument can flood or steer
// the terminal.
std::string shown(std::string_view text) {
    constexpr std::size_t LONGEST_SHOWN = 40;
    std::string out;
    for (std::size_t i = 0; i < text.size() && i < LONGEST_SHOWN; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7f) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    if (text.size() > LONGEST_SHOWN) {
        out += "\u2026";
    }
    return out;
}

// Decimal digits with an optional minus sign: a number, whatever its size.
bool is_integer(std::string_view text) {
    if (text.starts_with('-')) {
        text.remove_prefix(1);
    }
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

Refusal not_a_number(std::string_view text) {
    // Appended rather than "'" + std::string(text): g++ 12 at -O3 warns
    // falsely (-Wrestrict) about the inlined insertion at the front.
    std::string reason = "'";
    return bad(reason.append(shown(text)).append("' is not a number"));
}

// Reads N or MAX into `n`.
Refusal read_game_size(std::string_view text, const char* what, std::int32_t& n) {
    const std::string range = std::string(what) + " is from 2 to " + std::to_string(LARGEST_SOLVED_N);
    const auto value = whole_number<std::int32_t>(text);
    if (!value && is_integer(text)) {
        return bad(shown(text) + " is out of range; " + range);
    }
    if (!value) {
        return not_a_number(text);
    }
    if (*value < 2 || *value > LARGEST_SOLVED_N) {
        return bad(std::string(what) + " must be from 2 to " + std::to_string(LARGEST_SOLVED_N) + ", not " +
                   shown(text));
    }
    n = *value;
    return {};
}

// Reads the taken numbers of a game with numbers 1..n into `taken`.
Refusal read_taken(std::span<const std::string_view> texts, std::int32_t n,
                   std::vector<std::int32_t>& taken) {
    for (const std::string_view text : texts) {
        const auto m = whole_number<std::int32_t>(text);
        if (!m && !is_integer(text)) {
            return not_a_number(text);
        }
        if (!m || *m < 1 || *m > n) {
            return bad("taken number " + shown(text) + " is outside 1.." + std::to_string(n));
        }
        if (std::find(taken.begin(), taken.end(), *m) != taken.end()) {
            return bad("taken number " + shown(text) + " is given twice");
        }
        taken.push_back(*m);
    }
    return {};
}

// A size in bytes: digits, then optionally K, M or G (powers of 1024).
std::optional<std::uint64_t> parse_size(std::string_view text) {
    std::uint64_t unit = 1;
    if (!text.empty()) {
        switch (text.back()) {
        case 'K': case 'k': unit = std::uint64_t{1} << 10; break;
        case 'M': case 'm': unit = std::uint64_t{1} << 20; break;
        case 'G': case 'g': unit = std::uint64_t{1} << 30; break;
        default: break;
        }
    }
    if (unit != 1) {
        text.remove_suffix(1);
    }
    const auto value = whole_number<std::uint64_t>(text);
    if (!value || *value > UINT64_MAX / unit) {
        return std::nullopt;
    }
    return *value * unit;
}

// "1.5 GiB", "512 MiB", "64 KiB".
std::string size_text(std::uint64_t bytes) {
    char text[32];
    if (bytes >= (std::uint64_t{1} << 30)) {
        std::snprintf(text, sizeof text, "%.1f GiB", static_cast<double>(bytes) / (1 << 30));
    } else if (bytes >= (std::uint64_t{1} << 20)) {
        std::snprintf(text, sizeof text, "%.0f MiB", static_cast<double>(bytes) / (1 << 20));
    } else {
        std::snprintf(text, sizeof text, "%.0f KiB", static_cast<double>(bytes) / (1 << 10));
    }
    return text;
}

struct Request {
    bool table = false;
    bool review = false;
    bool moves = false;
    std::vector<std::string_view> operands;
    std::optional<unsigned> threads;
    std::optional<std::uint64_t> memory_limit;
    bool help = false;
    bool version = false;
};

// Options anywhere before "--"; "--name=value" as "--name value".
Refusal read_request(std::span<const std::string_view> args, Request& request) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view arg = args[i];
        if (arg == "--") {
            request.operands.insert(request.operands.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                                    args.end());
            break;
        }
        if (arg.size() < 2 || arg[0] != '-') {
            request.operands.push_back(arg);
            continue;
        }
        std::optional<std::string_view> value;
        if (const auto equals = arg.find('='); arg.starts_with("--") && equals != std::string_view::npos) {
            value = arg.substr(equals + 1);
            arg = arg.substr(0, equals);
        }
        const auto take_value = [&]() -> std::optional<std::string_view> {
            if (value) {
                return value;
            }
            if (i + 1 < args.size()) {
                return args[++i];
            }
            return std::nullopt;
        };
        if (arg == "-h" || arg == "--help") {
            request.help = true;
        } else if (arg == "--version") {
            request.version = true;
        } else if (arg == "--table") {
            const auto max = take_value();
            if (!max) {
                return bad("--table needs a number, MAX");
            }
            request.table = true;
            request.operands.push_back(*max);
        } else if (arg == "--review" || arg == "--moves") {
            (arg == "--review" ? request.review : request.moves) = true;
            if (arg == "--review" && value) {
                request.operands.push_back(*value);  // --review=FILE as --review FILE
                value.reset();
            }
        } else if (arg == "--threads") {
            const auto text = take_value();
            const auto count = text ? whole_number<unsigned>(*text) : std::nullopt;
            if (!count || *count < 1 || *count > 1024) {
                return bad("--threads needs a number from 1 to 1024");
            }
            request.threads = *count;
        } else if (arg == "--memory") {
            const auto text = take_value();
            const auto size = text ? parse_size(*text) : std::nullopt;
            if (!size) {
                return bad("--memory needs a size such as 4G, 512M or 1000000");
            }
            request.memory_limit = *size;
        } else {
            return bad("unknown option " + shown(arg));
        }
        if (value && (arg == "-h" || arg == "--help" || arg == "--version" || arg == "--moves")) {
            return bad(std::string(arg) + " takes no value");
        }
    }
    if (request.moves && !request.review) {
        return bad("--moves goes with --review");
    }
    if (request.review && request.table) {
        return bad("--review and --table do not go together");
    }
    return {};
}

class Analyst {
public:
    Analyst(const Request& request, const Machine& machine, const SolveOptions& seams, std::ostream& err)
        : request_(request), machine_(machine), seams_(seams), err_(err),
          threads_(request.threads.value_or(std::max(1u, machine.cores))) {}

    // Why `position` of a game of size n may not be solved here, if it may not.
    Refusal check_memory(std::int32_t n, const Position& position) const {
        const MemoryNeed need = memory_needed(position, threads_);
        const std::string game = "n = " + std::to_string(n);
        if (need.resident == std::numeric_limits<std::uint64_t>::max()) {
            return {game + ": too many numbers can still be taken for the solver", FAILURE};
        }
        // "n = 36 needs about 1.3 GiB of memory, more than the 1.0 GiB this process may use (...)"
        const auto too_much = [&](std::uint64_t needed, const char* of_what, const std::string& than) -> Refusal {
            return {game + " needs about " + size_text(needed) + " of " + of_what + ", more than " + than, FAILURE};
        };
        if (request_.memory_limit && need.resident > *request_.memory_limit) {
            return too_much(need.resident, "memory",
                            std::string("the limit of ") + size_text(*request_.memory_limit) + " (--memory)");
        }
        if (machine_.memory_available != 0 && need.resident > machine_.memory_available) {
            const std::string whose = machine_.memory_limit == MEMORY_AVAILABLE
                                          ? " this machine has free"
                                          : std::string(" this process may use (")
                                                .append(machine_.memory_limit)
                                                .append(")");
            return too_much(need.resident, "memory", std::string("the ") + size_text(machine_.memory_available) + whose);
        }
        if (need.address_space > machine_.address_space_available) {
            return too_much(need.address_space, "address space",
                            std::string("the ") + size_text(machine_.address_space_available) +
                                " this process may still map (ulimit -v)");
        }
        return {};
    }

    // Solves `position` of a game of size n, or says why it may not.
    Refusal solve(std::int32_t n, const Position& position, Solution& solution) {
        if (auto refusal = check_memory(n, position); !refusal.empty()) {
            return refusal;
        }
        SolveOptions options = seams_;
        options.threads = threads_;
        const auto start = std::chrono::steady_clock::now();
        ProgressLine progress(err_, machine_.progress_to_terminal, n);  // blanked out however the run ends
        options.on_progress = [&](const Progress& p) {
            progress.show(p, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        };
        solution = analysis::solve(position, options);
        return {};
    }

private:
    const Request& request_;
    const Machine& machine_;
    const SolveOptions& seams_;
    std::ostream& err_;
    unsigned threads_;
};

Refusal analyze_position(const Request& request, Analyst& analyst, std::ostream& out) {
    const auto& args = request.operands;
    if (args.empty()) {
        return bad("no position given");
    }
    std::int32_t n = 0;
    std::vector<std::int32_t> taken;
    if (auto refusal = read_game_size(args[0], "N", n); !refusal.empty()) {
        return refusal;
    }
    if (auto refusal = read_taken(std::span(args).subspan(1), n, taken); !refusal.empty()) {
        return refusal;
    }
    const Position position = position_after(n, taken);
    const std::int64_t pile = position.capacity + 1;
    if (pile <= 0) {
        return bad("the numbers taken leave no tolps (pile " + std::to_string(pile) + "): the game is over");
    }
    Solution solution;
    if (auto refusal = analyst.solve(n, position, solution); !refusal.empty()) {
        return refusal;
    }
    std::sort(taken.begin(), taken.end());
    out << "n " << n << ", pile " << pile << ", taken: " << joined(taken, "none") << "\n";
    if (!solution.verdict.side_to_move_wins) {
        out << "The other side wins with best play: every move of the side to move loses.\n";
    } else {
        out << "The side to move wins with best play. Winning moves: "
            << joined(solution.verdict.winning_moves, "") << "\n";
    }
    return {};
}

Refusal print_table(const Request& request, Analyst& analyst, std::ostream& out) {
    if (request.operands.size() != 1) {
        return bad("--table takes one number, MAX, and no position");
    }
    std::int32_t largest = 0;
    if (auto refusal = read_game_size(request.operands[0], "MAX", largest); !refusal.empty()) {
        return refusal;
    }
    if (auto refusal = analyst.check_memory(largest, position_after(largest, {})); !refusal.empty()) {
        return refusal;  // the largest game needs the most: refuse before the first line
    }
    out << " n  pile  winner  winning first moves\n";
    for (std::int32_t n = 2; n <= largest; ++n) {
        Solution solution;
        if (auto refusal = analyst.solve(n, position_after(n, {}), solution); !refusal.empty()) {
            return refusal;
        }
        char line[64];
        std::snprintf(line, sizeof line, "%2d  %4d  %-6s  ", n, starting_pile(n),
                      solution.verdict.side_to_move_wins ? "first" : "second");
        out << line << joined(solution.verdict.winning_moves, "-") << "\n" << std::flush;
        if (!out) {
            return {};  // the output is gone: the failure is reported as the program ends
        }
    }
    return {};
}

Refusal analyze(std::span<const std::string_view> args, const Machine& machine, const SolveOptions& seams,
                std::ostream& out, std::ostream& err) {
    Request request;
    if (auto refusal = read_request(args, request); !refusal.empty()) {
        return refusal;
    }
    if (request.help) {
        out << USAGE;
        return {};
    }
    if (request.version) {
        out << "tolp-analyze " TOLP_VERSION "\n";
        return {};
    }
    Analyst analyst(request, machine, seams, err);
    if (request.review) {
        // A position the machine cannot hold is reviewed as beyond the solver.
        const auto solve = [&](std::int32_t n, const Position& position) -> std::optional<Verdict> {
            Solution solution;
            return analyst.solve(n, position, solution).empty() ? std::optional(solution.verdict) : std::nullopt;
        };
        if (auto failure = run_review(request.operands, request.moves, std::cin, solve, out)) {
            return {failure->reason, failure->status, failure->bad_arguments};
        }
        return {};
    }
    return request.table ? print_table(request, analyst, out) : analyze_position(request, analyst, out);
}

}  // namespace

int run_analyze(std::span<const std::string_view> args, std::ostream& out, std::ostream& err,
                const Machine& machine, const SolveOptions& seams) {
    try {
        const Refusal refusal = analyze(args, machine, seams, out, err);
        if (refusal.empty()) {
            return 0;
        }
        err << "tolp-analyze: " << refusal.reason << "\n";
        if (refusal.status == BAD_ARGUMENTS && refusal.suggest_help) {
            err << "Try 'tolp-analyze --help'\n";
        }
        return refusal.status;
    } catch (const std::bad_alloc&) {
        err << "tolp-analyze: out of memory\n";
        return FAILURE;
    } catch (const ThreadStartFailure& e) {
        err << "tolp-analyze: cannot start a thread: " << e.what() << "\n";
        return FAILURE;
    }
}

}  // namespace tolp::analysis
