// The dialogue of a whole run, byte for byte: start-up, refusals, results,
// answers cut at nine characters, and end of input at every prompt.
#include <gtest/gtest.h>

#include "support/memory_console.hpp"
#include "support/messages.hpp"
#include "support/search_fixture.hpp"

namespace tolp::testing {
namespace {

// The search reads the process-wide limit; every run here sets it anew.
class GameTest : public SearchTest {};

TEST_F(GameTest, WholeGameWonByTheComputer) {
    const auto run = run_game_on({"1e999"}, "3\nh\n1\n\n");
    EXPECT_EQ(run.output, RULES + opponent("inf") + WHO + ask(2) + report(0, "-1", 2) +
                              "\nYou win" + END);
    EXPECT_EQ(run.status, 0);
}

TEST_F(GameTest, WholeGameWonByTheUserWithRefusals) {
    // n = 4, pile 4: the computer opens with 3; 0, -1, 5 and the taken 3 are
    // refused; 2 is legal, takes the last tolp and loses.
    const auto run = run_game_on({"1e999"}, "4\nc\n0\n-1\n5\n3\n2\n\n");
    EXPECT_EQ(run.output, RULES + opponent("inf") + WHO + report(0, " 1", 3) + ask(1) + REFUSED +
                              ask(1) + REFUSED + ask(1) + REFUSED + ask(1) + REFUSED + ask(1) +
                              "\nI win" + END);
}

TEST_F(GameTest, StartUpLines) {
    struct Case {
        std::vector<std::string> args;
        std::string head;  // what stands before the rules
        const char* seconds;
    };
    const Case cases[] = {
        {{}, "", "0.950000"},
        {{"2.5"}, "", "2.500000"},
        {{"1", "2"}, "Usage: tolp <numsecspermove>", "1.000000"},
        {{"1d1", "x", "y"}, "Usage: tolp <numsecspermove>", "10.000000"},
        {{"-1e999"}, "", "-inf"},
        {{"-0"}, "", "-0.000000"},
        {{"word"}, "", "0.000000"},
    };
    for (const auto& c : cases) {
        const auto run = run_game_on(c.args, "1\nh\n\n");
        EXPECT_EQ(run.output, c.head + RULES + opponent(c.seconds) + WHO + END) << c.seconds;
    }
}

// No pile, or a pile that would not fit: the questions are asked, no game.
TEST_F(GameTest, NOutsideTheGameEndsAfterTheQuestions) {
    for (const char* n : {"1", "0", "-1", "word", "", "-2", "-9999999", "46341", "99999999"}) {
        const auto run = run_game_on({}, std::string(n) + "\nc\n\n");
        EXPECT_EQ(run.output, RULES + opponent("0.950000") + WHO + END) << "n = " << n;
        EXPECT_EQ(run.unread_input, "") << "n = " << n;  // the final read took the last line
    }
}

TEST_F(GameTest, ShortestGames) {
    struct Case {
        const char* input;
        std::string moves;
    };
    const Case cases[] = {
        {"2\nh\n1\n\n", ask(1) + "\nI win"},
        {"2\nh\n2\n\n", ask(1) + "\nI win"},
        {"2\nc\n\n", report(0, "-1", 1) + "\nYou win"},
        {"2\nC\n1\n\n", ask(1) + "\nI win"},  // only a lower-case c lets the computer start
    };
    for (const auto& c : cases) {
        EXPECT_EQ(run_game_on({"1e999"}, c.input).output,
                  RULES + opponent("inf") + WHO + c.moves + END)
            << c.input;
    }
}

// A line longer than nine characters spills into the next answer.
TEST_F(GameTest, LongAnswersSpillIntoTheNextQuestion) {
    // Ten characters: "000000003" gives n = 3, "c\n" answers who plays first.
    auto run = run_game_on({"1e999"}, "000000003c\n");
    EXPECT_EQ(run.output, RULES + opponent("inf") + WHO + report(0, " 1", 1) + ask(1) + END);
    // Nine characters: the line feed alone is the next answer, an empty one.
    run = run_game_on({"1e999"}, "000000003\n1\n\n");
    EXPECT_EQ(run.output, RULES + opponent("inf") + WHO + ask(2) + report(0, "-1", 2) +
                              "\nYou win" + END);
}

// The leftover of a long last answer satisfies the final read.
TEST_F(GameTest, FinalReadTakesTheLeftoverOfTheLastAnswer) {
    const auto run = run_game_on({"0"}, "2\nh\n1xxxxxxxxxxxxxxxxxxx\nnot read\n");
    EXPECT_EQ(run.output, RULES + opponent("0.000000") + WHO + ask(1) + "\nI win" + END);
    EXPECT_EQ(run.unread_input, "not read\n");
}

TEST_F(GameTest, CarriageReturnsBeforeLineFeedsAreDropped) {
    const auto run = run_game_on({"1e999"}, "3\r\nc\r\n2\r\n\r\nnot read");
    EXPECT_EQ(run.output,
              RULES + opponent("inf") + WHO + report(0, " 1", 1) + ask(1) + "\nI win" + END);
    EXPECT_EQ(run.unread_input, "not read");
}

// End of input while an answer is awaited ends the run as the final prompt
// does, without waiting for anything more.
TEST_F(GameTest, EndOfInputAtEveryPrompt) {
    struct Case {
        std::string input;
        std::string after_rules;
    };
    const std::string asked = opponent("0.000000") + WHO;
    const Case cases[] = {
        {"", ""},
        {"\x1a" "3\nh\n", ""},
        {"3\n", asked},
        {"3\nh\n", asked + ask(2)},
        {"3\nh\n9\n", asked + ask(2) + REFUSED + ask(2)},
        {"3\nh\n\x1a", asked + ask(2)},
        {"4", asked},                                          // "4" without a line feed is an answer
        {"4\nh", asked + ask(4)},                              // so is "h"
        {"4\nh\n2\n", asked + ask(4) + report(0, " 0", 1) + ask(1)},
    };
    for (const auto& c : cases) {
        const auto run = run_game_on({"0"}, c.input);
        EXPECT_EQ(run.output, RULES + c.after_rules + END) << c.input;
        EXPECT_EQ(run.status, 0);
    }
}

// From a terminal, 0x1A ends only the answer being read.
TEST_F(GameTest, OnATerminalTheEndMarkEndsOnlyOneAnswer) {
    const auto run = run_game_on({"0"}, "2\x1ah\n1\n\n", true);
    EXPECT_EQ(run.output, RULES + opponent("0.000000") + WHO + ask(1) + "\nI win" + END);
}

}  // namespace
}  // namespace tolp::testing
