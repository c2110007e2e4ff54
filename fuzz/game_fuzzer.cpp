// Fuzzes whole games: the fuzzer's bytes are the user's input, with a time
// limit of 0 so each game is fast (the computer then takes the smallest
// number left). The first byte chooses a small n. The transcript must be a
// sequence of the game's own messages that a model of the game, fed the same
// answers, predicts: every pile line equals n*n/4 minus the numbers taken, no
// number is taken twice, a refused answer changes nothing, and the game ends
// with exit status 0.
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>

#include "answer_model.hpp"
#include "game/console.hpp"
#include "game/game.hpp"
#include "memory_file.hpp"
#include "support/messages.hpp"

namespace {

void check(bool ok) {
    if (!ok) {
        std::abort();
    }
}

// Walks the transcript message by message.
class Transcript {
public:
    explicit Transcript(std::string_view text) : text_(text) {}
    void expect(std::string_view message) {
        check(text_.substr(at_, message.size()) == message);
        at_ += message.size();
    }
    void expect_end() { check(at_ == text_.size()); }

private:
    std::string_view text_;
    std::size_t at_ = 0;
};

// The model's view of one game, checked against the transcript.
void replay(const std::string& input, const std::string& output, int status) {
    check(status == 0);
    Transcript t(output);
    // The answers as the fuzzers' own model reads them, not the game's reader.
    const auto all_answers = tolp::fuzzing::model_answers(
        reinterpret_cast<const std::uint8_t*>(input.data()), input.size(), false);
    std::size_t next_answer = 0;
    const auto read_answer = [&]() -> const std::string* {
        return next_answer < all_answers.size() ? &all_answers[next_answer++] : nullptr;
    };
    const auto finish = [&] {
        t.expect("\nReturn to exit");
        t.expect_end();
    };

    t.expect(tolp::testing::RULES);
    const auto* n_answer = read_answer();
    if (n_answer == nullptr) {
        return finish();
    }
    const long n = tolp::fuzzing::model_value(*n_answer);
    t.expect("\nYour opponent is the computer with a time limit of 0.000000 seconds per move, "
             "(use command line to alter this)\nWho to play first <h|c>?");
    const auto* who = read_answer();
    if (who == nullptr) {
        return finish();
    }
    bool computer_first = who->front() == 'c';
    if (n < 2 || n > tolp::LARGEST_GAME_N) {
        return finish();
    }

    long pile = n * n / 4;
    std::set<long> taken;
    for (;;) {
        if (!computer_first) {
            for (;;) {
                t.expect("\n" + std::to_string(pile) + " tolps left\nHow many will you take? ");
                const auto* answer = read_answer();
                if (answer == nullptr) {
                    return finish();
                }
                const long k = tolp::fuzzing::model_value(*answer);
                if (k >= 1 && k <= n && taken.insert(k).second) {
                    pile -= k;
                    break;
                }
                t.expect("\nYou can't do that!");
            }
            if (pile <= 0) {
                t.expect("\nI win");
                return finish();
            }
        }
        computer_first = false;
        long smallest = 1;
        while (taken.contains(smallest)) {
            ++smallest;
        }
        check(smallest <= n);  // a number is always left while tolps are
        t.expect("\nComputer searched to depth 0 for move of value  0 and takes " +
                 std::to_string(smallest));
        taken.insert(smallest);
        pile -= smallest;
        if (pile <= 0) {
            t.expect("\nYou win");
            return finish();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    // n from -6 to 41: the edges of the game and games of a few dozen moves.
    std::string input = std::to_string(static_cast<int>(data[0] % 48) - 6) + "\n";
    input.append(reinterpret_cast<const char*>(data + 1), size - 1);

    auto in = tolp::fuzzing::open_bytes(reinterpret_cast<const std::uint8_t*>(input.data()),
                                        input.size());
    char* output = nullptr;
    std::size_t output_size = 0;
    std::FILE* out = open_memstream(&output, &output_size);
    tolp::Console console(in.get(), false, out, false);
    const char* argv[] = {"tolp", "0", nullptr};
    const int status = tolp::run_game(2, argv, console);
    std::fclose(out);
    const std::string transcript(output, output_size);
    std::free(output);

    replay(input, transcript, status);
    return 0;
}
