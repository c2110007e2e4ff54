// The program at its edges, run as a script would run it: the largest and
// impossible n, odd time limits, and standard input that is empty, closed,
// binary or one enormous line. Each must end in order, with status 0 and a
// transcript that closes the way the game closes.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <regex>

#include "support/child_process.hpp"
#include "support/messages.hpp"

namespace tolp::testing {
namespace {

using std::chrono::milliseconds;
constexpr milliseconds PATIENCE{60000};  // only a hung program waits this long


bool ends_with(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

struct Finished {
    std::string output;
    int status;
};

Finished run_with_input(const std::vector<std::string>& args, const std::string& input) {
    // Through a file, so that a long input and a long transcript never wait
    // on each other's pipe.
    char path[] = "/tmp/tolp-input-XXXXXX";
    const int fd = mkstemp(path);
    [[maybe_unused]] const auto written = write(fd, input.data(), input.size());
    close(fd);
    ChildProcess tolp(args, ChildProcess::Wiring::file, path);
    tolp.read_to_end(PATIENCE);
    const int status = tolp.wait_for_exit();
    unlink(path);
    return {tolp.output(), status};
}

// Where the computer stops under a real clock varies, so the test checks
// that its move is a legal one and the pile follows from it.
TEST(BoundaryTest, LargestGamePlays) {
    const auto run = run_with_input({"0.05"}, "46340\nc\n");
    EXPECT_EQ(run.status, 0);
    std::smatch move;
    const std::regex report(
        "\nComputer searched to depth [0-9]+ for move of value  0 and takes ([0-9]+)"
        "\n([0-9]+) tolps left\nHow many will you take\\? \nReturn to exit$");
    ASSERT_TRUE(std::regex_search(run.output, move, report)) << run.output;
    const long takes = std::stol(move[1]);
    EXPECT_GE(takes, 1);
    EXPECT_LE(takes, 46340);
    EXPECT_EQ(std::stol(move[2]), 46340L * 46340 / 4 - takes);
}

// n without a game: the questions are asked, then the end.
TEST(BoundaryTest, ImpossibleNEndsAfterTheQuestions) {
    for (const char* n : {"46341", "999999999", "-2", "-999999999", "2147483648"}) {
        const auto run = run_with_input({}, std::string(n) + "\nc\n\n");
        EXPECT_EQ(run.status, 0) << n;
        EXPECT_TRUE(ends_with(run.output, WHO + END)) << n;
    }
}

TEST(BoundaryTest, TimeLimitsOfEveryShape) {
    const std::pair<std::string, std::string> cases[] = {
        {"", "0.000000"},         {" ", "0.000000"},    {"-0", "-0.000000"},
        {"1e-999", "0.000000"},   {"1e999", "inf"},     {"-1e999", "-inf"},
        {"nan", "0.000000"},      {"inf", "0.000000"},  {"0x10", "0.000000"},
        {std::string(100000, '1'), "inf"},
        {"0." + std::string(99990, '0') + "1", "0.000000"},
    };
    for (const auto& [limit, shown] : cases) {
        const auto run = run_with_input({limit}, "2\nc\n\n");
        EXPECT_EQ(run.status, 0) << limit.substr(0, 20);
        EXPECT_NE(run.output.find(opponent(shown)), std::string::npos)
            << limit.substr(0, 20);
        EXPECT_TRUE(ends_with(run.output, "takes 1\nYou win" + END)) << limit.substr(0, 20);
    }
}

// Input that ends at once ends the game at its first question. Input that
// cannot be read ends it the same way, but is reported, with status 1.
TEST(BoundaryTest, StandardInputThatEndsAtOnceOrCannotBeRead) {
    struct Case {
        ChildProcess::Wiring wiring;
        std::string input_path;
        int status;
        std::string errors;
    };
    const Case cases[] = {
        {ChildProcess::Wiring::file, "/dev/null", 0, ""},
        {ChildProcess::Wiring::file, "/", 1, "tolp: cannot read input: Is a directory\n"},
        {ChildProcess::Wiring::closed, "", 1, "tolp: cannot read input: Bad file descriptor\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.errors);
        ChildProcess tolp({}, c.wiring, c.input_path);
        tolp.read_to_end(PATIENCE);
        EXPECT_EQ(tolp.wait_for_exit(), c.status);
        EXPECT_EQ(tolp.errors(), c.errors);
        EXPECT_TRUE(ends_with(tolp.output(), "\n\nChoose n\n" + END));
    }
}

TEST(BoundaryTest, BinaryAndEnormousInput) {
    std::mt19937 random(46340);
    std::string binary(1 << 16, '\0');
    for (char& c : binary) {
        c = static_cast<char>(random() % 256);
        if (c == '\x1a') {
            c = '\n';  // keep the whole file readable
        }
    }
    const std::string opening = opponent("0.000000") + WHO + ask(20);
    // Binary answers: the game goes on in its own words only, to the end.
    const auto noise = run_with_input({"0"}, "9\nh\n" + binary);
    EXPECT_EQ(noise.status, 0);
    const std::regex game_words(
        "(\nYou can't do that!|\n[0-9]+ tolps left\nHow many will you take\\? |"
        "\nComputer searched to depth 0 for move of value  0 and takes [0-9]+|\nI win|\nYou win)*"
        "\nReturn to exit");
    const auto after_opening = noise.output.find(opening);
    ASSERT_NE(after_opening, std::string::npos);
    EXPECT_TRUE(std::regex_match(noise.output.substr(after_opening + opening.size()), game_words))
        << noise.output.substr(after_opening + opening.size(), 400);

    // A NUL ends the value, not the answer: "9\0\n" is 9, "\0" "5\n" is 0
    // and refused, "3\0z\n" is 3.
    const auto nul = run_with_input({"0"}, std::string("9\0\nh\n\0" "5\n3\0z\n", 12));
    EXPECT_EQ(nul.status, 0);
    EXPECT_TRUE(ends_with(nul.output, opening + REFUSED + ask(20) + report(0, " 0", 1) + ask(16) + END))
        << nul.output;

    // One 1 MB line: every nine-character piece is refused, the line feed too.
    const auto refused = run_with_input({"0"}, "9\nh\n" + std::string(1 << 20, '1') + "\n");
    EXPECT_EQ(refused.status, 0);
    EXPECT_TRUE(ends_with(refused.output, END));
    const auto refusals = (refused.output.size() - refused.output.find("You can't")) /
                          (REFUSED + ask(20)).size();
    EXPECT_EQ(refusals, ((1u << 20) + 8) / 9);
}

}  // namespace
}  // namespace tolp::testing
