// Reviews of played games: transcripts of the real game read back, verdicts
// checked against tolp-analyze's answer for each position, and the inputs
// that are no game.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <variant>

#include "analysis/analyze_command.hpp"
#include "analysis/review.hpp"
#include "analysis/review_command.hpp"
#include "analysis/transcript.hpp"
#include "support/memory_console.hpp"

namespace tolp::testing {
namespace {

using analysis::MoveReview;
using analysis::PlayedGame;
using analysis::PlayedMove;
using Kind = MoveReview::Kind;

struct Command {
    int status;
    std::string out;
    std::string err;
};

Command analyze(const std::vector<std::string>& args) {
    const std::vector<std::string_view> views(args.begin(), args.end());
    std::ostringstream out;
    std::ostringstream err;
    const int status = analysis::run_analyze(views, out, err, {2, 0, false});
    return {status, out.str(), err.str()};
}

// What `tolp-analyze N TAKEN...` says of a position.
analysis::Verdict analyzed(std::int32_t n, const std::vector<std::int32_t>& taken) {
    std::vector<std::string> args{std::to_string(n)};
    for (const std::int32_t k : taken) {
        args.push_back(std::to_string(k));
    }
    const Command c = analyze(args);
    EXPECT_EQ(c.status, 0) << c.err;
    const std::string wins = "The side to move wins with best play. Winning moves:";
    analysis::Verdict verdict{false, {}};
    if (const auto at = c.out.find(wins); at != std::string::npos) {
        verdict.side_to_move_wins = true;
        std::istringstream numbers(c.out.substr(at + wins.size()));
        for (std::int32_t k = 0; numbers >> k;) {
            verdict.winning_moves.push_back(k);
        }
    }
    return verdict;
}

// The verdict on taking k from the position after `taken`, from what
// tolp-analyze says of that position and of the next.
MoveReview expected_review(std::int32_t n, std::vector<std::int32_t> taken, std::int32_t k) {
    std::int64_t pile = std::int64_t{n} * n / 4;
    for (const std::int32_t t : taken) {
        pile -= t;
    }
    const analysis::Verdict before = analyzed(n, taken);
    MoveReview review{Kind::takes_last, pile, PlayedMove::taking(k), k >= pile, {}};
    const bool wins = std::find(before.winning_moves.begin(), before.winning_moves.end(), k) !=
                      before.winning_moves.end();
    if (before.side_to_move_wins) {
        review.kind = wins ? Kind::keeps_win : Kind::gives_away;
        review.moves = wins ? std::vector<std::int32_t>{} : before.winning_moves;
    } else if (k < pile) {
        review.kind = Kind::already_lost;
        taken.push_back(k);
        review.moves = analyzed(n, taken).winning_moves;
    }
    return review;
}

// A review built with the solver the command uses.
analysis::Review reviewed(const PlayedGame& game) {
    return analysis::review_game(game, [](const analysis::Position& position) {
        return std::optional(analysis::solve(position, {}).verdict);
    });
}

// Every move's verdict is what tolp-analyze says of its position; a move
// the transcript does not show has a verdict only where every number it
// can have been agrees.
void expect_agrees_with_analyze(const analysis::Review& review) {
    const PlayedGame& game = review.game;
    ASSERT_EQ(review.moves.size(), game.moves.size());
    std::vector<std::int32_t> taken;
    for (std::size_t i = 0; i < game.moves.size(); ++i) {
        const MoveReview& got = review.moves[i];
        const PlayedMove move = game.moves[i];
        if (!move.known()) {
            std::set<Kind> kinds;
            std::vector<std::int32_t> keeping;
            for (std::int32_t k = move.smallest; k <= move.largest; ++k) {
                const bool later = std::any_of(game.moves.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                                               game.moves.end(),
                                               [k](const PlayedMove& m) { return m.known() && m.smallest == k; });
                if (std::find(taken.begin(), taken.end(), k) == taken.end() && !later) {
                    const Kind kind = expected_review(game.n, taken, k).kind;
                    kinds.insert(kind);
                    if (kind == Kind::keeps_win) {
                        keeping.push_back(k);
                    }
                }
            }
            ASSERT_FALSE(kinds.empty());
            EXPECT_EQ(got.kind, kinds.size() == 1 ? *kinds.begin() : Kind::not_known) << "move " << i + 1;
            if (kinds.size() > 1) {
                EXPECT_EQ(got.moves, keeping) << "move " << i + 1;
            }
            return;  // what follows depends on the number taken
        }
        const MoveReview want = expected_review(game.n, taken, move.smallest);
        EXPECT_EQ(got.kind, want.kind) << "move " << i + 1;
        EXPECT_EQ(got.pile, want.pile) << "move " << i + 1;
        EXPECT_EQ(got.moves, want.moves) << "move " << i + 1;
        EXPECT_EQ(got.took_last, want.took_last) << "move " << i + 1;
        taken.push_back(move.smallest);
    }
}

// Every line of a report fits an 80-column terminal.
void expect_fits_80_columns(const std::string& report) {
    std::istringstream lines(report);
    for (std::string line; std::getline(lines, line);) {
        EXPECT_LE(line.size(), 80u) << line;
    }
}

PlayedMove one_of(std::int32_t smallest, std::int32_t largest) { return {smallest, largest}; }
PlayedMove taking(std::int32_t k) { return PlayedMove::taking(k); }

struct PlayedCase {
    const char* name;
    std::vector<std::string> args;
    std::string answers;
    PlayedGame expected;
};

// Games played by the real game, the computer taking its smallest number
// (no time to search); the moves are the answers and those takes.
TEST(TranscriptTest, GamesPlayedAreReadBack) {
    const PlayedCase cases[] = {
        {"you first, refusals, ends You win", {"0"},
         "20\nh\n3\n5\n6\n7\n8\n9\n10\n11\n12\n13\n14\n15\n16\n17\n18\n19\n20\n\n",
         {20, false, {taking(3), taking(1), taking(5), taking(2), taking(6), taking(4), taking(7), taking(8),
                      taking(9), taking(10), taking(11), taking(12), one_of(13, 20), taking(14)}}},
        {"computer first, refusals of 0, 9 and a number taken", {"0"}, "8\nc\n2\n0\n9\n2\n8\n\n",
         {8, true, {taking(1), taking(2), taking(3), one_of(6, 8), taking(4)}}},
        {"ends I win", {"0"}, "8\nh\n1\n8\n7\n\n", {8, false, {taking(1), taking(2), taking(8), taking(3), one_of(4, 7)}}},
        {"a 9-character answer leaves its line feed as the next answer", {"0"},
         "10\nh\n000000004\n5\n10\n\n", {10, false, {taking(4), taking(1), taking(5), taking(2), taking(10), taking(3)}}},
        {"a 10-character n leaves its last character to answer who plays first", {"0"},
         "000000008c\n2\n8\n\n", {8, true, {taking(1), taking(2), taking(3), one_of(6, 8), taking(4)}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string output = run_game_on(c.args, c.answers).output;
        const auto game = analysis::read_transcript(output);
        ASSERT_TRUE(std::holds_alternative<PlayedGame>(game)) << std::get<analysis::TranscriptError>(game).what;
        EXPECT_EQ(std::get<PlayedGame>(game), c.expected);
        expect_agrees_with_analyze(reviewed(std::get<PlayedGame>(game)));
    }
}

// With no time limit the computer plays its best: both who-first answers,
// reviewed against tolp-analyze at every position.
TEST(TranscriptTest, GamesAgainstAFullSearchAgreeWithTheSolver) {
    const std::pair<const char*, const char*> cases[] = {
        {"9\nc\n1\n2\n3\n4\n5\n6\n7\n8\n9\n\n", "computer first"},
        {"9\nh\n2\n1\n3\n4\n5\n6\n7\n8\n9\n\n", "you first"},
        {"12\nh\n1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11\n12\n\n", "you first, a lost start"},
    };
    for (const auto& [answers, name] : cases) {
        SCOPED_TRACE(name);
        const std::string output = run_game_on({"1e999"}, answers).output;
        const auto game = analysis::read_transcript(output);
        ASSERT_TRUE(std::holds_alternative<PlayedGame>(game)) << std::get<analysis::TranscriptError>(game).what;
        EXPECT_EQ(*std::get<PlayedGame>(game).computer_first, std::string_view(name).starts_with("computer"));
        expect_agrees_with_analyze(reviewed(std::get<PlayedGame>(game)));
    }
}

// Lines ending in CR LF, as a Windows console or `script` writes them, and
// lines whose trailing blank a copy from a terminal lost, read as the same
// game.
TEST(TranscriptTest, LineEndsAndTrailingBlanksChangeNothing) {
    const std::string output = run_game_on({"0"}, "8\nh\n1\n8\n7\n\n").output;
    std::string crlf;
    std::string trimmed;
    for (const char c : output) {
        crlf += c == '\n' ? "\r\n" : std::string(1, c);
        if (c == '\n' && trimmed.ends_with(' ')) {
            trimmed.pop_back();
        }
        trimmed += c;
    }
    ASSERT_NE(trimmed, output);
    EXPECT_EQ(analysis::read_transcript(crlf), analysis::read_transcript(output));
    EXPECT_EQ(analysis::read_transcript(trimmed), analysis::read_transcript(output));
    EXPECT_TRUE(std::holds_alternative<PlayedGame>(analysis::read_transcript(output)));
}

// The opening table: at n = 20 the first player wins with 1 2 7 8 10 11 12
// 13 14, so a first move of 3 gives the game away, whatever follows (here
// three more moves that each give the win away again).
TEST(ReviewTest, AKnownMistakeIsTheFirstToGiveTheGameAway) {
    const Command c = analyze({"--review", "--moves", "20", "3", "1", "5", "2"});
    EXPECT_EQ(c.status, 0);
    EXPECT_EQ(c.err, "");
    EXPECT_TRUE(c.out.starts_with("n = 20, 100 tolps.\n\n"
                                  "move  by      pile  took  verdict\n"
                                  "   1  first    100     3  gives the win away (winning: 1 2 7 8 10 11 12 13 14)\n"))
        << c.out;
    EXPECT_TRUE(c.out.ends_with("\nThe game was given away at move 1, where the first player took 3 of 100.\n"))
        << c.out;
    const analysis::Review review =
        reviewed({20, std::nullopt, {taking(3), taking(1), taking(5), taking(2)}});
    EXPECT_EQ(review.first_mistake, 0u);
    EXPECT_EQ(review.moves[3].kind, Kind::gives_away);
    expect_agrees_with_analyze(review);
}

// The move a transcript does not show has a verdict only where every number
// it can have been agrees, and the moves after it have no known pile. At
// n = 10 after 1 and 4 the winning moves are 2 3 6 7: of 5..7 only 5 loses.
TEST(ReviewTest, AMoveNotShownHasAVerdictOnlyWhereEveryNumberAgrees) {
    const analysis::Review review = reviewed({10, false, {taking(1), taking(4), one_of(5, 7), taking(8)}});
    ASSERT_EQ(review.moves.size(), 4u);
    EXPECT_EQ(review.moves[2].kind, Kind::not_known);
    EXPECT_EQ(review.moves[2].moves, (std::vector<std::int32_t>{6, 7}));
    EXPECT_EQ(review.moves[3].pile, std::nullopt);
    expect_agrees_with_analyze(review);
    std::ostringstream out;
    analysis::print_review(review, out);
    EXPECT_NE(out.str().find("   3  you         20  5..7  not known: it keeps the win only if it was 6 7\n"
                             "   4  computer     ?     8  not known: it depends on the move before\n"),
              std::string::npos)
        << out.str();
}

// After a move not known, a move that gives the win away in every way the
// game may have gone does so at a pile not known. At n = 10 after 1 and 9
// the side to move loses: 5, 6 or 7 leave the other side a win, which
// taking 10 throws away.
TEST(ReviewTest, AMistakeAfterAMoveNotShownHasNoPile) {
    const analysis::Review review = reviewed({10, std::nullopt, {taking(1), taking(9), one_of(5, 7), taking(10)}});
    expect_agrees_with_analyze(review);
    EXPECT_EQ(review.first_mistake, 3u);
    std::ostringstream out;
    analysis::print_review(review, out);
    EXPECT_TRUE(out.str().ends_with("   4  second     ?    10  takes the last tolp and gives the win away\n"
                                    "\n"
                                    "The game was given away at move 4, where the second player took 10.\n"))
        << out.str();
}

// Perfect play on both sides: the side to move takes its smallest winning
// move, or its smallest move when it has none; no move gives the game away.
TEST(ReviewTest, AWinnerWhoNeverLetGoIsNamed) {
    const std::pair<std::int32_t, const char*> cases[] = {
        {10, "No move gave the game away: the second player won from the start and never let\n"
             "the win go.\n"},
        {12, "No move gave the game away: the first player won from the start and never let\n"
             "the win go.\n"},
    };
    for (const auto& [n, summary] : cases) {
        std::vector<std::int32_t> taken;
        std::vector<std::string> args{"--review", "--moves", std::to_string(n)};
        for (std::int64_t pile = std::int64_t{n} * n / 4; pile > 0;) {
            const analysis::Verdict verdict = analyzed(n, taken);
            std::int32_t k = 1;
            while (std::find(taken.begin(), taken.end(), k) != taken.end()) {
                ++k;
            }
            if (verdict.side_to_move_wins) {
                k = verdict.winning_moves.front();
            }
            taken.push_back(k);
            args.push_back(std::to_string(k));
            pile -= k;
        }
        const Command c = analyze(args);
        EXPECT_EQ(c.status, 0);
        EXPECT_TRUE(c.out.ends_with(summary)) << c.out;
        expect_fits_80_columns(c.out);
    }
}

// Above n = 40 the positions with more numbers than the solver holds, or
// that need more memory than allowed, are beyond it; the rest are reviewed.
TEST(ReviewTest, PositionsBeyondTheSolverAreMarkedAndTheRestReviewed) {
    // 60..44 bring the pile from 900 to 16; then 1..5 leave 1 and 6 takes it.
    std::vector<std::string> args{"--memory", "64M", "--review", "--moves", "60"};
    PlayedGame game{60, std::nullopt, {}};
    for (std::int32_t k = 60; k >= 44; --k) {
        game.moves.push_back(taking(k));
    }
    for (std::int32_t k = 1; k <= 6; ++k) {
        game.moves.push_back(taking(k));
    }
    for (const PlayedMove& m : game.moves) {
        args.push_back(std::to_string(m.smallest));
    }
    const analysis::Review review = reviewed(game);
    for (std::size_t i = 0; i < game.moves.size(); ++i) {
        EXPECT_EQ(review.moves[i].kind == Kind::beyond, i < 17) << "move " << i + 1;
    }
    // The rest is the game of 1..15 with 15 tolps to spare, whatever n is.
    EXPECT_EQ(review.moves.back().kind, Kind::takes_last);
    const Command c = analyze(args);
    EXPECT_EQ(c.status, 0) << c.err;
    EXPECT_NE(c.out.find("  44  beyond the solver\n"), std::string::npos) << c.out;
    EXPECT_NE(c.out.find("\n  23  first"), std::string::npos) << c.out;
    expect_fits_80_columns(c.out);

    // A memory limit puts every position beyond the solver, without refusing.
    const Command tight = analyze({"--memory", "1K", "--review", "--moves", "8", "1", "2"});
    EXPECT_EQ(tight.status, 0) << tight.err;
    EXPECT_TRUE(tight.out.ends_with("No move is known to have given the game away; some verdicts are not known.\n"))
        << tight.out;
}

// A scratch file, removed at the end of the test.
class ScratchFile {
public:
    explicit ScratchFile(const std::string& text) {
        static int made = 0;
        path_ = (std::filesystem::temp_directory_path() /
                 ("tolp-review-test-" + std::to_string(++made) + ".log")).string();
        std::ofstream(path_, std::ios::binary) << text;
    }
    ~ScratchFile() { std::remove(path_.c_str()); }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    const auto at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

// Input that is no game: one line naming the line, status 2, and nothing on
// standard output; a file that cannot be read: status 1.
TEST(ReviewTest, WhatIsNoGameIsRefusedInOneLine) {
    const std::string game = run_game_on({"0"}, "20\nh\n3\n5\n6\n7\n8\n9\n10\n11\n12\n13\n14\n15\n16\n17\n18\n19\n20\n\n").output;
    // Line 8 is "100 tolps left", 12 the question at 96, 13 the computer's 2 and
    // 23 the pile again after the refusal at 64.
    const std::pair<std::string, std::string> cases[] = {
        {"hello\nworld\n", ": not a transcript of the game: no line holds its welcome"},
        {game.substr(0, game.find("89 tolps left")), ":13: the transcript ends before the game does"},
        {game + "\n" + game, ":41: a second game starts here; review one game at a time"},
        {replaced(game, "takes 2\n", "takes 1\n"),
         ":13: the computer took 1, which was taken before"},
        {replaced(game, "takes 2\n89 tolps", "takes 21\n70 tolps"), ":13: the computer took 21, outside 1..20"},
        {replaced(game, "89 tolps left", "95 tolps left"),
         ":12: you took -1, outside 1..20 (the piles 96 and 95 do not add up)"},
        {run_game_on({"0"}, "1\nh\n\n").output, ":8: the game ends before its first move (its n leaves no tolps)"},
        {replaced(game, "96 tolps left", "0 tolps left"), ":11: the game goes on after the last tolp was taken"},
        {replaced(game, "100 tolps left", "101 tolps left"), ":8: a starting pile of 101 tolps is no game's"},
        {replaced(game, "64 tolps left\nHow many will you take? \nComputer",
                  "63 tolps left\nHow many will you take? \nComputer"),
         ":23: a refused answer changes nothing, yet the pile changed"},
    };
    for (const auto& [text, message] : cases) {
        const ScratchFile file(text);
        const Command c = analyze({"--review", file.path()});
        EXPECT_EQ(c.status, 2);
        EXPECT_EQ(c.out, "");
        EXPECT_EQ(c.err, "tolp-analyze: " + file.path() + message + "\n");
    }
    for (const auto& args : {std::vector<std::string>{"--review", "/nonexistent/game.log"},
                             std::vector<std::string>{"--review=/nonexistent/game.log"}}) {
        const Command missing = analyze(args);
        EXPECT_EQ(missing.status, 1);
        EXPECT_EQ(missing.out, "");
        EXPECT_EQ(missing.err, "tolp-analyze: cannot read /nonexistent/game.log: No such file or directory\n");
    }
    // A folder opens on some systems, but does not read.
    const std::string folder = std::filesystem::temp_directory_path().string();
    const Command unreadable = analyze({"--review", folder});
    EXPECT_EQ(unreadable.status, 1);
    EXPECT_EQ(unreadable.out, "");
    EXPECT_TRUE(unreadable.err.starts_with("tolp-analyze: cannot read " + folder + ": ")) << unreadable.err;
}

// Moves that the rules forbid, and options that do not go together.
TEST(ReviewTest, BadMovesAndOptionsAreRefused) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--review", "--moves", "20", "3", "3"}, "move 2: 3 was taken before"},
        {{"--review", "--moves", "20", "21"}, "move 1: 21 is outside 1..20"},
        {{"--review", "--moves", "20", "0"}, "move 1: 0 is outside 1..20"},
        {{"--review", "--moves", "3", "2", "1"}, "move 2: the game was over: the move before took the last tolp"},
        {{"--review", "--moves", "1"}, "N must be from 2 to 46340, not 1"},
        {{"--review", "--moves", "20", "x"}, "move 'x' is not a number"},
        {{"--review", "--moves"}, "--moves needs N and the moves, K1 K2 ..."},
        {{"--moves", "20", "3"}, "--moves goes with --review"},
        {{"--review", "a", "b"}, "--review takes one transcript, FILE"},
        {{"--review", "--table", "5"}, "--review and --table do not go together"},
        {{"--review", "--moves=1", "20"}, "--moves takes no value"},
    };
    for (const auto& [args, message] : cases) {
        const Command c = analyze(args);
        EXPECT_EQ(c.status, 2);
        EXPECT_EQ(c.out, "");
        EXPECT_EQ(c.err, "tolp-analyze: " + message + "\nTry 'tolp-analyze --help'\n");
    }
}

// Without FILE, or with -, the transcript comes from standard input.
TEST(ReviewTest, TranscriptFromStandardInput) {
    const std::string game = run_game_on({"0"}, "8\nh\n1\n8\n7\n\n").output;
    const auto solve = [](std::int32_t, const analysis::Position& position) {
        return std::optional(analysis::solve(position, {}).verdict);
    };
    for (const std::vector<std::string_view>& operands : {std::vector<std::string_view>{}, {"-"}}) {
        std::istringstream in(game);
        std::ostringstream out;
        EXPECT_EQ(analysis::run_review(operands, false, in, solve, out), std::nullopt);
        EXPECT_TRUE(out.str().starts_with("n = 8, 16 tolps; you moved first.\n")) << out.str();
    }
    std::istringstream in("no game");
    std::ostringstream out;
    const auto failure = analysis::run_review({}, false, in, solve, out);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->reason, "standard input: not a transcript of the game: no line holds its welcome");
    EXPECT_EQ(out.str(), "");
}

}  // namespace
}  // namespace tolp::testing
