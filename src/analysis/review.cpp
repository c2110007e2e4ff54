// Reviewing a played game with perfect play: verdicts, the first mistake and
// the report.
#include "analysis/review.hpp"

#include <algorithm>
#include <map>
#include <span>
#include <utility>

#include "analysis/number_list.hpp"
#include "common/rules.hpp"

namespace tolp::analysis {
namespace {

constexpr std::size_t COLUMNS = 80;

// Verdicts of the positions met, each solved once.
class Verdicts {
public:
    explicit Verdicts(const SolveStep& solve) : solve_(solve) {}

    std::optional<Verdict> of(const Position& position) {
        if (position.untaken.size() > static_cast<std::size_t>(LARGEST_SOLVED_N)) {
            return std::nullopt;  // more numbers than the solver's sets hold
        }
        auto key = std::make_pair(position.untaken, position.capacity);
        if (const auto known = known_.find(key); known != known_.end()) {
            return known->second;
        }
        return known_.emplace(std::move(key), solve_(position)).first->second;
    }

private:
    const SolveStep& solve_;
    std::map<std::pair<std::vector<std::int32_t>, std::int64_t>, std::optional<Verdict>> known_;
};

bool contains(const std::vector<std::int32_t>& numbers, std::int32_t k) {
    return std::binary_search(numbers.begin(), numbers.end(), k);
}

// Where a game stands: the numbers taken and the tolps left.
struct Walk {
    std::vector<bool> taken;
    std::int64_t pile;
};

// The reviews of the moves `line`, known numbers, made from `walk`; `moves`
// are the same moves as played.
std::vector<MoveReview> review_line(std::span<const PlayedMove> moves, const std::vector<std::int32_t>& line,
                                    Walk walk, Verdicts& verdicts) {
    std::vector<MoveReview> reviews;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const std::int32_t k = line[i];
        const std::int64_t pile = walk.pile;
        MoveReview review{MoveReview::Kind::beyond, pile, moves[i], k >= pile, {}};
        const auto verdict = verdicts.of(position_with_pile(pile, walk.taken));
        walk.taken[static_cast<std::size_t>(k)] = true;
        walk.pile -= k;
        if (!verdict) {
            // beyond the solver, as the review starts out
        } else if (verdict->side_to_move_wins) {
            const bool wins = contains(verdict->winning_moves, k);
            review.kind = wins ? MoveReview::Kind::keeps_win : MoveReview::Kind::gives_away;
            if (!wins) {
                review.moves = verdict->winning_moves;
            }
        } else if (review.took_last) {
            review.kind = MoveReview::Kind::takes_last;
        } else {
            review.kind = MoveReview::Kind::already_lost;
            if (const auto reply = verdicts.of(position_with_pile(walk.pile, walk.taken))) {
                review.moves = reply->winning_moves;
            }
        }
        reviews.push_back(std::move(review));
    }
    return reviews;
}

// Every way that `moves`, made from `walk`, may have gone: each move not
// known replaced by one number it can have been (untaken before it, and not
// taken by a later move).
void each_line(std::span<const PlayedMove> moves, const Walk& walk, std::vector<std::int32_t>& line,
               const std::function<void(const std::vector<std::int32_t>&)>& visit) {
    const std::size_t i = line.size();
    if (i == moves.size()) {
        visit(line);
        return;
    }
    for (std::int32_t k = moves[i].smallest; k <= moves[i].largest; ++k) {
        const bool used = walk.taken[static_cast<std::size_t>(k)] ||
                          std::find(line.begin(), line.end(), k) != line.end() ||
                          std::any_of(moves.begin() + static_cast<std::ptrdiff_t>(i) + 1, moves.end(),
                                      [k](const PlayedMove& later) { return later.known() && later.smallest == k; });
        if (!used) {
            line.push_back(k);
            each_line(moves, walk, line, visit);
            line.pop_back();
        }
    }
}


std::string move_text(const PlayedMove& move) {
    return move.known() ? std::to_string(move.smallest)
                        : std::to_string(move.smallest) + ".." + std::to_string(move.largest);
}

std::string verdict_text(const MoveReview& review, bool the_unknown_move) {
    using Kind = MoveReview::Kind;
    switch (review.kind) {
    case Kind::keeps_win:
        return "keeps the win";
    case Kind::gives_away:
        // The winning moves are not named where they differ with a move not known before.
        return std::string(review.took_last ? "takes the last tolp and gives the win away"
                                            : "gives the win away") +
               (review.moves.empty() ? "" : " (winning: " + joined(review.moves) + ")");
    case Kind::already_lost:
        return review.moves.empty() ? "already lost"
                                    : "already lost (winning replies: " + joined(review.moves) + ")";
    case Kind::takes_last:
        return "takes the last tolp";
    case Kind::beyond:
        return "beyond the solver";
    case Kind::not_known:
        break;
    }
    if (!the_unknown_move) {
        return "not known: it depends on the move before";
    }
    return review.moves.empty() ? "not known: the transcript does not show the move"
                                : "not known: it keeps the win only if it was " + joined(review.moves);
}

// `text` in lines of at most `width` characters, broken at blanks.
std::vector<std::string> wrapped(const std::string& text, std::size_t width) {
    std::vector<std::string> lines{""};
    std::size_t from = 0;
    while (from < text.size()) {
        const std::size_t end = std::min(text.find(' ', from), text.size());
        const std::string word = text.substr(from, end - from);
        if (!lines.back().empty() && lines.back().size() + 1 + word.size() > width) {
            lines.emplace_back();
        }
        lines.back() += (lines.back().empty() ? "" : " ") + word;
        from = end + 1;
    }
    return lines;
}

std::string padded(const std::string& text, std::size_t width, bool right) {
    const std::string blanks(width - std::min(width, text.size()), ' ');
    return right ? blanks + text : text + blanks;
}

// Who made move i, in a column and in a sentence.
struct Sides {
    std::string column[2];
    std::string sentence[2];
};

Sides sides_of(const PlayedGame& game) {
    if (!game.computer_first) {
        return {{"first", "second"}, {"the first player", "the second player"}};
    }
    if (*game.computer_first) {
        return {{"computer", "you"}, {"the computer", "you"}};
    }
    return {{"you", "computer"}, {"you", "the computer"}};
}

std::string summary(const Review& review, const Sides& sides) {
    using Kind = MoveReview::Kind;
    const auto unsure = [&](std::size_t end) {
        return std::any_of(review.moves.begin(), review.moves.begin() + static_cast<std::ptrdiff_t>(end),
                           [](const MoveReview& m) { return m.kind == Kind::beyond || m.kind == Kind::not_known; });
    };
    if (const auto i = review.first_mistake) {
        const MoveReview& move = review.moves[*i];
        const std::string what = "move " + std::to_string(*i + 1) + ", where " + sides.sentence[*i % 2] +
                                 " took " + move_text(move.move) +
                                 (move.pile ? " of " + std::to_string(*move.pile) : std::string()) + ".";
        return unsure(*i) ? "The first move known to give the game away is " + what +
                                " Verdicts of moves before it are not known."
                          : "The game was given away at " + what;
    }
    if (unsure(review.moves.size()) || !review.first_mover_wins) {
        return "No move is known to have given the game away; some verdicts are not known.";
    }
    const std::string& winner = sides.sentence[*review.first_mover_wins ? 0 : 1];
    if (review.over) {
        return "No move gave the game away: " + winner + " won from the start and never let the win go.";
    }
    return "No move has given the game away yet: " + winner + " " + (winner == "you" ? "win" : "wins") +
           " with perfect play.";
}

}  // namespace

