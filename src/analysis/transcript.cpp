// Reading a game back from its transcript: the lines the game prints, the
// answers a terminal echoed, and the moves they add up to.
#include "analysis/transcript.hpp"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <optional>
#include <vector>

#include "common/rules.hpp"
#include "game/answer_reader.hpp"
#include "game/game.hpp"
#include "game/answer_value.hpp"

namespace tolp::analysis {
namespace {

constexpr std::string_view WELCOME =
    "Welcome to Tolp 2, Pick a number between 1 and n. There are n^2/4 tolps and you take it in "
    "turns to remove a number of tolps. The catch is you can't remvove a number of tolps that has "
    "been taken before. The person to take the last tolp loses.";
constexpr std::string_view CHOOSE_N = "Choose n";
constexpr std::string_view OPPONENT_START = "Your opponent is the computer with a time limit of ";
constexpr std::string_view OPPONENT_END = " seconds per move, (use command line to alter this)";
constexpr std::string_view WHO_FIRST = "Who to play first <h|c>?";
// Printed with a blank after it, which a copy from a terminal may lose.
constexpr std::string_view HOW_MANY = "How many will you take?";
constexpr std::string_view REFUSED = "You can't do that!";
constexpr std::string_view USER_LOST = "I win";
constexpr std::string_view COMPUTER_LOST = "You win";
constexpr std::string_view RETURN_TO_EXIT = "Return to exit";

using Error = TranscriptError;

// The lines of `text`, without the carriage returns and blanks at their
// ends: no line of the game ends in either, but for the question above.
std::vector<std::string_view> lines_of(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        while (line.ends_with('\r') || line.ends_with(' ')) {
            line.remove_suffix(1);
        }
        lines.push_back(line);
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    return lines;
}

// Reads a whole number (optionally negative) at the front of `text`.
std::optional<std::int64_t> take_number(std::string_view& text) {
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{}) {
        return std::nullopt;
    }
    text.remove_prefix(static_cast<std::size_t>(end - text.data()));
    return value;
}

bool take_literal(std::string_view& text, std::string_view literal) {
    if (!text.starts_with(literal)) {
        return false;
    }
    text.remove_prefix(literal.size());
    return true;
}

// "97 tolps left": the pile.
std::optional<std::int64_t> pile_line(std::string_view line) {
    const auto pile = take_number(line);
    return pile && line == " tolps left" ? pile : std::nullopt;
}

// "Computer searched to depth 3 for move of value  0 and takes 5": the 5.
std::optional<std::int64_t> computer_line(std::string_view line) {
    if (!take_literal(line, "Computer searched to depth ") || !take_number(line) ||
        !take_literal(line, " for move of value ")) {
        return std::nullopt;
    }
    take_literal(line, " ");  // a value that is not negative is printed after a blank
    if (!take_number(line) || !take_literal(line, " and takes ")) {
        return std::nullopt;
    }
    const auto k = take_number(line);
    return k && line.empty() ? k : std::nullopt;
}

// The line a terminal shows after echoing what was typed, erasures undone.
std::string typed_text(std::string_view echo) {
    std::string text;
    for (const char c : echo) {
        if (c == '\b') {
            // A terminal erases a character as backspace, blank, backspace:
            // the blank goes with the second.
            if (!text.empty()) {
                text.pop_back();
            }
        } else {
            text.push_back(c);
        }
    }
    return text;
}

// The answers the game read, worked out from the lines a terminal echoed:
// a line longer than an answer leaves its rest for the next question, which
// the game then reads without waiting, so nothing is echoed there.
class Answers {
public:
    // The answer read at a question; `echo` is what the terminal showed
    // typed there, if anything was typed. Empty when the transcript does not
    // show it (the game's output alone holds no answers).
    std::optional<std::string> read(std::optional<std::string_view> echo) {
        std::string source;
        if (echo) {
            source = typed_text(*echo) + "\n";
        } else if (!rest_.empty()) {
            source = std::move(rest_);
        } else {
            return std::nullopt;
        }
        const std::size_t length = std::min(source.size(), MAX_ANSWER_LENGTH);
        rest_ = source.substr(length);
        source.resize(length);
        return source;
    }

private:
    std::string rest_;
};

// What the transcript shows at one question: the answer, when it shows it.
struct Question {
    std::size_t line;
    std::optional<std::string> answer;
    bool refused = false;
};

// One event of the turn loop, in the order printed.
struct Event {
    enum class Kind { pile, question, computer, user_lost, computer_lost } kind;
    std::size_t line;
    std::int64_t number = 0;  // pile: the tolps left; computer: its take
    Question question{};
};

std::string quoted(std::string_view line) {
    constexpr std::size_t SHOWN = 40;
    std::string text = "\"";
    text.append(line.substr(0, SHOWN));
    return text.append(line.size() > SHOWN ? "...\"" : "\"");
}

class Reader {
public:
    explicit Reader(std::string_view text) : lines_(lines_of(text)) {}

