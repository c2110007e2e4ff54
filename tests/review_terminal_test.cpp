// Transcripts of games played on a terminal, as `script` keeps them: the
// typed answers echoed after each question, CR LF line ends, an erased
// character, and long answers whose rest answers the next question.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <variant>
#include <vector>

#include "analysis/transcript.hpp"
#include "support/child_process.hpp"

namespace tolp::testing {
namespace {

using analysis::PlayedGame;
using analysis::PlayedMove;

constexpr std::chrono::milliseconds PATIENCE{20000};  // only a broken program waits this long

// Plays on a pseudo-terminal, typing each answer once its question shows;
// an empty answer types nothing (the rest of a long line answers there).
std::string played_on_a_terminal(const std::vector<std::pair<std::string, std::string>>& dialogue) {
    ChildProcess tolp({"0"}, ChildProcess::Wiring::terminal);
    EXPECT_TRUE(tolp.started());
    for (const auto& [question, answer] : dialogue) {
        if (!tolp.read_until(question, PATIENCE)) {
            ADD_FAILURE() << "waiting for " << question << " in\n" << tolp.output();
            return tolp.output();  // a question that never shows fails the test once, not once per answer
        }
        tolp.type(answer);
    }
    tolp.read_to_end(PATIENCE);
    EXPECT_EQ(tolp.wait_for_exit(), 0);
    return tolp.output();
}

PlayedMove taking(std::int32_t k) { return PlayedMove::taking(k); }

const std::string HOW_MANY = "How many will you take? ";

// The computer takes its smallest number (no time to search). The answer
// before "I win" or "You win" shows only in the echo, and fixes that move.
TEST(TerminalTranscriptTest, EchoedAnswersAreReadAsTheGameReadThem) {
    const std::pair<std::vector<std::pair<std::string, std::string>>, PlayedGame> cases[] = {
        // n answered in ten characters: the tenth, 8, answers who plays
        // first. The nine characters of 000000003 leave the line feed, an
        // empty answer, refused at once; 9 is erased before 5.
        {{{"Choose n", "0000000208\n"},
          {HOW_MANY, "000000003\n"},
          {"You can't do that!", ""},
          {HOW_MANY, "9\x7f" "5\n"},
          {HOW_MANY, "6\n"},
          {HOW_MANY, "20\n"},
          {HOW_MANY, "19\n"},
          {HOW_MANY, "15\n"},
          {HOW_MANY, "10\n"},
          {"Return to exit", "\n"}},
         {20, false, {taking(3), taking(1), taking(5), taking(2), taking(6), taking(4), taking(20), taking(7),
                      taking(19), taking(8), taking(15), taking(9), taking(10)}}},
        // The tenth character, 8, is the move that the computer's last take
        // follows, and it is never echoed.
        {{{"Choose n", "8\n"},
          {"Who to play first <h|c>?", "c\n"},
          {HOW_MANY, "0000000028\n"},
          {"Return to exit", "\n"}},
         {8, true, {taking(1), taking(2), taking(3), taking(8), taking(4)}}},
    };
    for (const auto& [dialogue, expected] : cases) {
        const std::string transcript = played_on_a_terminal(dialogue);
        const auto game = analysis::read_transcript(transcript);
        ASSERT_TRUE(std::holds_alternative<PlayedGame>(game))
            << std::get<analysis::TranscriptError>(game).what << " in\n" << transcript;
        EXPECT_EQ(std::get<PlayedGame>(game), expected) << transcript;
    }
}

// An echoed answer that the piles or the result contradict is no game.
TEST(TerminalTranscriptTest, EchoedAnswersThatContradictTheGameAreRefused) {
    const std::string transcript = played_on_a_terminal({{"Choose n", "8\n"},
                                                         {"Who to play first <h|c>?", "c\n"},
                                                         {HOW_MANY, "9\n"},
                                                         {HOW_MANY, "2\n"},
                                                         {HOW_MANY, "8\n"},
                                                         {"Return to exit", "\n"}});
    const std::pair<std::pair<std::string, std::string>, analysis::TranscriptError> cases[] = {
        {{"take? 8", "take? 5"}, {20, "the answer 5 does not fit the result"}},
        {{"take? 2", "take? 4"}, {16, "the answer 4 does not match the piles, which say 2"}},
        {{"take? 9", "take? 5"}, {12, "the answer 5 is a legal move, yet it was refused"}},
        {{"<h|c>?c", "<h|c>?h"}, {8, "the answer who plays first does not match the first move"}},
    };
    for (const auto& [edit, error] : cases) {
        std::string text = transcript;
        const auto at = text.find(edit.first);
        ASSERT_NE(at, std::string::npos) << edit.first << " in\n" << transcript;
        text.replace(at, edit.first.size(), edit.second);
        const auto game = analysis::read_transcript(text);
        ASSERT_TRUE(std::holds_alternative<analysis::TranscriptError>(game)) << text;
        EXPECT_EQ(std::get<analysis::TranscriptError>(game).line, error.line) << text;
        EXPECT_EQ(std::get<analysis::TranscriptError>(game).what, error.what) << text;
    }
}

}  // namespace
}  // namespace tolp::testing