Position position_with_pile(std::int64_t pile, const std::vector<bool>& taken) {
    Position position{{}, pile - 1};
    for (std::size_t k = 1; k < taken.size() && static_cast<std::int64_t>(k) < pile; ++k) {
        if (!taken[k]) {
            position.untaken.push_back(static_cast<std::int32_t>(k));
        }
    }
    return position;
}

std::optional<std::string> check_moves(std::int32_t n, const std::vector<std::int32_t>& moves) {
    std::vector<bool> taken(static_cast<std::size_t>(n) + 1, false);
    std::int64_t pile = starting_pile(n);
    for (std::size_t i = 0; i < moves.size(); ++i) {
        const std::int32_t k = moves[i];
        const std::string where = "move " + std::to_string(i + 1) + ": ";
        if (pile <= 0) {
            return where + "the game was over: the move before took the last tolp";
        }
        if (k < 1 || k > n) {
            return where + std::to_string(k) + " is outside 1.." + std::to_string(n);
        }
        if (taken[static_cast<std::size_t>(k)]) {
            return where + std::to_string(k) + " was taken before";
        }
        taken[static_cast<std::size_t>(k)] = true;
        pile -= k;
    }
    return std::nullopt;
}

Review review_game(const PlayedGame& game, const SolveStep& solve) {
    Verdicts verdicts(solve);
    Review review{game, {}, std::nullopt, std::nullopt, false};
    if (const auto start = verdicts.of(position_with_pile(starting_pile(game.n),
                                                          std::vector<bool>(static_cast<std::size_t>(game.n) + 1)))) {
        review.first_mover_wins = start->side_to_move_wins;
    }
    // The moves up to the first one not known went one way only.
    const std::span<const PlayedMove> moves(game.moves);
    const auto unknown = static_cast<std::size_t>(
        std::find_if(moves.begin(), moves.end(), [](const PlayedMove& m) { return !m.known(); }) - moves.begin());
    Walk walk{std::vector<bool>(static_cast<std::size_t>(game.n) + 1), starting_pile(game.n)};
    std::vector<std::int32_t> known;
    for (std::size_t i = 0; i < unknown; ++i) {
        known.push_back(moves[i].smallest);
    }
    review.moves = review_line(moves, known, walk, verdicts);
    for (const std::int32_t k : known) {
        walk.taken[static_cast<std::size_t>(k)] = true;
        walk.pile -= k;
    }
    // From there, where the moves not known leave more than one way, a
    // verdict holds only if it holds for every way; the move itself keeps
    // the win for the numbers that keep it in their way.
    const auto rest = moves.subspan(unknown);
    std::vector<std::vector<std::int32_t>> keeping(moves.size());
    std::vector<std::int32_t> line;
    bool first = true;
    each_line(rest, walk, line, [&](const std::vector<std::int32_t>& way) {
        std::vector<MoveReview> reviews = review_line(rest, way, walk, verdicts);
        for (std::size_t j = 0; j < way.size(); ++j) {
            if (!rest[j].known() && reviews[j].kind == MoveReview::Kind::keeps_win) {
                keeping[unknown + j].push_back(way[j]);
            }
        }
        if (first) {
            review.moves.insert(review.moves.end(), reviews.begin(), reviews.end());
            first = false;
            return;
        }
        for (std::size_t j = 0; j < way.size(); ++j) {
            MoveReview& merged = review.moves[unknown + j];
            const MoveReview& other = reviews[j];
            if (merged.pile != other.pile) {
                merged.pile.reset();
            }
            if (merged.kind != other.kind) {
                merged.kind = MoveReview::Kind::not_known;
                merged.moves.clear();
            } else if (merged.moves != other.moves) {
                merged.moves.clear();
            }
        }
    });
    for (std::size_t i = 0; i < review.moves.size(); ++i) {
        if (!game.moves[i].known() && review.moves[i].kind == MoveReview::Kind::not_known) {
            review.moves[i].moves = keeping[i];
        }
    }
    for (std::size_t i = 0; i < review.moves.size(); ++i) {
        if (review.moves[i].kind == MoveReview::Kind::gives_away) {
            review.first_mistake = i;
            break;
        }
    }
    review.over = !review.moves.empty() && review.moves.back().took_last;
    return review;
}