    std::variant<PlayedGame, Error> read() {
        const auto welcome = std::find(lines_.begin(), lines_.end(), WELCOME);
        if (welcome == lines_.end()) {
            return Error{0, "not a transcript of the game: no line holds its welcome"};
        }
        at_ = static_cast<std::size_t>(welcome - lines_.begin()) + 1;
        if (const auto second = std::find(welcome + 1, lines_.end(), WELCOME); second != lines_.end()) {
            return Error{static_cast<std::size_t>(second - lines_.begin()) + 1,
                         "a second game starts here; review one game at a time"};
        }
        if (auto error = read_opening()) {
            return *error;
        }
        if (auto error = read_turns()) {
            return *error;
        }
        return play_back();
    }

private:
    bool at_end() const { return at_ >= lines_.size(); }
    std::string_view line() const { return lines_[at_]; }
    std::size_t line_number() const { return at_ + 1; }

    Error unexpected(std::string_view wanted) const {
        if (at_end()) {
            return {lines_.size(), "the transcript ends before the game does"};
        }
        return {line_number(), quoted(line()) + " where the game prints " + std::string(wanted)};
    }

    // A question that the game's next message follows on a line of its own:
    // a blank line after the question's line means an answer was typed there.
    std::optional<Error> read_question(std::string_view prompt, Question& question) {
        if (at_end() || !line().starts_with(prompt)) {
            return unexpected(quoted(prompt));
        }
        question.line = line_number();
        std::string_view echo = line().substr(prompt.size());
        if (prompt == HOW_MANY && echo.starts_with(' ')) {
            echo.remove_prefix(1);
        }
        ++at_;
        const bool typed = !at_end() && line().empty();
        if (typed) {
            ++at_;
        } else if (!echo.empty()) {
            return unexpected("a blank line after the answer");
        }
        question.answer = answers_.read(typed ? std::optional(echo) : std::nullopt);
        return std::nullopt;
    }

    // From the line after the welcome to the answer who plays first.
    std::optional<Error> read_opening() {
        if (at_end() || !line().empty()) {
            return unexpected("a blank line");
        }
        ++at_;
        if (at_end() || line() != CHOOSE_N) {
            return unexpected(quoted(CHOOSE_N));
        }
        ++at_;
        // The question ends its own line: the game's output alone has a
        // blank line next, a terminal the echoed answer and then the blank.
        const auto opponent = [this](std::size_t i) {
            return i < lines_.size() && lines_[i].starts_with(OPPONENT_START) &&
                   lines_[i].ends_with(OPPONENT_END);
        };
        std::optional<std::string_view> echo;
        if (!at_end() && line().empty() && opponent(at_ + 1)) {
            at_ += 1;
        } else if (!at_end() && at_ + 1 < lines_.size() && lines_[at_ + 1].empty() && opponent(at_ + 2)) {
            n_line_ = line_number();
            echo = line();
            at_ += 2;
        } else {
            return unexpected("the answer to \"Choose n\"");
        }
        if (const auto answer = answers_.read(echo)) {
            typed_n_ = answer_value(*answer);
        }
        ++at_;  // the opponent line
        return read_question(WHO_FIRST, who_first_);
    }

    // The turns, up to the result, as events.
    std::optional<Error> read_turns() {
        if (!at_end() && line() == RETURN_TO_EXIT) {
            return Error{line_number(), "the game ends before its first move (" +
                                            (typed_n_ ? "n = " + std::to_string(*typed_n_) : std::string("its n")) +
                                            " leaves no tolps)"};
        }
        for (;;) {
            if (at_end()) {
                return unexpected("");
            }
            Event event{Event::Kind::pile, line_number()};
            if (const auto pile = pile_line(line())) {
                event.number = *pile;
                events_.push_back(event);
                ++at_;
                Event question{Event::Kind::question, line_number()};
                if (auto error = read_question(HOW_MANY, question.question)) {
                    return error;
                }
                events_.push_back(question);
                if (!at_end() && line() == REFUSED) {
                    events_.back().question.refused = true;
                    ++at_;
                }
                continue;
            }
            if (const auto k = computer_line(line())) {
                event.kind = Event::Kind::computer;
                event.number = *k;
            } else if (line() == USER_LOST) {
                event.kind = Event::Kind::user_lost;
            } else if (line() == COMPUTER_LOST) {
                event.kind = Event::Kind::computer_lost;
            } else {
                return unexpected("a pile, the computer's move or the result");
            }
            events_.push_back(event);
            ++at_;
            if (event.kind != Event::Kind::computer) {
                return std::nullopt;
            }
        }
    }

    // n from the starting pile; when the computer's first move ended the
    // game, from the answer to "Choose n" or the only n that fits.
    std::optional<Error> find_n() {
        const Event& first = events_.front();
        if (first.kind == Event::Kind::computer && events_[1].kind == Event::Kind::computer_lost) {
            std::vector<std::int32_t> fitting;
            for (std::int32_t n = 2; starting_pile(n) <= first.number; ++n) {
                if (n >= first.number && (!typed_n_ || *typed_n_ == n)) {
                    fitting.push_back(n);
                }
            }
            if (fitting.size() != 1) {
                return Error{first.line, "n cannot be told from a game that the first move ended"};
            }
            n_ = fitting[0];
            return std::nullopt;
        }
        const std::int64_t start = first.kind == Event::Kind::pile ? first.number
                                                                   : first.number + events_[1].number;
        const std::size_t line = first.kind == Event::Kind::pile ? first.line : events_[1].line;
        std::int32_t n = 2;
        while (n <= tolp::LARGEST_GAME_N && starting_pile(n) < start) {
            ++n;
        }
        if (n > tolp::LARGEST_GAME_N || starting_pile(n) != start) {
            return Error{line, "a starting pile of " + std::to_string(start) + " tolps is no game's"};
        }
        n_ = n;
        if (typed_n_ && *typed_n_ != n_) {
            return Error{n_line_, "n was answered " + std::to_string(*typed_n_) + ", but the pile is " +
                                      std::to_string(start) + " tolps"};
        }
        return std::nullopt;
    }

    std::optional<Error> check_move(std::int64_t k, std::size_t line, std::string_view who) {
        if (k < 1 || k > n_) {
            return Error{line, std::string(who) + " took " + std::to_string(k) + ", outside 1.." +
                                   std::to_string(n_)};
        }
        if (taken_[static_cast<std::size_t>(k)]) {
            return Error{line, std::string(who) + " took " + std::to_string(k) + ", which was taken before"};
        }
        return std::nullopt;
    }

    void apply(std::int64_t k) {
        taken_[static_cast<std::size_t>(k)] = true;
        game_.moves.push_back(PlayedMove::taking(static_cast<std::int32_t>(k)));
    }

    // The last move of the person playing: the typed answer when the
    // transcript shows it, else every untaken number from `low` to `high`.
    std::optional<Error> apply_unseen(const Question& question, std::int64_t low, std::int64_t high,
                                      std::int64_t also_taken) {
        if (question.answer) {
            const std::int64_t k = answer_value(*question.answer);
            if (auto error = check_move(k, question.line, "you")) {
                return error;
            }
            if (k < low || k > high || k == also_taken) {
                return Error{question.line, "the answer " + std::to_string(k) + " does not fit the result"};
            }
            apply(k);
            return std::nullopt;
        }
        std::vector<std::int32_t> could_be;
        for (std::int64_t k = std::max<std::int64_t>(low, 1); k <= std::min<std::int64_t>(high, n_); ++k) {
            if (!taken_[static_cast<std::size_t>(k)] && k != also_taken) {
                could_be.push_back(static_cast<std::int32_t>(k));
            }
        }
        if (could_be.empty()) {
            return Error{question.line, "no move left fits the result"};
        }
        for (const std::int32_t k : could_be) {
            taken_[static_cast<std::size_t>(k)] = true;  // only a bound from here on
        }
        game_.moves.push_back({could_be.front(), could_be.back()});
        return std::nullopt;
    }