void print_review(const Review& review, std::ostream& out) {
    const PlayedGame& game = review.game;
    const Sides sides = sides_of(game);
    out << "n = " << game.n << ", " << starting_pile(game.n) << " tolps";
    if (game.computer_first) {
        out << "; " << sides.sentence[0] << " moved first";
    }
    out << ".\n\n";

    const std::vector<std::string> heads{"move", "by", "pile", "took", "verdict"};
    std::vector<std::vector<std::string>> rows;
    for (std::size_t i = 0; i < review.moves.size(); ++i) {
        const MoveReview& move = review.moves[i];
        rows.push_back({std::to_string(i + 1), sides.column[i % 2],
                        move.pile ? std::to_string(*move.pile) : "?", move_text(move.move),
                        verdict_text(move, !game.moves[i].known())});
    }
    std::size_t widths[4];
    for (std::size_t c = 0; c < 4; ++c) {
        widths[c] = heads[c].size();
        for (const auto& row : rows) {
            widths[c] = std::max(widths[c], row[c].size());
        }
    }
    const std::size_t indent = widths[0] + widths[1] + widths[2] + widths[3] + 8;
    const std::size_t room = std::max<std::size_t>(COLUMNS - std::min(COLUMNS, indent), 24);
    const auto print_row = [&](const std::vector<std::string>& row) {
        std::string line = padded(row[0], widths[0], true) + "  " + padded(row[1], widths[1], false) + "  " +
                           padded(row[2], widths[2], true) + "  " + padded(row[3], widths[3], true) + "  ";
        const auto parts = wrapped(row[4], room);
        out << line << parts[0] << "\n";
        for (std::size_t p = 1; p < parts.size(); ++p) {
            out << std::string(indent, ' ') << parts[p] << "\n";
        }
    };
    print_row(heads);
    for (const auto& row : rows) {
        print_row(row);
    }
    out << "\n";
    for (const std::string& line : wrapped(summary(review, sides), COLUMNS - 1)) {
        out << line << "\n";
    }
}

}  // namespace tolp::analysis