    // Replays the events, checking each move against the rules and the piles.
    std::variant<PlayedGame, Error> play_back() {
        const Event& first = events_.front();
        if (first.kind != Event::Kind::pile && first.kind != Event::Kind::computer) {
            return Error{first.line, "the game ends before its first move"};
        }
        if (auto error = find_n()) {
            return *error;
        }
        game_.n = n_;
        game_.computer_first = first.kind == Event::Kind::computer;
        if (who_first_.answer && ((*who_first_.answer)[0] == 'c') != *game_.computer_first) {
            return Error{who_first_.line, "the answer who plays first does not match the first move"};
        }
        taken_.assign(static_cast<std::size_t>(n_) + 1, false);
        std::int64_t pile = std::int64_t{n_} * n_ / 4;
        std::size_t e = 0;
        const auto next = [&]() -> const Event& { return events_[e++]; };
        if (first.kind == Event::Kind::computer) {
            const Event& computer = next();
            if (auto error = check_move(computer.number, computer.line, "the computer")) {
                return *error;
            }
            apply(computer.number);
            pile -= computer.number;
        }
        for (;;) {
            const Event& shown = next();
            if (shown.kind != Event::Kind::pile) {
                // The computer took the last tolp, or played twice.
                if (shown.kind == Event::Kind::computer_lost && pile <= 0) {
                    return game_;
                }
                return Error{shown.line, "the result does not follow from the moves"};
            }
            if (shown.number != pile) {
                return Error{shown.line, "the pile does not add up: " + std::to_string(pile) +
                                             " tolps are left here, not " + std::to_string(shown.number)};
            }
            const Event* asked = &next();
            while (asked->question.refused) {
                if (const auto& answer = asked->question.answer) {
                    const std::int64_t k = answer_value(*answer);
                    if (k >= 1 && k <= n_ && !taken_[static_cast<std::size_t>(k)]) {
                        return Error{asked->line, "the answer " + std::to_string(k) +
                                                      " is a legal move, yet it was refused"};
                    }
                }
                const Event& again = next();
                if (again.kind != Event::Kind::pile || again.number != pile) {
                    return Error{again.line, "a refused answer changes nothing, yet the pile changed"};
                }
                asked = &next();
            }
            const Question& question = asked->question;
            const Event& after = next();
            if (after.kind == Event::Kind::user_lost) {
                if (auto error = apply_unseen(question, pile, n_, 0)) {
                    return *error;
                }
                return game_;
            }
            if (after.kind != Event::Kind::computer) {
                return Error{after.line, "the result does not follow from the moves"};
            }
            const Event& result = next();
            if (result.kind == Event::Kind::computer_lost) {
                // Your move left something; the computer's took the rest.
                if (auto error = apply_unseen(question, pile - after.number, pile - 1, after.number)) {
                    return *error;
                }
                if (auto error = check_move(after.number, after.line, "the computer")) {
                    return *error;
                }
                apply(after.number);
                return game_;
            }
            if (result.kind != Event::Kind::pile) {
                return Error{result.line, "the result does not follow from the moves"};
            }
            if (result.number <= 0) {
                return Error{result.line, "the game goes on after the last tolp was taken"};
            }
            const std::int64_t k = pile - after.number - result.number;
            if (auto error = check_move(k, question.line, "you")) {
                return Error{error->line, error->what + " (the piles " + std::to_string(pile) + " and " +
                                              std::to_string(result.number) + " do not add up)"};
            }
            if (question.answer && answer_value(*question.answer) != k) {
                return Error{question.line, "the answer " + std::to_string(answer_value(*question.answer)) +
                                                " does not match the piles, which say " + std::to_string(k)};
            }
            apply(k);
            if (auto error = check_move(after.number, after.line, "the computer")) {
                return *error;
            }
            apply(after.number);
            pile = result.number;
            --e;  // the pile line opens the next turn
        }
    }

    std::vector<std::string_view> lines_;
    std::size_t at_ = 0;
    Answers answers_;
    std::optional<std::int32_t> typed_n_;
    std::size_t n_line_ = 0;
    Question who_first_;
    std::vector<Event> events_;
    std::int32_t n_ = 0;
    std::vector<bool> taken_;
    PlayedGame game_;
};

}  // namespace

std::variant<PlayedGame, TranscriptError> read_transcript(std::string_view text) {
    return Reader(text).read();
}

}  // namespace tolp::analysis
